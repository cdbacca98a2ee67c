// What the user meets in the running main window: where the focus goes, what
// the accelerator and mnemonic keys do, and the about box as it is seen and as
// assistive technology reads it.
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

#include "fixture.h"

using lorvane::window::testing::MenuBarOf;

namespace {

class Interaction : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    Start();
  }

  // Clicks a title of the real menu bar; the popup if it opened.
  QMenu* OpenPopup(int popup) {
    QMenuBar* bar = MenuBarOf(frame->m_hWnd);
    QAction* title = bar->actions().at(popup);
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
    Pump();
    return title->menu()->isVisible() ? title->menu() : nullptr;
  }
};

TEST_F(Interaction, ActivatingTheFrameHandsTheFocusToTheViewItself) {
  CAdapterView& view = frame->m_wndView;
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
  EXPECT_EQ(::GetFocus(), view.m_hWnd);
}

// The edit accelerators arrive as commands nobody serves; Alt+H opens Help.
TEST_F(Interaction, TheAcceleratorAndMnemonicKeys) {
  CAdapterView& view = frame->m_wndView;
  view.SetFocus();
  Pump();
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
}

// Its centring and the keys that end it are the dialog class's, checked there.
TEST_F(Interaction, TheAboutBoxIsModalOverTheMainWindow) {
  QMenu* help = OpenPopup(2);
  ASSERT_NE(help, nullptr);
  help->hide();
  bool seen = false;
  WhenAnotherWindowIsUp(frame->m_hWnd, [&](HWND dlg) {
    seen = true;
    const Read about = ReadOut(dlg);
    EXPECT_EQ(about.role, QAccessible::Dialog);
    EXPECT_EQ(about.name, "About Lorvane");
    EXPECT_TRUE(Has(about.texts, "Lorvane V0.30"));
    EXPECT_EQ(about.buttons, Rows{"OK"});
    EXPECT_EQ(::GetWindow(dlg, GW_OWNER), frame->m_hWnd);
    EXPECT_FALSE(::IsWindowEnabled(frame->m_hWnd));
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(dlg, IDOK));
    EXPECT_EQ(OpenPopup(0), nullptr) << "the main window took input";
    QTest::mouseClick(WidgetOf(::GetDlgItem(dlg, IDOK)), Qt::LeftButton);
  });
  help->actions().at(0)->trigger();
  Pump();
  EXPECT_TRUE(seen);
  EXPECT_TRUE(::IsWindowEnabled(frame->m_hWnd));
  EXPECT_EQ(::GetActiveWindow(), frame->m_hWnd);
}

}  // namespace
