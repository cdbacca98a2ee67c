#include "platform/iphlp/dhcp/json.h"

#include <set>

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
  void Space() {
    while (pos_ < text_.size() &&
           (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\n' || text_[pos_] == '\r'))
      ++pos_;
  }
  bool Take(char c) {
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  bool Word(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  bool Value(JsonValue& out, int depth) {
    if (depth > kMaxNesting || ++values_ > maxValues_ || pos_ >= text_.size()) return false;
    char c = text_[pos_];
    if (c == '{') return Object(out, depth);
    if (c == '[') return Array(out, depth);
    if (c == '"') {
      out.kind = JsonValue::Kind::String;
      return String(out.string);
    }
    if (c == 't' || c == 'f') {
      out.kind = JsonValue::Kind::Bool;
      out.boolean = c == 't';
      return Word(c == 't' ? "true" : "false");
    }
    if (c == 'n') return Word("null");
    return Number(out);
  }

  bool Object(JsonValue& out, int depth) {
    out.kind = JsonValue::Kind::Object;
    ++pos_;
    Space();
    if (Take('}')) return true;
    std::set<std::string> keys;
    for (;;) {
      std::string key;
      Space();
      if (!String(key) || !keys.insert(key).second) return false;
      Space();
      if (!Take(':')) return false;
      Space();
      JsonValue value;
      if (!Value(value, depth + 1)) return false;
      out.object.push_back({std::move(key), std::move(value)});
      Space();
      if (Take('}')) return true;
      if (!Take(',')) return false;
    }
  }

  bool Array(JsonValue& out, int depth) {
    out.kind = JsonValue::Kind::Array;
    ++pos_;
    Space();
    if (Take(']')) return true;
    for (;;) {
      Space();
      JsonValue value;
      if (!Value(value, depth + 1)) return false;
      out.array.push_back(std::move(value));
      Space();
      if (Take(']')) return true;
      if (!Take(',')) return false;
    }
  }

  bool Hex4(unsigned& out) {
    if (text_.size() - pos_ < 4) return false;
    out = 0;
    for (int i = 0; i < 4; ++i) {
      char c = text_[pos_++];
      unsigned digit;
      if (c >= '0' && c <= '9') {
        digit = static_cast<unsigned>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        digit = static_cast<unsigned>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        digit = static_cast<unsigned>(c - 'A' + 10);
      } else {
        return false;
      }
      out = out * 16 + digit;
    }
    return true;
  }

  static void Utf8(unsigned cp, std::string& out) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  bool String(std::string& out) {
    if (!Take('"')) return false;
    for (;;) {
      if (pos_ >= text_.size()) return false;
      char c = text_[pos_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) return false;
      char e = text_[pos_++];
      switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
          unsigned cp;
          if (!Hex4(cp)) return false;
          if (cp >= 0xD800 && cp < 0xDC00) {
            unsigned low;
            if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low >= 0xE000) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          } else if (cp >= 0xDC00 && cp < 0xE000) {
            return false;
          }
          Utf8(cp, out);
          break;
        }
        default:
          return false;
      }
    }
  }

  bool Digits() {
    std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') ++pos_;
    return pos_ > start;
  }

  bool Number(JsonValue& out) {
    out.kind = JsonValue::Kind::Number;
    std::size_t start = pos_;
    bool negative = Take('-');
    std::size_t intStart = pos_;
    if (!Digits()) return false;
    if (text_[intStart] == '0' && pos_ - intStart > 1) return false;
    std::string_view integer = text_.substr(intStart, pos_ - intStart);
    bool fraction = false;
    if (Take('.')) {
      if (!Digits()) return false;
      fraction = true;
    }
    if (Take('e') || Take('E')) {
      if (!Take('+')) Take('-');
      if (!Digits()) return false;
      fraction = true;
    }
    if (negative || fraction || integer.size() > 20) return pos_ > start;
    std::uint64_t value = 0;
    for (char c : integer) {
      auto digit = static_cast<std::uint64_t>(c - '0');
      if (value > (UINT64_MAX - digit) / 10) return true;  // valid, just not usable
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
