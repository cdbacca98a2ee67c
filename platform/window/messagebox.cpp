// MessageBoxA: a real QMessageBox run in the window layer's modal loop with
// its owner disabled, or the test hook in its place.
#include <QAbstractButton>
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
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
      return QMessageBox::Warning;
    case MB_ICONASTERISK:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

struct ButtonSet {
  std::vector<std::pair<QMessageBox::StandardButton, int>> buttons;
};

ButtonSet ButtonsFor(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}};
    case MB_ABORTRETRYIGNORE:
      return {{{QMessageBox::Abort, IDABORT},
               {QMessageBox::Retry, IDRETRY},
               {QMessageBox::Ignore, IDIGNORE}}};
    case MB_YESNOCANCEL:
      return {
          {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}}};
    case MB_YESNO:
      return {{{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}};
    case MB_RETRYCANCEL:
      return {{{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}}};
    default:
      return {{{QMessageBox::Ok, IDOK}}};
  }
}

int RunBox(HWND owner, const lorvane::window::MessageBoxRequest& request) {
  if (qApp == nullptr) return 0;
  Window* window = FindQuiet(TopLevelOf(owner));
  QMessageBox box(IconFor(request.type), FromLocal(request.caption), FromLocal(request.text),
                  QMessageBox::NoButton, window != nullptr ? window->outer.data() : nullptr);
  box.setTextFormat(Qt::PlainText);
  const ButtonSet set = ButtonsFor(request.type);
  for (const auto& [button, id] : set.buttons) box.addButton(button);
  const std::size_t defaultIndex = (request.type & MB_DEFMASK) >> 8;
  if (defaultIndex < set.buttons.size()) box.setDefaultButton(set.buttons[defaultIndex].first);
  bool done = false;
  QObject::connect(&box, &QMessageBox::finished, [&done] {
    done = true;
    PostMessageA(nullptr, WM_NULL, 0, 0);  // wakes the loop below
  });
  box.show();
  RunModalLoop(nullptr, [&done] { return done; });
  const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
  for (const auto& [button, id] : set.buttons)
    if (button == clicked) return id;
  // Closed without a button: the answer Escape gives.
  for (const auto& [button, id] : set.buttons)
    if (id == IDCANCEL || id == IDNO) return id;
  return set.buttons.size() == 1 ? set.buttons.front().second : IDCANCEL;
}

}  // namespace
}  // namespace lorvane::window::detail

using namespace lorvane::window::detail;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
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
