// The pieces the program's resource data is assembled from.
#pragma once

#include <afxres.h>

namespace lorvane::res {

lorvane::window::IconResource MainIcon();
lorvane::window::DialogTemplate AboutDialog();
lorvane::window::DialogTemplate ChangeMacDialog();

}  // namespace lorvane::res
