// What tests may replace in the window layer, and the fixed frame metrics.
// Nothing here reads the environment.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/base/types.h"

namespace lorvane::window {

// Frame metrics. There is no real window frame on the offscreen platform (and
// on others the window manager draws its own), so a top-level window is given
// a fixed, Windows-like frame around the Qt widget: a 4-pixel sizing border
// (3 for a dialog frame, 1 for WS_BORDER alone), a 19-pixel caption and a
// 19-pixel menu bar. A 247 x 363 window with a caption and a menu thus has a
// client area of 239 x 317.
inline constexpr int kSizingFrame = 4;
inline constexpr int kDialogFrame = 3;
inline constexpr int kBorder = 1;
inline constexpr int kCaptionHeight = 19;
inline constexpr int kMenuHeight = 19;

// The screen size that GetSystemMetrics(SM_CXSCREEN / SM_CYSCREEN) and any
// centring on the screen see. nullopt puts the primary screen back. Returns
// the size set before.
std::optional<SIZE> SetScreenSize(std::optional<SIZE> size);

// A message box as MessageBoxA was asked for it.
struct MessageBoxRequest {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT type = 0;
};

// When a hook is set, MessageBoxA shows nothing: the owner is disabled, the
// hook answers (IDOK ...), the owner is enabled again and the answer is
// returned. An empty hook puts the real box back. Returns the hook set before.
using MessageBoxHook = std::function<int(const MessageBoxRequest&)>;
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

}  // namespace lorvane::window
