// A fresh hive in a temporary folder for the object's lifetime, and small
// helpers over the registry calls.
#pragma once

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/winreg.h"

// The copy everyone reads is path(), the live hive live().
class TempHive {
 public:
  TempHive() {
    char pattern[] = "/tmp/lorvane-hive-XXXXXX";
    dir_ = mkdtemp(pattern);
    path_ = dir_ + "/hklm.hive";
    live_ = dir_ + "/live/hklm.hive";
    scope_ = std::make_unique<lorvane::registry::ScopedHivePath>(path_);
  }
  ~TempHive() {
    scope_.reset();
    chmod((dir_ + "/live").c_str(), 0700);
    std::filesystem::remove_all(dir_);
  }
  const std::string& path() const { return path_; }
  const std::string& live() const { return live_; }
  const std::string& dir() const { return dir_; }
  // Detach drops this process's connection so the file can be changed under it.
  void Detach() { lorvane::registry::SetHivePath(dir_ + "/elsewhere.hive"); }
  void Attach() { lorvane::registry::SetHivePath(path_); }
  // From now on this process reads the copy, as every user but the live
  // hive's owner does: the live folder is given away (as root) or closed.
  void MakeReader() {
    Detach();
    const std::string folder = dir_ + "/live";
    if (geteuid() == 0 ? chown(folder.c_str(), 65534, 65534) : chmod(folder.c_str(), 0)) abort();
    Attach();
  }
  // The live hive and the copy, to see that neither changed.
  std::string Bytes() const { return FileBytes(live_) + "|" + FileBytes(path_); }
  static std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

 private:
  std::string dir_, path_, live_;
  std::unique_ptr<lorvane::registry::ScopedHivePath> scope_;
};

// The hive helper holding a read transaction on each file it can open, as
// `as` ("--nobody"), until this object ends it by its pid. held is how many
// files it holds, -1 when it never said.
struct ReadHolder {
  ReadHolder(const std::string& helper, const std::string& as,
             const std::vector<std::string>& files) {
    std::string command = "exec '" + helper + "' " + as + " '" + files.at(0) + "' hold";
    for (const std::string& file : files) command += " '" + file + "'";
    out = popen(command.c_str(), "r");
    char line[64] = "";
    if (out != nullptr && std::fgets(line, sizeof line, out) != nullptr &&
        std::sscanf(line, "held %d %d", &held, &pid) != 2)
      pid = 0;
  }
  ~ReadHolder() {
    if (pid > 0) kill(pid, SIGKILL);
    if (out != nullptr) pclose(out);
  }
  FILE* out = nullptr;
  int pid = 0, held = -1;
};

// Key handles opened and RegCloseKey calls made since construction.
struct KeyCounts {
  lorvane::registry::HandleCounts start = lorvane::registry::Handles();
  std::uint64_t opened() const { return lorvane::registry::Handles().opened - start.opened; }
  std::uint64_t closed() const { return lorvane::registry::Handles().closeCalls - start.closeCalls; }
};

// The network adapters' class key, ending in a backslash.
inline const std::string kClassKey = lorvane::registry::kNetworkClassKey;

// Opens the key (made if `make`), hands it to `use` and closes it; the first
// error, or 0.
template <typename Use>
LSTATUS WithKey(const std::string& key, bool make, Use use) {
  HKEY handle = nullptr;
  LSTATUS result = make ? RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, "", 0, KEY_ALL_ACCESS,
                                          nullptr, &handle, nullptr)
                        : RegOpenKeyA(HKEY_LOCAL_MACHINE, key.c_str(), &handle);
  if (result != ERROR_SUCCESS) return result;
  result = use(handle);
  RegCloseKey(handle);
  return result;
}

inline LSTATUS PutValue(const std::string& key, const std::string& name, DWORD type,
                        const std::string& data) {
  return WithKey(key, true, [&](HKEY k) {
    return RegSetValueExA(k, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
  });
}

inline std::string Sz(const std::string& text) {
  return std::string(text.c_str(), text.size() + 1);
}

inline LSTATUS PutText(const std::string& key, const std::string& name, const std::string& text) {
  return PutValue(key, name, REG_SZ, Sz(text));
}

inline LSTATUS DeleteValue(const std::string& key, const std::string& name) {
  return WithKey(key, false, [&](HKEY k) { return RegDeleteValueA(k, name.c_str()); });
}

// The stored bytes, or "<error N>".
inline std::string GetValue(const std::string& key, const std::string& name) {
  std::string data;
  const LSTATUS result = WithKey(key, false, [&](HKEY k) {
    DWORD size = 0;
    LSTATUS r = RegQueryValueExA(k, name.c_str(), nullptr, nullptr, nullptr, &size);
    data.resize(size);
    if (r == ERROR_SUCCESS)
      r = RegQueryValueExA(k, name.c_str(), nullptr, nullptr, reinterpret_cast<LPBYTE>(data.data()),
                           &size);
    return r;
  });
  return result == ERROR_SUCCESS ? data : "<error " + std::to_string(result) + ">";
}
