// The window's side of a registry change in a process of its own, so that
// the polkit test can run it as an ordinary user.
//   polkit_probe prepare NAME       (root) gives adapter key 0000 to NAME
//   polkit_probe set COMMAND TEXT   stores TEXT as 0000's NetworkAddress,
//                                   through pkexec COMMAND when not root
//   polkit_probe get                prints what 0000 holds
// Each prints the registry call's answer or the value.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/elevate/elevate.h"
#include "registry/temp_hive.h"

int main(int argc, char** argv) {
  const std::string key =
      "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}\\0000";
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "prepare" && argc == 3) {
    std::printf("%ld\n", static_cast<long>(PutText(key, "NetCfgInstanceId", argv[2])));
  } else if (mode == "set" && argc == 4) {
    lorvane::elevate::RouteThroughHelper({"/usr/bin/pkexec", argv[2], std::chrono::seconds(30)});
    std::printf("%ld\n", static_cast<long>(PutText(key, "NetworkAddress", argv[3])));
  } else if (mode == "get") {
    std::printf("%s\n", GetValue(key, "NetworkAddress").c_str());
  } else {
    return 2;
  }
  return 0;
}
