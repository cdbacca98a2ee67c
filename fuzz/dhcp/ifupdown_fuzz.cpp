// An interfaces file is root's, but may hold anything: the parser must
// survive any bytes and name only whole words.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/iphlp/dhcp/ifupdown.h"

using namespace lorvane::iphlp::dhcp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  InterfacesText parsed = ParseInterfaces(text);
  for (const auto* list : {&parsed.dhcp, &parsed.sources, &parsed.sourceDirs}) {
    for (const auto& word : *list) {
      if (word.empty() || word.find_first_of(" \t\r\n") != std::string::npos) __builtin_trap();
      if (text.find(word) == std::string_view::npos) __builtin_trap();
    }
  }
  return 0;
}
