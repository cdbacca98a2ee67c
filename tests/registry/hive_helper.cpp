// A second Lorvane process for the hive tests: one registry operation,
// its result printed on one line.
//   registry_hive_helper [--nobody|--self] HIVE set KEY NAME TEXT | get KEY NAME |
//     del KEY NAME | fill KEY PREFIX COUNT | churn KEY NAME SIZE | register - |
//     hold FILE...
#include <sqlite3.h>

#include <cstdlib>

#include "temp_hive.h"

int main(int argc, char** argv) {
  int arg = 1;
  if (arg < argc && std::string(argv[arg]) == "--nobody") {
    if (setgid(65534) != 0 || setuid(65534) != 0) return 3;
  }
  if (arg < argc && std::string(argv[arg]).rfind("--", 0) == 0) ++arg;
  if (argc - arg < 3) return 2;
  lorvane::registry::SetHivePath(argv[arg]);
  const std::string command = argv[arg + 1];
  const std::string key = argv[arg + 2];
  const char* const* rest = argv + arg + 3;
  const int restCount = argc - arg - 3;

  if (command == "set" && restCount == 2) {
    std::printf("%d\n", static_cast<int>(PutText(key, rest[0], rest[1])));
  } else if (command == "get" && restCount == 1) {
    std::printf("%s\n", GetValue(key, rest[0]).c_str());
  } else if (command == "del" && restCount == 1) {
    std::printf("%d\n", static_cast<int>(DeleteValue(key, rest[0])));
  } else if (command == "fill" && restCount == 2) {
    int failures = 0;
    // A new key each time: creating keys is where two writers collide.
    for (int i = 0; i < std::atoi(rest[1]); ++i)
      failures += PutText(key + "\\" + rest[0] + std::to_string(i), "Value", std::to_string(i)) !=
                  ERROR_SUCCESS;
    std::printf("%d\n", failures);
  } else if (command == "register") {
    std::printf("%d\n", static_cast<int>(lorvane::registry::RegisterAdapters()));
  } else if (command == "hold") {
    // A read transaction on each file this user can open, through SQLite
    // itself, held until killed.
    int held = 0;
    for (int i = arg + 2; i < argc; ++i) {
      sqlite3* db = nullptr;
      if (sqlite3_open_v2(argv[i], &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
          sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_schema;", nullptr, nullptr,
                       nullptr) == SQLITE_OK) {
        ++held;
      }
    }
    std::printf("held %d %d\n", held, static_cast<int>(getpid()));
    std::fflush(stdout);
    pause();
  } else if (command == "churn" && restCount == 2) {
    // Alternates two large values until killed.
    const std::size_t size = std::strtoul(rest[1], nullptr, 10);
    for (unsigned long round = 0;; ++round) {
      if (PutText(key, rest[0], std::string(size, round % 2 == 0 ? 'A' : 'B')) != ERROR_SUCCESS)
        return 1;
      if (round == 0) {
        std::printf("ready %d\n", static_cast<int>(getpid()));
        std::fflush(stdout);
      }
    }
  } else {
    return 2;
  }
  return 0;
}
