#include "sorrel/TovikButton.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);

}  // namespace

CTovikButton::CTovikButton() : CTovikButton(GetSysColor(COLOR_BTNFACE)) {}

CTovikButton::CTovikButton(DWORD clrFace)
    : m_clrText(GetSysColor(COLOR_BTNTEXT)),
      m_clrFace(clrFace),
      m_clrDisabledFace(clrFace),
      m_clrLight(GetSysColor(COLOR_3DLIGHT)),
      m_clrHighlight(GetSysColor(COLOR_BTNHIGHLIGHT)),
      m_clrShadow(GetSysColor(COLOR_BTNSHADOW)),
      m_clrDarkShadow(GetSysColor(COLOR_3DDKSHADOW)) {}

CTovikButton::~CTovikButton() = default;

void CTovikButton::SetBkColor(DWORD clrFace) {
  m_clrFace = clrFace;
  m_clrDisabledFace = clrFace;
}

void CTovikButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) {
  CDC* pDC = CDC::FromHandle(lpDrawItemStruct->hDC);
  if (!pDC) return;
  const CRect rc(lpDrawItemStruct->rcItem);
  const UINT state = lpDrawItemStruct->itemState;
  const bool disabled = state & ODS_DISABLED;
  const bool pressed = state & ODS_SELECTED;

  CString caption;
  GetWindowText(caption);

  {
    CBrush face(disabled ? m_clrDisabledFace : m_clrFace);
    pDC->FillRect(rc, &face);
  }

  if (pressed)
    DrawFrame(pDC, rc, kFramePressed);
  else if (state & (ODS_FOCUS | ODS_DEFAULT))
    DrawFrame(pDC, rc, kFrameOutline | kFrameRaised);
  else
    DrawFrame(pDC, rc, kFrameRaised);

  const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  pDC->SetBkMode(TRANSPARENT);
  const COLORREF oldText = pDC->GetTextColor();
  CRect upLeft = rc;
  upLeft.OffsetRect(-1, -1);
  if (disabled) {
    // Embossed: a white caption with a grey one a pixel up and left over it.
    CRect r = rc;
    pDC->SetTextColor(kWhite);
    pDC->DrawText(caption, r, format);
    pDC->SetTextColor(kGrey);
    pDC->DrawText(caption, upLeft, format);
  } else if (!pressed) {
    pDC->SetTextColor(m_clrText);
    pDC->DrawText(caption, upLeft, format);
  } else {
    // Pressed, the caption sits a pixel lower and further right.
    CRect r = rc;
    pDC->SetTextColor(m_clrText);
    pDC->DrawText(caption, r, format);
  }
  pDC->SetTextColor(oldText);

  if (state & ODS_FOCUS) {
    CRect focus = rc;
    focus.DeflateRect(4, 4);
    pDC->DrawFocusRect(focus);
  }
}

void CTovikButton::DrawLine(CDC* pDC, int x1, int y1, int x2, int y2, COLORREF clr) {
  CPen pen(PS_SOLID, 1, clr);
  CPen* old = pDC->SelectObject(&pen);
  pDC->MoveTo(x1, y1);
  pDC->LineTo(x2, y2);
  pDC->SelectObject(old);
}

void CTovikButton::DrawSides(CDC* pDC, const CRect& rc, COLORREF clrTopLeft, COLORREF clrBottomRight) {
  DrawLine(pDC, rc.left, rc.top, rc.right, rc.top, clrTopLeft);
  DrawLine(pDC, rc.left, rc.top, rc.left, rc.bottom, clrTopLeft);
  DrawLine(pDC, rc.left, rc.bottom - 1, rc.right, rc.bottom - 1, clrBottomRight);
  DrawLine(pDC, rc.right - 1, rc.top, rc.right - 1, rc.bottom, clrBottomRight);
}

void CTovikButton::DrawFrame(CDC* pDC, CRect rc, int nStyle) {
  if (nStyle & kFrameOutline) {
    DrawSides(pDC, rc, kBlack, kBlack);
    rc.DeflateRect(1, 1);
  }
  if (nStyle & kFrameRaised) {
    DrawSides(pDC, rc, m_clrHighlight, m_clrDarkShadow);
    rc.DeflateRect(1, 1);
    DrawSides(pDC, rc, m_clrLight, m_clrShadow);
  }
  if (nStyle & kFramePressed) {
    DrawSides(pDC, rc, m_clrDarkShadow, m_clrDarkShadow);
    rc.DeflateRect(1, 1);
    DrawSides(pDC, rc, m_clrShadow, m_clrShadow);
  }
}
