#include "change_mac_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <memory>

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
