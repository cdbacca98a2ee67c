// The two calls of one query over one snapshot, for each of the three
// queries: adapters that grow between the size query and the call that fills
// do not fail the query, and a snapshot kept too long, by another thread or
// from another provider is never handed out.
#include <cstddef>
#include <thread>

#include "iphlp_test_util.h"
#include "platform/iphlp/scripted_provider.h"

namespace lorvane::iphlp {
namespace {

using testing::CallerBuffer;
using testing::Texts;

// One query: its call, what a missing or short buffer gets, and the first
// entry of a filled buffer, which Grow changes.
struct Query {
  const char* name;
  DWORD shortBuffer;
  DWORD (*call)(CallerBuffer* buffer, ULONG* size);
  std::string (*first)(CallerBuffer& buffer);
  std::string measured;
};

const Query kQueries[] = {
    {"GetAdaptersInfo", ERROR_BUFFER_OVERFLOW,
     [](CallerBuffer* b, ULONG* size) {
       return GetAdaptersInfo(b ? b->as<IP_ADAPTER_INFO>() : nullptr, size);
     },
     [](CallerBuffer& b) { return std::string(b.as<IP_ADAPTER_INFO>()->AdapterName); }, "eth0"},
    {"GetPerAdapterInfo", ERROR_BUFFER_OVERFLOW,
     [](CallerBuffer* b, ULONG* size) {
       return GetPerAdapterInfo(7, b ? b->as<IP_PER_ADAPTER_INFO>() : nullptr, size);
     },
     [](CallerBuffer& b) {
       return std::string(b.as<IP_PER_ADAPTER_INFO>()->DnsServerList.IpAddress.String);
     },
     "10.0.0.53"},
    {"GetInterfaceInfo", ERROR_INSUFFICIENT_BUFFER,
     [](CallerBuffer* b, ULONG* size) {
       return GetInterfaceInfo(b ? b->as<IP_INTERFACE_INFO>() : nullptr, size);
     },
     [](CallerBuffer& b) { return std::to_string(b.as<IP_INTERFACE_INFO>()->Adapter[0].Index); },
     "7"},
};

class TwoCalls : public testing::WithProvider<ScriptedProvider> {
 protected:
  void SetUp() override {
    WithProvider::SetUp();
    Reset();
  }
  void Reset() {
    provider_->SetAdapters({ScriptedAdapter(7, "eth0", "10.0.0.7")});
    provider_->SetDnsServers(7, {"10.0.0.53"});
  }
  // More of everything, and another first entry.
  void Grow() {
    provider_->SetAdapters({ScriptedAdapter(8, "eth1"), ScriptedAdapter(7, "eth0", "10.0.0.7")});
    provider_->SetDnsServers(7, {"10.0.0.54", "10.0.0.53"});
  }
  static ULONG Measure(const Query& q) {
    ULONG size = 0;
    EXPECT_EQ(q.call(nullptr, &size), q.shortBuffer) << q.name;
    return size;
  }
  // A buffer of the measured size gets the protocol's answer for the grown
  // adapters, as if nothing had been kept.
  static void ExpectFreshQuery(const Query& q, ULONG measured) {
    SCOPED_TRACE(q.name);
    CallerBuffer buffer(measured);
    ULONG size = measured;
    EXPECT_EQ(q.call(&buffer, &size), q.shortBuffer);
    EXPECT_GT(size, measured);
    EXPECT_TRUE(buffer.Untouched());
  }
};

TEST_F(TwoCalls, TheFillingCallAnswersFromTheSizeQuerysSnapshotOnce) {
  for (const Query& q : kQueries) {
    SCOPED_TRACE(q.name);
    Reset();
    ULONG size = Measure(q);
    Grow();
    CallerBuffer buffer(size);
    ASSERT_EQ(q.call(&buffer, &size), DWORD{NO_ERROR});
    EXPECT_TRUE(buffer.GuardUntouched());
    EXPECT_EQ(q.first(buffer), q.measured);

    // Once only: the same size again is a query of its own, which finds more.
    ExpectFreshQuery(q, size);
  }
}

TEST_F(TwoCalls, AStaleSnapshotIsNeverUsed) {
  ULONG sizes[std::size(kQueries)];
  auto measureAll = [&] {
    for (std::size_t i = 0; i < std::size(kQueries); ++i) sizes[i] = Measure(kQueries[i]);
  };
  auto expectFresh = [&](const char* why) {
    SCOPED_TRACE(why);
    Grow();
    for (std::size_t i = 0; i < std::size(kQueries); ++i) ExpectFreshQuery(kQueries[i], sizes[i]);
    Reset();
  };

  std::thread(measureAll).join();
  expectFresh("measured by another thread");

  measureAll();
  SetProvider(provider_);
  expectFresh("measured before a provider was installed");

  measureAll();
  std::this_thread::sleep_for(kMeasuredLifetime + std::chrono::milliseconds(100));
  expectFresh("measured too long ago");
}

TEST_F(TwoCalls, PerAdapterInfoKeepsTheSnapshotOfTheIndexItMeasured) {
  provider_->SetAdapters({ScriptedAdapter(7, "eth0"), ScriptedAdapter(8, "eth1")});
  provider_->SetDnsServers(8, {"10.0.8.53"});
  ULONG size = Measure(kQueries[1]);  // adapter 7's
  CallerBuffer buffer(size);
  auto* info = buffer.as<IP_PER_ADAPTER_INFO>();
  ASSERT_EQ(GetPerAdapterInfo(8, info, &size), DWORD{NO_ERROR});
  EXPECT_EQ(testing::Addresses(buffer, info->DnsServerList), Texts{"10.0.8.53"});
}

}  // namespace
}  // namespace lorvane::iphlp
