// Where the live provider's words come from: the resolver configuration, udev's
// hardware database, sysfs, and the choice of a Description among them.
#include <gtest/gtest.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/iphlp/description.h"
#include "platform/iphlp/device_info.h"
#include "platform/iphlp/hwdb.h"
#include "platform/iphlp/resolv_conf.h"

namespace lorvane::iphlp {
namespace {

namespace fs = std::filesystem;

TEST(ResolvConf, IPv4ServersOfTheFirstThreeInOrder) {
  // The IPv6 server takes the third place the resolver has: 9.9.9.9 is never asked.
  EXPECT_EQ(ParseResolvConf("# generated\n"
                            "search example.org\n"
                            "nameserver 10.0.0.53\n"
                            ";nameserver 10.0.0.99\n"
                            "nameserver\t192.168.1.1   # router\n"
                            "nameserverx 1.2.3.4\n"
                            "nameserver not-an-address\n"
                            "nameserver fe80::1%eth0\n"
                            "nameserver 9.9.9.9\n"),
            (std::vector<std::string>{"10.0.0.53", "192.168.1.1"}));
  EXPECT_TRUE(ParseResolvConf("").empty());
  EXPECT_TRUE(ParseResolvConf("nameserver").empty());
  EXPECT_EQ(ParseResolvConf("nameserver 1.2.3.4\r\nnameserver 5.6.7.8"),
            (std::vector<std::string>{"1.2.3.4", "5.6.7.8"}));
  // A missing file is none: the live provider then gives the one empty entry.
  EXPECT_TRUE(ReadResolvConf("/nonexistent/resolv.conf").empty());
  // Nor may a FIFO in its place hold the query up; a link is followed.
  const fs::path dir = fs::temp_directory_path() / ("lvresolv." + std::to_string(getpid()));
  fs::create_directories(dir);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_TRUE(ReadResolvConf((dir / "fifo").string()).empty());
  std::ofstream(dir / "real") << "nameserver 10.0.0.53\n";
  fs::create_symlink(dir / "real", dir / "link");
  EXPECT_EQ(ReadResolvConf((dir / "link").string()), std::vector<std::string>{"10.0.0.53"});
  fs::remove_all(dir);
}

// udev's own database, as Debian keeps it: these entries have stood for many
// years and will stay.
TEST(HardwareDatabase, NamesKnownDevicesByVendorAndDevice) {
  bool present = false;
  for (const char* path : {"/etc/systemd/hwdb/hwdb.bin", "/etc/udev/hwdb.bin",
                           "/usr/lib/systemd/hwdb/hwdb.bin", "/usr/lib/udev/hwdb.bin"})
    present = present || fs::exists(path);
  if (!present) GTEST_SKIP() << "no udev hardware database (hwdb.bin) here";
  HardwareDatabase db;
  EXPECT_EQ(db.ModelName(Bus::kPci, 0x8086, 0x100e),
            "Intel Corporation 82540EM Gigabit Ethernet Controller");
  EXPECT_EQ(db.ModelName(Bus::kUsb, 0x0bda, 0x8153),
            "Realtek Semiconductor Corp. RTL8153 Gigabit Ethernet Adapter");
  // A known vendor with a device the database lacks names nothing, and a
  // USB id is not looked up among PCI ones.
  EXPECT_EQ(db.ModelName(Bus::kPci, 0x8086, 0xfffe), "");
  EXPECT_EQ(db.ModelName(Bus::kUsb, 0x8086, 0x100e), "");
}

// A sysfs tree as the kernel lays it out for a PCI NIC, a virtio NIC (net
// device below a virtio device below its PCI function) and a USB NIC (below
// the USB interface, below the USB device).
class FakeSysfs : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "lvfacts-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    AddPci("0000:00:19.0", "0x8086", "0x100e");
    AddNet("lvfpci9", 41, "devices/pci0000:00/0000:00:19.0");
    Link("bus/pci/drivers/e1000e", "devices/pci0000:00/0000:00:19.0/driver");

