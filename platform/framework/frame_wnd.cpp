#include "platform/framework/frame_wnd.h"

#include "platform/framework/cmd_ui.h"
#include "platform/framework/register_class.h"
#include "platform/framework/win_app.h"
#include "platform/framework/wnd_msgmap.h"

IMPLEMENT_DYNAMIC(CFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_SETFOCUS()
ON_WM_CLOSE()
ON_WM_INITMENUPOPUP()
END_MESSAGE_MAP()

// Left to the system: CW_USEDEFAULT position and size.
const RECT CFrameWnd::rectDefault = {CW_USEDEFAULT, CW_USEDEFAULT, 0, 0};

CFrameWnd::~CFrameWnd() {
  if (m_hAccelTable != nullptr) ::DestroyAcceleratorTable(m_hAccelTable);
}

void CFrameWnd::PostNcDestroy() { delete this; }

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs) {
  if (cs.lpszClass == nullptr) cs.lpszClass = AfxRegisterFrameClass();
  if (cs.style & FWS_ADDTOTITLE) cs.style |= FWS_PREFIXTITLE;
  cs.dwExStyle |= WS_EX_CLIENTEDGE;
  return TRUE;
}

BOOL CFrameWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, LPCSTR lpszMenuName, DWORD dwExStyle,
                       CCreateContext* pContext) {
  HMENU hMenu = nullptr;
  if (lpszMenuName != nullptr) {
    hMenu = ::LoadMenuA(AfxGetResourceHandle(), lpszMenuName);
    if (hMenu == nullptr) {
      PostNcDestroy();
      return FALSE;
    }
  }
  // CW_USEDEFAULT stands for the size too.
  const bool byDefault = rect.left == CW_USEDEFAULT;
  const int width = byDefault ? CW_USEDEFAULT : rect.right - rect.left;
  const int height = byDefault ? CW_USEDEFAULT : rect.bottom - rect.top;
  if (!CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, width,
                height, AfxSafeHwnd(pParentWnd), hMenu, pContext)) {
    // The window, and with it this object, is gone; only the menu is left.
    if (hMenu != nullptr) ::DestroyMenu(hMenu);
    return FALSE;
  }
  return TRUE;
}

LPCSTR CFrameWnd::GetIconWndClass(DWORD dwDefaultStyle, UINT nIDResource) {
  HICON hIcon = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(nIDResource));
  if (hIcon == nullptr) return nullptr;
  CREATESTRUCT cs{};
  cs.style = static_cast<LONG>(dwDefaultStyle);
  PreCreateWindow(cs);
  WNDCLASSA wndcls{};
  if (cs.lpszClass != nullptr && ::GetClassInfoA(AfxGetInstanceHandle(), cs.lpszClass, &wndcls) &&
      wndcls.hIcon != hIcon)
    return AfxRegisterWndClass(wndcls.style, wndcls.hCursor, wndcls.hbrBackground, hIcon);
  return nullptr;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd,
                          CCreateContext* pContext) {
  char title[256];
  if (::LoadStringA(AfxGetResourceHandle(), nIDResource, title, sizeof title) > 0) {
    // Only the first of the newline-separated parts names the frame.
    m_strTitle = title;
    m_strTitle = m_strTitle.substr(0, m_strTitle.find('\n'));
  }
  LPCSTR lpszClass = GetIconWndClass(dwDefaultStyle, nIDResource);
  const std::string windowName = m_strTitle;
  if (!Create(lpszClass, windowName.c_str(), dwDefaultStyle, rectDefault, pParentWnd,
              MAKEINTRESOURCEA(nIDResource), 0, pContext))
    return FALSE;
  m_hMenuDefault = ::GetMenu(m_hWnd);
  LoadAccelTable(MAKEINTRESOURCEA(nIDResource));
  return TRUE;
}

BOOL CFrameWnd::LoadAccelTable(LPCSTR lpszResourceName) {
  if (m_hAccelTable != nullptr) return FALSE;
  m_hAccelTable = ::LoadAcceleratorsA(AfxGetResourceHandle(), lpszResourceName);
  return m_hAccelTable != nullptr;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpCreateStruct) { return CWnd::OnCreate(lpCreateStruct); }

void CFrameWnd::RecalcLayout(BOOL) {
  if (m_bInRecalcLayout) return;
  m_bInRecalcLayout = TRUE;
  if (HWND hWndPane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST); hWndPane != nullptr) {
    RECT client{};
    GetClientRect(&client);
    ::SetWindowPos(hWndPane, nullptr, client.left, client.top, client.right - client.left,
                   client.bottom - client.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  m_bInRecalcLayout = FALSE;
}

void CFrameWnd::OnSize(UINT nType, int cx, int cy) {
  CWnd::OnSize(nType, cx, cy);
  RecalcLayout();
}

void CFrameWnd::OnSetFocus(CWnd* pOldWnd) {
  // Hand the focus to the pane when there is one.
  if (HWND hWndPane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST); hWndPane != nullptr)
    ::SetFocus(hWndPane);
  else
    CWnd::OnSetFocus(pOldWnd);
}

void CFrameWnd::OnClose() { DestroyWindow(); }

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) {
  if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
  CWinApp* pApp = AfxGetApp();
  return pApp != nullptr && pApp->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hAccelTable != nullptr &&
      ::TranslateAcceleratorA(m_hWnd, m_hAccelTable, pMsg))
    return TRUE;
  return CWnd::PreTranslateMessage(pMsg);
}

void CFrameWnd::OnInitMenuPopup(CMenu* pPopupMenu, UINT, BOOL bSysMenu) {
  if (bSysMenu) return;
  CCmdUI state;
  state.m_pMenu = pPopupMenu;
  state.m_nIndexMax = pPopupMenu->GetMenuItemCount();
  for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
    state.m_nID = pPopupMenu->GetMenuItemID(static_cast<int>(state.m_nIndex));
    // A nested popup (-1) carries no command.
    if (state.m_nID == static_cast<UINT>(-1)) continue;
    state.DoUpdate(this, m_bAutoMenuEnable && state.m_nID < 0xF000);
  }
}
