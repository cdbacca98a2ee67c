// Interface names that may be handed to another program as an argument.
#pragma once

#include <string_view>

namespace lorvane::iphlp {

// A name the kernel could have given a link (1 to 15 bytes, not "." or "..",
// no '/', ':' or white space) that also cannot pass for an option (no
// leading '-') and holds only printable ASCII.
bool IsSafeInterfaceName(std::string_view name);

}  // namespace lorvane::iphlp
