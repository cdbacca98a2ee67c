// The view's layout from the main window's client size, and that later
// changes of size move no control.
#include <QImage>
#include <QWidget>

#include "fixture.h"
#include "platform/window/test_support.h"

namespace {

struct Layout {
  std::string adapters, refresh, renew, release, details;
  std::vector<int> adapterColumns, detailColumns;
};

Layout Measure(CAdapterView& view) {
  Layout l;
  HWND v = view.m_hWnd;
  l.adapters = Str(RectIn(view.m_listAdapters.m_hWnd, v));
  l.refresh = Str(RectIn(view.m_btnRefresh.m_hWnd, v));
  l.renew = Str(RectIn(view.m_btnRenew.m_hWnd, v));
  l.release = Str(RectIn(view.m_btnRelease.m_hWnd, v));
  l.details = Str(RectIn(view.m_listInfo.m_hWnd, v));
  for (int i = 0; i < 4; ++i) l.adapterColumns.push_back(view.m_listAdapters.GetColumnWidth(i));
  for (int i = 0; i < 2; ++i) l.detailColumns.push_back(view.m_listInfo.GetColumnWidth(i));
  return l;
}

std::string Heading(const CListCtrl& list, int column) {
  char text[64] = "";
  LVCOLUMNA c{};
  c.mask = LVCF_TEXT;
  c.pszText = text;
  c.cchTextMax = sizeof text;
  ::SendMessageA(list.m_hWnd, LVM_GETCOLUMNA, static_cast<WPARAM>(column),
                 reinterpret_cast<LPARAM>(&c));
  return text;
}

using ViewLayout = ProgramTest;

TEST_F(ViewLayout, AClientAreaOf239By317) {
  RecordingFrame* frame = StartWith(new RecordingFrame(&app.events, nullptr));
  ASSERT_NE(frame, nullptr);
  CAdapterView& view = frame->m_wndView;
  RECT client;
  ::GetClientRect(frame->m_hWnd, &client);
  ASSERT_EQ(Str(client), "(0, 0, 239, 317)");
  EXPECT_EQ(Str(RectIn(view.m_hWnd, frame->m_hWnd)), "(0, 0, 239, 317)");

  const Layout l = Measure(view);
  EXPECT_EQ(l.adapters, "(2, 20, 237, 85)");
  EXPECT_EQ(l.refresh, "(179, 2, 237, 18)");
  EXPECT_EQ(l.renew, "(177, 91, 237, 109)");
  EXPECT_EQ(l.release, "(2, 91, 62, 109)");
  EXPECT_EQ(l.details, "(2, 114, 237, 315)");
  EXPECT_EQ(l.adapterColumns, (std::vector<int>{79, 90, 40, 240}));
  EXPECT_EQ(l.detailColumns, (std::vector<int>{117, 116}));

  EXPECT_EQ(Heading(view.m_listAdapters, 0), "Description");
  EXPECT_EQ(Heading(view.m_listAdapters, 3), "Adapter");
  EXPECT_EQ(Heading(view.m_listInfo, 0), "Info");
  EXPECT_EQ(Heading(view.m_listInfo, 1), "IP Number");
  EXPECT_EQ(WindowText(view.m_btnRefresh.m_hWnd), "Refresh");
  EXPECT_EQ(WindowText(view.m_btnRelease.m_hWnd), "Release");
  EXPECT_EQ(WindowText(view.m_btnRenew.m_hWnd), "Renew");
  EXPECT_EQ(
      static_cast<DWORD>(::GetWindowLongA(view.m_listAdapters.m_hWnd, GWL_STYLE)) & ~WS_VISIBLE,
      0x5080000Du & ~WS_VISIBLE);
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(view.m_listInfo.m_hWnd, GWL_STYLE)), 0x50800005u);
}

TEST_F(ViewLayout, AClientWidthOf240) {
  auto* frame = new RecordingFrame(&app.events, nullptr);
  frame->widen = true;
  ASSERT_NE(StartWith(frame), nullptr);
  RECT client;
  ::GetClientRect(frame->m_hWnd, &client);
  ASSERT_EQ(client.right, 240);

  const Layout l = Measure(frame->m_wndView);
  EXPECT_EQ(l.adapters, "(2, 20, 238, 85)");
  EXPECT_EQ(l.refresh, "(180, 2, 238, 18)");
  EXPECT_EQ(l.adapterColumns, (std::vector<int>{80, 90, 40, 240}));
  EXPECT_EQ(l.detailColumns, (std::vector<int>{118, 117}));
}

TEST_F(ViewLayout, TheCaptionIsDrawnLeftAlignedFromTwoTwo) {
  RecordingFrame* frame = StartWith(new RecordingFrame(&app.events, nullptr));
  ASSERT_NE(frame, nullptr);
  CAdapterView& view = frame->m_wndView;
  const QImage image = lorvane::window::testing::ClientWidgetOf(view.m_hWnd)->grab().toImage();

  // Where ink lies above the adapter list and left of Refresh.
  const int right = RectIn(view.m_btnRefresh.m_hWnd, view.m_hWnd).left;
  const QRgb background = image.pixel(right - 1, 19);
  QRect ink;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < right; ++x)
      if (image.pixel(x, y) != background) ink |= QRect(x, y, 1, 1);
  ASSERT_FALSE(ink.isEmpty()) << "no caption drawn";

  HDC dc = ::GetDC(view.m_hWnd);
  RECT measured = {2, 2, 239, 7};
  ::DrawTextA(dc, "Select a Network Adapter", -1, &measured,
              DT_CALCRECT | DT_SINGLELINE | DT_CENTER);
  ::ReleaseDC(view.m_hWnd, dc);
  EXPECT_GE(ink.left(), 2);
  EXPECT_LE(ink.left(), 4) << "the text starts at the left, not centred across the view";
  EXPECT_GE(ink.top(), 2);
  EXPECT_LE(ink.right(), measured.right);
  EXPECT_LE(ink.bottom(), measured.bottom);
}

TEST_F(ViewLayout, ResizingTheMainWindowMovesNoControl) {
  RecordingFrame* frame = StartWith(new RecordingFrame(&app.events, nullptr));
  ASSERT_NE(frame, nullptr);
  CAdapterView& view = frame->m_wndView;
  const Layout before = Measure(view);

  frame->SetWindowPos(nullptr, 0, 0, 640, 520, SWP_NOZORDER | SWP_NOMOVE);
  Pump();
  lorvane::window::testing::WidgetOf(frame->m_hWnd)->resize(300, 250);  // as a user would
  Pump();

  RECT client;
  ::GetClientRect(frame->m_hWnd, &client);
  EXPECT_EQ(Str(RectIn(view.m_hWnd, frame->m_hWnd)), Str(client)) << "the view follows the frame";
  EXPECT_NE(Str(client), "(0, 0, 239, 317)");
  const Layout after = Measure(view);
  EXPECT_EQ(after.adapters, before.adapters);
  EXPECT_EQ(after.refresh, before.refresh);
  EXPECT_EQ(after.renew, before.renew);
  EXPECT_EQ(after.release, before.release);
  EXPECT_EQ(after.details, before.details);
  EXPECT_EQ(after.detailColumns, before.detailColumns);
}

}  // namespace
