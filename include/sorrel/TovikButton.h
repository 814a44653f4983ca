// The colour button of the host applications' dialogs: an owner-drawn push button
// whose face is painted in a colour the host chooses, with a classic
// three-dimensional frame drawn line by line. Make it with BS_OWNERDRAW (Create),
// or put it over an owner-drawn button of a dialog with SubclassWindow.
#pragma once

#include "sorrel/Button.h"

class SORREL_API CTovikButton : public CButton {
 public:
  // The face in the system's button-face colour.
  CTovikButton();
  // The face in the given colour.
  explicit CTovikButton(DWORD clrFace);
  ~CTovikButton() override;

  // Sets the face of the enabled and of the disabled button; shows at the next paint.
  void SetBkColor(DWORD clrFace);

  void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

 protected:
  // Frame styles, handled in this order: 4 a black outline, 2 raised, 1 pressed.
  enum { kFramePressed = 1, kFrameRaised = 2, kFrameOutline = 4 };
  void DrawFrame(CDC* pDC, CRect rc, int nStyle);
  // One pixel wide, from (x1, y1) up to but not including (x2, y2).
  void DrawLine(CDC* pDC, int x1, int y1, int x2, int y2, COLORREF clr);
  // The four sides of rc: top and left in one colour, bottom and right in another.
  void DrawSides(CDC* pDC, const CRect& rc, COLORREF clrTopLeft, COLORREF clrBottomRight);

  COLORREF m_clrText;
  COLORREF m_clrFace;
  COLORREF m_clrDisabledFace;
  COLORREF m_clrLight;
  COLORREF m_clrHighlight;
  COLORREF m_clrShadow;
  COLORREF m_clrDarkShadow;
};
