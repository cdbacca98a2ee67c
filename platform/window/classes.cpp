// Window classes: registration, lookup and the class words.
#include <QCursor>
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

void AddBuiltin(const char* name, WNDPROC proc, ControlKind kind, UINT style, int wndExtra,
                ATOM atom) {
  auto cls = std::make_shared<WindowClass>();
  cls->name = name;
  cls->proc = proc;
  cls->kind = kind;
  cls->style = style;
  cls->wndExtra = wndExtra;
  cls->atom = atom;
  cls->cursor = LoadCursorA(nullptr, IDC_ARROW);
  Classes()[name] = cls;
}

}  // namespace

void RegisterBuiltinClasses() {
  if (!Classes().empty()) return;
  AddBuiltin("Button", ButtonProc, ControlKind::kButton, CS_DBLCLKS | CS_PARENTDC, 0, 0x0080);
  AddBuiltin("Edit", EditProc, ControlKind::kEdit, CS_DBLCLKS | CS_PARENTDC, 0, 0x0081);
  AddBuiltin("Static", StaticProc, ControlKind::kStatic, CS_DBLCLKS | CS_PARENTDC, 0, 0x0082);
  AddBuiltin(WC_LISTVIEWA, ListViewProc, ControlKind::kListView, CS_DBLCLKS, 0, NextAtom());
  // The dialog class keeps its three pointer-sized words (DWLP_*).
  AddBuiltin("#32770", DialogProc, ControlKind::kDialog, CS_DBLCLKS | CS_SAVEBITS, 24, 0x8002);
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
  cls->clsExtra = wndClass->cbClsExtra;
  cls->wndExtra = wndClass->cbWndExtra;
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
  wndClass->cbClsExtra = cls->clsExtra;
  wndClass->cbWndExtra = cls->wndExtra;
  wndClass->hInstance = cls->instance;
  wndClass->hIcon = cls->icon;
  wndClass->hCursor = cls->cursor;
  wndClass->hbrBackground = cls->background;
  wndClass->lpszMenuName = nullptr;
  // The name stays valid as long as the class does.
  wndClass->lpszClassName = cls->name.c_str();
  return TRUE;
}

static ULONG_PTR ClassLong(HWND handle, int index) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return 0;
  const WindowClass& cls = *window->cls;
  switch (index) {
    case GCL_HBRBACKGROUND:
      return reinterpret_cast<ULONG_PTR>(cls.background);
    case GCL_HCURSOR:
      return reinterpret_cast<ULONG_PTR>(cls.cursor);
    case GCL_HICON:
      return reinterpret_cast<ULONG_PTR>(cls.icon);
    case GCL_HICONSM:
      return reinterpret_cast<ULONG_PTR>(cls.iconSmall);
    case GCL_HMODULE:
      return reinterpret_cast<ULONG_PTR>(cls.instance);
    case GCL_CBWNDEXTRA:
      return static_cast<ULONG_PTR>(cls.wndExtra);
    case GCL_CBCLSEXTRA:
      return static_cast<ULONG_PTR>(cls.clsExtra);
    case GCL_WNDPROC:
      return reinterpret_cast<ULONG_PTR>(cls.proc);
    case GCL_STYLE:
      return cls.style;
    default:
      return 0;
  }
}

static ULONG_PTR SetClassLong(HWND handle, int index, LONG_PTR value) {
  Window* window = FindQuiet(handle);
  if (window == nullptr) return 0;
  const ULONG_PTR old = ClassLong(handle, index);
  WindowClass& cls = *window->cls;
  switch (index) {
    case GCL_HBRBACKGROUND:
      cls.background = reinterpret_cast<HBRUSH>(value);
      break;
    case GCL_HCURSOR:
      cls.cursor = reinterpret_cast<HCURSOR>(value);
      break;
    case GCL_HICON:
      cls.icon = reinterpret_cast<HICON>(value);
      break;
    case GCL_HICONSM:
      cls.iconSmall = reinterpret_cast<HICON>(value);
      break;
    case GCL_WNDPROC:
      cls.proc = reinterpret_cast<WNDPROC>(value);
      break;
    case GCL_STYLE:
      cls.style = static_cast<UINT>(value);
      break;
    default:
      LogUnsupported("this SetClassLongA index");
      return 0;
  }
  // Every window of the class shows the new icon or cursor at once.
  for (HWND other : AllWindows()) {
    Window* w = FindQuiet(other);
    if (w == nullptr || w->cls.get() != &cls) continue;
    if (index == GCL_HICON && IsTopLevel(*w) && w->iconBig == nullptr && w->outer != nullptr)
      w->outer->setWindowIcon(IconOf(cls.icon));
    if (index == GCL_HCURSOR && w->client != nullptr) {
      if (cls.cursor != nullptr)
        w->client->setCursor(QCursor(CursorShapeOf(cls.cursor)));
      else
        w->client->unsetCursor();
    }
  }
  return old;
}

DWORD SetClassLongA(HWND handle, int index, LONG value) {
  // Every handle of this layer is a small number, so one passed as a LONG
  // (GCL_HICON ...) arrives whole.
  return static_cast<DWORD>(SetClassLong(handle, index, value));
}
