// The process entry point of a framework program: start the GUI application,
// install the program's resources, then run the application object.
#include <string>

#include "platform/framework/module.h"
#include "platform/framework/win_app.h"
#include "platform/window/application.h"

int main(int argc, char** argv) {
  lorvane::window::StartApplication(argc, argv);
  lorvane::window::InstallResources(lorvane::framework::ProgramResources());

  // The command line as Windows hands it over: the arguments after the
  // program's name (Qt has taken its own out).
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  return AfxWinMain(::GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
}
