// The dhclient client, and the choice among clients, over stand-ins. The
// dhclient client over lease files, configuration and client programs
// that a test lays out in a directory of its own. Real dhclient runs in
// end_to_end_test.cpp; here the program is a stand-in script, so that hanging,
// dying and the exact arguments can be seen, or a stand-in process called
// dhclient (idle_client.cpp) with user ids of the test's choosing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

#include "dhcp_lab.h"
#include "platform/base/errors.h"
#include "platform/iphlp/dhcp/dhclient_client.h"
#include "platform/iphlp/dhcp/managing_client.h"

namespace lorvane::iphlp {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kNow = 1796586000;  // 2026-12-06 19:40:00 UTC

class DhclientClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/lvdhcp.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    for (const char* sub : {"leases", "run"}) fs::create_directories(dir_ / sub);
  }
  void TearDown() override { fs::remove_all(dir_); }

  DhclientOptions Options() const {
    DhclientOptions o;
    o.leaseDirs = {(dir_ / "leases").string()};
    o.configFiles = {(dir_ / "dhclient.conf").string()};
    o.interfacesFile = (dir_ / "interfaces").string();
    o.runDir = (dir_ / "run").string();
    o.script = (dir_ / "script").string();
    o.program = (dir_ / "fake-dhclient").string();
    o.now = [] { return kNow; };
    return o;
  }

  // Gives the links to dhclient, as a system's configuration would.
  void Configure(const std::vector<std::string>& names) const {
    std::string text;
    for (const auto& n : names) text += "interface \"" + n + "\" { request routers; }\n";
    Write("dhclient.conf", text);
  }
  fs::path Write(const fs::path& relative, const std::string& text) const {
    fs::path path = dir_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
    return path;
  }
  static void SetMtime(const fs::path& path, std::int64_t seconds) {
    fs::last_write_time(path, fs::file_time_type::clock::from_sys(
                                  std::chrono::system_clock::from_time_t(seconds)));
  }
  // A stand-in for dhclient: a shell script run with our fixed arguments.
  void FakeProgram(const std::string& body) const {
    fs::permissions(Write("fake-dhclient", "#!/bin/sh\n" + body + "\n"), fs::perms::owner_all);
  }
  std::string Read(const std::string& relative) const { return test::FileText(dir_ / relative); }

  fs::path dir_;
};

// A state in one line: enabled, running, server, obtained-expires, DNS and
// WINS servers.
std::string Row(const DhcpState& s) {
  std::string row = std::string(s.enabled ? "on" : "off") + (s.running ? " running " : " ") +
                    s.server + " " + std::to_string(s.leaseObtained) + "-" +
                    std::to_string(s.leaseExpires) + " dns";
  for (const auto& dns : s.dnsServers) row += " " + dns;
  row += " wins";
  for (const auto& wins : s.winsServers) row += " " + wins;
  return row;
}

std::string Lease(const std::string& name, const std::string& server, const std::string& expire,
                  const std::string& extra = "  option dhcp-lease-time 600;\n") {
  return "lease {\n  interface \"" + name +
         "\";\n  fixed-address 10.1.0.7;\n  option dhcp-server-identifier " + server + ";\n" +
         extra + "  expire " + expire + ";\n}\n";
}

// The latest block for a link speaks for it (a release appends the lease
// again, expiring at once: EndToEnd.Dhclient). One that expires now holds
// nothing; a doubtful latest block (a bad server, a file cut short) hides the
// older ones. A file alone, with no client running and nothing configured,
// is left behind by a client long gone and speaks for nothing.
TEST_F(DhclientClientTest, TheLatestBlockForALinkSpeaksForIt) {
  Configure({"eth0", "eth2", "eth3", "eth4"});
  Write("leases/dhclient.eth5.leases", Lease("eth5", "10.1.0.1", "never"));
  Write("leases/dhclient.leases", Lease("eth0", "10.1.0.1", "0 2026/12/06 19:45:00"));
  Write("leases/dhclient.eth2.leases", Lease("eth2", "10.1.0.1", "epoch " + std::to_string(kNow)));
  std::string good = Lease("eth3", "10.1.0.1", "never");
  Write("leases/dhclient.a.leases", good + Lease("eth3", "10.1.0.999", "never"));
  Write("leases/dhclient.b.leases",
        good + Lease("eth4", "10.1.0.1", "never") + "lease { interface \"eth9\";");
  DhclientClient client(Options());
  EXPECT_EQ(Row(client.State("eth0")), "on 10.1.0.1 1796585700-1796586300 dns wins");
  // The server is set with the lease's times, or not at all.
  for (const char* name : {"eth2", "eth3", "eth4"})
    EXPECT_EQ(Row(client.State(name)), "on  0-0 dns wins") << name;
  EXPECT_FALSE(client.State("eth8").enabled);
  EXPECT_EQ(Row(client.State("eth5")), "off  0-0 dns wins");
  EXPECT_EQ(client.Release("eth5"), DWORD{ERROR_NOT_FOUND});
}

