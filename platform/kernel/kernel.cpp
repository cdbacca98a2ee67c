#include "platform/kernel/kernel.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/kernel/clock.h"

void Sleep(DWORD milliseconds) { lorvane::kernel::CurrentClock().Sleep(milliseconds); }

int lstrlenA(LPCSTR text) {
  if (text == nullptr) return 0;
  return static_cast<int>(std::strlen(text));
}

LPSTR lstrcatA(LPSTR destination, LPCSTR source) {
  if (destination == nullptr) return nullptr;
  if (source != nullptr) std::strcat(destination, source);
  return destination;
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
  constexpr std::size_t kBufferSize = 1024;
  if (buffer == nullptr || format == nullptr) return 0;
  va_list args;
  va_start(args, format);
  const int wanted = std::vsnprintf(buffer, kBufferSize, format, args);
  va_end(args);
  if (wanted < 0) {
    buffer[0] = '\0';
    return 0;
  }
  return wanted < static_cast<int>(kBufferSize) ? wanted : static_cast<int>(kBufferSize) - 1;
}
