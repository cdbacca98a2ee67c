#include "platform/driver/network_address.h"

#include <cstdio>

#include "platform/registry/winreg.h"

namespace lorvane::driver {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

const char* ParseNetworkAddress(DWORD type, std::string_view data, MacAddress& address) {
  if (type != REG_SZ) return "not a string value";
  const std::string_view text = data.substr(0, data.find('\0'));
  if (text.size() != 12) return "not 12 hexadecimal digits";
  MacAddress parsed{};
  for (std::size_t i = 0; i < 12; i += 2) {
    const int high = HexDigit(text[i]);
    const int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return "not 12 hexadecimal digits";
    parsed[i / 2] = static_cast<std::uint8_t>(high << 4 | low);
  }
  if ((parsed[0] & 0x01) != 0) return "a multicast address";
  if (parsed == MacAddress{}) return "all zeros";
  address = parsed;
  return nullptr;
}

std::string FormatMac(const std::uint8_t* bytes, std::size_t length) {
  std::string text;
  char part[4];
  for (std::size_t i = 0; i < length; ++i) {
    std::snprintf(part, sizeof part, i == 0 ? "%02x" : ":%02x", bytes[i]);
    text += part;
  }
  return text;
}

std::string ValueText(const MacAddress& address) {
  char text[13];
  for (std::size_t i = 0; i < 6; ++i) std::snprintf(text + 2 * i, 3, "%02X", address[i]);
  return text;
}

std::string Printable(std::string_view text, std::size_t cap) {
  std::string out;
  for (std::size_t i = 0; i < text.size() && i < cap; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= ' ' && c <= '~' && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      out += escaped;
    }
  }
  if (text.size() > cap) out += "...";
  return out;
}

}  // namespace lorvane::driver