// Configuration alone makes a link enabled; the newest lease file that names
// a link wins. What one query read is kept, but any change is seen by the
// next one: a file rewritten within the same second at the same size, a file
// added to a lease folder or to a folder the configuration sources, a file's
// time.
TEST_F(DhclientClientTest, EachQueryReadsTheConfigurationAndTheNewestFiles) {
  Write("interfaces",
        "auto lo\niface lo inet loopback\n# iface eth1 inet dhcp\nsource-directory interfaces.d\n"
        "source extra/*.cfg\n");
  Write("interfaces.d/eth5", "iface eth5 inet dhcp\n");
  Write("interfaces.d/skip.me", "iface eth4 inet dhcp\n");  // not a name ifupdown reads
  Write("extra/a.cfg", "iface eth6 inet static\n  address 10.0.0.1/24\niface eth3 inet dhcp\n");
  Configure({"eth2", "eth7", "eth8"});
  fs::path older = Write("leases/dhclient.leases", Lease("eth7", "10.1.0.1", "never"));
  fs::path newer = Write("leases/dhclient.eth7.leases", Lease("eth7", "10.1.0.2", "never", ""));
  Write("leases/other.leases", Lease("eth7", "10.1.0.3", "never"));  // not a dhclient file name
  SetMtime(older, kNow - 100);
  SetMtime(newer, kNow - 50);
  DhclientClient client(Options());
  for (const char* name : {"eth5", "eth3", "eth2"}) EXPECT_TRUE(client.State(name).enabled) << name;
  EXPECT_EQ(client.State("eth8").leaseExpires, 0);
  for (const char* name : {"eth1", "eth4", "eth6", "lo", "eth9"})
    EXPECT_FALSE(client.State(name).enabled) << name;
  DhcpState s = client.State("eth7");
  EXPECT_EQ(s.server, "10.1.0.2");
  // No lease time: the file was written when the lease came.
  EXPECT_EQ(s.leaseObtained, kNow - 50);

  Write("leases/dhclient.eth7.leases", Lease("eth7", "10.1.0.4", "never", ""));
  SetMtime(newer, kNow - 50);
  Write("leases/dhclient.eth8.leases", Lease("eth8", "10.1.0.1", "never"));
  Write("interfaces.d/eth9", "iface eth9 inet dhcp\n");
  EXPECT_EQ(client.State("eth7").server, "10.1.0.4");
  EXPECT_EQ(client.State("eth8").server, "10.1.0.1");
  EXPECT_TRUE(client.State("eth9").enabled);

  SetMtime(older, kNow - 10);
  EXPECT_EQ(client.State("eth7").server, "10.1.0.1");
}

