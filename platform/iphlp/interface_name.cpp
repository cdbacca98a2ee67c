#include "platform/iphlp/interface_name.h"

#include <net/if.h>

namespace lorvane::iphlp {

bool IsSafeInterfaceName(std::string_view name) {
  if (name.empty() || name.size() >= IFNAMSIZ) return false;
  if (name == "." || name == ".." || name.front() == '-') return false;
  for (char c : name) {
    if (c <= ' ' || c > '~' || c == '/' || c == ':') return false;
  }
  return true;
}

}  // namespace lorvane::iphlp
