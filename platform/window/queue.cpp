// The message queue and the loop calls, sending and hooks.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QWidget>
#include <cstdio>
#include <deque>
#include <exception>
#include <optional>

#include "platform/window/keys.h"
#include "platform/window/queue.h"
#include "platform/window/text.h"
#include "platform/window/window_table.h"

namespace lorvane::window::detail {
namespace {

struct Queued {
  MSG msg{};
  bool hasKey = false;
  KeyRecord key;
};

struct QueueState {
  std::deque<Queued> messages;
  bool quitPending = false;
  int quitCode = 0;
  DWORD lastTime = 0;
  MSG lastRetrieved{};
  // Key records of messages handed out, by time stamp (which is unique).
  std::map<DWORD, KeyRecord> keys;
  const KeyRecord* dispatching = nullptr;
  DWORD dispatchingTime = 0;
  std::map<int, bool> keyDown;
};

QueueState& Queue() {
  static QueueState state;
  return state;
}

int& Depth() {
  static int depth = 0;
  return depth;
}

DWORD Now() {
  static QElapsedTimer timer;
  if (!timer.isValid()) timer.start();
  DWORD now = static_cast<DWORD>(timer.elapsed());
  QueueState& q = Queue();
  if (now <= q.lastTime) now = q.lastTime + 1;
  q.lastTime = now;
  return now;
}

bool Matches(const MSG& msg, HWND handle, UINT first, UINT last) {
  if (handle != nullptr && msg.hwnd != handle && !IsChild(handle, msg.hwnd)) return false;
  if (first == 0 && last == 0) return true;
  return msg.message >= first && msg.message <= last;
}

void NoteKeyState(const Queued& entry) {
  QueueState& q = Queue();
  if (!entry.hasKey) return;
  const unsigned mods = entry.key.modifiers;
  q.keyDown[VK_SHIFT] = (mods & Qt::ShiftModifier) != 0;
  q.keyDown[VK_CONTROL] = (mods & Qt::ControlModifier) != 0;
  q.keyDown[VK_MENU] = (mods & Qt::AltModifier) != 0;
  const UINT m = entry.msg.message;
  if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN) q.keyDown[static_cast<int>(entry.msg.wParam)] = true;
  if (m == WM_KEYUP || m == WM_SYSKEYUP) q.keyDown[static_cast<int>(entry.msg.wParam)] = false;
  q.keys[entry.msg.time] = entry.key;
  while (q.keys.size() > 64) q.keys.erase(q.keys.begin());
}

bool Take(LPMSG msg, HWND handle, UINT first, UINT last, bool remove) {
  QueueState& q = Queue();
  for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
    if (!Matches(it->msg, handle, first, last)) continue;
    *msg = it->msg;
    if (remove) {
      NoteKeyState(*it);
      q.lastRetrieved = it->msg;
      q.messages.erase(it);
    }
    return true;
  }
  if (q.quitPending) {
    *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, Now(), {}};
    if (remove) q.quitPending = false;
    return true;
  }
  return false;
}

void FlushDeletes() {
  if (Depth() == 0 && qApp != nullptr)
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Enqueue(const MSG& msg, const KeyRecord* key, bool front) {
  QueueState& q = Queue();
  Queued entry;
  entry.msg = msg;
  if (key != nullptr) {
    entry.hasKey = true;
    entry.key = *key;
  }
  if (front)
    q.messages.push_front(std::move(entry));
  else
    q.messages.push_back(std::move(entry));
  WakeUp();
}

struct Hook {
  HHOOK handle;
  HOOKPROC proc;
};

std::vector<Hook>& Hooks() {
  static std::vector<Hook> hooks;
  return hooks;
}

}  // namespace

DispatchScope::DispatchScope() { ++Depth(); }
DispatchScope::~DispatchScope() { --Depth(); }
int DispatchDepth() { return Depth(); }

void ReportEscapedException() noexcept {
  const char* what = "an exception of unknown type";
  try {
    throw;
  } catch (const std::exception& e) {
    what = e.what();
  } catch (...) {
  }
  std::fprintf(stderr, "lorvane window: a window procedure failed, its event was dropped: %s\n",
               what);
}

LRESULT Send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = FindQuiet(handle);
  if (window == nullptr || window->proc == nullptr) return 0;
  return window->proc(handle, message, wParam, lParam);
}

void WakeUp() {
  if (qApp == nullptr) return;
  if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
    dispatcher->wakeUp();
}

void PostInput(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, const KeyRecord& key) {
  Enqueue(MSG{handle, message, wParam, lParam, Now(), {}}, &key, false);
}

const KeyRecord* CurrentKeyRecord(HWND, UINT message, WPARAM wParam) {
  QueueState& q = Queue();
  if (q.dispatching == nullptr) return nullptr;
  auto it = q.keys.find(q.dispatchingTime);
  if (it == q.keys.end()) return nullptr;
  if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_KEYUP ||
       message == WM_SYSKEYUP) &&
      static_cast<WPARAM>(VirtualKeyOf(it->second.key, it->second.modifiers)) != wParam)
    return nullptr;
  return &it->second;
}

