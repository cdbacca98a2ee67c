// Window classes registered on demand by their attributes, so windows that
// look alike share a class.
#pragma once

#include "platform/window/winuser.h"

// The name of a class with these attributes, registered on first use. The
// name stays valid for the life of the process.
LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr,
                           HBRUSH hbrBackground = nullptr, HICON hIcon = nullptr);

// The framework's default classes: plain child windows, and frames.
LPCSTR AfxRegisterChildClass();
LPCSTR AfxRegisterFrameClass();
