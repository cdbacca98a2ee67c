// Static text and icons over QLabel.
#include <QLabel>

#include "platform/window/controls/controls.h"
#include "platform/window/controls/procs.h"
#include "platform/window/paint.h"
#include "platform/window/resource_objects.h"
#include "platform/window/text.h"

namespace lorvane::window::detail {
namespace {

QLabel* LabelOf(Window& window) { return qobject_cast<QLabel*>(window.client.data()); }

bool IsIcon(const Window& window) { return (window.style & SS_TYPEMASK) == SS_ICON; }

// Without SS_NOPREFIX an '&' marks a mnemonic and "&&" stands for '&'.
QString Shown(const Window& window) {
  if (window.style & SS_NOPREFIX) return FromLocal(window.text);
  std::string out;
  for (std::size_t i = 0; i < window.text.size(); ++i) {
    if (window.text[i] == '&' && i + 1 < window.text.size()) ++i;
    out += window.text[i];
  }
  return FromLocal(out);
}

void SetIcon(Window& window, HICON icon) {
  const int size = GetSystemMetrics(SM_CXICON);
  LabelOf(window)->setPixmap(IconOf(icon).pixmap(size, size));
  // An icon static takes the icon's size.
  if (icon != nullptr)
    SetWindowPos(window.handle, nullptr, 0, 0, size, size,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowText(Window& window, LPCSTR name) {
  if (IsIcon(window)) {
    SetIcon(window, name != nullptr ? LoadIconA(window.instance, name) : nullptr);
    return;
  }
  LabelOf(window)->setText(Shown(window));
}

}  // namespace

bool CreateStatic(Window& window, QWidget* parent, const CREATESTRUCTA& cs) {
  const DWORD type = static_cast<DWORD>(cs.style) & SS_TYPEMASK;
  if (type != SS_LEFT && type != SS_ICON) {
    LogUnsupported("static styles other than left-aligned text and icons");
    return false;
  }
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  label->setWordWrap(type == SS_LEFT);
  window.outer = window.client = label;
  return true;
}

LRESULT CALLBACK StaticProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindQuiet(handle);
  QLabel* label = window != nullptr ? LabelOf(*window) : nullptr;
  if (label == nullptr) return DefWindowProcA(handle, message, wParam, lParam);
  switch (message) {
    case WM_NCCREATE: {
      const LRESULT result = DefWindowProcA(handle, message, wParam, lParam);
      const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      ShowText(*window, cs != nullptr ? cs->lpszName : nullptr);
      return result;
    }
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcA(handle, message, wParam, lParam);
      if ((window = FindQuiet(handle)) != nullptr)
        ShowText(*window, reinterpret_cast<LPCSTR>(lParam));
      return result;
    }
    case WM_SETFONT:
      DefWindowProcA(handle, message, wParam, lParam);
      label->setFont(FontOf(reinterpret_cast<HFONT>(wParam), label->parentWidget()));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    default:
      return DefWindowProcA(handle, message, wParam, lParam);
  }
}

}  // namespace lorvane::window::detail
