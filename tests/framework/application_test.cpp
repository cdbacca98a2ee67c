// The application object's services: its title, message boxes, the wait
// cursor, the socket check and local time through the platform clock.
#include <QCursor>
#include <QGuiApplication>
#include <cstring>
#include <stdexcept>

#include "fixture.h"
#include "platform/framework/afx_time.h"
#include "platform/framework/sockets.h"
#include "platform/kernel/clock.h"

namespace {

using AppServices = FrameworkTest;

// Constructed without a name, the application is titled by string 0xE000.
TEST_F(AppServices, MessageBoxesCarryTheTitleAndAPlainOkBoxGetsTheExclamationIcon) {
  AfxMessageBox(kFrameId + 1);
  AfxMessageBox("two", MB_OKCANCEL);
  AfxMessageBox("three", MB_OK | MB_ICONINFORMATION);
  AfxMessageBox("four", MB_YESNO);
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].text, "A prompt");
  EXPECT_EQ(boxes[0].caption, "Title Of Test");
  EXPECT_EQ(boxes[0].type, UINT(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(boxes[1].type, UINT(MB_OKCANCEL | MB_ICONEXCLAMATION));
  EXPECT_EQ(boxes[2].type, UINT(MB_OK | MB_ICONINFORMATION)) << "an icon asked for is kept";
  EXPECT_EQ(boxes[3].type, UINT(MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(boxes[0].owner, nullptr) << "no main window yet";
}

TEST_F(AppServices, TheWaitCursorShowsOverEveryWindowUntilTheLastEndEvenWhenAnExceptionLeaves) {
  const HCURSOR arrow = ::LoadCursorA(nullptr, IDC_ARROW), wait = ::LoadCursorA(nullptr, IDC_WAIT);
  ::SetCursor(arrow);
  app.BeginWaitCursor();
  try {
    CWaitCursor inner;
    EXPECT_EQ(::GetCursor(), wait);
    throw std::runtime_error("leaves the scope");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(::GetCursor(), wait) << "the outer Begin still counts";
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  EXPECT_EQ(app.WaitCursorCount(), 1);
  app.EndWaitCursor();
  EXPECT_EQ(::GetCursor(), arrow);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  app.EndWaitCursor();  // one End too many changes nothing
  EXPECT_EQ(app.WaitCursorCount(), 0);
  EXPECT_EQ(::GetCursor(), arrow);
}

class FailingSockets : public lorvane::framework::SocketLayer {
 public:
  bool Start() override { return false; }
};

TEST_F(AppServices, SocketInitReallyMakesASocketAndItsFailureCanBeInjected) {
  WSADATA data;
  std::memset(&data, 0x5A, sizeof data);
  EXPECT_TRUE(AfxSocketInit(&data));
  EXPECT_EQ(data.wVersion, 0x0101);

  lorvane::framework::SetSocketLayer(std::make_shared<FailingSockets>());
  std::memset(&data, 0x5A, sizeof data);
  EXPECT_FALSE(AfxSocketInit(&data));
  EXPECT_EQ(data.wVersion, 0x5A5A) << "left untouched on failure";
  EXPECT_FALSE(AfxSocketInit());
  lorvane::framework::SetSocketLayer(nullptr);
  EXPECT_TRUE(AfxSocketInit());
}

class FixedClock : public lorvane::kernel::Clock {
 public:
  void Sleep(DWORD) override {}
  bool LocalTime(std::int64_t seconds, std::tm& out) override {
    if (seconds == 13) return false;
    out = std::tm{};
    out.tm_sec = static_cast<int>(seconds % 60);
    return true;
  }
};

TEST_F(AppServices, LocalTimeComesFromThePlatformClockAndReportsFailure) {
  auto old = lorvane::kernel::SetClock(std::make_shared<FixedClock>());
  struct tm mine;
  EXPECT_EQ(CTime(1000).GetLocalTm(&mine), &mine);
  EXPECT_EQ(mine.tm_sec, 40);
  struct tm* shared = CTime(59).GetLocalTm();
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(shared->tm_sec, 59);

  mine.tm_sec = -7;
  EXPECT_EQ(CTime(13).GetLocalTm(&mine), nullptr);
  EXPECT_EQ(mine.tm_sec, -7) << "left untouched on failure";
  lorvane::kernel::SetClock(old);
}

}  // namespace