    AddPci("0000:00:03.0", "0x1af4", "0x1041");
    Link("bus/virtio", "devices/pci0000:00/0000:00:03.0/virtio2/subsystem");
    Write("devices/pci0000:00/0000:00:03.0/virtio2/vendor", "0x1af4\n");
    Write("devices/pci0000:00/0000:00:03.0/virtio2/device", "0x0001\n");
    AddNet("lvfvirt9", 42, "devices/pci0000:00/0000:00:03.0/virtio2");

    const std::string usb = "devices/pci0000:00/0000:00:14.0/usb1/1-2";
    Link("bus/usb", usb + "/subsystem");
    Link("bus/usb", usb + "/1-2:1.0/subsystem");
    Write(usb + "/idVendor", "0bda\n");
    Write(usb + "/idProduct", "8153\n");
    AddNet("lvfusb9", 43, usb + "/1-2:1.0");
  }
  void TearDown() override { fs::remove_all(root_); }
  void Write(const std::string& relative, const std::string& text) {
    fs::create_directories((root_ / relative).parent_path());
    std::ofstream(root_ / relative) << text;
  }
  void AddPci(const std::string& address, const std::string& vendor, const std::string& device) {
    std::string dev = "devices/pci0000:00/" + address;
    Write(dev + "/vendor", vendor + "\n");
    Write(dev + "/device", device + "\n");
    Link("bus/pci", dev + "/subsystem");
  }
  void AddNet(const std::string& name, int ifindex, const std::string& device) {
    Write("class/net/" + name + "/ifindex", std::to_string(ifindex) + "\n");
    Link(device, "class/net/" + name + "/device");
  }
  void Link(const std::string& target, const std::string& at) {
    fs::create_directories(root_ / target);
    fs::create_directories((root_ / at).parent_path());
    fs::create_symlink(root_ / target, root_ / at);
  }
  // Bus, ids and driver, in one line. Whether a link is wireless only sets
  // the record's Type, which the program does not read.
  std::string Probe(const std::string& name, std::uint32_t index) {
    const DeviceFacts f = DeviceProber(root_.string()).Probe(name, index);
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04x:%04x", f.vendor, f.device);
    const char* bus = !f.bus ? "none" : *f.bus == Bus::kPci ? "pci" : "usb";
    return std::string(bus) + " " + ids + " " + f.driver;
  }
  fs::path root_;
};

TEST_F(FakeSysfs, FindsTheBusIdsAboveTheNetDeviceOfThisNamespace) {
  EXPECT_EQ(Probe("lvfpci9", 41), "pci 8086:100e e1000e");
  // The virtio device's own ids are not PCI ids; its PCI function's are.
  EXPECT_EQ(Probe("lvfvirt9", 42), "pci 1af4:1041 ");
  EXPECT_EQ(Probe("lvfusb9", 43), "usb 0bda:8153 ");
  // Same name, another ifindex: sysfs shows some other namespace's link.
  EXPECT_EQ(Probe("lvfusb9", 7), "none 0000:0000 ");
  EXPECT_EQ(Probe("lvfnone9", 41), "none 0000:0000 ");
  EXPECT_EQ(Probe("../lvfpci9", 41), "none 0000:0000 ");
}

netlink::Link MakeLink(const std::string& kind, unsigned arpType = ARPHRD_ETHER) {
  return {5, "x0", kind, arpType, 0, {}, {}};
}

TEST(Description, MostHumanNameFirstAndNeverEmpty) {
  const std::string model = "Intel Corporation 82540EM Gigabit Ethernet Controller";
  DeviceFacts known{"e1000e", Bus::kPci, 0x8086, 0x100e, false};
  EXPECT_EQ(AdapterDescription(MakeLink(""), known, model), model);
  DeviceFacts unknownModel{"acme_eth", Bus::kPci, 0x8086, 0x7777, false};
  EXPECT_EQ(AdapterDescription(MakeLink(""), unknownModel, ""), "acme_eth");
  EXPECT_EQ(AdapterDescription(MakeLink("newkind"), {}, ""), "newkind Adapter");
  EXPECT_EQ(AdapterDescription(MakeLink(""), {}, ""), "Ethernet Adapter");
  EXPECT_EQ(AdapterDescription(MakeLink("", 0x1234), {}, ""), "Network Adapter");
}

}  // namespace
}  // namespace lorvane::iphlp