// "lo" is a link in every namespace, so the stand-in passes the link check.
// Nothing is run for a name that cannot be handed on, a link that dhclient
// does not manage or one that has gone; what runs gets a fixed argument list
// and is killed, with its children, at the bound; a client that fails, dies,
// hangs or is missing is an error.
TEST_F(DhclientClientTest, RunsTheClientBoundedWithAFixedArgumentList) {
  const std::string leases =
      Write("leases/dhclient.leases",
            Lease("lo", "10.1.0.1", "never") + Lease("lvnosuch0", "10.1.0.1", "never"));
  Configure({"lo", "lvnosuch0"});
  FakeProgram("touch \"$0.ran\"");
  DhclientClient client(Options());
  for (const std::string& name : std::initializer_list<std::string>{
           "", "-r", "a/b", "eth0 x", "a\tb", "0123456789abcdef", "..", ".", "a:1", "caf\xC3\xA9",
           std::string("a\0b", 3)}) {
    EXPECT_FALSE(client.State(name).enabled) << name;
    EXPECT_EQ(client.Release(name), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << name;
    EXPECT_EQ(client.Renew(name), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << name;
  }
  for (const char* name : {"eth1", "wlan0.100", "veth_a-b@", "x", "0123456789abcde"}) {
    EXPECT_EQ(client.Release(name), static_cast<DWORD>(ERROR_NOT_FOUND)) << name;
    EXPECT_EQ(client.Renew(name), static_cast<DWORD>(ERROR_NOT_FOUND)) << name;
  }
  EXPECT_EQ(client.Renew("lvnosuch0"), static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
  EXPECT_FALSE(fs::exists(dir_ / "fake-dhclient.ran"));

  const std::string tail = "\n-sf\n" + (dir_ / "script").string() + "\nlo\n";
  FakeProgram("printf '%s\\n' \"$@\" > \"$0.args\"; echo \"$PATH\" > \"$0.env\"; pwd > \"$0.cwd\"");
  // Whatever the caller's umask and directory, the client makes its files as
  // the system would.
  mode_t umaskBefore = umask(0);
  DWORD released = client.Release("lo");
  umask(umaskBefore);
  ASSERT_EQ(released, static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(fs::status(dir_ / "fake-dhclient.args").permissions(), fs::perms(0644));
  EXPECT_EQ(Read("fake-dhclient.cwd"), "/\n");
  // No client was running: its pid file would name nobody, or someone else.
  EXPECT_EQ(Read("fake-dhclient.args"), "-r\n-lf\n" + leases + "\n--no-pid" + tail);
  EXPECT_EQ(Read("fake-dhclient.env"), "/usr/sbin:/usr/bin:/sbin:/bin\n");
  ASSERT_EQ(client.Renew("lo"), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(Read("fake-dhclient.args"),
            "-1\n-lf\n" + leases + "\n-pf\n" + (dir_ / "run").string() + "/dhclient.lo.pid" + tail);

  FakeProgram("exit 2");  // dhclient -1 when no lease came
  EXPECT_EQ(client.Renew("lo"), static_cast<DWORD>(ERROR_GEN_FAILURE));
  FakeProgram("kill -9 $$");
  EXPECT_EQ(client.Release("lo"), static_cast<DWORD>(ERROR_GEN_FAILURE));
  // The client and a child of its own, both of which must go.
  FakeProgram("sleep 30 & echo $! > \"$0.child\"; echo $$ > \"$0.pid\"; wait");
  DhclientOptions hung = Options();
  hung.renewTimeout = std::chrono::milliseconds(300);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(DhclientClient(hung).Renew("lo"), static_cast<DWORD>(ERROR_TIMEOUT));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  for (const char* file : {"fake-dhclient.pid", "fake-dhclient.child"}) {
    const std::string pid = std::to_string(std::atoi(Read(file).c_str()));
    ASSERT_NE(pid, "0") << file;
    // Gone, or at most a zombie awaiting its new parent.
    auto alive = [&] {
      std::string stat = test::FileText("/proc/" + pid + "/stat");
      return !stat.empty() && stat.find(") Z") == std::string::npos;
    };
    for (int i = 0; i < 100 && alive(); ++i) usleep(10000);
    EXPECT_FALSE(alive()) << file;
  }
  fs::remove(dir_ / "fake-dhclient");
  EXPECT_EQ(client.Renew("lo"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  DhclientOptions elsewhere = Options();
  elsewhere.netns = "lvdhcp-no-such-namespace";
  DhclientClient lost(elsewhere);
  EXPECT_EQ(lost.Renew("lo"), static_cast<DWORD>(ERROR_DEV_NOT_EXIST));
  EXPECT_FALSE(lost.State("lo").enabled);
}

// Anyone can run a process called dhclient whose command line names a link;
// only the system's executable, run by a process that is root's by its real,
// effective, saved and file-system user (a set-user-id program keeps its
// starter as real user), speaks for the link. A believed client's own lease
// file speaks for it, however new another file that names the link is, but
// not one another user wrote.
TEST_F(DhclientClientTest, OnlyRootsRunOfTheProgramIsBelieved) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run a process as another user";
  constexpr uid_t kUser = 65534;  // nobody
  const fs::path own = Write("own.leases", Lease("lo", "10.1.0.1", "never"));
  const fs::path theirs = Write("theirs.leases", Lease("lo", "6.6.6.1", "never"));
  ASSERT_EQ(chown(theirs.c_str(), kUser, kUser), 0);
  SetMtime(own, kNow - 3600);
  Write("leases/dhclient.lo.leases", Lease("lo", "10.1.0.9", "never"));
  FakeProgram("exit 0");  // the program of Options(), which no process runs
  DhclientOptions options = Options();
  options.program = LORVANE_IDLE_CLIENT;
  // The idle client (a process called dhclient) for `lo`, with these real,
  // effective, saved and file-system user ids.
  const struct {
    const char* ids;
    const char* server;  // null: not believed
    fs::path leases;
  } cases[] = {
      {"0 0 0 0", "10.1.0.1", own},
      {"0 0 0 0", "", theirs},
      {"65534 0 0 0", nullptr, own},
      {"0 65534 65534 65534", nullptr, own},
      {"0 0 65534 0", nullptr, own},  // root's until it takes the user's id back
      {"0 0 0 65534", nullptr, own},  // root's, but writing files as the user
      {"65534 65534 65534 65534", nullptr, own},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ids);
    const std::string ready = "ready" + std::to_string(&c - cases);
    test::ChildProcess idle({"env", std::string("IDLE_IDS=") + c.ids, LORVANE_IDLE_CLIENT, "-4",
                             "-lf", c.leases, "lo"},
                            dir_ / ready);
    for (int i = 0; i < 200 && Read(ready) != "r"; ++i) usleep(10000);
    ASSERT_EQ(Read(ready), "r");
    const DhcpState s = DhclientClient(options).State("lo");
    EXPECT_EQ(s.enabled, c.server != nullptr);
    if (c.server) {
      EXPECT_EQ(s.server, c.server);
      EXPECT_FALSE(DhclientClient(Options()).State("lo").enabled);  // not the program
    }
  }
}

// The choice of client per link, with stand-in clients whose answers the
// test sets; the real clients meet it in end_to_end_test.cpp.
DhcpState Claim(bool running, std::int64_t expires = 0, const char* server = "") {
  return {true, running, server, 0, expires, {}, {}};
}

class StandIn : public DhcpClient {
 public:
  std::map<std::string, DhcpState> states;
  bool throws = false, shortAnswer = false, actThrows = false;
  std::vector<std::string> acts, asked;

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

// Two stand-ins, `first` asked first, owned by the managing client.
struct Clients {
  StandIn* first = new StandIn;
  StandIn* second = new StandIn;
  std::unique_ptr<ManagingClient> managing = [this] {
    std::vector<std::unique_ptr<DhcpClient>> list;
    list.emplace_back(first);
    list.emplace_back(second);
    return std::make_unique<ManagingClient>(std::move(list));
  }();
};

// A left-behind lease (from files or configuration alone, valid for years)
// never beats a client that runs for the link, before a release or after;
// it speaks only where no client runs. A link that a running client holds a
// lease on is settled: the later client is asked only for the others (not
// at all when none is left), and its claim on the settled link changes
// nothing. Of two clients that run for a link, the one that held the lease
// keeps it through a release, though the other is asked first, until it is
// gone for good; a link no one claims is no one's.
TEST(ManagingClient, ARunningHolderSettlesALinkAndKeepsItThroughARelease) {
  Clients c;
  c.first->states["eth0"] = Claim(false, 4102444800, "10.9.9.9");
  c.second->states["eth0"] = Claim(true, 2000000000, "10.1.0.1");
  c.first->states["eth1"] = Claim(false, 4102444800, "10.9.9.9");
  c.first->states["eth2"] = Claim(true, 2000000000, "10.1.0.2");
  c.second->states["eth2"] = Claim(true, 2100000000, "10.9.9.8");
  c.first->states["eth3"] = Claim(true);  // runs, holds nothing yet
  c.second->states["eth3"] = Claim(true, 2000000000, "10.1.0.3");
  std::vector<DhcpState> states = c.managing->States({"eth0", "eth1", "eth2", "eth3", "eth4"});
  EXPECT_EQ(states[0].server, "10.1.0.1");
  EXPECT_EQ(states[1].server, "10.9.9.9");
  EXPECT_EQ(states[2].server, "10.1.0.2");
  EXPECT_EQ(states[3].server, "10.1.0.3");
  EXPECT_FALSE(states[4].enabled);
  EXPECT_EQ(c.second->asked, (std::vector<std::string>{"eth0", "eth1", "eth3", "eth4"}));
  c.second->asked.clear();
  EXPECT_EQ(c.managing->States({"eth2"})[0].server, "10.1.0.2");
  EXPECT_TRUE(c.second->asked.empty());

  c.second->states["eth0"] = Claim(true);  // released
  EXPECT_EQ(Row(c.managing->State("eth0")), "on running  0-0 dns wins");
  EXPECT_EQ(c.managing->Renew("eth0"), DWORD{NO_ERROR});
  c.second->states["eth3"] = Claim(true);
  EXPECT_EQ(c.managing->Release("eth3"), DWORD{NO_ERROR});
  EXPECT_EQ(c.second->acts, (std::vector<std::string>{"renew eth0", "release eth3"}));
  EXPECT_TRUE(c.first->acts.empty());
  c.second->states.erase("eth3");  // gone for good: the other takes over
  EXPECT_EQ(c.managing->Renew("eth3"), DWORD{NO_ERROR});
  EXPECT_EQ(c.first->acts, std::vector<std::string>{"renew eth3"});
  EXPECT_EQ(c.managing->Renew("eth9"), DWORD{ERROR_NOT_FOUND});
}

// A client that throws or answers for the wrong number of links answers for
// none; the other still does, and acting through the failing one is an
// error, not an exception.
TEST(ManagingClient, AFailingClientCostsOnlyItsOwnAnswers) {
  Clients c;
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
