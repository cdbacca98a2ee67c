#include "platform/window/keys.h"

#include <Qt>
#include <utility>

#include "platform/window/winuser.h"

namespace lorvane::window::detail {
namespace {

// clang-format off
constexpr std::pair<int, int> kKeys[] = {
    {Qt::Key_Backspace, VK_BACK},  {Qt::Key_Tab, VK_TAB},         {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Clear, VK_CLEAR},     {Qt::Key_Return, VK_RETURN},   {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Shift, VK_SHIFT},     {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},
    {Qt::Key_Pause, VK_PAUSE},     {Qt::Key_CapsLock, VK_CAPITAL}, {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Space, VK_SPACE},     {Qt::Key_PageUp, VK_PRIOR},    {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},         {Qt::Key_Home, VK_HOME},       {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},           {Qt::Key_Right, VK_RIGHT},     {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Select, VK_SELECT},   {Qt::Key_Print, VK_SNAPSHOT},  {Qt::Key_Execute, VK_EXECUTE},
    {Qt::Key_Insert, VK_INSERT},   {Qt::Key_Delete, VK_DELETE},   {Qt::Key_Help, VK_HELP},
    {Qt::Key_Meta, VK_LWIN},       {Qt::Key_Menu, VK_APPS},       {Qt::Key_NumLock, VK_NUMLOCK},
    {Qt::Key_ScrollLock, VK_SCROLL}, {Qt::Key_Semicolon, 0xBA},   {Qt::Key_Equal, 0xBB},
    {Qt::Key_Comma, 0xBC},         {Qt::Key_Minus, 0xBD},         {Qt::Key_Period, 0xBE},
    {Qt::Key_Slash, 0xBF},         {Qt::Key_QuoteLeft, 0xC0},     {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_Backslash, 0xDC},     {Qt::Key_BracketRight, 0xDD},  {Qt::Key_Apostrophe, 0xDE},
};

constexpr std::pair<int, int> kKeypad[] = {
    {Qt::Key_Asterisk, VK_MULTIPLY}, {Qt::Key_Plus, VK_ADD},     {Qt::Key_Minus, VK_SUBTRACT},
    {Qt::Key_Period, VK_DECIMAL},    {Qt::Key_Slash, VK_DIVIDE},
};
// clang-format on

int& ReplayDepth() {
  static int depth = 0;
  return depth;
}

}  // namespace

int VirtualKeyOf(int qtKey, unsigned modifiers) {
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
    return (modifiers & Qt::KeypadModifier) ? VK_NUMPAD0 + (qtKey - Qt::Key_0) : qtKey;
  }
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return VK_F1 + (qtKey - Qt::Key_F1);
  if (modifiers & Qt::KeypadModifier) {
    for (const auto& [qt, vk] : kKeypad)
      if (qt == qtKey) return vk;
  }
  for (const auto& [qt, vk] : kKeys)
    if (qt == qtKey) return vk;
  return 0;
}

int QtKeyOf(int virtualKey) {
  if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
    return virtualKey;
  if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_NUMPAD9)
    return Qt::Key_0 + (virtualKey - VK_NUMPAD0);
  if (virtualKey >= VK_F1 && virtualKey <= VK_F1 + 23) return Qt::Key_F1 + (virtualKey - VK_F1);
  for (const auto& [qt, vk] : kKeys)
    if (vk == virtualKey) return qt;
  for (const auto& [qt, vk] : kKeypad)
    if (vk == virtualKey) return qt;
  return Qt::Key_unknown;
}

char CharOfVirtualKey(int virtualKey, bool shift) {
  if (virtualKey >= 'A' && virtualKey <= 'Z')
    return static_cast<char>(shift ? virtualKey : virtualKey + 32);
  if (virtualKey >= '0' && virtualKey <= '9' && !shift) return static_cast<char>(virtualKey);
  switch (virtualKey) {
    case VK_SPACE:
      return ' ';
    case VK_RETURN:
      return '\r';
    case VK_ESCAPE:
      return 0x1B;
    case VK_BACK:
      return '\b';
    case VK_TAB:
      return '\t';
    default:
      return 0;
  }
}

ReplayGuard::ReplayGuard() { ++ReplayDepth(); }
ReplayGuard::~ReplayGuard() { --ReplayDepth(); }
bool ReplayGuard::Active() { return ReplayDepth() > 0; }

}  // namespace lorvane::window::detail
