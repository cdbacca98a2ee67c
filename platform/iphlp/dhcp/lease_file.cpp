#include "platform/iphlp/dhcp/lease_file.h"

#include <optional>

#include "platform/iphlp/interface_name.h"

namespace lorvane::iphlp::dhcp {
namespace {

// Caps that no file dhclient writes comes near; beyond them the text is not
// one of its files.
constexpr std::size_t kMaxWord = 256;
constexpr std::size_t kMaxString = 1024;
constexpr std::size_t kMaxStatementTokens = 512;  // 63 addresses and commas fit
constexpr std::size_t kMaxStatements = 256;
constexpr std::size_t kMaxServers = 63;  // a DHCP option holds 255 bytes
constexpr int kMaxBlockDepth = 8;

enum class Kind { Word, String, Open, Close, Semicolon, Comma, End, Bad };

struct Token {
  Kind kind = Kind::End;
  std::string text;  // a word as written, a string unescaped
};

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  Token Next() {
    SkipSpaceAndComments();
    if (pos_ >= text_.size()) return {Kind::End, {}};
    char c = text_[pos_];
    switch (c) {
      case '{':
        ++pos_;
        return {Kind::Open, {}};
      case '}':
        ++pos_;
        return {Kind::Close, {}};
      case ';':
        ++pos_;
        return {Kind::Semicolon, {}};
      case ',':
        ++pos_;
        return {Kind::Comma, {}};
      case '"':
        return QuotedString();
      default:
        return Word();
    }
  }

 private:
  void SkipSpaceAndComments() {
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (IsSpace(c)) {
        ++pos_;
      } else if (c == '#') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else {
        return;
      }
    }
  }

  Token QuotedString() {
    Token t{Kind::String, {}};
    ++pos_;
    while (pos_ < text_.size()) {
      char c = text_[pos_++];
      if (c == '"') return t;
      if (c == '\\') {
        if (pos_ >= text_.size()) break;
        char e = text_[pos_++];
        if (e >= '0' && e <= '7') {
          // dhclient writes unprintable bytes as three octal digits.
          int value = e - '0';
          for (int i = 0; i < 2; ++i) {
            if (pos_ >= text_.size() || text_[pos_] < '0' || text_[pos_] > '7')
              return {Kind::Bad, {}};
            value = value * 8 + (text_[pos_++] - '0');
          }
          if (value > 255) return {Kind::Bad, {}};
          c = static_cast<char>(value);
        } else if (e == '"' || e == '\\') {
          c = e;
        } else if (e == 't' || e == 'r' || e == 'n' || e == 'b') {
          c = e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : '\b';
        } else {
          return {Kind::Bad, {}};  // no writer of these files makes it
        }
      }
      if (t.text.size() >= kMaxString) return {Kind::Bad, {}};
      t.text.push_back(c);
    }
    return {Kind::Bad, {}};  // unterminated: the file was cut short
  }

