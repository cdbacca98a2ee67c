// A window object: one HWND attached to one C++ object. Messages reach the
// object's message table through one window procedure (AfxWndProc); what the
// table does not handle goes to the window's original procedure.
#pragma once

#include "platform/framework/cmd_target.h"
#include "platform/window/commctrl.h"
#include "platform/window/winuser.h"

using CREATESTRUCT = CREATESTRUCTA;
using LPCREATESTRUCT = CREATESTRUCTA*;

class CMenu;
struct CCreateContext;

class CWnd : public CCmdTarget {
  DECLARE_DYNAMIC(CWnd)

 public:
  HWND m_hWnd = nullptr;

  CWnd() = default;
  ~CWnd() override;

  // Handles and objects
  static CWnd* FromHandle(HWND hWnd);
  static CWnd* FromHandlePermanent(HWND hWnd);
  static void DeleteTempMap();
  BOOL Attach(HWND hWndNew);
  HWND Detach();
  BOOL SubclassWindow(HWND hWnd);
  HWND UnsubclassWindow();
  operator HWND() const { return m_hWnd; }

  // Creation and destruction. Create is not virtual: nothing overrides it, and
  // each control class hides it with a Create of its own.
  BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
              CWnd* pParentWnd, UINT nID, CCreateContext* pContext = nullptr);
  BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, int x,
                int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                LPVOID lpParam = nullptr);
  virtual BOOL DestroyWindow();
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);

  // State and geometry
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  int GetDlgCtrlID() const;
  void GetWindowRect(LPRECT lpRect) const;
  void GetClientRect(LPRECT lpRect) const;
  BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
  // Centres on the owner (or parent) when it is visible, else on the screen,
  // kept inside the screen.
  void CenterWindow(CWnd* pAlternateOwner = nullptr);
  BOOL ShowWindow(int nCmdShow);
  void UpdateWindow();
  BOOL IsWindowVisible() const;
  BOOL IsWindowEnabled() const;
  BOOL EnableWindow(BOOL bEnable = TRUE);
  CWnd* SetFocus();
  static CWnd* GetFocus();
  CWnd* GetParent() const;
  CWnd* GetTopLevelParent() const;
  CWnd* GetDlgItem(int nID) const;

  // Text
  void SetWindowText(LPCSTR lpszString);
  int GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const;
  void SetWindowTextA(LPCSTR lpszString) { SetWindowText(lpszString); }
  int GetWindowTextA(LPSTR lpszStringBuf, int nMaxCount) const {
    return GetWindowText(lpszStringBuf, nMaxCount);
  }

  // A message box owned by this window; the caption defaults to the
  // application's title.
  int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK);
  int MessageBoxA(LPCSTR lpszText, LPCSTR lpszCaption = nullptr, UINT nType = MB_OK) {
    return MessageBox(lpszText, lpszCaption, nType);
  }

  // Messages
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Hands the message being handled to the window's original procedure.
  LRESULT Default();
  static const MSG* GetCurrentMessage();

  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  // Gives each window from pMsg->hwnd up to hWndStop its PreTranslateMessage.
  static BOOL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);

 protected:
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  virtual void PreSubclassWindow() {}
  virtual void PostNcDestroy() {}

  // Default handlers: each passes the message on to Default().
  afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
  afx_msg void OnPaint();
  afx_msg void OnSetFocus(CWnd* pOldWnd);
  afx_msg void OnSize(UINT nType, int cx, int cy);
  afx_msg void OnClose();
  afx_msg void OnDestroy();
  afx_msg void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL bSysMenu);
  afx_msg void OnNcDestroy();

 public:
  // The original procedure of a subclassed window.
  WNDPROC m_pfnSuper = nullptr;

  friend LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

  DECLARE_MESSAGE_MAP()
};

LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

// The handle of a window object that may be absent.
inline HWND AfxSafeHwnd(const CWnd* pWnd) { return pWnd != nullptr ? pWnd->m_hWnd : nullptr; }
