#include "platform/framework/register_class.h"

#include <cstdio>
#include <set>
#include <string>

#include "platform/framework/current_app.h"

namespace {

LPCSTR RegisterNamed(const std::string& name, UINT nClassStyle, HCURSOR hCursor,
                     HBRUSH hbrBackground, HICON hIcon) {
  static std::set<std::string> names;
  auto [it, inserted] = names.insert(name);
  WNDCLASSA existing{};
  if (::GetClassInfoA(AfxGetInstanceHandle(), it->c_str(), &existing)) return it->c_str();
  WNDCLASSA wc{};
  wc.style = nClassStyle;
  wc.lpfnWndProc = &::DefWindowProcA;  // the creation hook subclasses every window
  wc.hInstance = AfxGetInstanceHandle();
  wc.hIcon = hIcon;
  wc.hCursor = hCursor;
  wc.hbrBackground = hbrBackground;
  wc.lpszClassName = it->c_str();
  if (::RegisterClassA(&wc) == 0) {
    names.erase(it);
    return nullptr;
  }
  return it->c_str();
}

std::string Hex(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "%lx",
                static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(p)));
  return text;
}

}  // namespace

LPCSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon) {
  const std::string name =
      "Afx:" + Hex(reinterpret_cast<void*>(static_cast<ULONG_PTR>(nClassStyle))) + ":" +
      Hex(hCursor) + ":" + Hex(hbrBackground) + ":" + Hex(hIcon);
  return RegisterNamed(name, nClassStyle, hCursor, hbrBackground, hIcon);
}

LPCSTR AfxRegisterChildClass() {
  return RegisterNamed("AfxWnd", CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                       ::LoadCursorA(nullptr, IDC_ARROW), nullptr, nullptr);
}

LPCSTR AfxRegisterFrameClass() {
  return RegisterNamed("AfxFrameOrView", CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW,
                       ::LoadCursorA(nullptr, IDC_ARROW),
                       reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(COLOR_WINDOW + 1)), nullptr);
}
