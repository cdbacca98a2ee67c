// Push buttons over QPushButton: a click becomes BN_CLICKED to the parent.
#include <QPushButton>

#include "platform/window/controls/controls.h"
#include "platform/window/controls/notify.h"
#include "platform/window/controls/procs.h"
#include "platform/window/paint.h"
#include "platform/window/queue.h"
#include "platform/window/text.h"

namespace lorvane::window::detail {
namespace {

QPushButton* ButtonOf(HWND handle) {
  Window* window = FindQuiet(handle);
  return window != nullptr ? qobject_cast<QPushButton*>(window->client.data()) : nullptr;
}

}  // namespace

bool CreateButton(Window& window, QWidget* parent, const CREATESTRUCTA& cs) {
  const DWORD type = static_cast<DWORD>(cs.style) & BS_TYPEMASK;
  if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) {
    LogUnsupported("button styles other than push buttons");
    return false;
  }
  auto* button = new QPushButton(parent);
  button->setAutoDefault(false);
  button->setDefault(type == BS_DEFPUSHBUTTON);
  const HWND handle = window.handle;
  QObject::connect(button, &QPushButton::clicked,
                   [handle] { CallFromQt([handle] { SendCommand(handle, BN_CLICKED); }); });
  window.outer = window.client = button;
  return true;
}

LRESULT CALLBACK ButtonProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindQuiet(handle);
  QPushButton* button = ButtonOf(handle);
  if (window == nullptr || button == nullptr)
    return DefWindowProcA(handle, message, wParam, lParam);
  switch (message) {
    case WM_NCCREATE:
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcA(handle, message, wParam, lParam);
      button->setText(FromLocal(window->text));  // '&' marks the mnemonic, as on Windows
      return result;
    }
    case WM_SETFONT:
      DefWindowProcA(handle, message, wParam, lParam);
      button->setFont(FontOf(reinterpret_cast<HFONT>(wParam), button->parentWidget()));
      return 0;
    case WM_GETDLGCODE:
      return DLGC_BUTTON | (button->isDefault() ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_CHAR:
      ReplayKey(*window, message, wParam, lParam);
      return 0;
    default:
      return DefWindowProcA(handle, message, wParam, lParam);
  }
}

}  // namespace lorvane::window::detail
