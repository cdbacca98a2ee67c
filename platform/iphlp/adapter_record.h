// One adapter as plain values: what a provider reports, before it is packed
// into the published records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lorvane::iphlp {

struct AddressEntry {
  std::string address;  // dotted decimal
  std::string mask;     // dotted decimal
};

struct AdapterRecord {
  std::uint32_t index = 0;           // the kernel's ifindex
  std::string name;                  // AdapterName: the interface name
  std::string description;           // never empty from the live provider
  std::uint32_t type = 6;            // MIB_IF_TYPE_*
  std::vector<std::uint8_t> hardwareAddress;
  std::vector<AddressEntry> addresses;  // empty: reported as 0.0.0.0 / 0.0.0.0
  std::vector<AddressEntry> gateways;
  bool dhcpEnabled = false;
  std::string dhcpServer;
  std::int64_t leaseObtained = 0;    // seconds since 1970, 0 when none
  std::int64_t leaseExpires = 0;
  bool haveWins = false;
  std::string primaryWins;
  std::string secondaryWins;
  bool canHoldLease = false;         // listed by GetInterfaceInfo
};

}  // namespace lorvane::iphlp
