// The program's own classes and resources on the offscreen platform, with an
// application object per test; the Change MAC Address dialog driven as a user
// drives it, over a hive in a temporary folder.
#pragma once

#include "support/windows_up.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "app/lease_app.h"
#include "app/main_frame.h"
#include "platform/base/errors.h"
#include "platform/iphlp/scripted_provider.h"
#include "platform/window/seams.h"
#include "platform/window/test_support.h"
#include "registry/temp_hive.h"
#include "res/resource.h"

using lorvane::iphlp::AdapterRecord;
using lorvane::iphlp::ScriptedAdapter;
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
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  std::vector<std::string>* m_events;
  bool* m_deleted;
};

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Start-up as the application does it, into `frame`, with these adapters;
  // throws (failing the test) when the frame does not load.
  CAdapterView& Start(RecordingFrame* chosen = nullptr);
  CAdapterView& Start(std::vector<AdapterRecord> records);
  // What each box said: caption, type, text.
  Rows Said() const;
  static std::string Error(const std::string& text);

  std::vector<lorvane::window::MessageBoxRequest> boxes;
  // The adapters the program sees: none unless a test scripts some.
  std::shared_ptr<lorvane::iphlp::ScriptedProvider> adapters =
      std::make_shared<lorvane::iphlp::ScriptedProvider>();
  // The commands that reached the frame.
  std::vector<std::string> events;
  CLeaseApp app;
  RecordingFrame* frame = nullptr;
};

void Pump();
// A mouse click on a control's real widget.
void Click(const CWnd& control);
// A window's rectangle in the client coordinates of `reference`.
RECT RectIn(HWND hWnd, HWND reference);
std::string WindowText(HWND hWnd);

// Every row of a list control as its cells joined with '|', read back from
// the control.
Rows RowTexts(const CListCtrl& list, int columns);
// The first row the list shows selected, or -1.
int MarkedRow(const CListCtrl& list);
// The view at a glance: its rows, the adapters it counted, the selected
// position, the marked row and the first details row.
std::string Glance(const CAdapterView& view);
// A mouse click on the list's real widget: on a row's first cell, or with
// row -1 below the last row.
void ClickRow(const CListCtrl& list, int row);

// What assistive technology reads from a window through Qt's accessibility
// interface on its real widget: its role and name, and the names of the
// buttons, texts, column headers and cells inside it.
struct Read {
  QAccessible::Role role = QAccessible::NoRole;
  std::string name;
  Rows buttons, texts, headers, cells;
};
Read ReadOut(HWND hWnd);
bool Has(const Rows& all, const std::string& one);

inline constexpr char kActivate[] =
    "To activate the new MAC address,\nRestart your network adapter";
inline constexpr char kRestore[] = "To restore your MAC address,\nRestart your network adapter";

// One thing the user does in the dialog, or a look at it.
using Step = std::function<void(HWND dlg)>;

class ChangeMacTest : public ProgramTest {
 protected:
  // Function > Change MAC Addr on the real menu. Once the dialog is up, each
  // step runs in its turn, the dialog's own loop handling what the step did
  // (keys are queued) before the next. Says "no dialog", "ended" (by the
  // steps) or "left open" (then cancelled here, so a wrong one cannot hang).
  std::string Choose(std::vector<Step> steps = {});

  // A click, keys for the focused control, the focus given to a control,
  // text pasted into the new-address edit with Ctrl+V.
  static Step Click(int id);
  static Step Keys(const char* keys);
  static Step Key(Qt::Key key);
  static Step Focus(int id) { return [id](HWND dlg) { ::SetFocus(::GetDlgItem(dlg, id)); }; }
  static Step Paste(const QString& text);
  static std::string Text(HWND dlg, int id) { return WindowText(::GetDlgItem(dlg, id)); }

  // An adapter subkey naming its link, with an override stored if given.
  static void Subkey(const std::string& number, const std::string& link,
                     const char* address = nullptr);
  // The adapter subkey's NetworkAddress as stored, or "<error N>".
  static std::string Stored(const std::string& number) {
    return GetValue(kClassKey + number, "NetworkAddress");
  }
  static std::string Restart(const std::string& text);

  TempHive hive;
};
