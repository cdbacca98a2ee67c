// The fixture the window tests share: a window class that writes down every
// message it gets, for tests that check what a window was told and in which
// order; no window, resource, hook or queued message is left for the next.
#pragma once

#include <gtest/gtest.h>

#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "platform/include/windows.h"
#include "platform/window/resources.h"
#include "platform/window/test_support.h"
#include "support/windows_up.h"

namespace lorvane::test {

struct Received {
  HWND window;
  UINT message;
  WPARAM wParam;
};

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    current = this;
    WNDCLASSA cls{};
    cls.lpfnWndProc = Proc;
    cls.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    cls.lpszClassName = "LorvaneRecorder";
    RegisterClassA(&cls);  // stays registered across tests
  }
  void TearDown() override {
    onMessage = nullptr;  // its captures die with the test body
    EndWindowTest();
    window::InstallResources({});
    current = nullptr;
  }

  // A recorded top-level (WS_OVERLAPPEDWINDOW) or child window.
  HWND Create(DWORD style, int x, int y, int cx, int cy, HWND parent = nullptr,
              HMENU menu = nullptr) {
    return CreateWindowExA(0, "LorvaneRecorder", "recorded", style, x, y, cx, cy, parent, menu,
                           GetModuleHandleA(nullptr), nullptr);
  }
  // A recorded 247 x 363 top-level window, shown and exposed, its log cleared.
  HWND ShowTop(HMENU menu = nullptr, int x = 0, int y = 0) {
    top = Create(WS_OVERLAPPEDWINDOW, x, y, 247, 363, nullptr, menu);
    ShowWindow(top, SW_SHOW);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window::testing::WidgetOf(top)));
    log.clear();
    return top;
  }
  // A visible child control of `parent` (`top` when null).
  HWND Control(const char* cls, const char* text, int id, DWORD style = 0, int x = 10, int y = 10,
               int cx = 120, int cy = 22, HWND parent = nullptr) {
    return CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy,
                           parent != nullptr ? parent : top,
                           reinterpret_cast<HMENU>(static_cast<LONG_PTR>(id)), nullptr, nullptr);
  }

  std::size_t Count(UINT message) const {
    std::size_t n = 0;
    for (const Received& r : log) n += r.message == message;
    return n;
  }
  std::vector<WPARAM> Commands() const {  // WM_COMMAND wParams, in order
    std::vector<WPARAM> out;
    for (const Received& r : log)
      if (r.message == WM_COMMAND) out.push_back(r.wParam);
    return out;
  }

  std::vector<Received> log;
  // Runs before the default processing; returning true skips it, with `result`.
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT* result)> onMessage;
  HWND top = nullptr;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (current != nullptr) {
      current->log.push_back(Received{window, message, wParam});
      LRESULT result = 0;
      if (current->onMessage && current->onMessage(window, message, wParam, lParam, &result))
        return result;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }
  static inline WindowTest* current = nullptr;
};

// "(left, top, right, bottom)" of the window's client area.
inline std::string ClientOf(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  return Str(r);
}

}  // namespace lorvane::test
