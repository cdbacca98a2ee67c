// The IP Helper calls against a real DHCP server and a real dhclient, in
// network namespaces of the test's own.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>

#include "dhcp_lab.h"
#include "ip_helper_view.h"
#include "platform/base/errors.h"
#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/live_provider.h"
#include "support/process.h"

namespace lorvane::iphlp {
namespace {

using test::Adapter;
using test::DhcpLab;
using test::FileText;
using test::Seen;

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string why = DhcpLab::UnavailableReason(); !why.empty())
      GTEST_SKIP() << "needs a DHCP lab: " << why;
    hostResolvConf_ = FileText("/etc/resolv.conf");
    lab_ = std::make_unique<DhcpLab>(1);
    lab_->StartClient(0);
    std::ofstream(lab_->dir() + "/resolv.conf") << "nameserver 10.99.0.1\n";
    SetProvider(std::make_shared<LiveProvider>(
        std::make_unique<DhclientClient>(lab_->ClientOptions()), lab_->dir() + "/resolv.conf"));
  }
  void TearDown() override {
    SetProvider(nullptr);
    if (!lab_) return;
    lab_.reset();
    EXPECT_EQ(FileText("/etc/resolv.conf"), hostResolvConf_);
  }

  const std::string link_ = DhcpLab::Link(0);
  const std::time_t started_ = std::time(nullptr);
  std::unique_ptr<DhcpLab> lab_;
  std::string hostResolvConf_;
};

TEST_F(EndToEnd, ALeaseFromTheServerToTheLinksEnd) {
  DhclientOptions hostOnly;
  hostOnly.leaseDirs = {};
  hostOnly.configFiles = {};
  hostOnly.interfacesFile = {};
  // The same link name in the host's namespace is not the lab's.
  EXPECT_FALSE(DhclientClient(hostOnly).State(link_).enabled);

  // Renewing while dhclient runs replaces that client with one on the same
  // files, which writes its pid file a moment after the call returns.
  DhclientClient client(lab_->ClientOptions());
  const std::string pidFile = lab_->dir() + "/dhclient." + link_ + ".pid";
  const std::string before = FileText(pidFile);
  ASSERT_EQ(client.Renew(link_), static_cast<DWORD>(NO_ERROR));
  std::string after = before;
  for (int i = 0; i < 500 && (after == before || after.empty()); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    after = FileText(pidFile);
  }
  EXPECT_NE(after, before);
  EXPECT_EQ(lab_->RunningClients(), 1);

  lab_->client().RunInside([&] {
    Seen a = Adapter(link_);
    test::ExpectLabLease(a);  // the lease's DNS servers, not the resolver file's
    EXPECT_NEAR(static_cast<double>(a.obtained), static_cast<double>(started_), 5.0);
    EXPECT_TRUE(a.haveWins);
    EXPECT_EQ(a.wins1, DhcpLab::kWins1);
    EXPECT_EQ(a.wins2, DhcpLab::kWins2);

    // The renewed client is a real one: a release finds and stops it.
    ASSERT_EQ(test::Release(link_), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(lab_->RunningClients(), 0);
    // With no lease, the resolver file speaks for DNS.
    test::ExpectReleased(Adapter(link_), {"10.99.0.1"});
    // Still in the table, with nothing left to give up.
    EXPECT_EQ(test::Release(link_), static_cast<DWORD>(NO_ERROR));
    ASSERT_EQ(test::Renew(link_), static_cast<DWORD>(NO_ERROR));
    Seen renewed = Adapter(link_);
    test::ExpectLabLease(renewed);
    EXPECT_GE(renewed.obtained, a.obtained);
  });
}

// Another user's process called dhclient, naming the lab's link and files of
// that user's choosing, steers nothing: not what the calls report, not the
// script root runs, not the process root stops, not the file root writes.
TEST_F(EndToEnd, AnotherUsersFakeClientSteersNothing) {
  char pattern[] = "/tmp/lvuser.XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string home = pattern;
  std::filesystem::copy_file("/bin/sh", home + "/dhclient");  // answers to the name
  std::ofstream(home + "/leases") << "lease {\n  interface \"lvc0\";\n  fixed-address 10.77.1.66;\n"
                                     "  option dhcp-server-identifier 6.6.6.1;\n"
                                     "  option domain-name-servers 6.6.6.6;\n  expire never;\n}\n";
  std::ofstream(home + "/script") << "#!/bin/sh\ntouch " << home << "/script-ran\n";
  test::ChildProcess victim({"sleep", "600"});  // root's, named in the user's pid file
  std::ofstream(home + "/pid") << victim.pid() << "\n";
  const std::string secret = lab_->dir() + "/secret";  // root's alone
  std::ofstream(secret) << "root's own\n";
  ASSERT_EQ(symlink(secret.c_str(), (home + "/link").c_str()), 0);
  chmod(home.c_str(), 0755);
  chmod((home + "/script").c_str(), 0755);
  for (const char* f : {"", "/dhclient", "/leases", "/script", "/pid"})
    ASSERT_EQ(chown((home + f).c_str(), 65534, 65534), 0);

  auto fake = [&](const std::string& leaseFile) -> test::ChildProcess& {
    return lab_->client().Spawn({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                 home + "/dhclient", "-c", "while :; do sleep 1; done", "-lf",
                                 leaseFile, "-pf", home + "/pid", "-sf", home + "/script", link_});
  };
  test::ChildProcess& first = fake(home + "/leases");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  lab_->client().RunInside([&] {
    test::ExpectLabLease(Adapter(link_));
    ASSERT_EQ(test::Release(link_), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(Adapter(link_).address, "0.0.0.0");  // root's client released
  });
  EXPECT_FALSE(std::filesystem::exists(home + "/script-ran"));
  EXPECT_TRUE(victim.Running());
  EXPECT_TRUE(first.Running());

  first.Stop();
  fake(home + "/link");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  lab_->client().RunInside([&] {
    ASSERT_EQ(test::Renew(link_), static_cast<DWORD>(NO_ERROR));
    test::ExpectLabLease(Adapter(link_));
  });
  EXPECT_EQ(FileText(secret), "root's own\n");
  EXPECT_FALSE(std::filesystem::exists(home + "/script-ran"));
  lab_->StopClients();
  std::filesystem::remove_all(home);
}

}  // namespace
}  // namespace lorvane::iphlp
