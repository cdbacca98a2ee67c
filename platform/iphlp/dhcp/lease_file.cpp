#include "platform/iphlp/dhcp/lease_file.h"

#include <algorithm>
#include <bitset>
#include <set>

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
constexpr int kMaxDepth = 8;

enum class Kind { Word, String, Open, Close, Semicolon, Comma, End, Bad };

struct Token {
  Kind kind = Kind::End;
  std::string text;  // a word as written, a string unescaped
};

bool IsSpace(char c) { return std::string_view(" \t\n\r\f\v").find(c) != std::string_view::npos; }

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  Token Next() {
    SkipSpaceAndComments();
    if (pos_ >= text_.size()) return {Kind::End, {}};
    if (auto k = std::string_view("{};,").find(text_[pos_]); k != std::string_view::npos) {
      ++pos_;
      return {static_cast<Kind>(static_cast<int>(Kind::Open) + static_cast<int>(k)), {}};
    }
    return text_[pos_] == '"' ? QuotedString() : Word();
  }

 private:
  void SkipSpaceAndComments() {
    while (pos_ < text_.size() && (IsSpace(text_[pos_]) || text_[pos_] == '#'))
      pos_ = text_[pos_] == '#' ? std::min(text_.find('\n', pos_), text_.size()) : pos_ + 1;
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
        } else if (auto k = std::string_view("\"\\trnb").find(e); k != std::string_view::npos) {
          c = "\"\\\t\r\n\b"[k];
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
    const std::size_t start = pos_;
    pos_ = std::min(text_.find_first_of(" \t\n\r\f\v{};,\"#", pos_), text_.size());
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
  for (int depth = 1;;) {
    Token t = lexer.Next();
    if (t.kind == Kind::End || t.kind == Kind::Bad) return false;
    if (t.kind == Kind::Open || t.kind == Kind::Close || t.kind == Kind::Semicolon) {
      if (t.kind == Kind::Open && (nested = true) && ++depth > kMaxDepth) return false;
      if (t.kind == Kind::Close && --depth == 0) {
        broken |= !current.empty();  // a statement left without its ";"
        return true;
      }
      if (t.kind == Kind::Semicolon && depth == 1 && !current.empty()) {
        broken |= statements.size() >= kMaxStatements;
        if (statements.size() < kMaxStatements) statements.push_back(std::move(current));
      }
      current.clear();
    } else if (depth == 1) {
      broken |= current.size() >= kMaxStatementTokens;
      if (current.size() < kMaxStatementTokens) current.push_back(std::move(t));
    }
  }
}

// Walks the text's top level: each block hands `block` the tokens before its
// '{' in their statement, and the block read to its end (whole: with no
// nested block or broken statement). False when the text is cut short or
// damaged: what follows is unknown.
using BlockTaker =
    std::function<void(const Statement& head, const std::vector<Statement>& body, bool whole)>;
bool Walk(std::string_view text, const BlockTaker& block) {
  if (text.size() > kMaxLeaseFileBytes) return false;
  Lexer lexer(text);
  Statement head;
  for (;;) {
    Token t = lexer.Next();
    if (t.kind == Kind::End) return head.empty();  // else a statement cut short
    if (t.kind == Kind::Bad || t.kind == Kind::Close) return false;
    if (t.kind == Kind::Open) {
      std::vector<Statement> body;
      bool nested = false, broken = false;
      const bool closed = ReadBlock(lexer, body, nested, broken);
      block(head, body, closed && !nested && !broken);
      if (!closed) return false;
    }
    if (t.kind == Kind::Open || t.kind == Kind::Semicolon) {
      head.clear();
    } else if (head.size() < kMaxStatementTokens) {
      head.push_back(std::move(t));
    }
  }
}

// Seconds since 1970 of a UTC civil time; false when a field is out of range.
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
  const std::int64_t y = year - (month <= 2 ? 1 : 0), era = y / 400, yoe = y - era * 400;
  const std::int64_t doy = (153 * ((month + 9) % 12) + 2) / 5 + day - 1;
  const std::int64_t days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
  out = days * 86400 + hour * 3600 + minute * 60 + second;
  return true;
}