  Token Word() {
    std::size_t start = pos_;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (IsSpace(c) || c == '{' || c == '}' || c == ';' || c == ',' || c == '"' || c == '#') break;
      ++pos_;
    }
    if (pos_ - start > kMaxWord) return {Kind::Bad, {}};
    return {Kind::Word, std::string(text_.substr(start, pos_ - start))};
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

using Statement = std::vector<Token>;

// Reads the tokens of one block after its '{' up to and including its '}'.
// Statements end at ';'; a nested block makes the block unreadable but is
// followed to its end so that the next block starts where it should. Returns
// false when the text ends or breaks before the block closes.
bool ReadBlock(Lexer& lexer, std::vector<Statement>& statements, bool& nested, bool& broken) {
  Statement current;
  int depth = 1;
  for (;;) {
    Token t = lexer.Next();
    switch (t.kind) {
      case Kind::End:
      case Kind::Bad:
        return false;
      case Kind::Open:
        nested = true;
        if (++depth > kMaxBlockDepth) return false;
        current.clear();
        break;
      case Kind::Close:
        if (--depth == 0) {
          if (!current.empty()) broken = true;  // a statement left without its ";"
          return true;
        }
        current.clear();
        break;
      case Kind::Semicolon:
        if (depth == 1 && !current.empty()) {
          if (statements.size() >= kMaxStatements) {
            broken = true;
          } else {
            statements.push_back(std::move(current));
          }
        }
        current.clear();
        break;
      default:
        if (depth == 1) {
          if (current.size() >= kMaxStatementTokens) {
            broken = true;
          } else {
            current.push_back(std::move(t));
          }
        }
        break;
    }
  }
}

// Follows a block at any level to its matching '}'.
bool SkipBlock(Lexer& lexer) {
  int depth = 1;
  for (;;) {
    Token t = lexer.Next();
    if (t.kind == Kind::End || t.kind == Kind::Bad) return false;
    if (t.kind == Kind::Open && ++depth > kMaxBlockDepth) return false;
    if (t.kind == Kind::Close && --depth == 0) return true;
  }
}

std::optional<std::int64_t> Number(std::string_view text, std::int64_t max) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    const int digit = c - '0';
    // Past `max` is refused before it could overflow.
    if (digit > max || value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

// "4 2026/12/06 19:00:00", "epoch 1796583600" or "never".
std::optional<std::int64_t> Time(const Statement& s) {
  if (s.size() == 2 && s[1].kind == Kind::Word && s[1].text == "never") return kNever;
  if (s.size() == 3 && s[1].kind == Kind::Word && s[1].text == "epoch" && s[2].kind == Kind::Word) {
    return Number(s[2].text, std::int64_t{1} << 40);
  }
  if (s.size() != 4) return std::nullopt;
  for (std::size_t i = 1; i < 4; ++i) {
    if (s[i].kind != Kind::Word) return std::nullopt;
  }
  auto weekday = Number(s[1].text, 6);
  const std::string& date = s[2].text;
  const std::string& clock = s[3].text;
  if (!weekday || date.size() < 8 || date.size() > 10 || clock.size() != 8) return std::nullopt;
  auto slash1 = date.find('/');
  auto slash2 = date.find('/', slash1 == std::string::npos ? 0 : slash1 + 1);
  if (slash1 != 4 || slash2 == std::string::npos) return std::nullopt;
  auto year = Number(std::string_view(date).substr(0, 4), 9999);
  auto month = Number(std::string_view(date).substr(5, slash2 - 5), 12);
  auto day = Number(std::string_view(date).substr(slash2 + 1), 31);
  if (clock[2] != ':' || clock[5] != ':') return std::nullopt;
  auto hour = Number(std::string_view(clock).substr(0, 2), 23);
  auto minute = Number(std::string_view(clock).substr(3, 2), 59);
  auto second = Number(std::string_view(clock).substr(6, 2), 60);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  std::int64_t out = 0;
  if (!UtcSeconds(static_cast<int>(*year), static_cast<int>(*month), static_cast<int>(*day),
                  static_cast<int>(*hour), static_cast<int>(*minute), static_cast<int>(*second),
                  out)) {
    return std::nullopt;
  }
  return out;
}

// Addresses separated by commas, from token `first` on.
bool AddressList(const Statement& s, std::size_t first, std::vector<std::string>& out) {
  if (first >= s.size()) return false;
  for (std::size_t i = first; i < s.size(); i += 2) {
    if (s[i].kind != Kind::Word || !IsDottedQuad(s[i].text)) return false;
    if (out.size() >= kMaxServers) return false;
    out.push_back(s[i].text);
    if (i + 1 < s.size() && s[i + 1].kind != Kind::Comma) return false;
    if (i + 1 == s.size() - 1) return false;  // a trailing comma
  }
  return true;
}

bool SingleAddress(const Statement& s, std::size_t at, std::string& out) {
  if (s.size() != at + 1 || s[at].kind != Kind::Word || !IsDottedQuad(s[at].text)) return false;
  out = s[at].text;
  return true;
}

// Makes a lease of one block's statements; wellFormed only when every
// statement that matters read cleanly, once.
Lease Interpret(const std::vector<Statement>& statements) {
  Lease lease;
  bool ok = true;
  bool haveInterface = false, haveAddress = false, haveServer = false, haveDns = false,
       haveWins = false;
  bool haveLeaseTime = false, haveRenew = false, haveRebind = false, haveExpire = false;
  auto once = [&ok](bool& seen) {
    if (seen) ok = false;
    seen = true;
  };
  for (const Statement& s : statements) {
    if (s[0].kind != Kind::Word) {
      ok = false;
      continue;
    }
    const std::string& keyword = s[0].text;
    if (keyword == "interface") {
      once(haveInterface);
      if (s.size() == 2 && s[1].kind == Kind::String && IsSafeInterfaceName(s[1].text)) {
        if (lease.interfaceName.empty()) lease.interfaceName = s[1].text;
      } else {
        ok = false;
      }
    } else if (keyword == "fixed-address") {
      once(haveAddress);
      if (!SingleAddress(s, 1, lease.address)) ok = false;
    } else if (keyword == "renew" || keyword == "rebind" || keyword == "expire") {
      auto when = Time(s);
      if (!when) ok = false;
      if (keyword == "renew") {
        once(haveRenew);
        lease.renew = when.value_or(0);
      } else if (keyword == "rebind") {
        once(haveRebind);
        lease.rebind = when.value_or(0);
      } else {
        once(haveExpire);
        lease.expire = when.value_or(0);
      }
    } else if (keyword == "option") {
      if (s.size() < 3 || s[1].kind != Kind::Word) {
        ok = false;
        continue;
      }
      const std::string& name = s[1].text;
      if (name == "dhcp-server-identifier") {
        once(haveServer);
        if (!SingleAddress(s, 2, lease.server)) ok = false;
      } else if (name == "domain-name-servers") {
        once(haveDns);
        if (!AddressList(s, 2, lease.dnsServers)) ok = false;
      } else if (name == "netbios-name-servers") {
        once(haveWins);
        if (!AddressList(s, 2, lease.winsServers)) ok = false;
      } else if (name == "dhcp-lease-time") {
        once(haveLeaseTime);
        auto seconds =
            s.size() == 3 && s[2].kind == Kind::Word ? Number(s[2].text, 0xFFFFFFFF) : std::nullopt;
        if (seconds) {
          lease.leaseTime = *seconds;
        } else {
          ok = false;
        }
      }
    }
    // Anything else (other options, filename, medium, bootp ...) is not ours
    // to judge.
  }
  if (!haveInterface || !haveAddress || !haveExpire) ok = false;
  if (ok && lease.expire != kNever && lease.leaseTime > lease.expire) ok = false;
  lease.wellFormed = ok;
  if (!ok) {
    // Keep only what says the block was there.
    std::string name = std::move(lease.interfaceName);
    lease = Lease{};
    lease.interfaceName = std::move(name);
  }
  return lease;
}

}  // namespace

bool IsDottedQuad(std::string_view text) {
  int parts = 0;
  std::size_t i = 0;
  while (parts < 4) {
    std::size_t start = i;
    int value = 0;
    while (i < text.size() && IsDigit(text[i]) && i - start < 3)
      value = value * 10 + (text[i++] - '0');
    std::size_t length = i - start;
    if (length == 0 || value > 255 || (length > 1 && text[start] == '0')) return false;
    ++parts;
    if (parts < 4) {
      if (i >= text.size() || text[i] != '.') return false;
      ++i;
    }
  }
  return i == text.size();
}

bool UtcSeconds(int year, int month, int day, int hour, int minute, int second, std::int64_t& out) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1970 || year > 9999 || month < 1 || month > 12 || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 60) {
    return false;
  }
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int monthDays = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  if (day < 1 || day > monthDays) return false;
  // Days from 1970-01-01 by the civil-from-days inverse (March-based years).
  std::int64_t y = year - (month <= 2 ? 1 : 0);
  std::int64_t era = y / 400;
  std::int64_t yoe = y - era * 400;
  std::int64_t mp = (month + 9) % 12;
  std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
  std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  std::int64_t days = era * 146097 + doe - 719468;
  out = days * 86400 + hour * 3600 + minute * 60 + second;
  return true;
}

