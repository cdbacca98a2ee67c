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
#include "platform/window/test_support.h"
#include "recorder.h"

namespace {

using lorvane::test::Recorder;
using lorvane::window::DialogItem;
using lorvane::window::DialogTemplate;
using lorvane::window::MessageBoxRequest;
namespace wt = lorvane::window::testing;

class Modal : public ::testing::Test {
 protected:
  void SetUp() override {
    top = recorder.Create(WS_OVERLAPPEDWINDOW, 100, 100, 247, 363);
    ownerButton = CreateWindowExA(0, "Button", "Refresh", WS_CHILD | WS_VISIBLE, 10, 10, 80, 20,
                                  top, reinterpret_cast<HMENU>(201), nullptr, nullptr);
    ShowWindow(top, SW_SHOW);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wt::WidgetOf(top)));
    recorder.Clear();
  }
  void TearDown() override {
    recorder.onMessage = nullptr;  // its captures die with the test body
    lorvane::window::SetMessageBoxHook(nullptr);
    wt::DestroyAllWindows();
  }

  // Clicks the owner's button as a user would; the owner must ignore it.
  void ClickOwner() {
    QTest::mouseClick(wt::WidgetOf(ownerButton), Qt::LeftButton);
    QCoreApplication::processEvents();
  }

  Recorder recorder;
  HWND top = nullptr;
  HWND ownerButton = nullptr;
};

TEST_F(Modal, HookedMessageBoxRecordsAndKeepsTheOwnerDisabled) {
  std::vector<MessageBoxRequest> seen;
  bool ownerEnabled = true;
  lorvane::window::SetMessageBoxHook([&](const MessageBoxRequest& request) {
    seen.push_back(request);
    ownerEnabled = IsWindowEnabled(top) != FALSE;
    ClickOwner();
    return IDOK;
  });
  const int answer =
      MessageBoxA(top, "To activate the new MAC address,\nRestart your network adapter",
                  "Restart Adapter", MB_OK | MB_ICONINFORMATION);
  EXPECT_EQ(answer, IDOK);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].owner, top);
  EXPECT_EQ(seen[0].text, "To activate the new MAC address,\nRestart your network adapter");
  EXPECT_EQ(seen[0].caption, "Restart Adapter");
  EXPECT_EQ(seen[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  EXPECT_FALSE(ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(top));
  wt::PumpMessages();
  EXPECT_TRUE(recorder.Commands().empty());
}

TEST_F(Modal, RealMessageBoxIsAnsweredThroughItsOwnButton) {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool ownerEnabled = true;
  QTimer::singleShot(0, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || !box->isVisible()) continue;
      title = box->windowTitle();
      text = box->text();
      icon = box->icon();
      ownerEnabled = IsWindowEnabled(top) != FALSE;
      ClickOwner();
      QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    }
  });
  const int answer = MessageBoxA(top, "Windows sockets initialization failed.", "dhcp",
                                 MB_OK | MB_ICONEXCLAMATION);
  EXPECT_EQ(answer, IDOK);
  EXPECT_EQ(title, "dhcp");
  EXPECT_EQ(text, "Windows sockets initialization failed.");
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_FALSE(ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(top));
  wt::PumpMessages();
  EXPECT_TRUE(recorder.Commands().empty());
}

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
      DialogItem{"Button", IDOK, "OK", 60, 76, 50, 14, visible | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
      DialogItem{"Button", IDCANCEL, "Cancel", 113, 76, 50, 14, visible | WS_TABSTOP, 0},
      DialogItem{"Static", -1, "Current MAC Address:", 19, 11, 70, 8, visible | WS_GROUP, 0},
      DialogItem{"Edit", 1001, "", 19, 23, 130, 14,
                 visible | WS_BORDER | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, 0},
      DialogItem{"Edit", 1002, "", 19, 54, 130, 14,
                 visible | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0},
  };
  return t;
}

struct DialogRun {
  std::vector<UINT> commands;
  HWND dialog = nullptr;
  int focusAtStart = 0;  // control ids
  int focusAfterTab = 0;
};
DialogRun* run = nullptr;

