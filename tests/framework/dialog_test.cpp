// Modal dialogs centred on their owner and the two ways to cancel one that
// no program dialog handles itself, and windows whose creation fails.
#include <QApplication>
#include <QTest>
#include <functional>
#include <stdexcept>
#include <utility>

#include "fixture.h"

namespace {

class NameDialog : public CDialog {
 public:
  explicit NameDialog(CWnd* pParent) : CDialog(kDialogId, pParent) {}
  CEdit m_editName;

 protected:
  void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kEditId, m_editName); }
};

class RefusingWnd : public CWnd {
 public:
  explicit RefusingWnd(bool throws) : throws_(throws) {}
  int postNcDestroyCalls = 0;

 protected:
  afx_msg int OnCreate(LPCREATESTRUCT) {
    if (throws_) throw std::runtime_error("half made");
    return -1;
  }
  void PostNcDestroy() override { ++postNcDestroyCalls; }
  DECLARE_MESSAGE_MAP()

 private:
  bool throws_;
};
BEGIN_MESSAGE_MAP(RefusingWnd, CWnd)
ON_WM_CREATE()
END_MESSAGE_MAP()

class OwnerFrame : public FrameworkTest {
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
using ModalDialog = OwnerFrame;
using WindowCreation = OwnerFrame;

TEST_F(ModalDialog, EscapeAndTheCloseBoxCancelADialogCentredOnItsOwner) {
  const std::pair<const char*, std::function<void(HWND)>> ways[] = {
      {"Escape", [](HWND) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); }},
      {"close box", [](HWND hDlg) { ::SendMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.first);
    const auto& act = way.second;
    NameDialog dlg(owner);
    bool checked = false;
    WhenAnotherWindowIsUp(owner->m_hWnd, [&](HWND hDlg) {
      checked = true;
      const RECT o = WindowRect(owner->m_hWnd);
      const RECT d = WindowRect(hDlg);
      EXPECT_LE(std::abs((o.left + o.right) - (d.left + d.right)), 1);
      EXPECT_LE(std::abs((o.top + o.bottom) - (d.top + d.bottom)), 1);
      act(hDlg);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(checked);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_editName.m_hWnd, nullptr) << "the bound control went with the dialog";
  }
}

TEST_F(WindowCreation, AWindowWhoseCreateRefusesOrThrowsIsNotMadeAndCleanedUpOnce) {
  for (bool throws : {false, true}) {
    RefusingWnd wnd(throws);
    EXPECT_FALSE(wnd.Create(nullptr, nullptr, WS_CHILD, RECT{0, 0, 10, 10}, owner, 9));
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(::GetDlgItem(owner->m_hWnd, 9), nullptr);
    EXPECT_EQ(wnd.postNcDestroyCalls, 1) << throws;
  }
}

}  // namespace
