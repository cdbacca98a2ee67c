// The Windows names the program is written against.
#pragma once

#include "platform/base/errors.h"
#include "platform/base/types.h"
#include "platform/kernel/kernel.h"
#include "platform/window/commctrl.h"
#include "platform/window/resources.h"
#include "platform/window/wingdi.h"
#include "platform/window/winuser.h"
#if __has_include("platform/registry/winreg.h")
#include "platform/registry/winreg.h"
#endif