INT_PTR CALLBACK MacProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    run->dialog = dialog;
    return TRUE;
  }
  if (message == WM_COMMAND) {
    run->commands.push_back(LOWORD(wParam));
    if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

// Keys go where the window layer has the focus.
QWidget* FocusWidget() { return wt::WidgetOf(GetFocus()); }

TEST_F(Modal, DialogKeysMoveFocusAndEndTheDialog) {
  DialogRun state;
  run = &state;
  bool ownerEnabled = true;
  QTimer::singleShot(0, [&] {
    state.focusAtStart = GetDlgCtrlID(GetFocus());
    ownerEnabled = IsWindowEnabled(top) != FALSE;
    ClickOwner();
    QTest::keyClick(FocusWidget(), Qt::Key_Tab);
    QTimer::singleShot(0, [&] {
      state.focusAfterTab = GetDlgCtrlID(GetFocus());
      QTest::keyClick(FocusWidget(), Qt::Key_Escape);
    });
  });
  const DialogTemplate t = MacTemplate();
  const INT_PTR result = DialogBoxIndirectParamA(nullptr, &t, top, MacProc, 0);
  EXPECT_EQ(result, IDCANCEL);
  ASSERT_NE(state.dialog, nullptr);
  EXPECT_FALSE(IsWindow(state.dialog));
  EXPECT_EQ(state.focusAtStart, IDOK) << "the first tab stop has the focus";
  EXPECT_EQ(state.focusAfterTab, IDCANCEL);
  EXPECT_EQ(state.commands, (std::vector<UINT>{IDCANCEL}));
  EXPECT_FALSE(ownerEnabled);
  EXPECT_TRUE(IsWindowEnabled(top));
  EXPECT_EQ(GetActiveWindow(), top);
  wt::PumpMessages();
  EXPECT_TRUE(recorder.Commands().empty());
  run = nullptr;
}

TEST_F(Modal, EnterInAnEditPressesTheDefaultButton) {
  DialogRun state;
  run = &state;
  QTimer::singleShot(0, [&] {
    SetFocus(GetDlgItem(state.dialog, 1002));
    QTest::keyClicks(FocusWidget(), "0a1b");
    QTest::keyClick(FocusWidget(), Qt::Key_Return);
  });
  std::string typed;
  const DialogTemplate t = MacTemplate();
  struct Capture {
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
      if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        char buffer[256];
        GetWindowTextA(GetDlgItem(dialog, 1002), buffer, sizeof buffer);
        *reinterpret_cast<std::string*>(GetWindowLongPtrA(dialog, DWLP_USER)) = buffer;
      }
      if (message == WM_INITDIALOG)
        SetWindowLongPtrA(dialog, DWLP_USER, static_cast<LONG_PTR>(lParam));
      return MacProc(dialog, message, wParam, lParam);
    }
  };
  const INT_PTR result =
      DialogBoxIndirectParamA(nullptr, &t, top, Capture::Proc, reinterpret_cast<LPARAM>(&typed));
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(typed, "0a1b");
  run = nullptr;
}

TEST_F(Modal, DialogGeometryComesFromDialogUnitsOfItsFont) {
  DialogRun state;
  run = &state;
  RECT client{};
  RECT units{0, 0, 170, 97};
  RECT okRect{};
  RECT okUnits{60, 76, 110, 90};
  POINT ownerOrigin{0, 0};
  ClientToScreen(top, &ownerOrigin);
  RECT dialogRect{};
  QTimer::singleShot(0, [&] {
    GetClientRect(state.dialog, &client);
    MapDialogRect(state.dialog, &units);
    MapDialogRect(state.dialog, &okUnits);
    HWND ok = GetDlgItem(state.dialog, IDOK);
    GetWindowRect(ok, &okRect);
    MapWindowPoints(nullptr, state.dialog, reinterpret_cast<POINT*>(&okRect), 2);
    GetWindowRect(state.dialog, &dialogRect);
    EndDialog(state.dialog, 5);
  });
  const DialogTemplate t = MacTemplate();
  EXPECT_EQ(DialogBoxIndirectParamA(nullptr, &t, top, MacProc, 0), 5);
  EXPECT_EQ(client.right, units.right);
  EXPECT_EQ(client.bottom, units.bottom);
  EXPECT_GT(units.right, 170);  // a real font: more than a pixel per unit
  EXPECT_EQ(okRect.left, okUnits.left);
  EXPECT_EQ(okRect.top, okUnits.top);
  EXPECT_EQ(okRect.right, okUnits.right);
  // At (0, 0) in the owner's client area: the client origin is there.
  EXPECT_EQ(dialogRect.left + GetSystemMetrics(SM_CXDLGFRAME), ownerOrigin.x);
  run = nullptr;
}

}  // namespace
