// Window objects and their handles: the handle map, creation through the
// creation hook, subclassing, and the one window procedure.
#include "platform/framework/wnd.h"

#include "platform/framework/afx_state.h"
#include "platform/framework/register_class.h"
#include "platform/framework/current_app.h"

using lorvane::afx::State;

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

CWnd::~CWnd() {
  if (m_hWnd != nullptr && FromHandlePermanent(m_hWnd) == this) DestroyWindow();
}

// ---------------------------------------------------------------- handle map

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
  auto& map = State().permanentMap;
  auto it = map.find(hWnd);
  return it != map.end() ? it->second : nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
  if (hWnd == nullptr) return nullptr;
  if (CWnd* pWnd = FromHandlePermanent(hWnd)) return pWnd;
  auto& temporary = State().temporaryMap;
  auto& slot = temporary[hWnd];
  if (!slot) {
    slot = std::make_unique<CWnd>();
    slot->m_hWnd = hWnd;
  }
  return slot.get();
}

void CWnd::DeleteTempMap() {
  auto& temporary = State().temporaryMap;
  for (auto& [hWnd, pWnd] : temporary) pWnd->m_hWnd = nullptr;
  temporary.clear();
}

BOOL CWnd::Attach(HWND hWndNew) {
  if (hWndNew == nullptr || m_hWnd != nullptr) return FALSE;
  m_hWnd = hWndNew;
  State().permanentMap[hWndNew] = this;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND hWnd = m_hWnd;
  if (hWnd != nullptr) {
    auto& map = State().permanentMap;
    auto it = map.find(hWnd);
    if (it != map.end() && it->second == this) map.erase(it);
  }
  m_hWnd = nullptr;
  return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
  if (!Attach(hWnd)) return FALSE;
  PreSubclassWindow();
  auto old = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc)));
  if (old != &AfxWndProc) m_pfnSuper = old;
  return TRUE;
}

HWND CWnd::UnsubclassWindow() {
  if (m_pfnSuper != nullptr) {
    ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
  }
  return Detach();
}

// ---------------------------------------------------------------- creation

namespace {

LRESULT CALLBACK AfxCbtFilterHook(int code, WPARAM wParam, LPARAM lParam) {
  auto& state = State();
  if (code == HCBT_CREATEWND && state.pWndInit != nullptr) {
    CWnd* pWndInit = state.pWndInit;
    state.pWndInit = nullptr;
    pWndInit->SubclassWindow(reinterpret_cast<HWND>(wParam));
  }
  return ::CallNextHookEx(state.hHookOldCbtFilter, code, wParam, lParam);
}

}  // namespace

void AfxHookWindowCreate(CWnd* pWnd) {
  auto& state = State();
  if (state.hHookOldCbtFilter == nullptr)
    state.hHookOldCbtFilter = ::SetWindowsHookExA(WH_CBT, &AfxCbtFilterHook, nullptr, 0);
  state.pWndInit = pWnd;
}

BOOL AfxUnhookWindowCreate() {
  auto& state = State();
  if (state.hHookOldCbtFilter != nullptr) {
    ::UnhookWindowsHookEx(state.hHookOldCbtFilter);
    state.hHookOldCbtFilter = nullptr;
  }
  if (state.pWndInit != nullptr) {
    state.pWndInit = nullptr;
    return FALSE;
  }
  return TRUE;
}

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext* pContext) {
  return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top, AfxSafeHwnd(pParentWnd),
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), pContext);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam) {
  CREATESTRUCT cs{};
  cs.dwExStyle = dwExStyle;
  cs.lpszClass = lpszClassName;
  cs.lpszName = lpszWindowName;
  cs.style = static_cast<LONG>(dwStyle);
  cs.x = x;
  cs.y = y;
  cs.cx = nWidth;
  cs.cy = nHeight;
  cs.hwndParent = hWndParent;
  cs.hMenu = nIDorHMenu;
  cs.hInstance = AfxGetInstanceHandle();
  cs.lpCreateParams = lpParam;

  if (!PreCreateWindow(cs)) {
    PostNcDestroy();
    return FALSE;
  }

  AfxHookWindowCreate(this);
  HWND hWnd = ::CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName,
                                static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx, cs.cy,
                                cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
  // A window that failed before the hook saw it still gets its clean-up;
  // one that failed later has been destroyed (and maybe deleted) already.
  if (!AfxUnhookWindowCreate()) PostNcDestroy();
  return hWnd != nullptr;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (cs.lpszClass == nullptr) cs.lpszClass = AfxRegisterChildClass();
  return TRUE;
}

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr) return FALSE;
  const bool permanent = FromHandlePermanent(m_hWnd) == this;
  HWND hWnd = m_hWnd;
  const BOOL result = ::DestroyWindow(hWnd);
  // A window the framework did not see to its end (never subclassed) is
  // let go here.
  if (!permanent) m_hWnd = nullptr;
  return result;
}

// ---------------------------------------------------------------- the window procedure

LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
  auto& state = State();
  const MSG saved = state.lastSentMsg;
  state.lastSentMsg = MSG{hWnd, nMsg, wParam, lParam, 0, {0, 0}};

  // A dialog that did not move while it initialised is centred afterwards.
  RECT rectOld{};
  DWORD dwStyleOld = 0;
  if (nMsg == WM_INITDIALOG) {
    pWnd->GetWindowRect(&rectOld);
    dwStyleOld = pWnd->GetStyle();
  }

  LRESULT lResult = 0;
  try {
    lResult = pWnd->WindowProc(nMsg, wParam, lParam);
  } catch (...) {
    lResult = AfxProcessWndProcException(MSG{hWnd, nMsg, wParam, lParam, 0, {0, 0}});
  }

  if (nMsg == WM_INITDIALOG && ::IsWindow(hWnd)) {
    RECT rectNew{};
    ::GetWindowRect(hWnd, &rectNew);
    HWND hWndOwner = ::GetWindow(hWnd, GW_OWNER);
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(hWnd, GWL_STYLE));
    if (!(dwStyleOld & WS_VISIBLE) && !(style & (WS_VISIBLE | WS_CHILD)) &&
        rectOld.left == rectNew.left && rectOld.top == rectNew.top &&
        (hWndOwner == nullptr || !::IsWindowEnabled(hWndOwner)))
      pWnd->CenterWindow();
  }

  state.lastSentMsg = saved;
  return lResult;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
  CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
  if (pWnd == nullptr) return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
  return AfxCallWndProc(pWnd, hWnd, nMsg, wParam, lParam);
}

// Here rather than beside its header: the state owns CWnd objects.
lorvane::afx::ThreadState& lorvane::afx::State() {
  static ThreadState state;
  return state;
}
