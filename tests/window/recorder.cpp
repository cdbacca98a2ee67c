#include "recorder.h"

#include <QTest>

#include "platform/window/resources.h"

namespace lorvane::test {
namespace {

Recorder* current = nullptr;

}  // namespace

Recorder::Recorder() {
  current = this;
  WNDCLASSA cls{};
  cls.lpfnWndProc = Proc;
  cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  cls.lpszClassName = kClass;
  RegisterClassA(&cls);  // stays registered across tests
}

Recorder::~Recorder() { current = nullptr; }

HWND Recorder::Create(DWORD style, int x, int y, int cx, int cy, HWND parent, HMENU menu,
                      LPVOID param) {
  return CreateWindowExA(0, kClass, "recorded", style, x, y, cx, cy, parent, menu,
                         GetModuleHandleA(nullptr), param);
}

std::vector<Received> Recorder::Messages(UINT message) const {
  std::vector<Received> out;
  for (const Received& r : log_)
    if (r.message == message) out.push_back(r);
  return out;
}

std::vector<WPARAM> Recorder::Commands() const {
  std::vector<WPARAM> out;
  for (const Received& r : Messages(WM_COMMAND)) out.push_back(r.wParam);
  return out;
}

LRESULT CALLBACK Recorder::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (current != nullptr) {
    current->log_.push_back(Received{window, message, wParam, lParam});
    LRESULT result = 0;
    if (current->onMessage && current->onMessage(window, message, wParam, lParam, &result))
      return result;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void WindowTest::TearDown() {
  recorder.onMessage = nullptr;  // its captures die with the test body
  EndWindowTest();
  window::InstallResources({});
}

HWND WindowTest::ShowTop(HMENU menu, int x, int y) {
  top = recorder.Create(WS_OVERLAPPEDWINDOW, x, y, 247, 363, nullptr, menu);
  ShowWindow(top, SW_SHOW);
  EXPECT_TRUE(QTest::qWaitForWindowExposed(window::testing::WidgetOf(top)));
  recorder.Clear();
  return top;
}

HWND WindowTest::Control(const char* cls, const char* text, int id, DWORD style, int x, int y,
                         int cx, int cy, HWND parent) {
  return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy,
                         parent != nullptr ? parent : top,
                         reinterpret_cast<HMENU>(static_cast<LONG_PTR>(id)), nullptr, nullptr);
}

RECT WindowRectOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

RECT ClientRectOf(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return r;
}

}  // namespace lorvane::test