LeaseFile ParseLeaseFile(std::string_view text) {
  LeaseFile file;
  if (text.size() > kMaxLeaseFileBytes) {
    file.damaged = true;
    return file;
  }
  Lexer lexer(text);
  bool atStatementStart = true;
  bool sawLeaseWord = false;
  for (;;) {
    Token t = lexer.Next();
    switch (t.kind) {
      case Kind::End:
        if (!atStatementStart) file.damaged = true;  // a statement cut short
        return file;
      case Kind::Bad:
      case Kind::Close:
        file.damaged = true;
        return file;
      case Kind::Semicolon:
        atStatementStart = true;
        sawLeaseWord = false;
        break;
      case Kind::Open:
        if (sawLeaseWord) {
          std::vector<Statement> statements;
          bool nested = false, broken = false;
          bool closed = ReadBlock(lexer, statements, nested, broken);
          Lease lease = Interpret(statements);
          if (nested || broken || !closed) {
            lease.wellFormed = false;
            std::string name = std::move(lease.interfaceName);
            lease = Lease{};
            lease.interfaceName = std::move(name);
          }
          file.leases.push_back(std::move(lease));
          if (!closed) {
            file.damaged = true;
            return file;
          }
        } else if (!SkipBlock(lexer)) {  // lease6, or a block we have no use for
          file.damaged = true;
          return file;
        }
        atStatementStart = true;
        sawLeaseWord = false;
        break;
      default:
        sawLeaseWord = atStatementStart && t.kind == Kind::Word && t.text == "lease";
        atStatementStart = false;
        break;
    }
  }
}

