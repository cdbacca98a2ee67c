// A window class that writes down every message it gets, for tests that
// check what a window was told and in which order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/include/windows.h"

namespace lorvane::test {

struct Received {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  UINT code;  // WM_NOTIFY: the notification code
  int item;   // WM_NOTIFY from a list view: the item
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
  std::vector<UINT> Notifications() const;  // WM_NOTIFY codes, in order
  std::vector<WPARAM> Commands() const;     // WM_COMMAND wParams, in order
  void Clear() { log_.clear(); }
  const std::vector<Received>& Log() const { return log_; }

  // Runs before the default processing; returning true skips it, with `result`.
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT* result)> onMessage;

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  std::vector<Received> log_;
};

}  // namespace lorvane::test
