// An exception out of a program's handler is stopped where the framework
// calls the window procedure or dispatches, reported once, and the program
// goes on with the next message.
#include <QTest>
#include <algorithm>
#include <new>
#include <stdexcept>

#include "fixture.h"
#include "platform/window/test_support.h"

namespace {

constexpr UINT kButtonId = 201;
constexpr UINT kFailInPreTranslate = WM_USER + 5;
constexpr char kBadAlloc[] = "An operation failed and was abandoned: std::bad_alloc";

class FailingFrame : public CFrameWnd {
 public:
  int failuresLeft = 1;
  bool unwound = false;
  BOOL PreTranslateMessage(MSG* pMsg) override {
    if (pMsg->message == kFailInPreTranslate) throw std::runtime_error("pre-translate");
    return CFrameWnd::PreTranslateMessage(pMsg);
  }

 protected:
  void Handle(const char* what) {
    struct Guard {
      bool* unwound;
      ~Guard() { *unwound = true; }
    } guard{&unwound};
    Events().push_back(what);
    if (failuresLeft-- > 0) throw std::bad_alloc();
  }
  afx_msg void OnClicked() { Handle("clicked"); }
  afx_msg void OnFrameCommand() { Handle("command"); }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(FailingFrame, CFrameWnd)
ON_BN_CLICKED(kButtonId, OnClicked)
ON_COMMAND(kCmdFrame, OnFrameCommand)
END_MESSAGE_MAP()

class HandlerFailure : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    app.m_pMainWnd = frame;
    ASSERT_TRUE(frame->LoadFrame(kFrameId));
    frame->ShowWindow(SW_SHOW);
    ASSERT_TRUE(button.Create("Go", WS_CHILD | WS_VISIBLE, RECT{5, 5, 65, 25}, frame, kButtonId));
    Pump();
  }
  void Click() {
    QTest::mouseClick(lorvane::window::testing::WidgetOf(button.m_hWnd), Qt::LeftButton);
  }
  FailingFrame* frame = new FailingFrame;  // deletes itself with its window
  CButton button;
};

TEST_F(HandlerFailure, AFailedClickIsReportedOnceUnwoundAndTheNextClickIsHandled) {
  testing::internal::CaptureStderr();
  Click();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(frame->unwound);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kBadAlloc);
  EXPECT_EQ(boxes[0].caption, "Title Of Test");
  EXPECT_EQ(boxes[0].type, UINT(MB_OK | MB_ICONSTOP));
  EXPECT_EQ(boxes[0].owner, frame->m_hWnd);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("std::bad_alloc"), std::string::npos) << err;

  Click();
  EXPECT_EQ(Events(), (std::vector<std::string>{"clicked", "clicked"}));
  EXPECT_EQ(boxes.size(), 1u);
}

// The box's own loop runs handlers too; one that fails there only goes to
// stderr, or a handler that keeps failing would stack boxes without end.
TEST_F(HandlerFailure, AFailureWhileTheBoxIsUpGetsNoBoxOfItsOwn) {
  frame->failuresLeft = 4;
  lorvane::window::SetMessageBoxHook([&](const lorvane::window::MessageBoxRequest& request) {
    boxes.push_back(request);
    frame->PostMessage(WM_COMMAND, kCmdFrame);
    Pump();
    return IDOK;
  });
  Click();
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(Events(), (std::vector<std::string>{"clicked", "command"}));
  Click();  // the box is gone: the next failure gets one again
  EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(HandlerFailure, TheLoopStopsFailuresOfPostedCommandsAcceleratorsAndPreTranslation) {
  frame->failuresLeft = 2;
  button.SetFocus();
  frame->PostMessage(WM_COMMAND, kCmdFrame);
  QTest::keyClick(lorvane::window::testing::WidgetOf(button.m_hWnd), Qt::Key_K,
                  Qt::ControlModifier);
  frame->PostMessage(kFailInPreTranslate);
  frame->PostMessage(WM_COMMAND, kCmdFrame);
  frame->PostMessage(WM_CLOSE);
  EXPECT_EQ(app.Run(), 0);
  EXPECT_EQ(Events(), (std::vector<std::string>{"command", "command", "command"}));
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1].text, kBadAlloc);
  EXPECT_EQ(boxes[2].text, "An operation failed and was abandoned: pre-translate");
}

}  // namespace
