// Push buttons, edits and the real message box: what the user does reaches
// the parent as Windows would tell it, and what the program sends shows.

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "recorder.h"

namespace {

namespace wt = lorvane::window::testing;

using Controls = lorvane::test::WindowTest;

// Space on a focused button clicks it through the queue. A paste, with
// Ctrl+V as a keyboard gives it (the control character as its text), goes
// in at the caret, cut to the room the edit's limit leaves. Without the hook
// the real message box runs its own loop, its owner disabled, and is answered
// through its own button. (That a disabled owner takes no click is the
// program's about box's check.)
TEST_F(Controls, AButtonAnEditAndTheRealMessageBox) {
  ShowTop();
  HWND button = Control("Button", "&Refresh", 201, BS_DEFPUSHBUTTON);
  SetFocus(button);
  QTest::keyClick(wt::WidgetOf(button), Qt::Key_Space);
  EXPECT_TRUE(Commands().empty());  // still in the queue
  wt::PumpMessages();
  EXPECT_EQ(Commands(), (std::vector<WPARAM>{MAKEWPARAM(201, BN_CLICKED)}));

  HWND edit = Control("Edit", "0123456789", 1002, WS_BORDER | ES_AUTOHSCROLL, 10, 40);
  SendMessageA(edit, EM_LIMITTEXT, 12, 0);
  qobject_cast<QLineEdit*>(wt::WidgetOf(edit))->setCursorPosition(5);  // as a click would
  QApplication::clipboard()->setText("abcdef");
  SetFocus(edit);
  QTest::sendKeyEvent(QTest::Click, wt::WidgetOf(edit), Qt::Key_V, QString(QChar(0x16)),
                      Qt::ControlModifier);
  wt::PumpMessages();
  char text[32];
  GetWindowTextA(edit, text, sizeof text);
  EXPECT_STREQ(text, "01234ab56789");

  lorvane::window::SetMessageBoxHook(nullptr);
  QString title, shown;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QTimer::singleShot(0, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || !box->isVisible()) continue;
      title = box->windowTitle();
      shown = box->text();
      icon = box->icon();
      EXPECT_FALSE(IsWindowEnabled(top));
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    }
  });
  EXPECT_EQ(MessageBoxA(top, "Windows sockets initialization failed.", "dhcp",
                        MB_OK | MB_ICONEXCLAMATION),
            IDOK);
  EXPECT_EQ(title, "dhcp");
  EXPECT_EQ(shown, "Windows sockets initialization failed.");
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_TRUE(IsWindowEnabled(top));
}

}  // namespace
