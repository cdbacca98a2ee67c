// The IP Helper queries over a scripted provider: what is packed where, what
// a failing call leaves in the caller's hands, and the two calls of one query
// over one snapshot, for each of the three queries: adapters that grow
// between the size query and the call that fills do not fail the query, and
// a snapshot kept too long, by another thread or from another provider is
// never handed out.
#include <cstddef>
#include <thread>

#include "iphlp_test_util.h"
#include "platform/iphlp/scripted_provider.h"

namespace lorvane::iphlp {
namespace {

using testing::AdaptersQuery;
using testing::CallerBuffer;
using testing::kSizeSentinel;
using testing::Texts;

using AdaptersInfo = testing::WithProvider<ScriptedProvider>;

// What the program shows of a record (description, DHCP, lease, WINS, MAC) is
// the program's adapter-view tests', and lists of three the live provider's
// churn walk; here, fields too long for the record.
TEST_F(AdaptersInfo, EveryFieldIsPackedInsideTheBuffer) {
  AdapterRecord overlong = ScriptedAdapter(12, std::string(300, 'n'));
  // 128 ASCII bytes and a four-byte character: the character cannot fit in
  // the 131 bytes before the terminator and must not be split. Bytes that
  // are not UTF-8 are cut where the field ends.
  overlong.description = std::string(128, 'd') + "\xF0\x9F\x98\x80" + "tail";
  overlong.addresses = {{"123.123.123.123.123", "255.255.255.255.255"}};
  overlong.dhcpServer = std::string(40, '\xB0');
  overlong.hardwareAddress.assign(20, 0xAB);
  overlong.hardwareAddress[7] = 0x77;
  overlong.leaseObtained = -(std::int64_t{1} << 40);
  overlong.leaseExpires = std::int64_t{1} << 40;
  provider_->SetAdapters({overlong});

  AdaptersQuery q;
  EXPECT_EQ(q.first, DWORD{ERROR_BUFFER_OVERFLOW});
  EXPECT_EQ(q.asked, sizeof(IP_ADAPTER_INFO));
  ASSERT_EQ(q.error, DWORD{NO_ERROR});
  ASSERT_EQ(q.records.size(), 1u);

  EXPECT_EQ(q.records[0]->CurrentIpAddress, nullptr);
  // The true address length stays, so a reader can tell only 8 bytes fit.
  EXPECT_EQ(q.Line(*q.records[0]),
            "12 " + std::string(sizeof(IP_ADAPTER_INFO::AdapterName) - 1, 'n') + " [" +
                std::string(128, 'd') + "] type 6 mac ababababababab77/20" +
                " ip 123.123.123.123/255.255.255.255 gw 0.0.0.0/0.0.0.0 server " +
                std::string(15, '\xB0') + "/ dhcp 0 lease -2147483648 2147483647 wins 0 [] []");
}

// What a short buffer gets is the two-call tests'.
TEST_F(AdaptersInfo, ACallThatFillsNothingWritesNothing) {
  ULONG size = kSizeSentinel;
  CallerBuffer buffer(4096);
  auto* records = buffer.as<IP_ADAPTER_INFO>();
  EXPECT_EQ(GetAdaptersInfo(nullptr, &size), DWORD{ERROR_NO_DATA});
  EXPECT_EQ(GetAdaptersInfo(records, &size), DWORD{ERROR_NO_DATA});
  EXPECT_EQ(size, kSizeSentinel);

  provider_->SetAdapters({ScriptedAdapter(3, "eth0", "10.0.0.5"), ScriptedAdapter(4, "eth1")});
  provider_->FailAdapters(ERROR_NOT_ENOUGH_MEMORY, 2);
  EXPECT_EQ(GetAdaptersInfo(nullptr, &size), DWORD{ERROR_NOT_ENOUGH_MEMORY});
  size = 4096;
  EXPECT_EQ(GetAdaptersInfo(records, &size), DWORD{ERROR_NOT_ENOUGH_MEMORY});
  EXPECT_EQ(size, 4096u);
  EXPECT_TRUE(buffer.Untouched());
  EXPECT_EQ(GetAdaptersInfo(records, &size), DWORD{NO_ERROR});
}

using PerAdapterInfo = testing::WithProvider<ScriptedProvider>;

// The entries, none or three, are the program's details tests' and the DHCP
// lab's; here, the size asked for them and what a failing call leaves.
TEST_F(PerAdapterInfo, DnsChainIsSizedExactlyAndFailuresTouchNothing) {
  provider_->SetAdapters({ScriptedAdapter(7, "eth0", "10.0.0.2")});
  provider_->SetDnsServers(7, {"1.1.1.1", "8.8.8.8", "9.9.9.9"});
  ULONG size = 0;
  EXPECT_EQ(GetPerAdapterInfo(7, nullptr, &size), DWORD{ERROR_BUFFER_OVERFLOW});
  EXPECT_EQ(size, sizeof(IP_PER_ADAPTER_INFO) + 2 * sizeof(IP_ADDR_STRING));
  CallerBuffer filled(size);
  EXPECT_EQ(GetPerAdapterInfo(7, filled.as<IP_PER_ADAPTER_INFO>(), &size), DWORD{NO_ERROR});
  EXPECT_TRUE(filled.GuardUntouched());

  size = kSizeSentinel;
  EXPECT_EQ(GetPerAdapterInfo(99, nullptr, &size), DWORD{ERROR_NO_DATA});
  EXPECT_EQ(size, kSizeSentinel);
  CallerBuffer buffer(sizeof(IP_PER_ADAPTER_INFO));
  provider_->FailDnsServers(ERROR_GEN_FAILURE, 1);
  size = sizeof(IP_PER_ADAPTER_INFO);
  EXPECT_EQ(GetPerAdapterInfo(7, buffer.as<IP_PER_ADAPTER_INFO>(), &size),
            DWORD{ERROR_GEN_FAILURE});
  EXPECT_EQ(size, sizeof(IP_PER_ADAPTER_INFO));
  EXPECT_TRUE(buffer.Untouched());
}

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
    // A first call that fits keeps nothing for the next.
    for (bool grown : {false, true}) {
      grown ? Grow() : Reset();
      CallerBuffer roomy(4096);
      ULONG room = 4096;
      ASSERT_EQ(q.call(&roomy, &room), DWORD{NO_ERROR});
      EXPECT_EQ(q.first(roomy) == q.measured, !grown);
    }
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
