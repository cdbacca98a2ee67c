#include "fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QTreeView>
#include <memory>
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

void ClickRow(const CListCtrl& list, int row) {
  auto* view = qobject_cast<QTreeView*>(WidgetOf(list.m_hWnd));
  ASSERT_NE(view, nullptr);
  const QPoint at = row < 0 ? QPoint(10, view->viewport()->height() - 3)
                            : view->visualRect(view->model()->index(row, 0)).center();
  ASSERT_EQ(view->indexAt(at).row(), row) << "the click would land on another row";
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

namespace {

struct Watch {
  std::vector<Step> steps;
  bool seen = false;
  bool leftOpen = false;
  std::shared_ptr<bool> stop = std::make_shared<bool>(false);
};

void RunSteps(HWND dlg, std::shared_ptr<Watch> watch, std::size_t next) {
  if (*watch->stop || !::IsWindow(dlg)) return;
  MSG waiting;
  if (::PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE)) {
    QTimer::singleShot(5, [=] { RunSteps(dlg, watch, next); });
    return;
  }
  if (next == watch->steps.size()) {
    watch->leftOpen = true;
    ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  watch->steps[next](dlg);
  QTimer::singleShot(5, [=] { RunSteps(dlg, watch, next + 1); });
}

}  // namespace

std::string ChangeMacTest::Choose(std::vector<Step> steps) {
  auto watch = std::make_shared<Watch>();
  watch->steps = std::move(steps);
  WhenAnotherWindowIsUp(
      frame->m_hWnd,
      [=](HWND dlg) {
        watch->seen = true;
        RunSteps(dlg, watch, 0);
      },
      watch->stop);
  QMenu* function = lorvane::window::testing::MenuBarOf(frame->m_hWnd)->actions().at(1)->menu();
  function->actions().at(0)->trigger();
  Pump();
  *watch->stop = true;
  return !watch->seen ? "no dialog" : watch->leftOpen ? "left open" : "ended";
}

Step ChangeMacTest::Click(int id) {
  return [id](HWND dlg) { QTest::mouseClick(WidgetOf(::GetDlgItem(dlg, id)), Qt::LeftButton); };
}

Step ChangeMacTest::Keys(const char* keys) {
  return [keys](HWND) { QTest::keyClicks(QApplication::focusWidget(), keys); };
}

Step ChangeMacTest::Key(Qt::Key key) {
  return [key](HWND) { QTest::keyClick(QApplication::focusWidget(), key); };
}

// Ctrl+V as a keyboard gives it, with the control character as its text.
Step ChangeMacTest::Paste(const QString& text) {
  return [text](HWND dlg) {
    QApplication::clipboard()->setText(text);
    ::SetFocus(::GetDlgItem(dlg, IDC_NEW_MAC));
    QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_V, QString(QChar(0x16)),
                        Qt::ControlModifier);
  };
}

void ChangeMacTest::Subkey(const std::string& number, const std::string& link,
                           const char* address) {
  ASSERT_EQ(PutText(kClassKey + number, "NetCfgInstanceId", link), ERROR_SUCCESS);
  if (address == nullptr) return;
  ASSERT_EQ(PutText(kClassKey + number, "NetworkAddress", address), ERROR_SUCCESS);
}

std::string ChangeMacTest::Restart(const std::string& text) {
  return "Restart Adapter|" + std::to_string(MB_OK | MB_ICONINFORMATION) + "|" + text;
}
