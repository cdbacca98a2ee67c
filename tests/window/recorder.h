// A window class that writes down every message it gets, for tests that
// check what a window was told and in which order, and the fixture the
// window tests share.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/include/windows.h"
#include "platform/window/test_support.h"
#include "support/windows_up.h"

namespace lorvane::test {

struct Received {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class Recorder {
 public:
  Recorder();
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  static constexpr const char* kClass = "LorvaneRecorder";

  // A top-level window (WS_OVERLAPPEDWINDOW unless given) or a child.
  HWND Create(DWORD style, int x, int y, int cx, int cy, HWND parent = nullptr,
              HMENU menu = nullptr, LPVOID param = nullptr);

  std::vector<Received> Messages(UINT message) const;
  std::vector<WPARAM> Commands() const;  // WM_COMMAND wParams, in order
  void Clear() { log_.clear(); }
  const std::vector<Received>& Log() const { return log_; }

  // Runs before the default processing; returning true skips it, with `result`.
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT* result)> onMessage;

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  std::vector<Received> log_;
};

// Leaves no window, resource, hook or queued message for the next test.
class WindowTest : public ::testing::Test {
 protected:
  void TearDown() override;

  // A recorded 247 x 363 top-level window, shown and exposed, its log cleared.
  HWND ShowTop(HMENU menu = nullptr, int x = 0, int y = 0);
  // A visible child control of `parent` (`top` when null).
  HWND Control(const char* cls, const char* text, int id, DWORD style = 0, int x = 10, int y = 10,
               int cx = 120, int cy = 22, HWND parent = nullptr);

  Recorder recorder;
  HWND top = nullptr;
};

RECT WindowRectOf(HWND window);
RECT ClientRectOf(HWND window);

}  // namespace lorvane::test
