#include "platform/framework/list_ctrl.h"

IMPLEMENT_DYNAMIC(CListCtrl, CWnd)

namespace {
LPARAM AsParam(const void* p) { return reinterpret_cast<LPARAM>(p); }

LVITEMA MakeItem(UINT nMask, int nItem, int nSubItem, LPCSTR lpszItem, int nImage, UINT nState,
                 UINT nStateMask, LPARAM lParam) {
  LVITEMA item{};
  item.mask = nMask;
  item.iItem = nItem;
  item.iSubItem = nSubItem;
  item.state = nState;
  item.stateMask = nStateMask;
  item.pszText = const_cast<LPSTR>(lpszItem);
  item.iImage = nImage;
  item.lParam = lParam;
  return item;
}
}  // namespace

BOOL CListCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  return CWnd::Create(WC_LISTVIEWA, nullptr, dwStyle, rect, pParentWnd, nID);
}

int CListCtrl::InsertColumn(int nCol, const LVCOLUMNA* pColumn) {
  return static_cast<int>(
      ::SendMessageA(m_hWnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(nCol), AsParam(pColumn)));
}

int CListCtrl::InsertColumn(int nCol, LPCSTR lpszColumnHeading, int nFormat, int nWidth,
                            int nSubItem) {
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT | LVCF_FMT;
  column.pszText = const_cast<LPSTR>(lpszColumnHeading);
  column.fmt = nFormat;
  if (nWidth != -1) {
    column.mask |= LVCF_WIDTH;
    column.cx = nWidth;
  }
  if (nSubItem != -1) {
    column.mask |= LVCF_SUBITEM;
    column.iSubItem = nSubItem;
  }
  return InsertColumn(nCol, &column);
}

int CListCtrl::GetColumnWidth(int nCol) const {
  return static_cast<int>(::SendMessageA(m_hWnd, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(nCol), 0));
}

int CListCtrl::InsertItem(const LVITEMA* pItem) {
  return static_cast<int>(::SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, AsParam(pItem)));
}

int CListCtrl::InsertItem(int nItem, LPCSTR lpszItem) {
  return InsertItem(LVIF_TEXT, nItem, lpszItem, 0, 0, 0, 0);
}

int CListCtrl::InsertItem(UINT nMask, int nItem, LPCSTR lpszItem, UINT nState, UINT nStateMask,
                          int nImage, LPARAM lParam) {
  const LVITEMA item = MakeItem(nMask, nItem, 0, lpszItem, nImage, nState, nStateMask, lParam);
  return InsertItem(&item);
}

BOOL CListCtrl::SetItem(const LVITEMA* pItem) {
  return static_cast<BOOL>(::SendMessageA(m_hWnd, LVM_SETITEMA, 0, AsParam(pItem)));
}

BOOL CListCtrl::SetItem(int nItem, int nSubItem, UINT nMask, LPCSTR lpszItem, int nImage,
                        UINT nState, UINT nStateMask, LPARAM lParam) {
  const LVITEMA item =
      MakeItem(nMask, nItem, nSubItem, lpszItem, nImage, nState, nStateMask, lParam);
  return SetItem(&item);
}

BOOL CListCtrl::SetItemText(int nItem, int nSubItem, LPCSTR lpszText) {
  LVITEMA item{};
  item.iSubItem = nSubItem;
  item.pszText = const_cast<LPSTR>(lpszText);
  return static_cast<BOOL>(
      ::SendMessageA(m_hWnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(nItem), AsParam(&item)));
}

int CListCtrl::GetItemText(int nItem, int nSubItem, LPSTR lpszText, int nLen) const {
  LVITEMA item{};
  item.iSubItem = nSubItem;
  item.pszText = lpszText;
  item.cchTextMax = nLen;
  return static_cast<int>(
      ::SendMessageA(m_hWnd, LVM_GETITEMTEXTA, static_cast<WPARAM>(nItem), AsParam(&item)));
}

BOOL CListCtrl::SetItemState(int nItem, UINT nState, UINT nMask) {
  LVITEMA item{};
  item.state = nState;
  item.stateMask = nMask;
  return static_cast<BOOL>(
      ::SendMessageA(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(nItem), AsParam(&item)));
}

UINT CListCtrl::GetItemState(int nItem, UINT nMask) const {
  return static_cast<UINT>(::SendMessageA(m_hWnd, LVM_GETITEMSTATE, static_cast<WPARAM>(nItem),
                                          static_cast<LPARAM>(nMask)));
}

DWORD_PTR CListCtrl::GetItemData(int nItem) const {
  LVITEMA item{};
  item.iItem = nItem;
  item.mask = LVIF_PARAM;
  // A row that does not exist leaves the zeroed item as it was.
  ::SendMessageA(m_hWnd, LVM_GETITEMA, 0, AsParam(&item));
  return static_cast<DWORD_PTR>(item.lParam);
}

BOOL CListCtrl::DeleteAllItems() {
  return static_cast<BOOL>(::SendMessageA(m_hWnd, LVM_DELETEALLITEMS, 0, 0));
}

int CListCtrl::GetItemCount() const {
  return static_cast<int>(::SendMessageA(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
}

int CListCtrl::GetNextItem(int nItem, int nFlags) const {
  return static_cast<int>(
      ::SendMessageA(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(nItem), MAKELPARAM(nFlags, 0)));
}

BOOL CListCtrl::RedrawItems(int nFirst, int nLast) {
  return static_cast<BOOL>(::SendMessageA(m_hWnd, LVM_REDRAWITEMS, static_cast<WPARAM>(nFirst),
                                          static_cast<LPARAM>(nLast)));
}
