// The privileged adapter command. It is run by root from udev and the network
// managers' hooks, with whatever descriptors and environment they leave it.
#include <fcntl.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/driver/command.h"

int main(int argc, char** argv) {
  // A closed standard descriptor would be taken by the hive's file, and a
  // message meant for stderr written into it.
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && ::open("/dev/null", O_RDWR) != fd) return 1;
  }
  ::umask(022);
  // Also on stderr, so that whoever ran it by hand reads why.
  ::openlog("lorvane-adapter", LOG_PID | LOG_PERROR, LOG_DAEMON);
  const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  return lorvane::driver::RunAdapterCommand(args);
}
