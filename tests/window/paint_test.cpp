// Painting through BeginPaint and DrawTextA on the real widget.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QTest>
#include <QWidget>

#include "platform/window/test_support.h"
#include "recorder.h"

namespace {

using lorvane::test::Recorder;
namespace wt = lorvane::window::testing;

constexpr const char* kCaption = "Select a Network Adapter";

int InkPixels(const QImage& image, const QColor& background) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) != background;
  return count;
}

class Paint : public ::testing::Test {
 protected:
  void TearDown() override {
    recorder.onMessage = nullptr;  // its captures die with the test body
    wt::DestroyAllWindows();
  }
  Recorder recorder;
};

TEST_F(Paint, CalcRectMeasuresWithoutDrawingAndTheTextIsDrawnWhereMeasured) {
  bool draw = false;
  RECT measured{};
  int height = 0;
  recorder.onMessage = [&](HWND window, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    RECT r{2, 2, client.right, 7};
    height = DrawTextA(dc, kCaption, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_CENTER);
    measured = r;
    if (draw) DrawTextA(dc, kCaption, -1, &r, DT_SINGLELINE | DT_CENTER);
    EndPaint(window, &ps);
    return true;
  };
  HWND top = recorder.Create(WS_OVERLAPPEDWINDOW, 0, 0, 247, 363);
  ShowWindow(top, SW_SHOW);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(wt::WidgetOf(top)));
  QWidget* client = wt::ClientWidgetOf(top);
  const QColor window =
      QColor::fromRgb(GetRValue(GetSysColor(COLOR_WINDOW)), GetGValue(GetSysColor(COLOR_WINDOW)),
                      GetBValue(GetSysColor(COLOR_WINDOW)));
  const QImage blank = client->grab().toImage();
  EXPECT_EQ(InkPixels(blank, window), 0) << "measuring alone leaves only the class brush";

  const QFontMetrics metrics(client->font());
  EXPECT_EQ(measured.left, 2);
  EXPECT_EQ(measured.top, 2);
  EXPECT_EQ(measured.right, 2 + metrics.horizontalAdvance(kCaption));
  EXPECT_EQ(measured.bottom, 2 + metrics.height());
  EXPECT_EQ(height, metrics.height());

  draw = true;
  const QImage drawn = client->grab().toImage();
  EXPECT_GT(InkPixels(drawn, window), 0);
  // Every drawn pixel lies inside the measured rectangle.
  const QRect box(measured.left, measured.top, measured.right - measured.left,
                  measured.bottom - measured.top);
  for (int y = 0; y < drawn.height(); ++y)
    for (int x = 0; x < drawn.width(); ++x)
      if (drawn.pixelColor(x, y) != window) {
        ASSERT_TRUE(box.contains(x, y)) << x << "," << y;
      }
}

}  // namespace
