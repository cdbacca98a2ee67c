// Push buttons, edits and statics: what the user does reaches the parent as
// Windows would tell it, and what the program sends shows on the widget.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>

#include "recorder.h"

namespace {

namespace wt = lorvane::window::testing;

class Controls : public lorvane::test::WindowTest {
 protected:
  void SetUp() override { ShowTop(); }

  std::string Text(HWND window) {
    char buffer[64];
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
  }

  void Type(HWND edit, const char* keys) {
    SetFocus(edit);
    QTest::keyClicks(wt::WidgetOf(edit), keys);
    wt::PumpMessages();
  }

  // Ctrl+V as a keyboard gives it, the control character as its text.
  void Paste(HWND edit, const QString& text) {
    QApplication::clipboard()->setText(text);
    SetFocus(edit);
    QTest::sendKeyEvent(QTest::Click, wt::WidgetOf(edit), Qt::Key_V, QString(QChar(0x16)),
                        Qt::ControlModifier);
    wt::PumpMessages();
  }
};

TEST_F(Controls, AButtonSaysBnClickedForAClickAndForSpaceThroughTheQueueButNotWhenDisabled) {
  HWND button = Control("Button", "&Refresh", 201, BS_DEFPUSHBUTTON);
  auto* widget = qobject_cast<QPushButton*>(wt::WidgetOf(button));
  ASSERT_NE(widget, nullptr);
  EXPECT_EQ(SendMessageA(button, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_DEFPUSHBUTTON);
  QTest::mouseClick(widget, Qt::LeftButton);
  wt::PumpMessages();
  const auto commands = recorder.Messages(WM_COMMAND);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].wParam, MAKEWPARAM(201, BN_CLICKED));
  EXPECT_EQ(reinterpret_cast<HWND>(commands[0].lParam), button);

  recorder.Clear();
  SetFocus(button);
  QTest::keyClick(widget, Qt::Key_Space);
  EXPECT_TRUE(recorder.Commands().empty());  // still in the queue
  wt::PumpMessages();
  EXPECT_EQ(recorder.Commands(), (std::vector<WPARAM>{MAKEWPARAM(201, BN_CLICKED)}));

  EnableWindow(button, FALSE);
  EXPECT_FALSE(widget->isEnabled());
  QTest::mouseClick(widget, Qt::LeftButton);
  SendMessageA(button, BM_CLICK, 0, 0);
  wt::PumpMessages();
  EXPECT_EQ(recorder.Commands().size(), 1u);
}

TEST_F(Controls, EditLimitCapsTypingAndPastesInBytesButNotTheProgramsText) {
  HWND edit = Control("Edit", "", 1002, WS_BORDER | ES_AUTOHSCROLL);
  SendMessageA(edit, EM_LIMITTEXT, 12, 0);
  recorder.Clear();
  Type(edit, "00a0c9123456789");
  EXPECT_EQ(Text(edit), "00a0c9123456");
  EXPECT_EQ(GetWindowTextLengthA(edit), 12);
  // Each accepted character changed the text once.
  const auto commands = recorder.Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), MAKEWPARAM(1002, EN_CHANGE)), 12);
  SetWindowTextA(edit, "a text longer than twelve");
  EXPECT_EQ(Text(edit), "a text longer than twelve");
  // Typing at the end of an over-long text adds nothing; deleting works.
  Type(edit, "z");
  EXPECT_EQ(Text(edit), "a text longer than twelve");
  QTest::keyClick(wt::WidgetOf(edit), Qt::Key_Backspace);
  wt::PumpMessages();
  EXPECT_EQ(Text(edit), "a text longer than twelv");

  SetWindowTextA(edit, "");
  Paste(edit, "00a0c9123456789");
  EXPECT_EQ(Text(edit), "00a0c9123456");
  SetWindowTextA(edit, "0123456789");
  SendMessageA(edit, EM_SETSEL, 5, 5);
  Paste(edit, "abcdef");
  EXPECT_EQ(Text(edit), "01234ab56789");
  // Eight two-byte characters: six fit, none is split.
  SetWindowTextA(edit, "");
  Paste(edit, QString(8, QChar(0xE9)));
  EXPECT_EQ(Text(edit), QString(6, QChar(0xE9)).toLocal8Bit().toStdString());
  // One byte of room takes no part of a two-byte character.
  SetWindowTextA(edit, "0123456789a");
  recorder.Clear();
  Paste(edit, QString(QChar(0xE9)));
  EXPECT_EQ(Text(edit), "0123456789a");
  EXPECT_TRUE(recorder.Commands().empty()) << "nothing changed, nothing said";
}

TEST_F(Controls, TextCrossesAsLocalEightBitStaticsDropMnemonicMarksAReadOnlyEditRefusesKeys) {
  HWND plain = Control("Static", "&Current && new", -1, SS_LEFT);
  HWND raw = Control("Static", "Lorvane &V0.30", -1, SS_LEFT | SS_NOPREFIX, 10, 40);
  EXPECT_EQ(qobject_cast<QLabel*>(wt::WidgetOf(plain))->text(), "Current & new");
  EXPECT_EQ(qobject_cast<QLabel*>(wt::WidgetOf(raw))->text(), "Lorvane &V0.30");
  EXPECT_EQ(Text(plain), "&Current && new");  // the window text itself is kept

  HWND button = Control("Button", "Caf\xc3\xa9", 5, 0, 10, 70);
  EXPECT_EQ(qobject_cast<QPushButton*>(wt::WidgetOf(button))->text(),
            QString::fromLocal8Bit("Caf\xc3\xa9"));
  HWND edit = Control("Edit", "", 6, WS_BORDER, 10, 100);
  qobject_cast<QLineEdit*>(wt::WidgetOf(edit))->setText(QString::fromLocal8Bit("na\xc3\xafve"));
  EXPECT_EQ(Text(edit), "na\xc3\xafve");

  HWND readOnly = Control("Edit", "not currently spoofed", 1001,
                          WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, 10, 130);
  Type(readOnly, "abc");
  EXPECT_EQ(Text(readOnly), "not currently spoofed");
  SendMessageA(readOnly, EM_SETREADONLY, FALSE, 0);
  SendMessageA(readOnly, EM_SETSEL, 0, -1);
  Type(readOnly, "abc");
  EXPECT_EQ(Text(readOnly), "abc");
}

}  // namespace
