// The process entry point of a framework program: start the GUI application,
// install the program's resources, route what needs root to the privileged
// helper when not root, have the adapters missing from the registry
// registered before it is first read, run the application object, and stop
// the GUI application again.
#include <string>

#include "platform/elevate/elevate.h"
#include "platform/framework/module.h"
#include "platform/framework/win_app.h"
#include "platform/registry/registry.h"
#include "platform/window/application.h"

int main(int argc, char** argv) {
  lorvane::window::StartApplication(argc, argv);
  lorvane::window::InstallResources(lorvane::framework::ProgramResources());
  // A user's window asks polkit when it acts, not before: what needs root
  // goes to the privileged adapter command from here on.
  lorvane::elevate::RouteThroughHelper();
  // The adapter command registers each adapter as udev finds it; this covers
  // those that were there before it was installed. Without the right to
  // write the hive it does nothing, and the program still runs. Only the
  // Change MAC Address dialog reads the hive, so the window need not wait.
  lorvane::registry::RegisterAdaptersBeforeFirstUse();

  // The command line as Windows hands it over: the arguments after the
  // program's name (Qt has taken its own out).
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  const int exitCode =
      AfxWinMain(::GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
  lorvane::window::StopApplication();
  return exitCode;
}
