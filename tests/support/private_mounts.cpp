// private_mounts SRC=DST... -- PROGRAM ARGS...: runs PROGRAM in a mount
// namespace of its own where each SRC folder is bound over DST (or, for
// "ro=DST", DST is made read-only), so that a test can give a program fixed
// system paths (/etc/network, /var/lib) of its own without touching the
// machine's.
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  int i = 1;
  if (::unshare(CLONE_NEWNS) != 0 ||
      ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    std::perror("private_mounts: mount namespace");
    return 125;
  }
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    const std::string pair = argv[i];
    const auto equals = pair.find('=');
    const std::string source = pair.substr(0, equals);
    const std::string target = equals == std::string::npos ? "" : pair.substr(equals + 1);
    // "ro=/sys": that mount point read-only here, its file system untouched.
    const int done =
        target.empty() ? -1
        : source == "ro"
            ? ::mount(nullptr, target.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr)
            : ::mount(source.c_str(), target.c_str(), nullptr, MS_BIND | MS_REC, nullptr);
    if (done != 0) {
      std::perror(("private_mounts: " + pair).c_str());
      return 125;
    }
  }
  if (i + 1 >= argc) {
    std::fprintf(stderr, "usage: private_mounts SRC=DST... -- PROGRAM ARGS...\n");
    return 125;
  }
  ::execvp(argv[i + 1], argv + i + 1);
  std::perror(argv[i + 1]);
  return 127;
}
