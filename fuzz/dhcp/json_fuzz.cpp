// networkd's description of a link is JSON read from the bus: the parser must
// survive any bytes and never hand back a document deeper than its cap.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/iphlp/dhcp/json.h"

using namespace lorvane::iphlp::dhcp;

namespace {
void Walk(const JsonValue& v, int depth) {
  if (depth > 40) __builtin_trap();
  for (const auto& item : v.array) Walk(item, depth + 1);
  for (const auto& [key, item] : v.object) Walk(item, depth + 1);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (auto doc = ParseJson(text)) Walk(*doc, 0);
  return 0;
}
