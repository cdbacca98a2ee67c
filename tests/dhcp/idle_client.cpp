// A process called dhclient that waits to be ended: a stand-in for a running
// client, whose user ids the test sets before starting it. With an argument
// in IDLE_FSUID it takes that file-system user id too; a byte on its standard
// output says it is ready.
#include <sys/fsuid.h>
#include <unistd.h>

#include <cstdlib>

int main() {
  if (const char* suid = std::getenv("IDLE_SUID")) {
    const auto keep = static_cast<uid_t>(-1);
    if (setresuid(keep, keep, static_cast<uid_t>(std::atoi(suid))) != 0) return 1;
  }
  if (const char* fsuid = std::getenv("IDLE_FSUID")) setfsuid(static_cast<uid_t>(std::atoi(fsuid)));
  (void)!write(1, "r", 1);
  for (;;) pause();
}
