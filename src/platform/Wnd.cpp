#include "sorrel/Wnd.h"

#include <unordered_map>
#include <vector>

#include "platform/CodePageInternal.h"
#include "platform/Toolkit.h"
#include "resources/Dialogs.h"

IMPLEMENT_DYNAMIC(CWnd, CObject)
IMPLEMENT_DYNAMIC(CDialog, CWnd)

struct CWndAccess {
  static CWnd*& PrevOwner(CWnd* w) { return w->m_pPrevOwner; }
  static bool& CreatedHere(CWnd* w) { return w->m_bCreatedHere; }
  static UINT& ID(CWnd* w) { return w->m_nID; }
  static void PostNcDestroy(CWnd* w) { w->PostNcDestroy(); }
};

namespace {

// Window objects by handle. Windows live on the GUI thread, and so does this map.
std::unordered_map<HWND, CWnd*>& Objects() {
  static std::unordered_map<HWND, CWnd*> map;
  return map;
}

// The message each object is handling, innermost last, for Default().
struct Current {
  CWnd* wnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
thread_local std::vector<Current> t_current;

LRESULT Dispatch(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam) {
  t_current.push_back({wnd, message, wParam, lParam});
  LRESULT result = wnd->WindowProc(message, wParam, lParam);
  t_current.pop_back();
  return result;
}

bool IsRouted(UINT message) { return message == WM_COMMAND || message == WM_NOTIFY; }

const AFX_MSGMAP_ENTRY* FindEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id) {
  for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e && e->pfnCall; ++e) {
      if (e->nMessage != message) continue;
      if (!IsRouted(message) || (e->nCode == code && id >= e->nID && id <= e->nLastID)) return e;
    }
    if (!map->pfnGetBaseMap) break;
  }
  return nullptr;
}

}  // namespace

namespace sorrel::wnd {

LRESULT Deliver(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, bool* pDelivered) {
  auto it = Objects().find(hWnd);
  if (pDelivered) *pDelivered = it != Objects().end();
  if (it == Objects().end()) return 0;
  return Dispatch(it->second, message, wParam, lParam);
}

bool CreateFor(CWnd* wnd, win::Params params) {
  if (wnd->m_hWnd) return false;
  params.owner = wnd;
  HWND hWnd = sorrel::TheToolkit().Create(params);
  if (!hWnd) return false;
  wnd->m_hWnd = hWnd;
  CWndAccess::CreatedHere(wnd) = true;
  CWndAccess::ID(wnd) = params.id;
  Objects()[hWnd] = wnd;
  return true;
}

void Destroyed(HWND hWnd) {
  auto it = Objects().find(hWnd);
  if (it == Objects().end()) return;
  CWnd* wnd = it->second;
  Objects().erase(it);
  // Every object the window had (a subclassing one and those before it) lets go.
  while (wnd) {
    CWnd* prev = CWndAccess::PrevOwner(wnd);
    CWndAccess::PrevOwner(wnd) = nullptr;
    wnd->m_hWnd = nullptr;
    CWndAccess::CreatedHere(wnd) = false;
    CWndAccess::PostNcDestroy(wnd);
    wnd = prev;
  }
}

}  // namespace sorrel::wnd

// ---- CWnd ------------------------------------------------------------------------

CWnd::CWnd() = default;

CWnd::~CWnd() {
  if (m_hWnd) {
    if (m_bCreatedHere)
      DestroyWindow();
    else
      Detach();
  }
}

CWnd* CWnd::FromHandle(HWND hWnd) {
  auto it = Objects().find(hWnd);
  return it == Objects().end() ? nullptr : it->second;
}

BOOL CWnd::Create(LPCSTR, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  if (m_hWnd) return FALSE;
  sorrel::win::Params params;
  params.kind = pParentWnd && pParentWnd->m_hWnd ? sorrel::win::Kind::Child : sorrel::win::Kind::Frame;
  params.text = lpszWindowName ? lpszWindowName : "";
  params.style = dwStyle;
  params.rect = rect;
  params.parent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
  params.id = nID;
  return sorrel::wnd::CreateFor(this, params);
}

BOOL CWnd::Attach(HWND hWnd) {
  if (m_hWnd || !hWnd) return FALSE;
  auto it = Objects().find(hWnd);
  m_pPrevOwner = it == Objects().end() ? nullptr : it->second;
  if (m_pPrevOwner) m_nID = m_pPrevOwner->m_nID;
  Objects()[hWnd] = this;
  m_hWnd = hWnd;
  m_bCreatedHere = false;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND hWnd = m_hWnd;
  if (!hWnd) return nullptr;
  auto it = Objects().find(hWnd);
  if (it != Objects().end() && it->second == this) {
    if (m_pPrevOwner)
      it->second = m_pPrevOwner;
    else
      Objects().erase(it);
  }
  m_pPrevOwner = nullptr;
  m_hWnd = nullptr;
  return hWnd;
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  if (!m_bCreatedHere) {
    // A window this object only watches stays with its maker.
    Detach();
    return TRUE;
  }
  SendMessage(WM_DESTROY);
  HWND hWnd = m_hWnd;
  if (!hWnd) return TRUE;  // its handler destroyed it already
  sorrel::TheToolkit().Destroy(hWnd);
  // The toolkit reports the destruction; a window it keeps alive still lets go here.
  if (m_hWnd) sorrel::wnd::Destroyed(hWnd);
  return TRUE;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
  if (!m_hWnd) return FALSE;
  BOOL wasVisible = sorrel::TheToolkit().IsVisible(m_hWnd);
  sorrel::TheToolkit().Show(m_hWnd, nCmdShow);
  return wasVisible;
}

