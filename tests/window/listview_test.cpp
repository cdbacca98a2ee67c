// The list view: what its messages answer, and what a parent hears when the
// user clicks or uses the keys, driven through the real widget.
#include <gtest/gtest.h>

#include <QTest>
#include <QTreeView>
#include <algorithm>

#include "recorder.h"

namespace {

namespace wt = lorvane::window::testing;

constexpr int kListId = 200;
constexpr DWORD kListStyle = WS_BORDER | LVS_REPORT | LVS_SINGLESEL;

class ListView : public lorvane::test::WindowTest {
 protected:
  void SetUp() override {
    ShowTop();
    list = MakeList(kListStyle | LVS_SHOWSELALWAYS, 20, kListId);
  }

  HWND MakeList(DWORD style, int y, int id) {
    HWND l = Control(WC_LISTVIEWA, "", id, style, 2, y, 235, 100);
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    const std::pair<const char*, int> columns[] = {{"Description", 120}, {"IP Number", 90}};
    for (int i = 0; i < 2; ++i) {
      column.pszText = const_cast<char*>(columns[i].first);
      column.cx = columns[i].second;
      SendMessageA(l, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    return l;
  }

  int Insert(HWND l, int row, const char* text, LPARAM data) {
    std::string buffer = text;
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = buffer.data();
    item.iItem =
        static_cast<int>(SendMessageA(l, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    buffer.assign(buffer.size(), 'x');  // the control must have its own copy
    item.mask = LVIF_PARAM;
    item.lParam = data;
    SendMessageA(l, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.iItem;
  }

  void FillThree() {
    Insert(list, 0, "eth0", 2);
    Insert(list, 1, "wlan0", 3);
    Insert(list, 2, "usb0", 7);
    recorder.Clear();
  }

  QTreeView* View(HWND l) { return qobject_cast<QTreeView*>(wt::WidgetOf(l)); }

  // A row's cell, or with row -1 the blank area below the rows.
  void Click(int row, int column = 0) {
    QTreeView* view = View(list);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      row < 0 ? QPoint(10, view->viewport()->height() - 3)
                              : view->visualRect(view->model()->index(row, column)).center());
    wt::PumpMessages();
  }

  LRESULT NextSelected(HWND l) {
    return SendMessageA(l, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  }

  void Select(HWND l, int row) {
    LVITEMA state{};
    state.state = state.stateMask = LVIS_SELECTED;
    SendMessageA(l, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
  }

  std::vector<UINT> Codes() const {
    std::vector<UINT> codes;
    for (const auto& r : recorder.Messages(WM_NOTIFY)) codes.push_back(r.code);
    return codes;
  }
  long Count(UINT code) const {
    const std::vector<UINT> codes = Codes();
    return std::count(codes.begin(), codes.end(), code);
  }

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

  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0), 90);
  EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, 2, 0), 0);

  EXPECT_EQ(NextSelected(list), -1);
  Select(list, 2);
  EXPECT_EQ(NextSelected(list), 2);
  EXPECT_EQ(SendMessageA(list, LVM_GETNEXTITEM, 2, LVNI_SELECTED), -1);
  Select(list, 0);
  EXPECT_EQ(NextSelected(list), 0);  // one selection in a single-selection list
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMSTATE, 2, LVIS_SELECTED), 0);
  EXPECT_EQ(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);