void ReplayKey(Window& window, UINT message, WPARAM wParam, LPARAM lParam) {
  QWidget* target = window.client;
  if (target == nullptr) return;
  const KeyRecord* record = CurrentKeyRecord(window.handle, message, wParam);
  std::optional<QKeyEvent> event;
  const bool press = message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_CHAR;
  const QEvent::Type type = press ? QEvent::KeyPress : QEvent::KeyRelease;
  if (message == WM_CHAR || message == WM_SYSCHAR) {
    const char c = static_cast<char>(wParam);
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return;
    event.emplace(type, 0, Qt::NoModifier, FromLocal(&c, 1));
  } else {
    const int key = record != nullptr ? record->key : QtKeyOf(static_cast<int>(wParam));
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return;  // focus moves only in dialogs
    const auto mods = Qt::KeyboardModifiers(record != nullptr ? record->modifiers : 0);
    // The text comes with WM_CHAR, as on Windows.
    if (record != nullptr)
      event.emplace(type, key, mods, record->nativeScanCode, record->nativeVirtualKey,
                    record->nativeModifiers, QString(), record->autoRepeat);
    else
      event.emplace(type, key, mods, QString(), (lParam & 0x40000000) != 0);
  }
  ReplayGuard guard;
  QCoreApplication::sendEvent(target, &*event);
}

void RunCbtHook(int code, WPARAM wParam, LPARAM lParam, bool* cancel) {
  *cancel = false;
  if (Hooks().empty()) return;
  const Hook hook = Hooks().back();
  *cancel = hook.proc(code, wParam, lParam) != 0;
}

void RunModalLoop(HWND dialog, const std::function<bool()>& done) {
  while (!done()) {
    MSG msg{};
    const BOOL result = GetMessageA(&msg, nullptr, 0, 0);
    if (result == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (result == -1) return;
    if (dialog != nullptr && IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace lorvane::window::detail

using namespace lorvane::window::detail;

LRESULT SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  return Send(handle, message, wParam, lParam);
}

LRESULT CallWindowProcA(WNDPROC proc, HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  return proc != nullptr ? proc(handle, message, wParam, lParam) : 0;
}

BOOL PostMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  if (handle != nullptr && FindQuiet(handle) == nullptr) return FALSE;
  Enqueue(MSG{handle, message, wParam, lParam, Now(), {}}, nullptr, false);
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  Queue().quitPending = true;
  Queue().quitCode = exitCode;
  WakeUp();
}

BOOL PeekMessageA(LPMSG msg, HWND handle, UINT first, UINT last, UINT removeFlags) {
  if (msg == nullptr) return FALSE;
  if (qApp != nullptr) QCoreApplication::processEvents(QEventLoop::AllEvents);
  const bool remove = (removeFlags & PM_REMOVE) != 0;
  if (Take(msg, handle, first, last, remove)) return TRUE;
  FlushDeletes();
  return FALSE;
}

BOOL GetMessageA(LPMSG msg, HWND handle, UINT first, UINT last) {
  if (msg == nullptr) return -1;
  for (;;) {
    if (qApp != nullptr) QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (Take(msg, handle, first, last, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
    FlushDeletes();
    if (qApp == nullptr) return -1;  // nothing could ever arrive
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

BOOL TranslateMessage(const MSG* msg) {
  if (msg == nullptr) return FALSE;
  if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return FALSE;
  QueueState& q = Queue();
  auto it = q.keys.find(msg->time);
  std::string text;
  if (it != q.keys.end()) {
    text = ToLocal(it->second.text);
  } else if (const char c = CharOfVirtualKey(static_cast<int>(msg->wParam), q.keyDown[VK_SHIFT]);
             c != 0) {
    text.assign(1, c);
  }
  if (text.empty()) return FALSE;
  const UINT charMessage = msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
  for (auto c = text.rbegin(); c != text.rend(); ++c) {
    MSG charMsg{msg->hwnd,   charMessage, static_cast<WPARAM>(static_cast<unsigned char>(*c)),
                msg->lParam, msg->time,   msg->pt};
    Enqueue(charMsg, it != q.keys.end() ? &it->second : nullptr, true);
  }
  return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (msg == nullptr || msg->hwnd == nullptr) return 0;
  QueueState& q = Queue();
  const KeyRecord* saved = q.dispatching;
  const DWORD savedTime = q.dispatchingTime;
  auto it = q.keys.find(msg->time);
  q.dispatching = it != q.keys.end() ? &it->second : nullptr;
  q.dispatchingTime = msg->time;
  const LRESULT result = Send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
  q.dispatching = saved;
  q.dispatchingTime = savedTime;
  return result;
}

bool lorvane::window::detail::KeyDownNow(int virtualKey) {
  auto& down = Queue().keyDown;
  auto it = down.find(virtualKey);
  return it != down.end() && it->second;
}

HHOOK SetWindowsHookExA(int hookId, HOOKPROC proc, HINSTANCE, DWORD) {
  if (hookId != WH_CBT || proc == nullptr) {
    LogUnsupported("window hooks other than WH_CBT");
    return nullptr;
  }
  static std::uintptr_t next = 0x7000000;
  next += 4;
  const HHOOK handle = reinterpret_cast<HHOOK>(next);
  Hooks().push_back(Hook{handle, proc});
  return handle;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  auto& hooks = Hooks();
  for (auto it = hooks.begin(); it != hooks.end(); ++it) {
    if (it->handle == hook) {
      hooks.erase(it);
      return TRUE;
    }
  }
  return FALSE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  auto& hooks = Hooks();
  for (std::size_t i = hooks.size(); i-- > 0;) {
    if (hooks[i].handle == hook) return i > 0 ? hooks[i - 1].proc(code, wParam, lParam) : 0;
  }
  return 0;
}
