// The main window: its size, place, title and icon on screens of several
// sizes, the socket layer failing before any window exists, the ways out, and
// the view's layout, which later changes of size do not move; then what the
// user meets in it: where the focus goes, what the accelerator and mnemonic
// keys do, and the about box as it is seen and as assistive technology reads
// it.
#include <QFontMetrics>
#include <QHeaderView>

#include "fixture.h"
#include "platform/framework/sockets.h"

namespace {

using MainWindow = ProgramTest;

// The menu's items are reached through it elsewhere: Exit below, About and
// Change MAC Addr in their own tests.
TEST_F(MainWindow, Is247By363CentredOnAnyScreenWithItsTitleIconAndABorderlessView) {
  struct Screen {
    LONG cx, cy;
    const char* rect;
  };
  const Screen screens[] = {
      {1024, 768, "(388, 202, 635, 565)"},
      {1920, 1080, "(836, 358, 1083, 721)"},
      {200, 600, "(-23, 118, 224, 481)"},  // narrower than the window
      {800, 300, "(276, -31, 523, 332)"},  // lower than it: -31.5 truncates to -31
  };
  for (const Screen& s : screens) {
    SCOPED_TRACE(s.rect);
    lorvane::window::SetScreenSize(SIZE{s.cx, s.cy});
    ASSERT_TRUE(app.InitInstance());
    Pump();
    auto* main = dynamic_cast<CMainFrame*>(AfxGetMainWnd());
    ASSERT_NE(main, nullptr);
    RECT r;
    ::GetWindowRect(main->m_hWnd, &r);
    EXPECT_EQ(Str(r), s.rect);
    EXPECT_TRUE(::IsWindowVisible(main->m_hWnd));
    EXPECT_EQ(WindowText(main->m_hWnd), "Lorvane");
    EXPECT_FALSE(main->GetExStyle() & WS_EX_CLIENTEDGE);

    EXPECT_FALSE(WidgetOf(main->m_hWnd)->windowIcon().isNull());
    HWND view = main->m_wndView.m_hWnd;
    EXPECT_EQ(::GetDlgCtrlID(view), AFX_IDW_PANE_FIRST);
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(view, GWL_STYLE)), DWORD(WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(::GetWindowLongA(view, GWL_EXSTYLE), 0);

    ::DestroyWindow(main->m_hWnd);
    EXPECT_EQ(AfxGetMainWnd(), nullptr);
    MSG quit;
    EXPECT_TRUE(::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  }
}

class BrokenSockets : public lorvane::framework::SocketLayer {
 public:
  bool Start() override { return false; }
};

TEST_F(MainWindow, WhenSocketsFailOnlyTheMessageAppearsAndTheProgramEnds) {
  lorvane::framework::SetSocketLayer(std::make_shared<BrokenSockets>());
  const int exitCode = AfxWinMain(::GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOW);
  lorvane::framework::SetSocketLayer(nullptr);

  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(Said(), Rows{"dhcp|" + std::to_string(MB_OK | MB_ICONEXCLAMATION) +
                         "|Windows sockets initialization failed."});
  EXPECT_EQ(boxes.at(0).owner, nullptr);
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

// A window's rectangle in the client coordinates of `reference`, where its
// widget really is.
RECT RectIn(HWND hWnd, HWND reference) {
  const QWidget* widget = WidgetOf(hWnd);
  const QPoint at =
      widget->mapTo(lorvane::window::testing::ClientWidgetOf(reference), QPoint(0, 0));
  return RECT{at.x(), at.y(), at.x() + widget->width(), at.y() + widget->height()};
}

// The five controls' rectangles in the view, then both lists' column widths.
Rows Measure(const CAdapterView& view) {
  Rows measured;
  for (HWND control : {view.m_listAdapters.m_hWnd, view.m_btnRefresh.m_hWnd, view.m_btnRenew.m_hWnd,
                       view.m_btnRelease.m_hWnd, view.m_listInfo.m_hWnd})
    measured.push_back(Str(RectIn(control, view.m_hWnd)));
  for (const auto& [list, columns] : {std::pair(&view.m_listAdapters, 4),
                                      std::pair(&view.m_listInfo, 2)}) {
    std::string widths;
    const QHeaderView* header = qobject_cast<QTreeView*>(WidgetOf(list->m_hWnd))->header();
    for (int i = 0; i < columns; ++i) widths += std::to_string(header->sectionSize(i)) + " ";
    measured.push_back(widths);
  }
  return measured;
}

std::string ClientOf(HWND hWnd) {
  RECT client;
  ::GetClientRect(hWnd, &client);
  return Str(client);
}

// Also what assistive technology reads of the window.
TEST_F(MainWindow, TheViewIsLaidOutOnceForAClientAreaOf239By317) {
  CAdapterView& view = Start({ScriptedAdapter(4, "eth0")});
  const Read read(frame->m_hWnd);
  EXPECT_EQ(read.role, QAccessible::Window);
  EXPECT_EQ(read.name, "Lorvane");
  EXPECT_EQ(read.buttons, (Rows{"Refresh", "Renew", "Release"}));
  EXPECT_EQ(read.headers,
            (Rows{"Description", "IP Number", "DHCP", "Adapter", "Info", "IP Number"}));
  EXPECT_TRUE(Has(read.cells, "Scripted Adapter eth0"));
  EXPECT_TRUE(Has(read.cells, "eth0"));

  ASSERT_EQ(ClientOf(frame->m_hWnd), "(0, 0, 239, 317)");
  EXPECT_EQ(Str(RectIn(view.m_hWnd, frame->m_hWnd)), "(0, 0, 239, 317)");
  const Rows laidOut = Measure(view);
  EXPECT_EQ(laidOut, (Rows{"(2, 20, 237, 85)", "(179, 2, 237, 18)", "(177, 91, 237, 109)",
                           "(2, 91, 62, 109)", "(2, 114, 237, 315)", "79 90 40 240 ", "117 116 "}));

  // The caption's ink lies above the adapter list and left of Refresh,
  // starting at the left rather than centred across the view.
  const QImage image = lorvane::window::testing::ClientWidgetOf(view.m_hWnd)->grab().toImage();
  const int right = RectIn(view.m_btnRefresh.m_hWnd, view.m_hWnd).left;
  const QRgb background = image.pixel(right - 1, 19);
  QRect ink;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < right; ++x)
      if (image.pixel(x, y) != background) ink |= QRect(x, y, 1, 1);
  ASSERT_FALSE(ink.isEmpty()) << "no caption drawn";
  const QFontMetrics metrics(lorvane::window::testing::ClientWidgetOf(view.m_hWnd)->font());
  const RECT measured = {2, 2, 2 + metrics.horizontalAdvance("Select a Network Adapter"),
                         2 + metrics.height()};
  EXPECT_GE(ink.left(), 2);
  EXPECT_LE(ink.left(), 4);
  EXPECT_GE(ink.top(), 2);
  EXPECT_LE(ink.right(), measured.right);
  EXPECT_LE(ink.bottom(), measured.bottom);

  WidgetOf(frame->m_hWnd)->resize(300, 250);  // as a user would
  Pump();
  EXPECT_EQ(Str(RectIn(view.m_hWnd, frame->m_hWnd)), ClientOf(frame->m_hWnd));
  EXPECT_NE(ClientOf(frame->m_hWnd), "(0, 0, 239, 317)");
  EXPECT_EQ(Measure(view), laidOut);
}

// The close box ends the program.
TEST_F(MainWindow, AClientWidthOf240MovesTheRightEdgesAndWidensTheColumns) {
  bool deleted = false;
  auto* wider = new RecordingFrame(&events, &deleted);
  wider->widen = true;
  CAdapterView& view = Start(wider);
  ASSERT_EQ(ClientOf(frame->m_hWnd), "(0, 0, 240, 317)");
  EXPECT_EQ(Measure(view), (Rows{"(2, 20, 238, 85)", "(180, 2, 238, 18)", "(178, 91, 238, 109)",
                                 "(2, 91, 62, 109)", "(2, 114, 238, 315)", "80 90 40 240 ",
                                 "118 117 "}));
  frame->PostMessage(WM_SYSCOMMAND, SC_CLOSE);
  EXPECT_EQ(app.Run(), 0);
  EXPECT_TRUE(deleted);
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

// Clicks a title of the real menu bar; the popup if it opened.
QMenu* OpenPopup(HWND frame, int popup) {
  QMenuBar* bar = MenuBarOf(frame);
  QAction* title = bar->actions().at(popup);
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
  Pump();
  return title->menu()->isVisible() ? title->menu() : nullptr;
}

// Activating the frame hands the focus to the view itself. The edit
// accelerators arrive as commands nobody serves; Alt+H opens Help. The about
// box is modal over the main window (its centring and the keys that end it
// are the dialog class's, checked there) and read by assistive technology;
// File > Exit ends the program.
TEST_F(MainWindow, TheFocusTheKeysTheAboutBoxAndFileExit) {
  bool deleted = false;
  CAdapterView& view = Start(new RecordingFrame(&events, &deleted));
  view.m_listAdapters.SetFocus();
  ASSERT_EQ(::GetFocus(), view.m_listAdapters.m_hWnd);
  HWND other = ::CreateWindowExA(0, AfxRegisterWndClass(0), "other", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                 100, nullptr, nullptr, nullptr, nullptr);
  ::ShowWindow(other, SW_SHOW);
  Pump();
  ASSERT_EQ(::GetActiveWindow(), other);
  WidgetOf(frame->m_hWnd)->activateWindow();
  Pump();
  EXPECT_EQ(::GetActiveWindow(), frame->m_hWnd);
  ASSERT_EQ(::GetFocus(), view.m_hWnd);

  QWidget* target = QApplication::focusWidget();
  ASSERT_NE(target, nullptr);
  events.clear();
  const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
      {Qt::Key_C, Qt::ControlModifier}, {Qt::Key_Insert, Qt::ControlModifier},
      {Qt::Key_X, Qt::ControlModifier}, {Qt::Key_Delete, Qt::ShiftModifier},
      {Qt::Key_V, Qt::ControlModifier}, {Qt::Key_Insert, Qt::ShiftModifier},
      {Qt::Key_Z, Qt::ControlModifier}, {Qt::Key_Backspace, Qt::AltModifier},
      {Qt::Key_F6, Qt::NoModifier},     {Qt::Key_F6, Qt::ShiftModifier}};
  for (const auto& [key, modifiers] : keys) QTest::keyClick(target, key, modifiers);
  ::PostQuitMessage(0);
  app.Run();  // the application's own loop, where accelerators are translated
  Rows commands;  // each key's, in turn, from an accelerator (1)
  for (UINT id : {ID_EDIT_COPY, ID_EDIT_COPY, ID_EDIT_CUT, ID_EDIT_CUT, ID_EDIT_PASTE,
                  ID_EDIT_PASTE, ID_EDIT_UNDO, ID_EDIT_UNDO, ID_NEXT_PANE, ID_PREV_PANE})
    commands.push_back("command " + std::to_string(id) + " from 1");
  EXPECT_EQ(events, commands);
  EXPECT_EQ(::GetActiveWindow(), frame->m_hWnd) << "no dialog opened";
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(::GetFocus(), view.m_hWnd);
  EXPECT_EQ(view.m_nSelected, -1);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_H, Qt::AltModifier);
  Pump();
  QMenu* help = MenuBarOf(frame->m_hWnd)->actions().at(2)->menu();
  EXPECT_TRUE(help->isVisible());
  help->hide();

  ASSERT_EQ(OpenPopup(frame->m_hWnd, 2), help);
  help->hide();
  Read about;
  ASSERT_EQ(Choose({[&](HWND dlg) {
                      about = Read(dlg);
                      EXPECT_EQ(::GetWindow(dlg, GW_OWNER), frame->m_hWnd);
                      EXPECT_FALSE(::IsWindowEnabled(frame->m_hWnd));
                      EXPECT_EQ(::GetFocus(), ::GetDlgItem(dlg, IDOK));
                      EXPECT_EQ(OpenPopup(frame->m_hWnd, 0), nullptr) << "it took input";
                    },
                    Press(IDOK)},
                   2),
            "ended");
  EXPECT_EQ(about.role, QAccessible::Dialog);
  EXPECT_EQ(about.name, "About Lorvane");
  EXPECT_TRUE(Has(about.texts, "Lorvane V0.30"));
  EXPECT_EQ(about.buttons, Rows{"OK"});
  EXPECT_TRUE(::IsWindowEnabled(frame->m_hWnd));
  EXPECT_EQ(::GetActiveWindow(), frame->m_hWnd);

  MenuBarOf(frame->m_hWnd)->actions().at(0)->menu()->actions().at(0)->trigger();
  EXPECT_EQ(app.Run(), 0);
  EXPECT_TRUE(deleted);
  EXPECT_EQ(AfxGetMainWnd(), nullptr);
}

}  // namespace
