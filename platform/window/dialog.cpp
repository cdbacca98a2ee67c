// Dialogs from templates: creation in dialog units, the dialog manager's
// keys (IsDialogMessageA) and the default dialog procedure.
#include "platform/window/dialog.h"

#include <QApplication>
#include <QFontMetrics>

#include "platform/window/geometry.h"
#include "platform/window/metrics.h"
#include "platform/window/paint.h"
#include "platform/window/queue.h"
#include "platform/window/resource_objects.h"
#include "platform/window/resources.h"
#include "platform/window/text.h"
#include "platform/window/window_table.h"

namespace lorvane::window::detail {
namespace {

struct DialogState : Control {
  DLGPROC proc = nullptr;
  HFONT ownFont = nullptr;  // made for the template; freed with the dialog
  int defaultId = IDOK;     // the template's BS_DEFPUSHBUTTON
  HWND savedFocus = nullptr;
};

DialogState* StateOf(HWND dialog) {
  Window* window = FindQuiet(dialog);
  if (window == nullptr || window->cls->kind != ControlKind::kDialog) return nullptr;
  if (window->control == nullptr) window->control = std::make_unique<DialogState>();
  return static_cast<DialogState*>(window->control.get());
}

int MulDivRound(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  const long long half = denominator / 2;
  return static_cast<int>(product >= 0 ? (product + half) / denominator
                                       : (product - half) / denominator);
}

struct BaseUnits {
  int x = 0;
  int y = 0;
};

BaseUnits UnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return BaseUnits{(width / 26 + 1) / 2, metrics.height()};
}

QFont TemplateFont(const lorvane::window::DialogTemplate& t) {
  if (!(t.style & DS_SETFONT) || t.fontName.empty()) return QApplication::font();
  QFont font(FromLocal(t.fontName));
  font.setPointSize(t.pointSize > 0 ? t.pointSize : 8);
  return font;
}

bool Focusable(HWND handle) {
  Window* window = FindQuiet(handle);
  return window != nullptr && (window->style & WS_VISIBLE) && !(window->style & WS_DISABLED);
}

bool IsPushButton(HWND handle) {
  return (Send(handle, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

// Moves the focus inside a dialog as its keyboard does: an edit that gets it
// this way has all its text selected.
void DialogFocus(HWND control) {
  if (control == nullptr) return;
  if (Send(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) Send(control, EM_SETSEL, 0, -1);
  SetFocus(control);
}

HWND DirectChild(HWND dialog, HWND handle) {
  Window* window = FindQuiet(handle);
  while (window != nullptr && window->parent != dialog) window = FindQuiet(window->parent);
  return window != nullptr ? window->handle : nullptr;
}

}  // namespace
}  // namespace lorvane::window::detail

using namespace lorvane::window;
using namespace lorvane::window::detail;

namespace {

HWND NextTabItem(HWND dialog, HWND control, BOOL previous);

HWND CreateFromTemplate(HINSTANCE instance, LPCDLGTEMPLATEA t, HWND parent, DLGPROC proc,
                        LPARAM initParam) {
  if (t == nullptr) return nullptr;
  const QFont font = TemplateFont(*t);
  const BaseUnits units = UnitsOf(font);
  auto dx = [&](int v) { return MulDivRound(v, units.x, 4); };
  auto dy = [&](int v) { return MulDivRound(v, units.y, 8); };

  const DWORD style = t->style & ~WS_VISIBLE;
  DWORD exStyle = t->exStyle;
  if (t->style & DS_MODALFRAME) exStyle |= WS_EX_DLGMODALFRAME;
  const RECT rect = WindowRectFor(RECT{0, 0, dx(t->cx), dy(t->cy)}, style, exStyle);
  // The template's place is in the owner's client area.
  POINT pos{rect.left + dx(t->x), rect.top + dy(t->y)};
  const SIZE size{rect.right - rect.left, rect.bottom - rect.top};
  if (const Window* owner = FindQuiet(parent)) {
    const POINT origin = ClientOrigin(*owner);
    pos.x += origin.x;
    pos.y += origin.y;
  }

  HWND dialog = CreateWindowExA(exStyle, "#32770", t->caption.c_str(), style, pos.x, pos.y, size.cx,
                                size.cy, parent, nullptr, instance, nullptr);
  if (dialog == nullptr) return nullptr;
  DialogState* state = StateOf(dialog);
  state->proc = proc;
  state->ownFont = CreateFontObject(font);
  Send(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(state->ownFont), FALSE);

  for (const DialogItem& item : t->items) {
    HWND control = CreateWindowExA(
        item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD, dx(item.x),
        dy(item.y), dx(item.cx), dy(item.cy), dialog,
        reinterpret_cast<HMENU>(static_cast<LONG_PTR>(item.id)), instance, nullptr);
    if (!IsWindow(dialog)) return nullptr;
    if (control == nullptr) {
      DestroyWindow(dialog);
      return nullptr;
    }
    Send(control, WM_SETFONT, reinterpret_cast<WPARAM>(state->ownFont), FALSE);
    if (item.className == "Button" && (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
      state->defaultId = item.id;
  }

  HWND first = NextTabItem(dialog, nullptr, FALSE);
  if (Send(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam) && IsWindow(dialog)) {
    first = NextTabItem(dialog, nullptr, FALSE);
    if (first != nullptr) {
      DialogFocus(first);
      if (DialogState* s = StateOf(dialog)) s->savedFocus = first;
    }
  }
  if (!IsWindow(dialog)) return nullptr;
  if (t->style & WS_VISIBLE) {
    ShowWindow(dialog, SW_SHOWNORMAL);
    UpdateWindow(dialog);
  }
  return IsWindow(dialog) ? dialog : nullptr;
}

}  // namespace

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc,
                        LPARAM initParam) {
  bool ok = false;
  const UINT id = ResourceId(templateName, &ok);
  return CreateFromTemplate(instance, ok ? FindDialog(id) : nullptr, parent, proc, initParam);
}

// The framework's modal loop keeps the result and enables the owner.
BOOL EndDialog(HWND dialog, INT_PTR) {
  if (StateOf(dialog) == nullptr) return FALSE;
  ShowWindow(dialog, SW_HIDE);
  PostMessageA(nullptr, WM_NULL, 0, 0);  // wakes a modal loop waiting for input
  return TRUE;
}

namespace {

HWND NextTabItem(HWND dialog, HWND control, BOOL previous) {
  Window* window = FindQuiet(dialog);
  if (window == nullptr || window->children.empty()) return nullptr;
  const auto& children = window->children;
  const int count = static_cast<int>(children.size());
  int start = previous ? 0 : count - 1;
  if (HWND child = DirectChild(dialog, control); child != nullptr) {
    for (int i = 0; i < count; ++i)
      if (children[static_cast<std::size_t>(i)] == child) start = i;
  }
  for (int step = 1; step <= count; ++step) {
    const int i = ((start + (previous ? -step : step)) % count + count) % count;
    const HWND candidate = children[static_cast<std::size_t>(i)];
    Window* c = FindQuiet(candidate);
    if (c != nullptr && (c->style & WS_TABSTOP) && Focusable(candidate)) return candidate;
  }
  return control;
}

}  // namespace

// Tab and Shift+Tab move the focus, Escape cancels, Return clicks the
// focused push button or else the default one.
BOOL IsDialogMessageA(HWND dialog, LPMSG msg) {
  if (msg == nullptr || !IsWindow(dialog)) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_KEYDOWN) {
    switch (msg->wParam) {
      case VK_TAB:
        DialogFocus(NextTabItem(dialog, GetFocus(), KeyDownNow(VK_SHIFT)));
        return TRUE;
      case VK_ESCAPE:
        Send(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
             reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        return TRUE;
      case VK_RETURN: {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(dialog, focus) && IsPushButton(focus)) {
          Send(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED),
               reinterpret_cast<LPARAM>(focus));
          return TRUE;
        }
        DialogState* state = StateOf(dialog);
        HWND button = GetDlgItem(dialog, state->defaultId);
        if (button == nullptr || IsWindowEnabled(button))
          Send(dialog, WM_COMMAND, MAKEWPARAM(state->defaultId, BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
        return TRUE;
      }
      default:
        break;
    }
  }
  TranslateMessage(msg);
  DispatchMessageA(msg);
  return TRUE;
}

LRESULT lorvane::window::detail::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  const DialogState* before = StateOf(dialog);
  const DLGPROC proc = before != nullptr ? before->proc : nullptr;
  const INT_PTR handled = proc != nullptr ? proc(dialog, message, wParam, lParam) : 0;
  if (!IsWindow(dialog)) return handled;
  if (handled) {
    switch (message) {
      case WM_INITDIALOG:
      case WM_GETDLGCODE:
        return handled;
      default:
        return 0;  // the message result a dialog procedure may set; none does
    }
  }
  DialogState* state = StateOf(dialog);
  switch (message) {
    case WM_INITDIALOG:
      return 0;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(dialog, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1));
      return 1;
    }
    case WM_CLOSE:
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
      return 0;
    case WM_SETFONT:
      if (Window* window = FindQuiet(dialog); window != nullptr && window->client != nullptr)
        window->client->setFont(FontOf(reinterpret_cast<HFONT>(wParam), window->client));
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(dialog, focus)) state->savedFocus = focus;
      } else {
        HWND target = IsWindow(state->savedFocus) ? state->savedFocus
                                                  : NextTabItem(dialog, nullptr, FALSE);
        SetFocus(target != nullptr ? target : dialog);
      }
      return 0;
    case WM_SETFOCUS:
      if (IsWindow(state->savedFocus) && state->savedFocus != dialog) SetFocus(state->savedFocus);
      return 0;
    case WM_NCDESTROY:
      if (state->ownFont != nullptr) DeleteFontObject(state->ownFont);
      state->ownFont = nullptr;
      return DefWindowProcA(dialog, message, wParam, lParam);
    default:
      return DefWindowProcA(dialog, message, wParam, lParam);
  }
}
