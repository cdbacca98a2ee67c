#include "platform/iphlp/scripted_provider.h"

#include <algorithm>

#include "platform/base/errors.h"
#include "platform/iphlp/records.h"

namespace lorvane::iphlp {

AdapterRecord ScriptedAdapter(std::uint32_t index, const std::string& name,
                              const std::string& address) {
  AdapterRecord r;
  r.index = index;
  r.name = name;
  r.description = "Scripted Adapter " + name;
  r.type = MIB_IF_TYPE_ETHERNET;
  r.hardwareAddress = {0x02,
                       0x00,
                       0x00,
                       0x00,
                       static_cast<std::uint8_t>(index >> 8),
                       static_cast<std::uint8_t>(index)};
  if (!address.empty()) r.addresses.push_back({address, "255.255.255.0"});
  r.canHoldLease = true;
  return r;
}

void ScriptedProvider::SetAdapters(std::vector<AdapterRecord> adapters) {
  std::lock_guard lock(mutex_);
  adapters_ = std::move(adapters);
}

void ScriptedProvider::ChangeAfter(int polls, Edit edit) {
  std::lock_guard lock(mutex_);
  if (changes_.empty()) frontSince_ = polls_;
  changes_.push_back({std::max(polls, 0), std::move(edit)});
}

void ScriptedProvider::ChangeAfter(int polls, std::vector<AdapterRecord> adapters) {
  ChangeAfter(polls,
              [adapters = std::move(adapters)](std::vector<AdapterRecord>& a) { a = adapters; });
}

void ScriptedProvider::FailAdapters(DWORD error, int times) {
  std::lock_guard lock(mutex_);
  adapterFailure_ = {error, times};
}

void ScriptedProvider::FailInterfaceTable(DWORD error, int times) {
  std::lock_guard lock(mutex_);
  tableFailure_ = {error, times};
}

void ScriptedProvider::SetDnsServers(std::uint32_t index, std::vector<std::string> servers) {
  std::lock_guard lock(mutex_);
  dns_[index] = std::move(servers);
}

void ScriptedProvider::FailDnsServers(DWORD error, int times) {
  std::lock_guard lock(mutex_);
  dnsFailure_ = {error, times};
}

void ScriptedProvider::OnRelease(LeaseAction action) {
  std::lock_guard lock(mutex_);
  onRelease_ = std::move(action);
}

void ScriptedProvider::OnRenew(LeaseAction action) {
  std::lock_guard lock(mutex_);
  onRenew_ = std::move(action);
}

std::vector<ScriptedProvider::LeaseCall> ScriptedProvider::LeaseCalls() const {
  std::lock_guard lock(mutex_);
  return leaseCalls_;
}

void ScriptedProvider::EditAdapters(const Edit& edit) {
  std::lock_guard lock(mutex_);
  edit(adapters_);
}

int ScriptedProvider::AdapterPolls() const {
  std::lock_guard lock(mutex_);
  return polls_;
}

int ScriptedProvider::DnsQueries() const {
  std::lock_guard lock(mutex_);
  return dnsQueries_;
}

int ScriptedProvider::TableQueries() const {
  std::lock_guard lock(mutex_);
  return tableQueries_;
}

bool ScriptedProvider::TakeFailure(Failure& failure, DWORD& error) {
  if (failure.times == 0) return false;
  if (failure.times > 0) --failure.times;
  error = failure.error;
  return true;
}

DWORD ScriptedProvider::Adapters(std::vector<AdapterRecord>& out) {
  std::lock_guard lock(mutex_);
  // Changes due by now apply before this poll is answered; each one's count
  // starts when the one before it applied.
  while (!changes_.empty() && polls_ - frontSince_ >= changes_.front().afterPolls) {
    Edit edit = std::move(changes_.front().edit);
    changes_.erase(changes_.begin());
    frontSince_ = polls_;
    edit(adapters_);
  }
  ++polls_;
  DWORD error = NO_ERROR;
  if (TakeFailure(adapterFailure_, error)) return error;
  out = adapters_;
  return NO_ERROR;
}

DWORD ScriptedProvider::InterfaceTable(std::vector<AdapterRecord>& out) {
  std::lock_guard lock(mutex_);
  ++tableQueries_;
  DWORD error = NO_ERROR;
  if (TakeFailure(tableFailure_, error)) return error;
  out = adapters_;
  return NO_ERROR;
}

DWORD ScriptedProvider::DnsServers(std::uint32_t index, std::vector<std::string>& out) {
  std::lock_guard lock(mutex_);
  ++dnsQueries_;
  DWORD error = NO_ERROR;
  if (TakeFailure(dnsFailure_, error)) return error;
  bool known = std::any_of(adapters_.begin(), adapters_.end(),
                           [&](const AdapterRecord& a) { return a.index == index; });
  if (!known) return ERROR_NOT_FOUND;
  auto it = dns_.find(index);
  out = it == dns_.end() ? std::vector<std::string>{} : it->second;
  return NO_ERROR;
}

DWORD ScriptedProvider::Release(std::uint32_t index) { return Lease(LeaseOp::kRelease, index); }

DWORD ScriptedProvider::Renew(std::uint32_t index) { return Lease(LeaseOp::kRenew, index); }

DWORD ScriptedProvider::Lease(LeaseOp op, std::uint32_t index) {
  std::lock_guard lock(mutex_);
  leaseCalls_.push_back({op, index});
  const LeaseAction& action = op == LeaseOp::kRelease ? onRelease_ : onRenew_;
  return action ? action(*this, index) : NO_ERROR;
}

}  // namespace lorvane::iphlp
