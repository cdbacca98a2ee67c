#include "platform/iphlp/dhcp/json.h"

#include <algorithm>

namespace lorvane::iphlp::dhcp {
namespace {

constexpr int kMaxNesting = 32;
// At least this many bytes of text a value: 65,536 values in 1 MiB.
constexpr std::size_t kBytesPerValue = 16;

class Parser {
 public:
  Parser(std::string_view text, std::size_t maxValues) : text_(text), maxValues_(maxValues) {}

  bool Document(JsonValue& out) {
    Space();
    if (!Value(out, 0)) return false;
    Space();
    return pos_ == text_.size();
  }

 private:
  void Space() { pos_ = std::min(text_.find_first_not_of(" \t\n\r", pos_), text_.size()); }
  bool Take(char c) { return Word(std::string_view(&c, 1)); }
  bool Word(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  bool Value(JsonValue& out, int depth) {
    if (depth > kMaxNesting || ++values_ > maxValues_ || pos_ >= text_.size()) return false;
    char c = text_[pos_];
    if (c == '{' || c == '[')
      return Items(out, depth, c == '{' ? JsonValue::Kind::Object : JsonValue::Kind::Array);
    if (c == '"') {
      out.kind = JsonValue::Kind::String;
      return String(out.string);
    }
    if (c == 't' || c == 'f') {
      out.kind = JsonValue::Kind::Bool;
      return Word(c == 't' ? "true" : "false");
    }
    if (c == 'n') return Word("null");
    return Number(out);
  }

  // An object's members or an array's items, from the opening bracket on.
  bool Items(JsonValue& out, int depth, JsonValue::Kind kind) {
    const bool object = kind == JsonValue::Kind::Object;
    const char close = object ? '}' : ']';
    out.kind = kind;
    ++pos_;
    Space();
    if (Take(close)) return true;
    for (;;) {
      std::string key;
      JsonValue value;
      Space();
      if (object) {
        if (!String(key)) return false;
        Space();
        if (!Take(':')) return false;
        Space();
      }
      if (!Value(value, depth + 1)) return false;
      if (object) {
        out.object.push_back({std::move(key), std::move(value)});
      } else {
        out.array.push_back(std::move(value));
      }
      Space();
      if (Take(close)) return !object || UniqueKeys(out.object);
      if (!Take(',')) return false;
    }
  }

  // Checked once the object is whole: no set of copies per object.
  static bool UniqueKeys(const std::vector<JsonMember>& members) {
    std::vector<std::string_view> keys;
    for (const auto& m : members) keys.push_back(m.key);
    std::sort(keys.begin(), keys.end());
    return std::adjacent_find(keys.begin(), keys.end()) == keys.end();
  }

  bool Hex4(unsigned& out) {
    if (text_.size() - pos_ < 4) return false;
    out = 0;
    for (int i = 0; i < 4; ++i) {
      auto digit = std::string_view("0123456789abcdefABCDEF").find(text_[pos_++]);
      if (digit == std::string_view::npos) return false;
      out = out * 16 + static_cast<unsigned>(digit < 16 ? digit : digit - 6);
    }
    return true;
  }

  static void Utf8(unsigned cp, std::string& out) {
    const int extra = cp < 0x80 ? 0 : cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
    static constexpr unsigned char kLead[] = {0x00, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[extra] | (cp >> (6 * extra)));
    for (int i = extra - 1; i >= 0; --i) out += static_cast<char>(0x80 | ((cp >> (6 * i)) & 0x3F));
  }

  bool String(std::string& out) {
    if (!Take('"')) return false;
    for (;;) {
      if (pos_ >= text_.size()) return false;
      // Plain characters up to the next quote, escape or control character
      // in one append.
      std::size_t end = pos_;
      while (end < text_.size() && text_[end] != '"' && text_[end] != '\\' &&
             static_cast<unsigned char>(text_[end]) >= 0x20)
        ++end;
      out.append(text_.substr(pos_, end - pos_));
      pos_ = end;
      if (pos_ >= text_.size()) return false;
      char c = text_[pos_++];
      if (c == '"') return true;
      if (c != '\\') return false;  // a raw control character
      if (pos_ >= text_.size()) return false;
      char e = text_[pos_++];
      if (auto k = std::string_view("\"\\/bfnrt").find(e); k != std::string_view::npos) {
        out += "\"\\/\b\f\n\r\t"[k];
        continue;
      }
      unsigned cp;
      if (e != 'u' || !Hex4(cp)) return false;
      if (cp >= 0xD800 && cp < 0xDC00) {
        unsigned low;
        if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low >= 0xE000) return false;
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      } else if (cp >= 0xDC00 && cp < 0xE000) {
        return false;
      }
      Utf8(cp, out);
    }
  }

  bool Digits() {
    std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
    return pos_ > start;
  }

  bool Number(JsonValue& out) {
    out.kind = JsonValue::Kind::Number;
    const bool negative = Take('-');
    const std::size_t intStart = pos_;
    if (!Digits() || (text_[intStart] == '0' && pos_ - intStart > 1)) return false;
    const std::string_view integer = text_.substr(intStart, pos_ - intStart);
    const bool fraction = Take('.');
    if (fraction && !Digits()) return false;
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      return Digits();  // if valid, never usable as a count
    }
    if (negative || fraction) return true;  // valid, just not usable as a count
    std::uint64_t value = 0;
    for (char c : integer) {
      auto digit = static_cast<std::uint64_t>(c - '0');
      if (value > (UINT64_MAX - digit) / 10) return true;
      value = value * 10 + digit;
    }
    out.isUnsigned = true;
    out.unsignedValue = value;
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::size_t maxValues_;
  std::size_t values_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view key) const {
  if (kind != Kind::Object) return nullptr;
  for (const auto& [name, value] : object) {
    if (name == key) return &value;
  }
  return nullptr;
}

const std::string* JsonValue::String(std::string_view key) const {
  const JsonValue* v = Find(key);
  return v && v->kind == Kind::String ? &v->string : nullptr;
}

bool JsonValue::Unsigned(std::string_view key, std::uint64_t& out) const {
  const JsonValue* v = Find(key);
  if (!v || !v->isUnsigned) return false;
  out = v->unsignedValue;
  return true;
}

std::optional<JsonValue> ParseJson(std::string_view text, std::size_t maxBytes) {
  if (text.size() > maxBytes) return std::nullopt;
  JsonValue out;
  if (!Parser(text, maxBytes / kBytesPerValue).Document(out)) return std::nullopt;
  return out;
}

}  // namespace lorvane::iphlp::dhcp
