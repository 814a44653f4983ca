#include "sorrel/Button.h"

#include "platform/WindowBackend.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)

CButton::CButton() = default;
CButton::~CButton() = default;

BOOL CButton::Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  if (!pParentWnd || !pParentWnd->m_hWnd) return FALSE;
  sorrel::win::Params params;
  params.kind = sorrel::win::Kind::Button;
  params.text = lpszCaption ? lpszCaption : "";
  params.style = dwStyle | WS_CHILD;
  params.rect = rect;
  params.parent = pParentWnd->m_hWnd;
  params.id = nID;
  return sorrel::wnd::CreateFor(this, params);
}

void CButton::DrawItem(LPDRAWITEMSTRUCT) {}
