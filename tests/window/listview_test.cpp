// The list view as the user meets it, through the real widget: where a click
// selects, and how a selection shows without the focus.

#include <QTreeView>

#include "recorder.h"

namespace {

namespace wt = lorvane::window::testing;

constexpr DWORD kListStyle = WS_BORDER | LVS_REPORT | LVS_SINGLESEL;

class ListView : public lorvane::test::WindowTest {
 protected:
  void SetUp() override {
    ShowTop();
    list = MakeList(kListStyle | LVS_SHOWSELALWAYS, 20, 200);
  }

  // Two columns and `rows` rows.
  HWND MakeList(DWORD style, int y, int id, int rows = 3) {
    HWND l = Control(WC_LISTVIEWA, "", id, style, 2, y, 235, 100);
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    const std::pair<const char*, int> columns[] = {{"Description", 120}, {"IP Number", 90}};
    for (int i = 0; i < 2; ++i) {
      column.pszText = const_cast<char*>(columns[i].first);
      column.cx = columns[i].second;
      SendMessageA(l, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    for (int row = 0; row < rows; ++row) {
      std::string text = "eth" + std::to_string(row);
      LVITEMA item{};
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.pszText = text.data();
      SendMessageA(l, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    return l;
  }

  QTreeView* View(HWND l) { return qobject_cast<QTreeView*>(wt::WidgetOf(l)); }

  void Click(int row, int column = 0) {
    QTreeView* view = View(list);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(row, column)).center());
    wt::PumpMessages();
  }

  LRESULT NextSelected(HWND l) {
    return SendMessageA(l, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
  }

  HWND list = nullptr;
};

// The pixel in the middle of a selected row's first cell.
QColor SelectedCellColour(QTreeView* view) {
  const QRect cell = view->visualRect(view->model()->index(0, 0));
  return view->viewport()->grab().toImage().pixelColor(cell.right() - 4, cell.center().y());
}

// Without full-row select only the first column's cell is the row: a click
// on another column's cell selects nothing, which the parent sees when
// NM_CLICK comes. (A click on the blank area is the program's adapter list's.)
TEST_F(ListView, OnlyAClickOnAFirstCellSelectsAndOnlyShowSelAlwaysShowsItWithoutFocus) {
  LRESULT selectedAtClick = -2;
  onMessage = [&](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT*) {
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == NM_CLICK)
      selectedAtClick = NextSelected(list);
    return false;
  };
  Click(1);
  ASSERT_EQ(selectedAtClick, 1);
  Click(2, 1);
  EXPECT_EQ(NextSelected(list), -1);
  EXPECT_EQ(selectedAtClick, -1);

  // A selection without the focus shows only with LVS_SHOWSELALWAYS.
  HWND plain = MakeList(kListStyle, 140, 204, 1);
  for (HWND l : {list, plain}) {
    LVITEMA state{};
    state.state = state.stateMask = LVIS_SELECTED;
    SendMessageA(l, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
  }
  SetFocus(top);
  const QColor base = View(plain)->palette().color(QPalette::Base);
  EXPECT_EQ(SelectedCellColour(View(plain)), base);
  EXPECT_NE(SelectedCellColour(View(list)), base);
  // With the focus, both show it.
  SetFocus(plain);
  EXPECT_NE(SelectedCellColour(View(plain)), base);
}

}  // namespace
