// The program's own classes and resources on the offscreen platform, with an
// application object and a hive in a temporary folder per test; the dialogs
// driven as a user drives them.
#pragma once

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/lease_app.h"
#include "app/main_frame.h"
#include "platform/base/errors.h"
#include "platform/framework/module.h"
#include "platform/iphlp/scripted_provider.h"
#include "platform/window/seams.h"
#include "platform/window/test_support.h"
#include "registry/temp_hive.h"
#include "res/resource.h"
#include "support/windows_up.h"

using lorvane::iphlp::AdapterRecord;
using lorvane::iphlp::ScriptedAdapter;
using lorvane::window::testing::MenuBarOf;
using lorvane::window::testing::WidgetOf;
using Rows = std::vector<std::string>;

// The real main frame, recording the commands that reach it; it can make the
// view's sizing of the window one pixel wider.
class RecordingFrame : public CMainFrame {
 public:
  explicit RecordingFrame(std::vector<std::string>* events, bool* deleted = nullptr)
      : m_events(events), m_deleted(deleted) {}
  ~RecordingFrame() override {
    if (m_deleted != nullptr) *m_deleted = true;
  }

  bool widen = false;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    m_events->push_back("command " + std::to_string(LOWORD(wParam)) + " from " +
                        std::to_string(HIWORD(wParam)));
    return CMainFrame::OnCommand(wParam, lParam);
  }
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_WINDOWPOSCHANGING && widen) {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!(pos->flags & SWP_NOSIZE) && pos->cx == 247) pos->cx = 248;
    }
    return CMainFrame::WindowProc(message, wParam, lParam);
  }

 private:
  std::vector<std::string>* m_events;
  bool* m_deleted;
};

inline void Pump() { lorvane::window::testing::PumpMessages(); }

// A mouse click on a control's real widget.
inline void Click(const CWnd& control) {
  QTest::mouseClick(WidgetOf(control.m_hWnd), Qt::LeftButton);
  Pump();
}

inline std::string WindowText(HWND hWnd) {
  char text[256] = "";
  ::GetWindowTextA(hWnd, text, sizeof text);
  return text;
}

inline QTreeView* TreeOf(const CListCtrl& list) {
  return qobject_cast<QTreeView*>(WidgetOf(list.m_hWnd));
}

