// The process entry point of a framework program: start the GUI application,
// install the program's resources, register the machine's adapters in the
// registry, run the application object, and stop the GUI application again.
#include <string>

#include "platform/framework/module.h"
#include "platform/framework/win_app.h"
#include "platform/registry/registry.h"
#include "platform/window/application.h"

int main(int argc, char** argv) {
  lorvane::window::StartApplication(argc, argv);
  lorvane::window::InstallResources(lorvane::framework::ProgramResources());
  // As a device installer would have: adapters that came since the last run
  // get their driver key. Without the right to write the hive this does
  // nothing, and the program still runs.
  lorvane::registry::RegisterAdapters();

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
