// A provider that answers from a script, for tests: adapters of any content
// that come and go, addresses that change after some polls, queries that
// fail, lease operations that are recorded and act as the test says.
//
//   auto scripted = std::make_shared<ScriptedProvider>();
//   scripted->SetAdapters({ScriptedAdapter(7, "eth0", "10.0.0.5")});
//   scripted->ChangeAfter(2, [](auto& adapters) { adapters.clear(); });
//   SetProvider(scripted);
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/iphlp/provider.h"

namespace lorvane::iphlp {

// An Ethernet adapter with the given index and name, described after its name,
// with one address (255.255.255.0 mask) when one is given.
AdapterRecord ScriptedAdapter(std::uint32_t index, const std::string& name,
                              const std::string& address = {});

class ScriptedProvider : public Provider {
 public:
  using Edit = std::function<void(std::vector<AdapterRecord>&)>;
  using LeaseAction = std::function<DWORD(ScriptedProvider&, std::uint32_t index)>;

  enum class LeaseOp { kRelease, kRenew };
  struct LeaseCall {
    LeaseOp op;
    std::uint32_t index;
    bool operator==(const LeaseCall&) const = default;
  };

  // What every poll answers from now on.
  void SetAdapters(std::vector<AdapterRecord> adapters);
  // Changes the adapters once `polls` more polls have been answered: with
  // polls 0 the next poll already sees the change. Changes form a sequence:
  // a queued change counts its polls from the poll that first saw the change
  // before it.
  void ChangeAfter(int polls, Edit edit);
  void ChangeAfter(int polls, std::vector<AdapterRecord> adapters);
  // The next `times` polls fail with `error` (times -1: every poll).
  void FailAdapters(DWORD error, int times = -1);

  // The interface table answers from the adapters as they stand, without
  // counting as a poll; the next `times` table queries fail with `error`.
  void FailInterfaceTable(DWORD error, int times = -1);

  // DNS servers of one adapter; an adapter without an entry has none.
  void SetDnsServers(std::uint32_t index, std::vector<std::string> servers);
  void FailDnsServers(DWORD error, int times = -1);

  // What Release and Renew do; by default they answer NO_ERROR and change
  // nothing. Every call is recorded first.
  void OnRelease(LeaseAction action);
  void OnRenew(LeaseAction action);
  std::vector<LeaseCall> LeaseCalls() const;

  // For lease actions: edit the adapters now, from inside the provider.
  void EditAdapters(const Edit& edit);

  int AdapterPolls() const;  // Adapters() calls so far, failed ones included
  int DnsQueries() const;
  int TableQueries() const;

  DWORD Adapters(std::vector<AdapterRecord>& out) override;
  DWORD InterfaceTable(std::vector<AdapterRecord>& out) override;
  DWORD DnsServers(std::uint32_t index, std::vector<std::string>& out) override;
  DWORD Release(std::uint32_t index) override;
  DWORD Renew(std::uint32_t index) override;

 private:
  struct Change {
    int afterPolls;
    Edit edit;
  };
  struct Failure {
    DWORD error = 0;
    int times = 0;  // -1: always
  };
  static bool TakeFailure(Failure& failure, DWORD& error);
  DWORD Lease(LeaseOp op, std::uint32_t index);

  mutable std::recursive_mutex mutex_;  // lease actions call back in
  std::vector<AdapterRecord> adapters_;
  std::vector<Change> changes_;
  std::map<std::uint32_t, std::vector<std::string>> dns_;
  Failure adapterFailure_, dnsFailure_, tableFailure_;
  LeaseAction onRelease_, onRenew_;
  std::vector<LeaseCall> leaseCalls_;
  int polls_ = 0;
  int frontSince_ = 0;  // polls_ when the first queued change started counting
  int dnsQueries_ = 0;
  int tableQueries_ = 0;
};

}  // namespace lorvane::iphlp
