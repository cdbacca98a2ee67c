// Shared by the IP Helper tests: a caller's buffer with a guard zone, and a
// fixture that installs a provider for one test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/iphlp/iphlpapi.h"
#include "platform/iphlp/provider.h"

namespace lorvane::iphlp::testing {

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
  ULONG size() const { return size_; }
  bool Contains(const void* p, std::size_t length) const {
    auto* b = static_cast<const unsigned char*>(p);
    return b >= bytes_.get() && b + length <= bytes_.get() + size_;
  }
  bool Untouched() const { return AllFill(0, size_ + kGuard); }
  bool GuardUntouched() const { return AllFill(size_, size_ + kGuard); }

 private:
  static constexpr ULONG kGuard = 256;
  bool AllFill(ULONG from, ULONG to) const {
    for (ULONG i = from; i < to; ++i) {
      if (bytes_[i] != kFill) return false;
    }
    return true;
  }
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

// The chain as a list of records, checking on the way that every record and
// every list entry lies inside the buffer.
inline std::vector<const IP_ADAPTER_INFO*> Walk(const CallerBuffer& buffer, const IP_ADAPTER_INFO* head) {
  std::vector<const IP_ADAPTER_INFO*> records;
  for (const IP_ADAPTER_INFO* a = head; a != nullptr; a = a->Next) {
    EXPECT_TRUE(buffer.Contains(a, sizeof *a)) << "record outside the buffer";
    if (!buffer.Contains(a, sizeof *a) || records.size() > 100000) break;
    for (const IP_ADDR_STRING* list : {&a->IpAddressList, &a->GatewayList}) {
      for (const IP_ADDR_STRING* e = list->Next; e != nullptr; e = e->Next) {
        EXPECT_TRUE(buffer.Contains(e, sizeof *e)) << "list entry outside the buffer";
        if (!buffer.Contains(e, sizeof *e)) break;
      }
    }
    records.push_back(a);
  }
  return records;
}

inline std::vector<std::string> Addresses(const IP_ADDR_STRING& head) {
  std::vector<std::string> out;
  for (const IP_ADDR_STRING* e = &head; e != nullptr; e = e->Next) out.emplace_back(e->IpAddress.String);
  return out;
}

inline std::vector<std::string> Masks(const IP_ADDR_STRING& head) {
  std::vector<std::string> out;
  for (const IP_ADDR_STRING* e = &head; e != nullptr; e = e->Next) out.emplace_back(e->IpMask.String);
  return out;
}

}  // namespace lorvane::iphlp::testing
