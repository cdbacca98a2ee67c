// Modal dialogs: the owner disabled while they run, centred on it, the focus
// on the first tab stop, controls bound by DDX_Control, and the ways to end.
#include <QApplication>
#include <QTest>

#include "fixture.h"
#include "platform/window/test_support.h"

using lorvane::window::testing::WidgetOf;

namespace {

class NameDialog : public CDialog {
 public:
  explicit NameDialog(CWnd* pParent = nullptr) : CDialog(kDialogId, pParent) {}

  CEdit m_editName;
  std::string m_ended;  // which handler ended the dialog

 protected:
  void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kEditId, m_editName); }
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    m_editName.SetWindowText("initial");
    return TRUE;
  }
  void OnOK() override {
    m_ended = "OnOK";
    CDialog::OnOK();
  }
  void OnCancel() override {
    m_ended = "OnCancel";
    CDialog::OnCancel();
  }
};

class ModalDialog : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    owner = new CFrameWnd;
    app.m_pMainWnd = owner;
    ASSERT_TRUE(owner->Create(nullptr, "Owner", WS_OVERLAPPEDWINDOW, RECT{100, 80, 600, 480}));
    owner->ShowWindow(SW_SHOW);
    Pump();
  }

  CFrameWnd* owner = nullptr;
};

// Each way to end runs the same checks while the dialog is up; the first
// way's dialog is given no parent, so the main window owns it.
TEST_F(ModalDialog, RunsOverTheOwnerCentredFocusedOnTheFirstTabStopAndEndsFourWays) {
  struct Case {
    const char* name;
    std::function<void(HWND)> act;
    INT_PTR result;
    const char* handler;
  };
  const Case cases[] = {
      {"OK",
       [](HWND hDlg) { QTest::mouseClick(WidgetOf(::GetDlgItem(hDlg, IDOK)), Qt::LeftButton); },
       IDOK, "OnOK"},
      {"Escape", [](HWND) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); },
       IDCANCEL, "OnCancel"},
      {"Enter", [](HWND) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); }, IDOK,
       "OnOK"},
      {"close box", [](HWND hDlg) { ::SendMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL,
       "OnCancel"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NameDialog dlg(&c == cases ? nullptr : owner);
    bool checked = false;
    WhenAnotherWindowIsUp(owner->m_hWnd, [&](HWND hDlg) {
      checked = true;
      ASSERT_EQ(hDlg, dlg.m_hWnd);
      EXPECT_TRUE(::IsWindowVisible(hDlg));
      EXPECT_FALSE(::IsWindowEnabled(owner->m_hWnd)) << "the owner takes no input";
      EXPECT_EQ(::GetWindow(hDlg, GW_OWNER), owner->m_hWnd);
      const RECT o = WindowRect(owner->m_hWnd);
      const RECT d = WindowRect(hDlg);
      EXPECT_LE(std::abs((o.left + o.right) - (d.left + d.right)), 1);
      EXPECT_LE(std::abs((o.top + o.bottom) - (d.top + d.bottom)), 1);
      EXPECT_EQ(dlg.m_editName.m_hWnd, ::GetDlgItem(hDlg, kEditId)) << "bound by DDX_Control";
      EXPECT_EQ(::GetFocus(), dlg.m_editName.m_hWnd);
      char text[32];
      ::GetWindowTextA(::GetDlgItem(hDlg, kEditId), text, sizeof text);
      EXPECT_STREQ(text, "initial");
      c.act(hDlg);
    });
    EXPECT_EQ(dlg.DoModal(), c.result);
    EXPECT_TRUE(checked);
    EXPECT_EQ(dlg.m_ended, c.handler);
    EXPECT_TRUE(::IsWindowEnabled(owner->m_hWnd));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_editName.m_hWnd, nullptr) << "the bound control went with the dialog";
  }
}

}  // namespace