  EXPECT_TRUE(SendMessageA(list, LVM_DELETEALLITEMS, 0, 0));
  EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(NextSelected(list), -1);
}

TEST_F(ListView, ClicksSelectFirstThenNotifyElsewhereClearAndKeysMoveTheSelectionWithoutAClick) {
  FillThree();
  LRESULT selectedAtClick = -2;
  recorder.onMessage = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT*) {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == NM_CLICK) {
      EXPECT_EQ(wParam, static_cast<WPARAM>(kListId));
      EXPECT_EQ(reinterpret_cast<NMHDR*>(lParam)->hwndFrom, list);
      selectedAtClick = NextSelected(list);  // as the program's handler asks
    }
    return false;
  };
  Click(1);
  const std::vector<UINT> codes = Codes();
  const auto changed = std::find(codes.begin(), codes.end(), LVN_ITEMCHANGED);
  EXPECT_EQ(Count(NM_CLICK), 1);
  EXPECT_EQ(codes.back(), NM_CLICK) << "NM_CLICK comes last";
  ASSERT_NE(changed, codes.end());
  EXPECT_LT(std::find(codes.begin(), codes.end(), LVN_ITEMCHANGING), changed);
  EXPECT_EQ(selectedAtClick, 1);
  EXPECT_EQ(GetFocus(), list);
  EXPECT_EQ(recorder.Messages(WM_NOTIFY).back().item, 1);

  // Another row: the old one loses its selection and focus before the new
  // one gets them.
  recorder.Clear();
  Click(2);
  std::vector<int> changedItems;
  for (const auto& r : recorder.Messages(WM_NOTIFY))
    if (r.code == LVN_ITEMCHANGED) changedItems.push_back(r.item);
  EXPECT_EQ(changedItems, (std::vector<int>{1, 1, 2}));
  EXPECT_EQ(NextSelected(list), 2);

  // Without full-row select only the first column's cell is the row: a click
  // on another column's cell, as on the blank area, selects nothing and
  // reports no item.
  for (const auto& [row, column] : {std::pair{-1, 0}, std::pair{2, 1}}) {
    Click(1);
    ASSERT_EQ(NextSelected(list), 1);
    recorder.Clear();
    Click(row, column);
    EXPECT_EQ(NextSelected(list), -1) << row;
    ASSERT_FALSE(recorder.Messages(WM_NOTIFY).empty());
    EXPECT_EQ(recorder.Messages(WM_NOTIFY).back().code, NM_CLICK);
    EXPECT_EQ(recorder.Messages(WM_NOTIFY).back().item, -1);
    EXPECT_EQ(selectedAtClick, -1);
  }

  // What the system delivers for a double click: down, up, double click, up.
  recorder.Clear();
  QWidget* viewport = View(list)->viewport();
  const QPoint at = View(list)->visualRect(View(list)->model()->index(0, 0)).center();
  QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
  wt::PumpMessages();
  EXPECT_EQ(Count(NM_CLICK), 1);
  EXPECT_EQ(Count(NM_DBLCLK), 1);
  EXPECT_EQ(NextSelected(list), 0);

  recorder.Clear();
  QTest::keyClick(View(list), Qt::Key_Down);
  wt::PumpMessages();
  EXPECT_EQ(NextSelected(list), 1);
  QTest::keyClick(View(list), Qt::Key_End);
  wt::PumpMessages();
  EXPECT_EQ(NextSelected(list), 2);
  EXPECT_EQ(Count(NM_CLICK), 0);
  EXPECT_GE(Count(LVN_ITEMCHANGED), 2);
  EXPECT_EQ(Count(LVN_KEYDOWN), 2);
  // The keys reached the window procedure as messages from the queue.
  EXPECT_TRUE(recorder.Commands().empty());
}

// The pixel in the middle of a selected row's first cell.
QColor SelectedCellColour(QTreeView* view) {
  const QRect cell = view->visualRect(view->model()->index(0, 0));
  return view->viewport()->grab().toImage().pixelColor(cell.right() - 4, cell.center().y());
}

TEST_F(ListView, SelectionWithoutFocusShowsOnlyWithShowSelAlways) {
  HWND plain = MakeList(kListStyle, 140, 204);
  for (HWND l : {list, plain}) {
    Insert(l, 0, "eth0", 2);
    Select(l, 0);
  }
  SetFocus(top);
  const QColor base = View(plain)->palette().color(QPalette::Base);
  EXPECT_EQ(SelectedCellColour(View(plain)), base);
  EXPECT_NE(SelectedCellColour(View(list)), base);
  // With the focus, both show it.
  SetFocus(plain);
  EXPECT_NE(SelectedCellColour(View(plain)), base);
}

TEST_F(ListView, ParentMayRefuseAChangeAndHearsOfEveryDeletion) {
  FillThree();
  recorder.onMessage = [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
    if (message != WM_NOTIFY) return false;
    const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lParam);
    *result = TRUE;  // no selecting row 2
    return nm->hdr.code == LVN_ITEMCHANGING && nm->iItem == 2 && (nm->uNewState & LVIS_SELECTED);
  };
  Click(2);
  EXPECT_EQ(NextSelected(list), -1);
  Click(0);
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
