// Where the IP Helper calls get their answers. The live provider reads the
// kernel and the DHCP client; tests install a scripted one with SetProvider.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/types.h"
#include "platform/iphlp/adapter_record.h"

namespace lorvane::iphlp {

class Provider {
 public:
  virtual ~Provider() = default;
  // Every adapter, loopback excluded, as one consistent view; a Win32 error
  // on failure.
  virtual DWORD Adapters(std::vector<AdapterRecord>& out) = 0;
  // The DNS servers of one adapter, in order; ERROR_NOT_FOUND when there is no
  // such adapter.
  virtual DWORD DnsServers(std::uint32_t index, std::vector<std::string>& out) = 0;
  // Blocking lease operations on one adapter; NO_ERROR or a Win32 error.
  virtual DWORD Release(std::uint32_t index) = 0;
  virtual DWORD Renew(std::uint32_t index) = 0;
};

// The provider the calls use; the live one until a test installs another.
Provider& CurrentProvider();
// Installs a provider; nullptr puts the live one back. Returns the old one.
std::shared_ptr<Provider> SetProvider(std::shared_ptr<Provider> provider);

}  // namespace lorvane::iphlp
