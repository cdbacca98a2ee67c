// JSON as a network daemon describes a link: parsed strictly into plain
// values. The text is untrusted; depth, size and counts are capped, and a
// document with anything wrong in it (a duplicate key, a raw control
// character, trailing text) is no document at all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lorvane::iphlp::dhcp {

// A link's description is a few KiB; far more is not a description. A
// description of every link may hold thousands of them.
inline constexpr std::size_t kMaxJsonBytes = 1 << 20;
inline constexpr std::size_t kMaxManyJsonBytes = 8 << 20;

struct JsonMember;

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  // Numbers: only a plain non-negative integer that fits is usable as one.
  bool isUnsigned = false;
  std::uint64_t unsignedValue = 0;
  std::string string;
  std::vector<JsonValue> array;
  std::vector<JsonMember> object;

  // The member of an object, or nullptr.
  const JsonValue* Find(std::string_view key) const;
  // The member as a string or unsigned number; nullptr / false when it is
  // missing or of another kind.
  const std::string* String(std::string_view key) const;
  bool Unsigned(std::string_view key, std::uint64_t& out) const;
};

struct JsonMember {
  std::string key;
  JsonValue value;
};

// Texts longer than `maxBytes` are refused; values are capped in proportion.
std::optional<JsonValue> ParseJson(std::string_view text, std::size_t maxBytes = kMaxJsonBytes);

}  // namespace lorvane::iphlp::dhcp
