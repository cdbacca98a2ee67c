// The list view control in report mode: columns, rows of copied texts, item
// data and selection state.
#pragma once

#include "platform/framework/wnd.h"

class CListCtrl : public CWnd {
  DECLARE_DYNAMIC(CListCtrl)

 public:
  CListCtrl() = default;

  BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

  int InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat = LVCFMT_LEFT, int nWidth = -1);
  int InsertItem(UINT nMask, int nItem, LPCSTR lpszItem, UINT nState, UINT nStateMask, int nImage,
                 LPARAM lParam);
  BOOL SetItem(int nItem, int nSubItem, UINT nMask, LPCSTR lpszItem, int nImage, UINT nState,
               UINT nStateMask, LPARAM lParam);
  BOOL SetItemText(int nItem, int nSubItem, LPCSTR lpszText);
  BOOL SetItemState(int nItem, UINT nState, UINT nMask);
  // The row's item data; 0 for a row that does not exist.
  DWORD_PTR GetItemData(int nItem) const;
  int GetItemCount() const;
  int GetNextItem(int nItem, int nFlags) const;
};