// Every row of a list control as its cells joined with '|', read back from
// its widget.
inline Rows RowTexts(const CListCtrl& list, int columns) {
  Rows rows;
  const QAbstractItemModel* model = TreeOf(list)->model();
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

// The first row the list shows selected, or -1.
inline int MarkedRow(const CListCtrl& list) { return list.GetNextItem(-1, LVNI_SELECTED); }

// The view at a glance: its rows, the adapters it counted, the selected
// position, the marked row and the first details row.
inline std::string Glance(const CAdapterView& view) {
  const Rows details = RowTexts(view.m_listInfo, 2);
  return "rows " + std::to_string(view.m_listAdapters.GetItemCount()) + ", adapters " +
         std::to_string(view.m_nAdapterCount) + ", at " + std::to_string(view.m_nSelected) +
         ", marked " + std::to_string(MarkedRow(view.m_listAdapters)) + ", " +
         (details.empty() ? "no details" : details[0]);
}

// A mouse click on the list's real widget: on a row's first cell, or with
// row -1 below the last row.
inline void ClickRow(const CListCtrl& list, int row) {
  QTreeView* view = TreeOf(list);
  ASSERT_NE(view, nullptr);
  const QPoint at = row < 0 ? QPoint(10, view->viewport()->height() - 3)
                            : view->visualRect(view->model()->index(row, 0)).center();
  ASSERT_EQ(view->indexAt(at).row(), row) << "the click would land on another row";
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  Pump();
}

// What assistive technology reads from a window through Qt's accessibility
// interface on its real widget: its role and name, and the names of the
// buttons, texts, column headers and cells inside it.
struct Read {
  QAccessible::Role role = QAccessible::NoRole;
  std::string name;
  Rows buttons, texts, headers, cells;

  Read() = default;
  explicit Read(HWND hWnd) {
    QAccessibleInterface* top = QAccessible::queryAccessibleInterface(WidgetOf(hWnd));
    if (top == nullptr) return;
    role = top->role();
    name = top->text(QAccessible::Name).toStdString();
    Walk(top, 0);
  }
  void Walk(QAccessibleInterface* node, int depth) {
    if (node == nullptr || depth > 12) return;
    const QAccessible::Role r = node->role();
    Rows* into = r == QAccessible::PushButton                           ? &buttons
                 : r == QAccessible::StaticText                         ? &texts
                 : r == QAccessible::ColumnHeader                       ? &headers
                 : r == QAccessible::Cell || r == QAccessible::TreeItem ? &cells
                                                                        : nullptr;
    if (into != nullptr) into->push_back(node->text(QAccessible::Name).toStdString());
    for (int i = 0; i < node->childCount(); ++i) Walk(node->child(i), depth + 1);
  }
};
inline bool Has(const Rows& all, const std::string& one) {
  return std::find(all.begin(), all.end(), one) != all.end();
}

inline constexpr char kActivate[] =
    "To activate the new MAC address,\nRestart your network adapter";
inline constexpr char kRestore[] = "To restore your MAC address,\nRestart your network adapter";

// One thing the user does in a dialog, or a look at it.
using Step = std::function<void(HWND dlg)>;

// The steps of ProgramTest::Choose, each once the queue is empty; after the
// last the dialog is cancelled.
struct Watch {
  std::vector<Step> steps;
  bool seen = false, leftOpen = false;
  std::shared_ptr<bool> stop = std::make_shared<bool>(false);
};
inline void RunSteps(HWND dlg, std::shared_ptr<Watch> watch, std::size_t next) {
  if (*watch->stop || !::IsWindow(dlg)) return;
  MSG waiting;
  if (!::PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE)) {
    if (next == watch->steps.size()) {
      watch->leftOpen = true;
      ::PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    watch->steps[next++](dlg);
  }
  QTimer::singleShot(5, [=] { RunSteps(dlg, watch, next); });
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    BeginWindowTest(lorvane::framework::ProgramResources(), SIZE{1920, 1080}, &boxes);
    lorvane::iphlp::SetProvider(adapters);
    ASSERT_TRUE(AfxWinInit(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW));
  }
  void TearDown() override {
    EndWindowTest();
    app.m_pMainWnd = nullptr;
    lorvane::iphlp::SetProvider(nullptr);
  }

  // Start-up as the application does it, into `chosen` if given, with these
  // adapters; throws (failing the test) when the frame does not load.
  CAdapterView& Start(RecordingFrame* chosen = nullptr) {
    frame = chosen != nullptr ? chosen : new RecordingFrame(&events);
    app.m_pMainWnd = frame;
    if (!frame->LoadFrame(IDR_MAIN, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr, nullptr))
      throw std::runtime_error("LoadFrame failed");
    frame->ShowWindow(SW_SHOW);
    frame->UpdateWindow();
    Pump();
    return frame->m_wndView;
  }
  CAdapterView& Start(std::vector<AdapterRecord> records) {
    adapters->SetAdapters(std::move(records));
    return Start();
  }

  // What each box said: caption, type, text.
  Rows Said() const {
    Rows said;
    for (const auto& box : boxes)
      said.push_back(box.caption + "|" + std::to_string(box.type) + "|" + box.text);
    return said;
  }
  static std::string Error(const std::string& text) {
    return "ERROR|" + std::to_string(MB_ICONHAND | MB_OK) + "|" + text;
  }
  static std::string Restart(const std::string& text) {
    return "Restart Adapter|" + std::to_string(MB_OK | MB_ICONINFORMATION) + "|" + text;
  }

  // The first item of the real menu's popup `popup` (Function > Change MAC
  // Addr unless given). Once a dialog is up, each step runs in its turn, the
  // dialog's own loop handling what the step did (keys are queued) before the
  // next. Says "no dialog", "ended" (by the steps) or "left open" (then
  // cancelled here, so a wrong one cannot hang).
  std::string Choose(std::vector<Step> steps = {}, int popup = 1) {
    auto watch = std::make_shared<Watch>();
    watch->steps = std::move(steps);
    WhenAnotherWindowIsUp(
        frame->m_hWnd,
        [=](HWND dlg) {
          watch->seen = true;
          RunSteps(dlg, watch, 0);
        },
        watch->stop);
    MenuBarOf(frame->m_hWnd)->actions().at(popup)->menu()->actions().at(0)->trigger();
    Pump();
    *watch->stop = true;
    return !watch->seen ? "no dialog" : watch->leftOpen ? "left open" : "ended";
  }

  // A click, keys for the focused control, the focus given to a control,
  // text pasted into the new-address edit with Ctrl+V as a keyboard gives
  // it, the control character as its text.
  static Step Press(int id) {
    return [id](HWND dlg) { QTest::mouseClick(WidgetOf(::GetDlgItem(dlg, id)), Qt::LeftButton); };
  }
  static Step Keys(const char* keys) {
    return [keys](HWND) { QTest::keyClicks(QApplication::focusWidget(), keys); };
  }
  static Step Key(Qt::Key key) {
    return [key](HWND) { QTest::keyClick(QApplication::focusWidget(), key); };
  }
  static Step Focus(int id) {
    return [id](HWND dlg) { ::SetFocus(::GetDlgItem(dlg, id)); };
  }
  static Step Paste(const QString& text) {
    return [text](HWND dlg) {
      QApplication::clipboard()->setText(text);
      ::SetFocus(::GetDlgItem(dlg, IDC_NEW_MAC));
      QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_V,
                          QString(QChar(0x16)), Qt::ControlModifier);
    };
  }
  static std::string Text(HWND dlg, int id) { return WindowText(::GetDlgItem(dlg, id)); }

  // An adapter subkey naming its link, with an override stored if given.
  static void Subkey(const std::string& number, const std::string& link,
                     const char* address = nullptr) {
    ASSERT_EQ(PutText(kClassKey + number, "NetCfgInstanceId", link), ERROR_SUCCESS);
    if (address == nullptr) return;
    ASSERT_EQ(PutText(kClassKey + number, "NetworkAddress", address), ERROR_SUCCESS);
  }
  // The adapter subkey's NetworkAddress as stored, or "<error N>".
  static std::string Stored(const std::string& number) {
    return GetValue(kClassKey + number, "NetworkAddress");
  }

  TempHive hive;
  std::vector<lorvane::window::MessageBoxRequest> boxes;
  // The adapters the program sees: none unless a test scripts some.
  std::shared_ptr<lorvane::iphlp::ScriptedProvider> adapters =
      std::make_shared<lorvane::iphlp::ScriptedProvider>();
  std::vector<std::string> events;  // the commands that reached the frame
  CLeaseApp app;
  RecordingFrame* frame = nullptr;
};
