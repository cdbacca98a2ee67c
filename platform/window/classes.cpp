// Window classes: registration, lookup and the class words.
#include <algorithm>
#include <cctype>
#include <map>

#include "platform/window/classes.h"
#include "platform/window/commctrl.h"
#include "platform/window/controls/procs.h"
#include "platform/window/dialog.h"
#include "platform/window/resource_objects.h"
#include "platform/window/text.h"
#include "platform/window/window_table.h"

namespace lorvane::window::detail {
namespace {

struct NoCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::tolower(static_cast<unsigned char>(x)) <
             std::tolower(static_cast<unsigned char>(y));
    });
  }
};

std::map<std::string, std::shared_ptr<WindowClass>, NoCase>& Classes() {
  static std::map<std::string, std::shared_ptr<WindowClass>, NoCase> classes;
  return classes;
}

ATOM NextAtom() {
  static ATOM next = 0xC000;
  return next++;
}

std::shared_ptr<WindowClass> FindByAtom(ATOM atom) {
  for (const auto& [name, cls] : Classes())
    if (cls->atom == atom) return cls;
  return nullptr;
}

void AddBuiltin(const char* name, WNDPROC proc, ControlKind kind, UINT style, ATOM atom) {
  auto cls = std::make_shared<WindowClass>();
  cls->name = name;
  cls->proc = proc;
  cls->kind = kind;
  cls->style = style;
  cls->atom = atom;
  cls->cursor = LoadCursorA(nullptr, IDC_ARROW);
  Classes()[name] = cls;
}

}  // namespace

void RegisterBuiltinClasses() {
  if (!Classes().empty()) return;
  AddBuiltin("Button", ButtonProc, ControlKind::kButton, CS_DBLCLKS, 0x0080);
  AddBuiltin("Edit", EditProc, ControlKind::kEdit, CS_DBLCLKS, 0x0081);
  AddBuiltin("Static", StaticProc, ControlKind::kStatic, CS_DBLCLKS, 0x0082);
  AddBuiltin(WC_LISTVIEWA, ListViewProc, ControlKind::kListView, CS_DBLCLKS, NextAtom());
  AddBuiltin("#32770", DialogProc, ControlKind::kDialog, CS_DBLCLKS, 0x8002);
}

std::shared_ptr<WindowClass> FindClass(LPCSTR name) {
  RegisterBuiltinClasses();
  if (name == nullptr) return nullptr;
  if (IS_INTRESOURCE(name)) return FindByAtom(static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name)));
  auto it = Classes().find(name);
  return it == Classes().end() ? nullptr : it->second;
}

}  // namespace lorvane::window::detail

using namespace lorvane::window::detail;

ATOM RegisterClassA(const WNDCLASSA* wndClass) {
  RegisterBuiltinClasses();
  if (wndClass == nullptr || wndClass->lpszClassName == nullptr || wndClass->lpfnWndProc == nullptr)
    return 0;
  if (IS_INTRESOURCE(wndClass->lpszClassName)) return 0;
  if (Classes().count(wndClass->lpszClassName) != 0) return 0;  // ERROR_CLASS_ALREADY_EXISTS
  auto cls = std::make_shared<WindowClass>();
  cls->name = wndClass->lpszClassName;
  cls->style = wndClass->style;
  cls->proc = wndClass->lpfnWndProc;
  cls->instance = wndClass->hInstance;
  cls->icon = wndClass->hIcon;
  cls->cursor = wndClass->hCursor;
  cls->background = wndClass->hbrBackground;
  if (wndClass->lpszMenuName != nullptr) {
    if (IS_INTRESOURCE(wndClass->lpszMenuName)) {
      // Built by append: "#" + to_string(...) and assigning "#" make GCC 12
      // at -O3 warn falsely inside std::string's inlined copy (-Wrestrict,
      // and -Wstringop-overflow where that is off).
      cls->menuName = std::string(1, '#').append(
          std::to_string(reinterpret_cast<ULONG_PTR>(wndClass->lpszMenuName)));
    } else {
      cls->menuName = wndClass->lpszMenuName;
    }
  }
  cls->atom = NextAtom();
  Classes()[cls->name] = cls;
  return cls->atom;
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR className, LPWNDCLASSA wndClass) {
  std::shared_ptr<WindowClass> cls = FindClass(className);
  if (cls == nullptr || wndClass == nullptr) return FALSE;
  wndClass->style = cls->style;
  wndClass->lpfnWndProc = cls->proc;
  wndClass->cbClsExtra = 0;
  wndClass->cbWndExtra = 0;
  wndClass->hInstance = cls->instance;
  wndClass->hIcon = cls->icon;
  wndClass->hCursor = cls->cursor;
  wndClass->hbrBackground = cls->background;
  wndClass->lpszMenuName = nullptr;
  // The name stays valid as long as the class does.
  wndClass->lpszClassName = cls->name.c_str();
  return TRUE;
}

// Only the class icon is ever changed; every window of the class shows the
// new one at once.
DWORD SetClassLongA(HWND handle, int index, LONG value) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return 0;
  if (index != GCL_HICON) {
    LogUnsupported("SetClassLongA indexes other than GCL_HICON");
    return 0;
  }
  WindowClass& cls = *window->cls;
  const HICON old = cls.icon;
  // Every handle of this layer is a small number, so one passed as a LONG
  // arrives whole.
  cls.icon = reinterpret_cast<HICON>(static_cast<LONG_PTR>(value));
  for (HWND other : AllWindows()) {
    Window* w = FindQuiet(other);
    if (w != nullptr && w->cls.get() == &cls && IsTopLevel(*w) && w->outer != nullptr)
      w->outer->setWindowIcon(IconOf(cls.icon));
  }
  return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(old));
}
