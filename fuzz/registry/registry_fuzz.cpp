// Open, create, set, query, enumerate, delete and close in any order, with
// any names, data, sizes and handles, on a fresh hive for every input. Data
// that was stored must read back the same, results must fit the caller's
// buffer, and every handle opened must be closable exactly once.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/winreg.h"

namespace {

std::string runDir;

// The copy, and the live hive with its journal in the folder beside it.
void RemoveHive() {
  for (const char* file : {"/hklm.hive", "/live/hklm.hive", "/live/hklm.hive-journal"})
    unlink((runDir + file).c_str());
}

void RemoveRunDir() {
  RemoveHive();
  rmdir((runDir + "/live").c_str());
  rmdir(runDir.c_str());
}

// A hive in memory-backed storage where there is some: each input makes one.
const std::string& HivePathForRun() {
  static const std::string path = [] {
    char pattern[] = "/dev/shm/lorvane-fuzz-XXXXXX";
    char fallback[] = "/tmp/lorvane-fuzz-XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (dir == nullptr) dir = mkdtemp(fallback);
    if (dir == nullptr) abort();
    runDir = dir;
    atexit(RemoveRunDir);
    return runDir + "/hklm.hive";
  }();
  return path;
}

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

std::string Name(FuzzedDataProvider& input) {
  return input.ConsumeRandomLengthString(input.ConsumeBool() ? 300 : 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = HivePathForRun();
  RemoveHive();
  lorvane::registry::SetHivePath(path);
  const std::size_t openBefore = lorvane::registry::Handles().open;

  FuzzedDataProvider input(data, size);
  std::vector<HKEY> handles{HKEY_LOCAL_MACHINE};
  std::vector<HKEY> opened;
  auto pick = [&]() -> HKEY {
    if (input.ConsumeIntegralInRange(0, 15) == 0) {
      return reinterpret_cast<HKEY>(input.ConsumeIntegral<std::uintptr_t>());
    }
    return handles[input.ConsumeIntegralInRange<std::size_t>(0, handles.size() - 1)];
  };

  for (int step = 0; step < 64 && input.remaining_bytes() > 0; ++step) {
    switch (input.ConsumeIntegralInRange(0, 6)) {
      case 0: {
        HKEY key = nullptr;
        const HKEY from = pick();
        if (RegOpenKeyA(from, Name(input).c_str(), &key) == ERROR_SUCCESS) {
          handles.push_back(key);
          opened.push_back(key);
        } else {
          Check(key == nullptr);
        }
        break;
      }
      case 1: {
        HKEY key = nullptr;
        DWORD disposition = 0;
        const HKEY from = pick();
        const std::string name = Name(input);
        const DWORD options = input.ConsumeBool() ? 0 : input.ConsumeIntegral<DWORD>();
        const REGSAM access =
            input.PickValueInArray<REGSAM>({KEY_ALL_ACCESS, KEY_READ, KEY_WRITE, 0});
        if (RegCreateKeyExA(from, name.c_str(), 0, "", options, access, nullptr, &key,
                            &disposition) == ERROR_SUCCESS) {
          Check(disposition == REG_CREATED_NEW_KEY || disposition == REG_OPENED_EXISTING_KEY);
          handles.push_back(key);
          opened.push_back(key);
        }
        break;
      }
      case 2: {
        const HKEY key = pick();
        const std::string name = Name(input);
        const DWORD type = input.ConsumeIntegralInRange<DWORD>(0, 12);
        const std::string bytes = input.ConsumeRandomLengthString(4096);
        if (RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS) {
          std::vector<BYTE> back(bytes.size() + 1);
          DWORD backType = 0;
          DWORD backSize = static_cast<DWORD>(back.size());
          Check(RegQueryValueExA(key, name.c_str(), nullptr, &backType, back.data(), &backSize) ==
                ERROR_SUCCESS);
          Check(backType == type && backSize == bytes.size());
          Check(std::memcmp(back.data(), bytes.data(), bytes.size()) == 0);
        }
        break;
      }
      case 3: {
        const HKEY key = pick();
        const std::string name = Name(input);
        const DWORD capacity = input.ConsumeIntegralInRange<DWORD>(0, 300);
        // Exact size, so any overrun is caught, and never null: an empty
        // vector's null data() would make this the size query below.
        const std::unique_ptr<BYTE[]> buffer(new BYTE[capacity]);
        BYTE* const into = input.ConsumeBool() ? buffer.get() : nullptr;
        DWORD got = capacity;
        const LSTATUS result = RegQueryValueExA(key, name.c_str(), nullptr, nullptr, into, &got);
        if (result == ERROR_SUCCESS && into != nullptr) Check(got <= capacity);
        if (result == ERROR_MORE_DATA) Check(into != nullptr && got > capacity);
        if (result == ERROR_SUCCESS && into == nullptr) {
          // The size a query without a buffer gives is enough to read the value.
          const std::unique_ptr<BYTE[]> exact(new BYTE[got]);
          DWORD size = got;
          Check(RegQueryValueExA(key, name.c_str(), nullptr, nullptr, exact.get(), &size) ==
                    ERROR_SUCCESS &&
                size == got);
        }
        break;
      }
      case 4: {
        const HKEY key = pick();
        const DWORD index = input.ConsumeIntegralInRange<DWORD>(0, 8);
        const DWORD capacity = input.ConsumeIntegralInRange<DWORD>(1, 300);
        std::vector<char> name(capacity);
        if (RegEnumKeyA(key, index, name.data(), capacity) == ERROR_SUCCESS) {
          Check(std::memchr(name.data(), '\0', capacity) != nullptr);
        }
        break;
      }
      case 5: RegDeleteValueA(pick(), Name(input).c_str()); break;
      case 6: {
        const HKEY key = pick();
        RegCloseKey(key);
        break;
      }
    }
  }

  // Each handle this input opened closes once, whatever became of it.
  for (HKEY key : opened) RegCloseKey(key);
  Check(lorvane::registry::Handles().open == openBefore);
  for (HKEY key : opened) Check(RegCloseKey(key) == ERROR_INVALID_HANDLE);
  return 0;
}
