// The registered window classes.
#pragma once

#include <memory>

#include "platform/window/window_table.h"

namespace lorvane::window::detail {

std::shared_ptr<WindowClass> FindClass(LPCSTR name);
void RegisterBuiltinClasses();

}  // namespace lorvane::window::detail
