// The list view: what its messages answer, and what a parent hears when the
// user clicks or uses the keys, driven through the real widget.
#include <gtest/gtest.h>

#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <cstring>

#include "platform/window/test_support.h"
#include "recorder.h"

namespace {

using lorvane::test::Recorder;
namespace wt = lorvane::window::testing;

constexpr int kListId = 200;
constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL;

class ListView : public ::testing::Test {
 protected:
  void SetUp() override {
    top = recorder.Create(WS_OVERLAPPEDWINDOW, 0, 0, 247, 363);
    list = MakeList(kListStyle | LVS_SHOWSELALWAYS, 20, kListId);
    ShowWindow(top, SW_SHOW);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(wt::WidgetOf(top)));
    recorder.Clear();
  }
  void TearDown() override {
    recorder.onMessage = nullptr;  // its captures die with the test body
    wt::DestroyAllWindows();
  }

  HWND MakeList(DWORD style, int top_, int id) {
    HWND l = CreateWindowExA(0, WC_LISTVIEWA, "", style, 2, top_, 235, 100, top,
                             reinterpret_cast<HMENU>(static_cast<LONG_PTR>(id)), nullptr, nullptr);
    char heading[] = "Description";
    LVCOLUMNA column{LVCF_FMT | LVCF_WIDTH | LVCF_TEXT, LVCFMT_LEFT, 120, heading, 0, 0, 0, 0};
    SendMessageA(l, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    char second[] = "IP Number";
    column.pszText = second;
    column.cx = 90;
    SendMessageA(l, LVM_INSERTCOLUMNA, 1, reinterpret_cast<LPARAM>(&column));
    return l;
  }

  int Insert(HWND l, int row, const char* text, LPARAM data) {
    char buffer[64];
    std::strcpy(buffer, text);
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = buffer;
    const int at =
        static_cast<int>(SendMessageA(l, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    std::memset(buffer, 'x', sizeof buffer - 1);  // the control must have its own copy
    LVITEMA param{};
    param.mask = LVIF_PARAM;
    param.iItem = at;
    param.lParam = data;
    SendMessageA(l, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&param));
    return at;
  }

  void FillThree(HWND l) {
    Insert(l, 0, "eth0", 2);
    Insert(l, 1, "wlan0", 3);
    Insert(l, 2, "usb0", 7);
    recorder.Clear();
  }

  QTreeView* View(HWND l) { return qobject_cast<QTreeView*>(wt::WidgetOf(l)); }

  void ClickRow(HWND l, int row) {
    QTreeView* view = View(l);
    const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    wt::PumpMessages();
  }

  void ClickBlank(HWND l) {
    QTreeView* view = View(l);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      QPoint(10, view->viewport()->height() - 3));
    wt::PumpMessages();
  }

  LRESULT NextSelected(HWND l) {
    return SendMessageA(l, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  }

  Recorder recorder;
  HWND top = nullptr;
  HWND list = nullptr;
};

TEST_F(ListView, MessagesAnswerAsTheControlDoes) {
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(Insert(list, 0, "eth0", 2), 0);
  EXPECT_EQ(Insert(list, 5, "wlan0", 3), 1);  // past the end: appended
  EXPECT_EQ(Insert(list, 0, "lo", 9), 0);     // inserted before the others
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);

  char text[16];
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = 1;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  ASSERT_TRUE(SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_STREQ(text, "eth0");
  EXPECT_EQ(item.lParam, 2);

  // A missing row fails and leaves the caller's record as it was.
  item.iItem = 3;
  item.lParam = 0x5EED;
  EXPECT_FALSE(SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  EXPECT_EQ(item.lParam, 0x5EED);

  // Sub-item text, copied in and cut to the caller's buffer on the way out.
  char value[] = "192.168.100.200";
  LVITEMA sub{};
  sub.iSubItem = 1;
  sub.pszText = value;
  EXPECT_TRUE(SendMessageA(list, LVM_SETITEMTEXTA, 1, reinterpret_cast<LPARAM>(&sub)));
  value[0] = '9';
  char small[8];
  sub.pszText = small;
  sub.cchTextMax = sizeof small;
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMTEXTA, 1, reinterpret_cast<LPARAM>(&sub)), 7);
  EXPECT_STREQ(small, "192.168");
  sub.iSubItem = 2;  // no such column
  EXPECT_FALSE(SendMessageA(list, LVM_SETITEMTEXTA, 1, reinterpret_cast<LPARAM>(&sub)));

  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0), 120);
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 90);
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 2, 0), 0);
  EXPECT_EQ(SendMessageA(list, LVM_REDRAWITEMS, 1, 1), TRUE);

  EXPECT_EQ(NextSelected(list), -1);
  LVITEMA state{};
  state.state = state.stateMask = LVIS_SELECTED;
  SendMessageA(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));
  EXPECT_EQ(NextSelected(list), 2);
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, 2, LVNI_SELECTED), -1);
  SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  EXPECT_EQ(NextSelected(list), 0);  // one selection in a single-selection list
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 2, LVIS_SELECTED), 0);
  EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);

  EXPECT_TRUE(SendMessageA(list, LVM_DELETEALLITEMS, 0, 0));
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(NextSelected(list), -1);
}

