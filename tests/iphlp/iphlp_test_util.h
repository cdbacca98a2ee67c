// Shared by the IP Helper tests: a caller's buffer with a guard zone, a
// fixture that installs a provider for one test, and both calls of a query.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iomanip>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/provider.h"

namespace lorvane::iphlp::testing {

using Texts = std::vector<std::string>;

inline constexpr unsigned char kFill = 0xCD;
inline constexpr ULONG kSizeSentinel = 0x5A5A5A5Au;

// A buffer of `size` bytes as a caller would allocate it, followed by a guard
// zone; every byte starts as kFill so writes show.
class CallerBuffer {
 public:
  explicit CallerBuffer(ULONG size) : size_(size), bytes_(new unsigned char[size + kGuard]) {
    std::memset(bytes_.get(), kFill, size + kGuard);
  }
  template <typename T>
  T* as() {
    return reinterpret_cast<T*>(bytes_.get());
  }
  bool Contains(const void* p, std::size_t length) const {
    auto* b = static_cast<const unsigned char*>(p);
    return b >= bytes_.get() && b + length <= bytes_.get() + size_;
  }
  // Every byte from `from` to the end of the guard zone as it started.
  bool Untouched(ULONG from = 0) const {
    const unsigned char* b = bytes_.get();
    return std::all_of(b + from, b + size_ + kGuard, [](unsigned char c) { return c == kFill; });
  }
  bool GuardUntouched() const { return Untouched(size_); }

 private:
  static constexpr ULONG kGuard = 256;
  ULONG size_;
  std::unique_ptr<unsigned char[]> bytes_;
};

// Installs a provider for the length of a test and puts the old one back.
template <typename P>
class WithProvider : public ::testing::Test {
 protected:
  void SetUp() override { old_ = SetProvider(provider_); }
  void TearDown() override { SetProvider(old_); }
  std::shared_ptr<P> provider_ = std::make_shared<P>();

 private:
  std::shared_ptr<Provider> old_;
};

// The addresses of a list, or its masks; every entry after the first must
// lie inside the buffer.
inline Texts Addresses(const CallerBuffer& buffer, const IP_ADDR_STRING& head, bool masks = false) {
  Texts out;
  for (const IP_ADDR_STRING* e = &head; e != nullptr; e = e->Next) {
    if (e != &head && !buffer.Contains(e, sizeof *e)) {
      ADD_FAILURE() << "list entry outside the buffer";
      break;
    }
    out.emplace_back(masks ? e->IpMask.String : e->IpAddress.String);
  }
  return out;
}

// Both calls of GetAdaptersInfo, the second with the size the first asked
// for; the records of the chain, each checked to lie inside the buffer.
struct AdaptersQuery {
  AdaptersQuery() {
    ULONG size = 0;
    first = GetAdaptersInfo(nullptr, &size);
    asked = size;
    buffer = std::make_unique<CallerBuffer>(size);
    error = GetAdaptersInfo(buffer->as<IP_ADAPTER_INFO>(), &size);
    EXPECT_TRUE(buffer->GuardUntouched());
    for (const IP_ADAPTER_INFO* a = buffer->as<IP_ADAPTER_INFO>(); error == NO_ERROR && a;
         a = a->Next) {
      if (!buffer->Contains(a, sizeof *a) || records.size() > 100000) {
        ADD_FAILURE() << "record outside the buffer";
        break;
      }
      Addresses(*buffer, a->IpAddressList);
      Addresses(*buffer, a->GatewayList);
      records.push_back(a);
    }
  }
  Texts List(const IP_ADDR_STRING& head, bool masks = false) const {
    return Addresses(*buffer, head, masks);
  }
  // A record in one line: index, name, [description], type, the eight address
  // bytes and the length, the lists as address/mask, DHCP, lease and WINS.
  std::string Line(const IP_ADAPTER_INFO& a) const {
    std::ostringstream out;
    out << a.Index << ' ' << a.AdapterName << " [" << a.Description << "] type " << a.Type
        << " mac " << std::hex << std::setfill('0');
    for (BYTE b : a.Address) out << std::setw(2) << int{b};
    out << std::dec << '/' << a.AddressLength;
    for (const IP_ADDR_STRING* list : {&a.IpAddressList, &a.GatewayList, &a.DhcpServer}) {
      out << (list == &a.IpAddressList ? " ip" : list == &a.GatewayList ? " gw" : " server");
      const Texts addresses = List(*list), masks = List(*list, true);
      for (std::size_t i = 0; i < addresses.size(); ++i)
        out << ' ' << addresses[i] << '/' << masks[i];
    }
    out << " dhcp " << a.DhcpEnabled << " lease " << a.LeaseObtained << ' ' << a.LeaseExpires
        << " wins " << a.HaveWins << " [" << a.PrimaryWinsServer.IpAddress.String << "] ["
        << a.SecondaryWinsServer.IpAddress.String << ']';
    return out.str();
  }

  DWORD first, error;
  ULONG asked;
  std::unique_ptr<CallerBuffer> buffer;
  std::vector<const IP_ADAPTER_INFO*> records;
};

}  // namespace lorvane::iphlp::testing
