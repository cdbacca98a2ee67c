#include "fixture.h"

#include <QTreeView>
#include <stdexcept>

#include "platform/framework/module.h"

BOOL RecordingFrame::OnCommand(WPARAM wParam, LPARAM lParam) {
  m_events->push_back("command " + std::to_string(LOWORD(wParam)) + " from " +
                      std::to_string(HIWORD(wParam)));
  return CMainFrame::OnCommand(wParam, lParam);
}

LRESULT RecordingFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WINDOWPOSCHANGING && widen) {
    auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
    if (!(pos->flags & SWP_NOSIZE) && pos->cx == 247) pos->cx = 248;
  }
  return CMainFrame::WindowProc(message, wParam, lParam);
}

void ProgramTest::SetUp() {
  BeginWindowTest(lorvane::framework::ProgramResources(), SIZE{1920, 1080}, &boxes);
  lorvane::iphlp::SetProvider(adapters);
  ASSERT_TRUE(AfxWinInit(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW));
}

void ProgramTest::TearDown() {
  EndWindowTest();
  app.m_pMainWnd = nullptr;
  lorvane::iphlp::SetProvider(nullptr);
}

CAdapterView& ProgramTest::Start(RecordingFrame* chosen) {
  frame = chosen != nullptr ? chosen : new RecordingFrame(&events);
  app.m_pMainWnd = frame;
  if (!frame->LoadFrame(IDR_MAIN, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, nullptr))
    throw std::runtime_error("LoadFrame failed");
  frame->ShowWindow(SW_SHOW);
  frame->UpdateWindow();
  Pump();
  return frame->m_wndView;
}

CAdapterView& ProgramTest::Start(std::vector<AdapterRecord> records) {
  adapters->SetAdapters(std::move(records));
  return Start();
}

Rows ProgramTest::Said() const {
  Rows said;
  for (const auto& box : boxes)
    said.push_back(box.caption + "|" + std::to_string(box.type) + "|" + box.text);
  return said;
}

std::string ProgramTest::Error(const std::string& text) {
  return "ERROR|" + std::to_string(MB_ICONHAND | MB_OK) + "|" + text;
}

void Pump() { lorvane::window::testing::PumpMessages(); }

void Click(const CWnd& control) {
  QTest::mouseClick(WidgetOf(control.m_hWnd), Qt::LeftButton);
  Pump();
}

// Where the window's widget really is, in the reference's client area.
RECT RectIn(HWND hWnd, HWND reference) {
  const QWidget* widget = WidgetOf(hWnd);
  const QPoint at =
      widget->mapTo(lorvane::window::testing::ClientWidgetOf(reference), QPoint(0, 0));
  return RECT{at.x(), at.y(), at.x() + widget->width(), at.y() + widget->height()};
}

std::string WindowText(HWND hWnd) {
  char text[256] = "";
  ::GetWindowTextA(hWnd, text, sizeof text);
  return text;
}

// What the list shows, read from its widget.
Rows RowTexts(const CListCtrl& list, int columns) {
  Rows rows;
  const QAbstractItemModel* model =
      qobject_cast<QTreeView*>(lorvane::window::testing::WidgetOf(list.m_hWnd))->model();
  for (int row = 0; row < list.GetItemCount(); ++row) {
    std::string text;
    for (int column = 0; column < columns; ++column) {
      // Two appends: "|" + std::string(cell) makes GCC 12 at -O3 warn falsely.
      if (column != 0) text += '|';
      text += model->index(row, column).data().toString().toLocal8Bit().toStdString();
    }
    rows.push_back(text);
  }
  return rows;
}

int MarkedRow(const CListCtrl& list) { return list.GetNextItem(-1, LVNI_SELECTED); }

std::string Glance(const CAdapterView& view) {
  const Rows details = RowTexts(view.m_listInfo, 2);
  return "rows " + std::to_string(view.m_listAdapters.GetItemCount()) + ", adapters " +
         std::to_string(view.m_nAdapterCount) + ", at " + std::to_string(view.m_nSelected) +
         ", marked " + std::to_string(MarkedRow(view.m_listAdapters)) + ", " +
         (details.empty() ? "no details" : details[0]);
}

namespace {
QTreeView* TreeOf(const CListCtrl& list) {
  return qobject_cast<QTreeView*>(WidgetOf(list.m_hWnd));
}
}  // namespace

void ClickRow(const CListCtrl& list, int row) {
  QTreeView* view = TreeOf(list);
  ASSERT_NE(view, nullptr);
  const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  Pump();
}

void ClickBlank(const CListCtrl& list) {
  QTreeView* view = TreeOf(list);
  ASSERT_NE(view, nullptr);
  const QPoint at(10, view->viewport()->height() - 3);
  ASSERT_FALSE(view->indexAt(at).isValid()) << "a row reaches the bottom";
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  Pump();
}

namespace {
void Walk(QAccessibleInterface* node, Read& read, int depth) {
  if (node == nullptr || depth > 12) return;
  const QAccessible::Role role = node->role();
  Rows* into = role == QAccessible::PushButton     ? &read.buttons
               : role == QAccessible::StaticText   ? &read.texts
               : role == QAccessible::ColumnHeader ? &read.headers
               : role == QAccessible::Cell || role == QAccessible::TreeItem ? &read.cells
                                                                            : nullptr;
  if (into != nullptr) into->push_back(node->text(QAccessible::Name).toStdString());
  for (int i = 0; i < node->childCount(); ++i) Walk(node->child(i), read, depth + 1);
}
}  // namespace

Read ReadOut(HWND hWnd) {
  Read read;
  QAccessibleInterface* top = QAccessible::queryAccessibleInterface(WidgetOf(hWnd));
  if (top == nullptr) return read;
  read.role = top->role();
  read.name = top->text(QAccessible::Name).toStdString();
  Walk(top, read, 0);
  return read;
}

bool Has(const Rows& all, const std::string& one) {
  return std::find(all.begin(), all.end(), one) != all.end();
}