TEST_F(ListView, MouseClickSelectsFirstThenSendsClick) {
  FillThree(list);
  LRESULT selectedAtClick = -2;
  recorder.onMessage = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT*) {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == NM_CLICK) {
      EXPECT_EQ(wParam, static_cast<WPARAM>(kListId));
      EXPECT_EQ(reinterpret_cast<NMHDR*>(lParam)->hwndFrom, list);
      selectedAtClick = NextSelected(list);  // as the program's handler asks
    }
    return false;
  };
  ClickRow(list, 1);
  const std::vector<UINT> codes = recorder.Notifications();
  const auto click = std::find(codes.begin(), codes.end(), NM_CLICK);
  ASSERT_NE(click, codes.end());
  EXPECT_EQ(std::count(codes.begin(), codes.end(), NM_CLICK), 1);
  EXPECT_EQ(click, codes.end() - 1) << "NM_CLICK comes last";
  const auto changed = std::find(codes.begin(), codes.end(), LVN_ITEMCHANGED);
  ASSERT_NE(changed, codes.end());
  EXPECT_LT(changed - codes.begin(), click - codes.begin());
  EXPECT_LT(std::find(codes.begin(), codes.end(), LVN_ITEMCHANGING) - codes.begin(),
            changed - codes.begin());
  EXPECT_EQ(selectedAtClick, 1);
  EXPECT_EQ(GetFocus(), list);
  EXPECT_EQ(recorder.Messages(WM_NOTIFY).back().item, 1);

  // Another row: the old one loses its selection and focus before the new
  // one gets them.
  recorder.Clear();
  ClickRow(list, 2);
  std::vector<int> changedItems;
  for (const auto& r : recorder.Messages(WM_NOTIFY))
    if (r.code == LVN_ITEMCHANGED) changedItems.push_back(r.item);
  EXPECT_EQ(changedItems, (std::vector<int>{1, 1, 2}));
  EXPECT_EQ(NextSelected(list), 2);
}

TEST_F(ListView, ArrowKeysMoveTheSelectionWithoutAClick) {
  FillThree(list);
  ClickRow(list, 0);
  recorder.Clear();
  QTest::keyClick(View(list), Qt::Key_Down);
  wt::PumpMessages();
  EXPECT_EQ(NextSelected(list), 1);
  QTest::keyClick(View(list), Qt::Key_End);
  wt::PumpMessages();
  EXPECT_EQ(NextSelected(list), 2);
  const std::vector<UINT> codes = recorder.Notifications();
  EXPECT_EQ(std::count(codes.begin(), codes.end(), NM_CLICK), 0);
  EXPECT_GE(std::count(codes.begin(), codes.end(), LVN_ITEMCHANGED), 2);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), LVN_KEYDOWN), 2);
  // The keys reached the window procedure as messages from the queue.
  EXPECT_TRUE(recorder.Commands().empty());
}