void CWnd::UpdateWindow() {
  if (m_hWnd) sorrel::TheToolkit().Update(m_hWnd);
}

void CWnd::Invalidate(BOOL) {
  if (m_hWnd) sorrel::TheToolkit().Invalidate(m_hWnd);
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
  if (!m_hWnd) return FALSE;
  BOOL wasDisabled = !sorrel::TheToolkit().IsEnabled(m_hWnd);
  sorrel::TheToolkit().Enable(m_hWnd, bEnable != FALSE);
  return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const { return m_hWnd && sorrel::TheToolkit().IsEnabled(m_hWnd); }
BOOL CWnd::IsWindowVisible() const { return m_hWnd && sorrel::TheToolkit().IsVisible(m_hWnd); }

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL) {
  if (m_hWnd) sorrel::TheToolkit().Move(m_hWnd, RECT{x, y, x + nWidth, y + nHeight});
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
  if (lpRect) MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

void CWnd::GetClientRect(LPRECT lpRect) const {
  if (lpRect) *lpRect = m_hWnd ? sorrel::TheToolkit().ClientRect(m_hWnd) : RECT{0, 0, 0, 0};
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
  if (lpRect) *lpRect = m_hWnd ? sorrel::TheToolkit().WindowRect(m_hWnd) : RECT{0, 0, 0, 0};
}

void CWnd::SetWindowText(LPCSTR lpszString) {
  if (m_hWnd) sorrel::TheToolkit().SetText(m_hWnd, lpszString ? lpszString : "");
}

void CWnd::GetWindowText(CString& rString) const {
  rString = m_hWnd ? CString(std::string_view(sorrel::TheToolkit().GetText(m_hWnd))) : CString();
}

CWnd* CWnd::SetFocus() {
  CWnd* previous = FromHandle(sorrel::TheToolkit().GetFocus());
  if (m_hWnd) sorrel::TheToolkit().SetFocus(m_hWnd);
  return previous;
}

int CWnd::GetDlgCtrlID() const { return m_hWnd ? int(m_nID) : 0; }

CWnd* CWnd::GetParent() const { return m_hWnd ? FromHandle(sorrel::TheToolkit().Parent(m_hWnd)) : nullptr; }

CWnd* CWnd::GetDlgItem(int nID) const {
  if (!m_hWnd) return nullptr;
  for (const auto& [hWnd, wnd] : Objects())
    if (int(wnd->m_nID) == nID && sorrel::TheToolkit().Parent(hWnd) == m_hWnd) return wnd;
  return nullptr;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return Dispatch(this, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessage(m_hWnd, message, wParam, lParam);
}

BOOL PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
  if (!hWnd) return FALSE;
  return sorrel::TheToolkit().Post(hWnd, Msg, wParam, lParam) ? TRUE : FALSE;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
  return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  LRESULT result = 0;
  BOOL handled = FALSE;
  if (message == WM_COMMAND) {
    handled = OnCommand(wParam, lParam);
  } else if (message == WM_NOTIFY) {
    handled = OnNotify(wParam, lParam, &result);
  } else if (const AFX_MSGMAP_ENTRY* e = FindEntry(GetMessageMap(), message, 0, 0)) {
    result = e->pfnCall(this, wParam, lParam);
    handled = TRUE;
  }
  if (handled && pResult) *pResult = result;
  return handled;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  const AFX_MSGMAP_ENTRY* e = FindEntry(GetMessageMap(), WM_COMMAND, HIWORD(wParam), LOWORD(wParam));
  if (!e) return FALSE;
  e->pfnCall(this, wParam, lParam);
  return TRUE;
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult) {
  const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
  if (!hdr) return FALSE;
  const AFX_MSGMAP_ENTRY* e = FindEntry(GetMessageMap(), WM_NOTIFY, hdr->code, UINT(hdr->idFrom));
  if (!e) return FALSE;
  LRESULT result = e->pfnCall(this, 0, lParam);
  if (pResult) *pResult = result;
  return TRUE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return m_hWnd ? sorrel::TheToolkit().DefaultProcessing(m_hWnd, message, wParam, lParam) : 0;
}

LRESULT CWnd::Default() {
  for (auto it = t_current.rbegin(); it != t_current.rend(); ++it)
    if (it->wnd == this) return DefWindowProc(it->message, it->wParam, it->lParam);
  return 0;
}

const AFX_MSGMAP* CWnd::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr}};
  static const AFX_MSGMAP map = {nullptr, entries};
  return &map;
}

