// KERNEL32 and C runtime stand-ins the program calls: sleeping, 8-bit string
// length and concatenation, and the formatted print of USER32.
#pragma once

#include "platform/base/types.h"

void Sleep(DWORD milliseconds);
int lstrlenA(LPCSTR text);
LPSTR lstrcatA(LPSTR destination, LPCSTR source);

// Formats into a buffer that the caller guarantees holds 1024 bytes, as the
// original does; output longer than that is cut, always NUL-terminated.
int wsprintfA(LPSTR buffer, LPCSTR format, ...);
