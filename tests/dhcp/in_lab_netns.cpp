// in_lab_netns LAB HOST -- PROGRAM ARGS...: runs PROGRAM only when this
// process is in the network namespace LAB (DEV:INO) and that is neither HOST
// (the one the test started in) nor the first process's. A lab daemon
// reached through a stale or reused pid would otherwise run on the
// machine's own links and routes.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool Same(const char* path, const std::string& id) {
  struct stat st;
  return stat(path, &st) == 0 && std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) == id;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || std::strcmp(argv[3], "--") != 0) {
    std::fprintf(stderr, "usage: in_lab_netns LAB HOST -- PROGRAM ARGS...\n");
    return 125;
  }
  const std::string lab = argv[1];
  // pid 1's namespace may be unreadable, hence HOST as well.
  if (!Same("/proc/self/ns/net", lab) || lab == argv[2] || Same("/proc/1/ns/net", lab)) {
    std::fprintf(stderr, "in_lab_netns: not in the lab's network namespace %s; %s not started\n",
                 lab.c_str(), argv[4]);
    return 125;
  }
  execvp(argv[4], argv + 4);
  std::perror(argv[4]);
  return 127;
}