const AFX_MSGMAP* CWnd::GetMessageMap() const { return GetThisMessageMap(); }

// ---- CDialog -----------------------------------------------------------------------

CDialog::CDialog() = default;
CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}
CDialog::~CDialog() {
  if (m_hWnd) DestroyWindow();
}

BOOL CDialog::CreateFromTemplate(bool bModal) {
  if (m_hWnd) return FALSE;
  const sorrel::res::DialogTemplate* tpl = sorrel::res::FindDialog(m_nIDTemplate);
  if (!tpl) return FALSE;
  int baseX = sorrel::res::kClassicBaseX, baseY = sorrel::res::kClassicBaseY;
  sorrel::TheToolkit().DialogBaseUnits(tpl->fontFace, tpl->pointSize, baseX, baseY);
  auto px = [&](int x) { return sorrel::res::DialogUnitsToPixelsX(x, baseX); };
  auto py = [&](int y) { return sorrel::res::DialogUnitsToPixelsY(y, baseY); };

  sorrel::win::Params params;
  params.kind = sorrel::win::Kind::Dialog;
  params.owner = this;
  params.style = tpl->style;
  params.rect = RECT{0, 0, px(tpl->cx), py(tpl->cy)};
  params.parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
  params.id = m_nIDTemplate;
  HWND hWnd = sorrel::TheToolkit().Create(params);
  if (!hWnd) return FALSE;
  m_hWnd = hWnd;
  CWndAccess::CreatedHere(this) = true;
  Objects()[hWnd] = this;
  m_bModal = bModal;

  m_controls.clear();
  for (std::size_t i = 0; i < tpl->nControls; ++i) {
    const sorrel::res::DialogControl& c = tpl->controls[i];
    sorrel::win::Params cs;
    cs.kind = c.kind == sorrel::res::ControlKind::Button    ? sorrel::win::Kind::Button
              : c.kind == sorrel::res::ControlKind::Picture ? sorrel::win::Kind::Picture
                                                            : sorrel::win::Kind::Static;
    auto control = std::make_unique<CWnd>();
    cs.owner = control.get();
    cs.text = sorrel::Utf8ToAnsi(c.textUtf8);
    cs.style = c.style;
    cs.rect = RECT{px(c.x), py(c.y), px(c.x + c.cx), py(c.y + c.cy)};
    cs.parent = hWnd;
    cs.id = UINT(c.nID);
    cs.bitmap = c.nBitmap;
    HWND hControl = sorrel::TheToolkit().Create(cs);
    if (!hControl) continue;
    control->m_hWnd = hControl;
    CWndAccess::ID(control.get()) = UINT(c.nID);
    Objects()[hControl] = control.get();
    m_controls.push_back(std::move(control));
  }

  if (SendMessage(WM_INITDIALOG) && m_hWnd) {
    // The first visible, enabled control with a tab stop takes the focus.
    for (std::size_t i = 0; i < tpl->nControls; ++i) {
      const sorrel::res::DialogControl& c = tpl->controls[i];
      CWnd* item = (c.style & WS_TABSTOP) && (c.style & WS_VISIBLE) ? GetDlgItem(c.nID) : nullptr;
      if (item && item->IsWindowEnabled()) {
        item->SetFocus();
        break;
      }
    }
  }
  return TRUE;
}

INT_PTR CDialog::DoModal() {
  if (!CreateFromTemplate(true)) return -1;
  if (!m_hWnd) return -1;  // destroyed during its initialisation
  int result = sorrel::TheToolkit().RunModal(m_hWnd);
  DestroyWindow();
  return result;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
  m_nIDTemplate = nIDTemplate;
  m_pParentWnd = pParentWnd;
  if (!CreateFromTemplate(false)) return FALSE;
  const sorrel::res::DialogTemplate* tpl = sorrel::res::FindDialog(nIDTemplate);
  if (m_hWnd && tpl && (tpl->style & WS_VISIBLE)) ShowWindow(SW_SHOWNORMAL);
  return TRUE;
}

void CDialog::EndDialog(int nResult) {
  if (!m_hWnd) return;
  if (m_bModal)
    sorrel::TheToolkit().EndModal(m_hWnd, nResult);
  else
    ShowWindow(SW_HIDE);
}

BOOL CDialog::OnInitDialog() { return TRUE; }

BOOL CDialog::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
  if (CWnd::OnWndMsg(message, wParam, lParam, pResult)) return TRUE;
  if (message != WM_INITDIALOG) return FALSE;
  BOOL focus = OnInitDialog();
  if (pResult) *pResult = focus;
  return TRUE;
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (CWnd::OnCommand(wParam, lParam)) return TRUE;
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wParam)) {
    case IDOK:
      OnOK();
      return TRUE;
    case IDCANCEL:
      OnCancel();
      return TRUE;
    default:
      return FALSE;
  }
}

void CDialog::SetDlgItemText(int nID, LPCSTR lpszString) {
  if (CWnd* item = GetDlgItem(nID)) item->SetWindowText(lpszString);
}

void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }
