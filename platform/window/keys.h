// Virtual-key codes and Qt keys, both ways.
#pragma once

namespace lorvane::window::detail {

int VirtualKeyOf(int qtKey, unsigned modifiers);
int QtKeyOf(int virtualKey);
// The character TranslateMessage makes of a key without a Qt event behind it
// (a message the program posted); 0 for none.
char CharOfVirtualKey(int virtualKey, bool shift);

// While alive, key events sent to our widgets are the window layer's own
// replays and go to the widget instead of the queue.
class ReplayGuard {
 public:
  ReplayGuard();
  ~ReplayGuard();
  ReplayGuard(const ReplayGuard&) = delete;
  ReplayGuard& operator=(const ReplayGuard&) = delete;
  static bool Active();
};

}  // namespace lorvane::window::detail