// "4 2026/12/06 19:00:00", "epoch 1796583600" or "never".
std::optional<std::int64_t> Time(const Statement& s) {
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (s[i].kind != Kind::Word) return std::nullopt;
  }
  if (s.size() == 2 && s[1].text == "never") return kNever;
  if (s.size() == 3 && s[1].text == "epoch") return Decimal(s[2].text, std::int64_t{1} << 40, true);
  if (s.size() != 4 || !Decimal(s[1].text, 6, true)) return std::nullopt;  // the weekday
  const std::string_view date = s[2].text, clock = s[3].text;
  const auto slash = date.find('/', 5);
  if (date.size() > 10 || date.find('/') != 4 || slash == std::string_view::npos ||
      clock.size() != 8 || clock[2] != ':' || clock[5] != ':')
    return std::nullopt;
  auto field = [](std::string_view text, std::int64_t max) {
    return static_cast<int>(Decimal(text, max, true).value_or(-1));
  };
  std::int64_t out = 0;
  if (!UtcSeconds(field(date.substr(0, 4), 9999), field(date.substr(5, slash - 5), 12),
                  field(date.substr(slash + 1), 31), field(clock.substr(0, 2), 23),
                  field(clock.substr(3, 2), 59), field(clock.substr(6, 2), 60), out))
    return std::nullopt;
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

// Keeps only what says the block was there.
void Spoil(Lease& lease) {
  std::string name = std::move(lease.interfaceName);
  lease = Lease{};
  lease.interfaceName = std::move(name);
}

// Makes a lease of one block's statements; wellFormed only when every
// statement that matters read cleanly, once.
Lease Interpret(const std::vector<Statement>& statements) {
  Lease lease;
  bool ok = true;
  std::set<std::string> seen;
  for (const Statement& s : statements) {
    if (s[0].kind != Kind::Word || (s[0].text == "option" && (s.size() < 3 || s[1].kind != Kind::Word))) {
      ok = false;
      continue;
    }
    const bool option = s[0].text == "option";
    const std::string& key = s[option ? 1 : 0].text;
    const std::size_t at = option ? 2 : 1;
    bool good = true;
    if (!option && key == "interface") {
      good = s.size() == 2 && s[1].kind == Kind::String && IsSafeInterfaceName(s[1].text);
      if (good && lease.interfaceName.empty()) lease.interfaceName = s[1].text;
    } else if (!option && key == "fixed-address") {
      good = SingleAddress(s, at, lease.address);
    } else if (!option && (key == "renew" || key == "rebind" || key == "expire")) {
      auto when = Time(s);
      good = when.has_value();
      (key == "renew" ? lease.renew : key == "rebind" ? lease.rebind : lease.expire) = when.value_or(0);
    } else if (option && key == "dhcp-server-identifier") {
      good = SingleAddress(s, at, lease.server);
    } else if (option && (key == "domain-name-servers" || key == "netbios-name-servers")) {
      good = AddressList(s, at, key[0] == 'd' ? lease.dnsServers : lease.winsServers);
    } else if (option && key == "dhcp-lease-time") {
      auto seconds = s.size() == 3 && s[2].kind == Kind::Word ? Decimal(s[2].text, 0xFFFFFFFF, true)
                                                              : std::nullopt;
      good = seconds.has_value();
      lease.leaseTime = seconds.value_or(-1);
    } else {
      continue;  // other options, filename, medium, bootp ... are not ours to judge
    }
    if (!good || !seen.insert(key).second) ok = false;
  }
  for (const char* needed : {"interface", "fixed-address", "expire"}) ok = ok && seen.count(needed);
  if (ok && lease.expire != kNever && lease.leaseTime > lease.expire) ok = false;
  lease.wellFormed = ok;
  if (!ok) Spoil(lease);
  return lease;
}

// dhcpcd's lease file.

constexpr std::size_t kOptionsAt = 240;  // after the fixed part and the magic cookie
constexpr std::size_t kAddressAt = 16;   // yiaddr
constexpr unsigned char kCookie[4] = {99, 130, 83, 99};
enum : unsigned char {
  kPad = 0, kDns = 6, kWins = 44, kLeaseTime = 51, kOverload = 52, kType = 53,
  kServer = 54, kEnd = 255,
};
constexpr unsigned char kAck = 5;

std::string Quad(const unsigned char* b) {
  return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
         std::to_string(b[3]);
}

}  // namespace

bool IsDottedQuad(std::string_view text) {
  int parts = 0;
  bool ok = true;
  ForEachLine(text, [&](std::string_view part) {
    ok = ok && ++parts <= 4 && part.size() <= 3 && Decimal(part, 255).has_value();
  }, '.');
  return ok && parts == 4 && text.back() != '.';
}

