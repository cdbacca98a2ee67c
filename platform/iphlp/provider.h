// Where the IP Helper calls get their answers. The live provider reads the
// kernel and the DHCP client; tests install a scripted one with SetProvider.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
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
  // The adapters for the interface table; only their index, name and whether
  // they can hold a lease are read. Every adapter unless a provider can say
  // that more cheaply, or a test scripts the table alone.
  virtual DWORD InterfaceTable(std::vector<AdapterRecord>& out) { return Adapters(out); }
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
// Release and renewal for a process that may not drive the DHCP client
// itself (not root): once installed, IpReleaseAddress and IpRenewAddress hand
// it the adapter's index in place of the provider. Returns the one set before.
using LeaseRoute = std::function<DWORD(std::uint32_t index, bool renew)>;
LeaseRoute SetLeaseRoute(LeaseRoute route);
LeaseRoute CurrentLeaseRoute();

// Changes with every SetProvider. Read it before the provider is asked, so
// that a snapshot is never credited to a provider installed after it was taken.
std::uint64_t ProviderGeneration();

// What a query's first call measured when it answered with the size needed,
// kept for the query's second call. Per thread, as threads may sit in network
// namespaces of their own; for the next call only, for one key (an adapter
// index), while the provider it came from is installed and for at most
// kMeasuredLifetime: long enough for a size query followed at once by the
// real call.
inline constexpr std::chrono::milliseconds kMeasuredLifetime{1000};

template <typename Snapshot>
class Measured {
 public:
  void Keep(Snapshot snapshot, std::uint64_t generation, std::uint32_t key = 0) {
    kept_.emplace(Entry{std::move(snapshot), generation, key, std::chrono::steady_clock::now()});
  }
  // The kept snapshot if it still answers for `key`; forgotten either way.
  std::optional<Snapshot> Take(std::uint32_t key = 0) {
    std::optional<Entry> entry = std::exchange(kept_, std::nullopt);
    if (!entry || entry->key != key || entry->generation != ProviderGeneration() ||
        std::chrono::steady_clock::now() - entry->when > kMeasuredLifetime) {
      return std::nullopt;
    }
    return std::move(entry->snapshot);
  }

 private:
  struct Entry {
    Snapshot snapshot;
    std::uint64_t generation;
    std::uint32_t key;
    std::chrono::steady_clock::time_point when;
  };
  std::optional<Entry> kept_;
};

}  // namespace lorvane::iphlp
