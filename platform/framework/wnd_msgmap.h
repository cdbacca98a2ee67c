// Message-table entries for window messages, each unpacking wParam and
// lParam into the handler's typed arguments.
#pragma once

#include "platform/framework/menu.h"
#include "platform/framework/msgmap.h"
#include "platform/framework/wnd.h"

namespace lorvane::afx {

template <auto M>
void ThunkCreate(CCmdTarget* target, WPARAM, LPARAM lParam, LRESULT* pResult) {
  *pResult = (Target<M>(target)->*M)(reinterpret_cast<LPCREATESTRUCT>(lParam));
}

template <auto M>
void ThunkFocus(CCmdTarget* target, WPARAM wParam, LPARAM, LRESULT*) {
  (Target<M>(target)->*M)(CWnd::FromHandle(reinterpret_cast<HWND>(wParam)));
}

template <auto M>
void ThunkSize(CCmdTarget* target, WPARAM wParam, LPARAM lParam, LRESULT*) {
  (Target<M>(target)->*M)(static_cast<UINT>(wParam), static_cast<SHORT>(LOWORD(lParam)),
                          static_cast<SHORT>(HIWORD(lParam)));
}

template <auto M>
void ThunkInitMenuPopup(CCmdTarget* target, WPARAM wParam, LPARAM lParam, LRESULT*) {
  CMenu menu(reinterpret_cast<HMENU>(wParam));
  (Target<M>(target)->*M)(&menu, LOWORD(lParam), HIWORD(lParam) != 0);
}

}  // namespace lorvane::afx

#define LORVANE_ON_WM(message, thunk, memberFxn) \
  {message, 0, 0, 0, &lorvane::afx::thunk<&ThisClass::memberFxn>},

#define ON_WM_CREATE() LORVANE_ON_WM(WM_CREATE, ThunkCreate, OnCreate)
#define ON_WM_PAINT() LORVANE_ON_WM(WM_PAINT, ThunkVoid, OnPaint)
#define ON_WM_SETFOCUS() LORVANE_ON_WM(WM_SETFOCUS, ThunkFocus, OnSetFocus)
#define ON_WM_SIZE() LORVANE_ON_WM(WM_SIZE, ThunkSize, OnSize)
#define ON_WM_CLOSE() LORVANE_ON_WM(WM_CLOSE, ThunkVoid, OnClose)
#define ON_WM_DESTROY() LORVANE_ON_WM(WM_DESTROY, ThunkVoid, OnDestroy)
#define ON_WM_NCDESTROY() LORVANE_ON_WM(WM_NCDESTROY, ThunkVoid, OnNcDestroy)
#define ON_WM_INITMENUPOPUP() LORVANE_ON_WM(WM_INITMENUPOPUP, ThunkInitMenuPopup, OnInitMenuPopup)
