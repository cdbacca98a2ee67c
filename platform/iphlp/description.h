// How a link is presented as an adapter: its Description and its Type.
#pragma once

#include <cstdint>
#include <string>

#include "platform/iphlp/device_info.h"
#include "platform/iphlp/netlink.h"

namespace lorvane::iphlp {

// The most human name known for the link, never empty: the hardware
// database's model name for its device (modelName, empty when none); for a
// virtual link, a name for its kind; then the driver's name; last, a name for
// its link-layer type.
std::string AdapterDescription(const netlink::Link& link, const DeviceFacts& facts,
                               const std::string& modelName);

// MIB_IF_TYPE_* / IF_TYPE_* from the link-layer type.
std::uint32_t AdapterType(const netlink::Link& link, const DeviceFacts& facts);

}  // namespace lorvane::iphlp
