// One string value of one registry key: read, written or deleted, the key
// opened and closed again within the call.
#pragma once

#include "windows.h"

// 0 when the value's text, NUL-terminated, is in the buffer. On any failure
// the buffer holds the empty string. Only REG_SZ values are read; text stored
// without its NUL is terminated when the buffer has room for it.
LONG RegReadString(HKEY root, LPCSTR keyPath, LPCSTR valueName, LPSTR buffer, DWORD bufferSize);
// Stores the text as REG_SZ with its terminating NUL, creating the key.
LONG RegWriteString(HKEY root, LPCSTR keyPath, LPCSTR valueName, LPCSTR text);
LONG RegDeleteString(HKEY root, LPCSTR keyPath, LPCSTR valueName);
