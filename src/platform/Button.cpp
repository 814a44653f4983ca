#include "sorrel/Button.h"

#include "platform/WindowBackend.h"

IMPLEMENT_DYNAMIC(CButton, CWnd)

CButton::CButton() = default;
CButton::~CButton() = default;

BOOL CButton::Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
  if (!pParentWnd || !pParentWnd->m_hWnd) return FALSE;
  sorrel::win::Spec spec;
  spec.kind = sorrel::win::Kind::Button;
  spec.text = lpszCaption ? lpszCaption : "";
  spec.style = dwStyle | WS_CHILD;
  spec.rect = rect;
  spec.parent = pParentWnd->m_hWnd;
  spec.id = nID;
  return sorrel::wnd::CreateFor(this, spec);
}

void CButton::DrawItem(LPDRAWITEMSTRUCT) {}
