// The program's resources, bound into the executable the way a resource
// script is bound into a Windows module. The program defines this function
// (its res/ folder); the entry point installs what it returns before start-up.
#pragma once

#include "platform/window/resources.h"

namespace lorvane::framework {

const lorvane::window::Resources& ProgramResources();

}  // namespace lorvane::framework
