// A process called dhclient that waits to be ended: a stand-in for a running
// client. Started by root with IDLE_IDS="REAL EFFECTIVE SAVED FSUID", it
// takes those user ids first; an "r" on its standard output says it is ready.
#include <sys/fsuid.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main() {
  if (const char* ids = std::getenv("IDLE_IDS")) {
    unsigned real, effective, saved, fsuid;
    if (std::sscanf(ids, "%u %u %u %u", &real, &effective, &saved, &fsuid) != 4 ||
        setresuid(real, effective, saved) != 0)
      return 1;
    setfsuid(fsuid);
  }
  (void)!write(1, "r", 1);
  for (;;) pause();
}
