// MessageBoxA: a real QMessageBox run in the window layer's modal loop with
// its owner disabled, or the test hook in its place.
#include <QApplication>
#include <QMessageBox>

#include "platform/window/queue.h"
#include "platform/window/seams.h"
#include "platform/window/text.h"
#include "platform/window/window_table.h"

namespace lorvane::window {
namespace {

MessageBoxHook& BoxHook() {
  static MessageBoxHook hook;
  return hook;
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  MessageBoxHook old = std::move(BoxHook());
  BoxHook() = std::move(hook);
  return old;
}

}  // namespace lorvane::window

namespace lorvane::window::detail {
namespace {

QMessageBox::Icon IconFor(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
      return QMessageBox::Critical;
    case MB_ICONEXCLAMATION:
      return QMessageBox::Warning;
    case MB_ICONASTERISK:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

int RunBox(HWND owner, const lorvane::window::MessageBoxRequest& request) {
  if (qApp == nullptr) return 0;
  Window* window = FindQuiet(TopLevelOf(owner));
  QMessageBox box(IconFor(request.type), FromLocal(request.caption), FromLocal(request.text),
                  QMessageBox::NoButton, window != nullptr ? window->outer.data() : nullptr);
  box.setTextFormat(Qt::PlainText);
  box.addButton(QMessageBox::Ok);
  bool done = false;
  QObject::connect(&box, &QMessageBox::finished, [&done] {
    done = true;
    PostMessageA(nullptr, WM_NULL, 0, 0);  // wakes the loop below
  });
  box.show();
  RunModalLoop(nullptr, [&done] { return done; });
  return IDOK;  // OK, Escape and the close box alike
}

}  // namespace
}  // namespace lorvane::window::detail

using namespace lorvane::window::detail;

// Only MB_OK boxes: every box the program and the framework show.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  if ((type & MB_TYPEMASK) != MB_OK)
    LogUnsupported("message boxes other than MB_OK (shown as one)");
  lorvane::window::MessageBoxRequest request{owner, text != nullptr ? text : "",
                                             caption != nullptr ? caption : "Error", type};
  const HWND top = TopLevelOf(owner);
  const bool disable = top != nullptr && IsWindowEnabled(top);
  if (disable) EnableWindow(top, FALSE);
  // A copy, so that a hook may replace itself while it runs.
  const lorvane::window::MessageBoxHook hook = lorvane::window::SetMessageBoxHook(nullptr);
  lorvane::window::SetMessageBoxHook(hook);
  const int answer = hook ? hook(request) : RunBox(owner, request);
  if (disable && IsWindow(top)) {
    EnableWindow(top, TRUE);
    if (IsWindowVisible(top)) SetActiveWindow(top);
  }
  return answer;
}
