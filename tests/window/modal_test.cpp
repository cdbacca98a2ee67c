// Modal loops: message boxes (hooked and real) and dialogs from templates,
// each with its owner disabled while it runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/window/resources.h"
#include "platform/window/seams.h"
#include "recorder.h"

namespace {

using lorvane::window::DialogItem;
using lorvane::window::DialogTemplate;
using lorvane::window::MessageBoxRequest;
namespace wt = lorvane::window::testing;

// The static comes first, so the focus has to skip it to the first tab stop.
DialogTemplate MacTemplate() {
  DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  t.cx = 170;
  t.cy = 97;
  t.caption = "Change MAC Address";
  t.fontName = "MS Sans Serif";
  t.pointSize = 8;
  const DWORD visible = WS_CHILD | WS_VISIBLE;
  t.items = {
      DialogItem{"Static", -1, "Current MAC Address:", 19, 11, 70, 8, visible | WS_GROUP, 0},
      DialogItem{"Button", IDOK, "OK", 60, 76, 50, 14, visible | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
      DialogItem{"Button", IDCANCEL, "Cancel", 113, 76, 50, 14, visible | WS_TABSTOP, 0}};
  return t;
}

struct DialogRun {
  HWND dialog = nullptr;
  LPARAM param = 0;  // as WM_INITDIALOG got it
  std::vector<UINT> commands;
} run;

INT_PTR CALLBACK MacProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    run.dialog = dialog;
    run.param = lParam;
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const UINT id = LOWORD(wParam);
  run.commands.push_back(id);
  if (id == IDOK || id == IDCANCEL) EndDialog(dialog, id);
  return TRUE;
}

// Keys go where the window layer has the focus.
QWidget* FocusWidget() { return wt::WidgetOf(GetFocus()); }

class Modal : public lorvane::test::WindowTest {
 protected:
  void SetUp() override {
    run = {};
    ShowTop(nullptr, 100, 100);
    ownerButton = Control("Button", "Refresh", 201);
  }

  // While the modal window runs, the owner is disabled and a user's click on
  // it is lost.
  void ClickTheDisabledOwner() {
    EXPECT_FALSE(IsWindowEnabled(top));
    QTest::mouseClick(wt::WidgetOf(ownerButton), Qt::LeftButton);
    QCoreApplication::processEvents();
  }
  void ExpectTheOwnerBackUnclicked() {
    EXPECT_TRUE(IsWindowEnabled(top));
    wt::PumpMessages();
    EXPECT_TRUE(recorder.Commands().empty());
  }

  HWND ownerButton = nullptr;
};

// What the hook records is checked with the framework's boxes; here, that
// the owner stays disabled while the hook answers.
TEST_F(Modal, AMessageBoxHookedOrRealKeepsTheOwnerDisabled) {
  int asked = 0;
  lorvane::window::SetMessageBoxHook([&](const MessageBoxRequest&) {
    ++asked;
    ClickTheDisabledOwner();
    return IDOK;
  });
  EXPECT_EQ(MessageBoxA(top, "Restart your network adapter", "Restart Adapter", MB_OK), IDOK);
  EXPECT_EQ(asked, 1);
  ExpectTheOwnerBackUnclicked();

  // Without the hook, the real box is answered through its own button.
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
      ClickTheDisabledOwner();
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    }
  });
  EXPECT_EQ(MessageBoxA(top, "Windows sockets initialization failed.", "dhcp",
                        MB_OK | MB_ICONEXCLAMATION),
            IDOK);
  EXPECT_EQ(title, "dhcp");
  EXPECT_EQ(shown, "Windows sockets initialization failed.");
  EXPECT_EQ(icon, QMessageBox::Warning);
  ExpectTheOwnerBackUnclicked();
}

TEST_F(Modal, DialogKeysMoveFocusAndEndTheDialog) {
  int focusAtStart = 0, focusAfterTab = 0;  // control ids
  QTimer::singleShot(0, [&] {
    focusAtStart = GetDlgCtrlID(GetFocus());
    ClickTheDisabledOwner();
    QTest::keyClick(FocusWidget(), Qt::Key_Tab);
    QTimer::singleShot(0, [&] {
      focusAfterTab = GetDlgCtrlID(GetFocus());
      QTest::keyClick(FocusWidget(), Qt::Key_Escape);
    });
  });
  const DialogTemplate t = MacTemplate();
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, &t, top, MacProc, 77), IDCANCEL);
  ASSERT_NE(run.dialog, nullptr);
  EXPECT_FALSE(IsWindow(run.dialog));
  EXPECT_EQ(run.param, 77);
  EXPECT_EQ(focusAtStart, IDOK) << "the first tab stop has the focus";
  EXPECT_EQ(focusAfterTab, IDCANCEL);
  EXPECT_EQ(run.commands, (std::vector<UINT>{IDCANCEL}));
  EXPECT_EQ(GetActiveWindow(), top);
  ExpectTheOwnerBackUnclicked();
}

}  // namespace
