#include "view/adapter_view.h"

#include "res/resource.h"

BEGIN_MESSAGE_MAP(CAdapterView, CWnd)
ON_WM_PAINT()
ON_WM_CREATE()
ON_NOTIFY(NM_CLICK, IDC_ADAPTER_LIST, OnAdapterClick)
ON_BN_CLICKED(IDC_REFRESH, OnRefresh)
ON_BN_CLICKED(IDC_RELEASE, OnRelease)
ON_BN_CLICKED(IDC_RENEW, OnRenew)
ON_COMMAND(ID_CHANGE_MAC, OnChangeMac)
END_MESSAGE_MAP()

namespace {

// The main window's size, frame and menu bar included.
const int kMainWidth = 247;
const int kMainHeight = 363;

const char kCaption[] = "Select a Network Adapter";

}  // namespace

CAdapterView::CAdapterView() : m_pAdapterInfo(nullptr), m_nAdapterCount(0), m_nSelected(-1) {}

CAdapterView::~CAdapterView() { FreeSnapshot(true); }

BOOL CAdapterView::PreCreateWindow(CREATESTRUCT& cs) {
  if (!CWnd::PreCreateWindow(cs)) return FALSE;
  cs.style &= ~WS_BORDER;
  cs.lpszClass =
      AfxRegisterWndClass(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, LoadCursorA(nullptr, IDC_ARROW),
                          reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                          LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCE(IDR_MAIN)));
  return TRUE;
}

int CAdapterView::OnCreate(LPCREATESTRUCT) {
  if (Default() == -1) return -1;

  // Size and centre the main window; the frame then fits this view to its
  // client area.
  CWnd* pMainWnd = AfxGetMainWnd();
  pMainWnd->SetWindowPos(nullptr, (GetSystemMetrics(SM_CXSCREEN) - kMainWidth) / 2,
                         (GetSystemMetrics(SM_CYSCREEN) - kMainHeight) / 2, kMainWidth, kMainHeight,
                         SWP_NOZORDER);
  RECT client;
  pMainWnd->GetClientRect(&client);
  const int W = client.right - client.left;
  const int H = client.bottom - client.top;

  RECT rect = {2, 20, W - 2, 85};
  m_listAdapters.Create(
      WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, rect,
      this, IDC_ADAPTER_LIST);
  RECT listRect;
  m_listAdapters.GetWindowRect(&listRect);
  const int w = listRect.right - listRect.left;
  m_listAdapters.InsertColumn(0, "Description", LVCFMT_LEFT, W / 3);
  m_listAdapters.InsertColumn(1, "IP Number", LVCFMT_LEFT, 90);
  m_listAdapters.InsertColumn(2, "DHCP", LVCFMT_LEFT, 40);
  m_listAdapters.InsertColumn(3, "Adapter", LVCFMT_LEFT, 240);

  rect = {W - 60, 2, W - 2, 18};
  m_btnRefresh.Create("Refresh", WS_CHILD | WS_VISIBLE, rect, this, IDC_REFRESH);
  rect = {W - 62, 91, W - 2, 109};
  m_btnRenew.Create("Renew", WS_CHILD | WS_VISIBLE, rect, this, IDC_RENEW);
  rect = {2, 91, 62, 109};
  m_btnRelease.Create("Release", WS_CHILD | WS_VISIBLE, rect, this, IDC_RELEASE);

  rect = {2, 114, W - 2, H - 2};
  m_listInfo.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL, rect, this,
                    IDC_INFO_LIST);
  m_listInfo.InsertColumn(0, "Info", LVCFMT_LEFT, w / 2);
  m_listInfo.InsertColumn(1, "IP Number", LVCFMT_LEFT, w / 2 - 1);

  LoadAdapters(true);
  if (m_nAdapterCount != 0) {
    m_nSelected = 0;
    ShowDetails(static_cast<DWORD>(m_listAdapters.GetItemData(0)));
  }
  return 0;
}

void CAdapterView::OnPaint() {
  CPaintDC dc(this);
  RECT client;
  GetClientRect(&client);
  // Measured first, so the centred text lands at (2, 2).
  RECT r = {2, 2, client.right, 7};
  DrawTextA(dc.m_hDC, kCaption, -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_CENTER);
  DrawTextA(dc.m_hDC, kCaption, -1, &r, DT_SINGLELINE | DT_CENTER);
}