LeaseFile ParseLeaseFile(std::string_view text) {
  LeaseFile file;
  // lease6, or any block we have no use for, is only followed to its end.
  file.damaged = !Walk(text, [&](const Statement& head, const std::vector<Statement>& body,
                                 bool whole) {
    if (head.size() != 1 || head[0].kind != Kind::Word || head[0].text != "lease") return;
    file.leases.push_back(Interpret(body));
    if (!whole) Spoil(file.leases.back());
  });
  return file;
}

std::vector<std::string> ConfiguredInterfaces(std::string_view text) {
  std::vector<std::string> names;
  Walk(text, [&](const Statement& head, const std::vector<Statement>&, bool) {
    const std::size_t n = head.size();
    if (n >= 2 && head[n - 2].kind == Kind::Word && head[n - 2].text == "interface" &&
        head[n - 1].kind == Kind::String && IsSafeInterfaceName(head[n - 1].text))
      names.push_back(head[n - 1].text);
  });
  return names;
}

bool ParseAddressList(std::string_view text, std::vector<std::string>& out) {
  out.clear();
  bool ok = !text.empty() && text.back() != ' ';
  ForEachLine(text, [&](std::string_view one) {
    ok = ok && IsDottedQuad(one) && out.size() < 63;
    if (ok) out.emplace_back(one);
  }, ' ');
  return ok;
}

bool ParseLeaseSeconds(std::string_view text, std::int64_t& out) {
  auto value = Decimal(text, 0xffffffffLL);
  if (value) out = *value == 0xffffffffLL ? kNever : *value;  // infinite
  return value.has_value();
}

std::optional<std::int64_t> Decimal(std::string_view text, std::int64_t max, bool zeros) {
  if (text.empty() || text.size() > 19 || (!zeros && text.size() > 1 && text[0] == '0'))
    return std::nullopt;
  std::int64_t value = 0;
  for (char c : text) {
    const int digit = c - '0';
    // Past `max` is refused before it could overflow.
    if (c < '0' || c > '9' || digit > max || value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

void ForEachLine(std::string_view text, const std::function<void(std::string_view)>& each,
                 char separator) {
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = std::min(text.find(separator, start), text.size());
    each(text.substr(start, end - start));
    start = end + 1;
  }
}

std::optional<DhcpcdLease> ParseDhcpcdLease(std::string_view bytes) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
  if (bytes.size() < kOptionsAt || bytes.size() > kMaxDhcpcdLeaseBytes || b[0] != 2 /* BOOTREPLY */ ||
      !std::equal(kCookie, kCookie + 4, b + 236))
    return std::nullopt;
  DhcpcdLease lease;
  lease.address = Quad(b + kAddressAt);
  std::bitset<256> seen;
  bool ended = false, haveTime = false;
  unsigned char type = 0;
  for (std::size_t at = kOptionsAt; at < bytes.size();) {
    const unsigned char code = b[at];
    if (ended || code == kPad || code == kEnd) {
      if (code != kPad && (ended || code != kEnd)) return std::nullopt;  // only padding after the end
      ended |= code == kEnd;
      ++at;
      continue;
    }
    if (at + 2 > bytes.size() || at + 2 + b[at + 1] > bytes.size() || seen[code]) return std::nullopt;
    seen[code] = true;
    std::string_view data = bytes.substr(at + 2, b[at + 1]);
    at += 2 + data.size();
    const auto* d = reinterpret_cast<const unsigned char*>(data.data());
    bool ok = true;
    if (code == kOverload) {
      return std::nullopt;
    } else if (code == kType) {
      ok = data.size() == 1;
      type = ok ? d[0] : 0;
    } else if (code == kLeaseTime) {
      ok = haveTime = data.size() == 4;
      const std::uint32_t t = ok ? (std::uint32_t{d[0]} << 24) | (std::uint32_t{d[1]} << 16) |
                                       (std::uint32_t{d[2]} << 8) | d[3]
                                 : 0;
      lease.leaseTime = t == 0xffffffffu ? kNever : std::int64_t{t};
    } else if (code == kServer) {
      ok = data.size() == 4;
      if (ok) lease.server = Quad(d);
    } else if (code == kDns || code == kWins) {
      ok = !data.empty() && data.size() % 4 == 0;
      for (std::size_t i = 0; ok && i < data.size(); i += 4)
        (code == kDns ? lease.dnsServers : lease.winsServers).push_back(Quad(d + i));
    }
    if (!ok) return std::nullopt;
  }
  if (!ended || type != kAck || !haveTime || lease.address == "0.0.0.0") return std::nullopt;
  return lease;
}

}  // namespace lorvane::iphlp::dhcp
