// The NetworkAddress value as a driver reads it: text another program (or
// anyone with the right to write the hive) stored, of any length and bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/types.h"

namespace lorvane::driver {

using MacAddress = std::array<std::uint8_t, 6>;

// Exactly 12 hexadecimal digits, either case, nothing else before the
// string's NUL; a unicast address that is not all zeros. Null when the value
// is taken, else why it is refused.
const char* ParseNetworkAddress(DWORD type, std::string_view data, MacAddress& address);

// "02:aa:bb:cc:dd:ee", as ip shows it.
std::string FormatMac(const std::uint8_t* bytes, std::size_t length);
inline std::string FormatMac(const MacAddress& address) { return FormatMac(address.data(), 6); }
// "02AABBCCDDEE", as the value is stored.
std::string ValueText(const MacAddress& address);

// Untrusted text fit for one log line: at most `cap` bytes of it, anything
// but printable ASCII (and the quote and backslash) as \xNN.
std::string Printable(std::string_view text, std::size_t cap = 40);

}  // namespace lorvane::driver