TEST_F(ListView, ClickOnBlankAreaClearsTheSelectionAndStillSendsClick) {
  FillThree(list);
  ClickRow(list, 1);
  ASSERT_EQ(NextSelected(list), 1);
  recorder.Clear();
  ClickBlank(list);
  EXPECT_EQ(NextSelected(list), -1);
  const auto notes = recorder.Messages(WM_NOTIFY);
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes.back().code, NM_CLICK);
  EXPECT_EQ(notes.back().item, -1);
}

// Without full-row select only the first column's cell is the row: a click
// on another column's cell selects nothing and reports no item.
TEST_F(ListView, ClickOnASecondColumnCellSelectsNothing) {
  FillThree(list);
  QTreeView* view = View(list);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                    view->visualRect(view->model()->index(2, 1)).center());
  wt::PumpMessages();
  EXPECT_NE(NextSelected(list), 2);
  const auto notes = recorder.Messages(WM_NOTIFY);
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes.back().code, NM_CLICK);
  EXPECT_EQ(notes.back().item, -1);
}

TEST_F(ListView, DoubleClickReportsOneClickAndOneDoubleClick) {
  FillThree(list);
  QTreeView* view = View(list);
  const QPoint at = view->visualRect(view->model()->index(0, 0)).center();
  // What the system delivers: down, up, double click, up.
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at);
  wt::PumpMessages();
  const std::vector<UINT> codes = recorder.Notifications();
  EXPECT_EQ(std::count(codes.begin(), codes.end(), NM_CLICK), 1);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), NM_DBLCLK), 1);
  EXPECT_EQ(NextSelected(list), 0);
}

// The pixel in the middle of a selected row's first cell.
QColor SelectedCellColour(QTreeView* view) {
  const QImage image = view->viewport()->grab().toImage();
  const QRect cell = view->visualRect(view->model()->index(0, 0));
  return image.pixelColor(cell.right() - 4, cell.center().y());
}

TEST_F(ListView, SelectionWithoutFocusShowsOnlyWithShowSelAlways) {
  HWND plain = MakeList(kListStyle, 140, 204);
  Insert(list, 0, "eth0", 2);
  Insert(plain, 0, "eth0", 2);
  LVITEMA state{};
  state.state = state.stateMask = LVIS_SELECTED;
  SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  SendMessageA(plain, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  SetFocus(top);
  const QColor base = View(plain)->palette().color(QPalette::Base);
  EXPECT_EQ(SelectedCellColour(View(plain)), base);
  EXPECT_NE(SelectedCellColour(View(list)), base);
  // With the focus, both show it.
  SetFocus(plain);
  EXPECT_NE(SelectedCellColour(View(plain)), base);
}

}  // namespace

namespace {

TEST_F(ListView, ParentMayRefuseAChangeAndHearsOfEveryDeletion) {
  FillThree(list);
  recorder.onMessage = [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
    if (message != WM_NOTIFY) return false;
    const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lParam);
    if (nm->hdr.code == LVN_ITEMCHANGING && nm->iItem == 2 && (nm->uNewState & LVIS_SELECTED)) {
      *result = TRUE;  // no selecting row 2
      return true;
    }
    return false;
  };
  ClickRow(list, 2);
  EXPECT_EQ(NextSelected(list), -1);
  ClickRow(list, 0);
  EXPECT_EQ(NextSelected(list), 0);
  recorder.Clear();
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  std::vector<std::pair<UINT, int>> deletions;
  for (const auto& r : recorder.Messages(WM_NOTIFY)) deletions.emplace_back(r.code, r.item);
  const std::vector<std::pair<UINT, int>> expected{
      {LVN_DELETEALLITEMS, -1}, {LVN_DELETEITEM, 0}, {LVN_DELETEITEM, 1}, {LVN_DELETEITEM, 2}};
  EXPECT_EQ(deletions, expected);
}

}  // namespace
