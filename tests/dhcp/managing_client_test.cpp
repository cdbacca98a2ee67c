// The choice of client per link, with stand-in clients whose answers the
// test sets; the real clients meet it in end_to_end_test.cpp.
#include "platform/iphlp/dhcp/managing_client.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "platform/base/errors.h"

namespace lorvane::iphlp {
namespace {

DhcpState Claim(bool running, std::int64_t expires = 0, const char* server = "") {
  DhcpState s;
  s.enabled = true;
  s.running = running;
  s.leaseExpires = expires;
  s.server = server;
  return s;
}

class StandIn : public DhcpClient {
 public:
  std::map<std::string, DhcpState> states;
  bool throws = false;
  bool shortAnswer = false;
  bool actThrows = false;
  std::vector<std::string> acts;
  std::vector<std::string> asked;

  std::vector<DhcpState> States(const std::vector<std::string>& names) override {
    asked.insert(asked.end(), names.begin(), names.end());
    if (throws) throw std::runtime_error("client gone");
    std::vector<DhcpState> out;
    for (const auto& n : names) out.push_back(states.count(n) ? states[n] : DhcpState{});
    if (shortAnswer) out.pop_back();
    return out;
  }
  DWORD Release(const std::string& name) override { return Act("release " + name); }
  DWORD Renew(const std::string& name) override { return Act("renew " + name); }

 private:
  DWORD Act(std::string what) {
    if (actThrows) throw std::runtime_error("client gone");
    acts.push_back(std::move(what));
    return NO_ERROR;
  }
};

struct Clients {
  StandIn* first;
  StandIn* second;
  std::unique_ptr<ManagingClient> managing;
};

Clients Make() {
  auto a = std::make_unique<StandIn>(), b = std::make_unique<StandIn>();
  Clients c{a.get(), b.get(), nullptr};
  std::vector<std::unique_ptr<DhcpClient>> list;
  list.push_back(std::move(a));
  list.push_back(std::move(b));
  c.managing = std::make_unique<ManagingClient>(std::move(list));
  return c;
}

// A left-behind lease (from files or configuration alone, valid for years)
// never beats a client that runs for the link, before a release or after;
// it speaks only where no client runs.
TEST(ManagingClient, AClientThatRunsBeatsFilesLeftBehind) {
  Clients c = Make();
  c.first->states["eth0"] = Claim(false, 4102444800, "10.9.9.9");
  c.second->states["eth0"] = Claim(true, 2000000000, "10.1.0.1");
  c.first->states["eth1"] = Claim(false, 4102444800, "10.9.9.9");
  EXPECT_EQ(c.managing->States({"eth0", "eth1"})[0].server, "10.1.0.1");
  EXPECT_EQ(c.managing->State("eth1").server, "10.9.9.9");

  c.second->states["eth0"] = Claim(true);  // released
  DhcpState released = c.managing->State("eth0");
  EXPECT_TRUE(released.enabled);
  EXPECT_EQ(released.leaseExpires, 0);
  EXPECT_EQ(c.managing->Renew("eth0"), DWORD{NO_ERROR});
  EXPECT_EQ(c.second->acts, std::vector<std::string>{"renew eth0"});
  EXPECT_TRUE(c.first->acts.empty());
}

// Of two clients that run for a link, the one that held the lease keeps it
// through a release, though the other is asked first; a link no one claims
// is no one's.
TEST(ManagingClient, TheLastHolderKeepsAReleasedLink) {
  Clients c = Make();
  c.first->states["eth0"] = Claim(true);
  c.second->states["eth0"] = Claim(true, 2000000000, "10.1.0.2");
  EXPECT_EQ(c.managing->State("eth0").server, "10.1.0.2");
  c.second->states["eth0"] = Claim(true);
  EXPECT_EQ(c.managing->Release("eth0"), DWORD{NO_ERROR});
  EXPECT_EQ(c.second->acts, std::vector<std::string>{"release eth0"});
  c.second->states.erase("eth0");  // gone for good: the other takes over
  EXPECT_EQ(c.managing->Renew("eth0"), DWORD{NO_ERROR});
  EXPECT_EQ(c.first->acts, std::vector<std::string>{"renew eth0"});
  EXPECT_FALSE(c.managing->State("eth9").enabled);
  EXPECT_EQ(c.managing->Renew("eth9"), DWORD{ERROR_NOT_FOUND});
}

// A link that a running client holds a lease on is settled: the later
// client is asked only for the others (not at all when none is left), and
// its claim on the settled link changes nothing.
TEST(ManagingClient, LaterClientsAreAskedOnlyForUnsettledLinks) {
  Clients c = Make();
  c.first->states["eth0"] = Claim(true, 2000000000, "10.1.0.1");
  c.first->states["eth1"] = Claim(true);  // runs, holds nothing yet
  c.second->states["eth0"] = Claim(true, 2100000000, "10.9.9.9");
  c.second->states["eth1"] = Claim(true, 2000000000, "10.1.0.2");
  std::vector<DhcpState> states = c.managing->States({"eth0", "eth1", "eth2"});
  EXPECT_EQ(states[0].server, "10.1.0.1");
  EXPECT_EQ(states[1].server, "10.1.0.2");
  EXPECT_FALSE(states[2].enabled);
  EXPECT_EQ(c.second->asked, (std::vector<std::string>{"eth1", "eth2"}));
  c.second->asked.clear();
  EXPECT_EQ(c.managing->States({"eth0"})[0].server, "10.1.0.1");
  EXPECT_TRUE(c.second->asked.empty());
}

// A client that throws or answers for the wrong number of links answers for
// none; the other still does, and acting through the failing one is an
// error, not an exception.
TEST(ManagingClient, AFailingClientCostsOnlyItsOwnAnswers) {
  Clients c = Make();
  c.first->states["eth0"] = Claim(true, 2000000000, "10.1.0.1");
  c.second->states["eth1"] = Claim(true, 2000000000, "10.1.0.2");
  for (bool throws : {true, false}) {
    c.first->throws = throws;
    c.first->shortAnswer = !throws;
    std::vector<DhcpState> states = c.managing->States({"eth0", "eth1"});
    ASSERT_EQ(states.size(), 2u);
    EXPECT_FALSE(states[0].enabled);
    EXPECT_EQ(states[1].server, "10.1.0.2");
  }
  c.first->shortAnswer = false;
  c.second->throws = true;
  EXPECT_EQ(c.managing->State("eth0").server, "10.1.0.1");
  EXPECT_EQ(c.managing->Release("eth1"), DWORD{ERROR_NOT_FOUND});
  c.second->throws = false;
  c.second->actThrows = true;
  EXPECT_EQ(c.managing->Release("eth1"), DWORD{ERROR_GEN_FAILURE});
}

}  // namespace
}  // namespace lorvane::iphlp
