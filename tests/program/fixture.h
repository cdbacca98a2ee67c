// The program's own classes and resources on the offscreen platform, with an
// application object per test.
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
// Mouse clicks on the list's real widget: on a row's first cell, or below
// the last row.
void ClickRow(const CListCtrl& list, int row);
void ClickBlank(const CListCtrl& list);

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