std::vector<std::string> ConfiguredInterfaces(std::string_view text) {
  std::vector<std::string> names;
  if (text.size() > kMaxLeaseFileBytes) return names;
  Lexer lexer(text);
  // Only top-level `interface "name" {` opens an interface's own block.
  int depth = 0;
  int matched = 0;  // 1 after `interface`, 2 after its name
  std::string name;
  for (;;) {
    Token t = lexer.Next();
    if (t.kind == Kind::End || t.kind == Kind::Bad) return names;
    if (t.kind == Kind::Open) {
      if (depth == 0 && matched == 2 && IsSafeInterfaceName(name)) names.push_back(name);
      if (++depth > kMaxBlockDepth) return names;
      matched = 0;
    } else if (t.kind == Kind::Close) {
      if (--depth < 0) return names;
      matched = 0;
    } else if (t.kind == Kind::Word && t.text == "interface" && depth == 0) {
      matched = 1;
    } else if (t.kind == Kind::String && matched == 1) {
      name = t.text;
      matched = 2;
    } else {
      matched = 0;
    }
  }
}

bool ParseAddressList(std::string_view text, std::vector<std::string>& out) {
  out.clear();
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find(' ', start);
    std::string_view one = text.substr(start, end == std::string_view::npos ? text.npos : end - start);
    if (!IsDottedQuad(one) || out.size() == 63) return false;
    out.emplace_back(one);
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

bool ParseLeaseSeconds(std::string_view text, std::int64_t& out) {
  constexpr std::int64_t kInfinite = 0xffffffffLL;
  if (text.empty() || text.size() > 10 || (text.size() > 1 && text[0] == '0')) return false;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > kInfinite) return false;
  out = value == kInfinite ? kNever : value;
  return true;
}

}  // namespace lorvane::iphlp::dhcp
