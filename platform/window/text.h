// Text between the program's 8-bit strings and Qt's.
#pragma once

#include <QString>
#include <string>

namespace lorvane::window::detail {

QString FromLocal(const char* text, int length = -1);
QString FromLocal(const std::string& text);
std::string ToLocal(const QString& text);
// Copies text into a caller's buffer of `size` bytes, NUL-terminated; returns
// the count copied without the NUL.
int CopyOut(const std::string& text, char* buffer, int size);

void LogUnsupported(const char* what);

}  // namespace lorvane::window::detail
