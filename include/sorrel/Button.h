// Push buttons, owner-drawn ones among them, and the system colours they paint
// with. A button made with BS_OWNERDRAW leaves its whole face to DrawItem, which
// the window calls whenever the button is to be painted, with a device context
// over the button, its rectangle and its state (pressed, focused, disabled, the
// dialog's default button).
#pragma once

#include "sorrel/Gdi.h"
#include "sorrel/Wnd.h"

// Owner-draw control types, actions and states.
#define ODT_BUTTON 4
#define ODA_DRAWENTIRE 0x0001
#define ODS_SELECTED 0x0001
#define ODS_GRAYED 0x0002
#define ODS_DISABLED 0x0004
#define ODS_CHECKED 0x0008
#define ODS_FOCUS 0x0010
#define ODS_DEFAULT 0x0020

struct DRAWITEMSTRUCT {
  UINT CtlType;
  UINT CtlID;
  UINT itemID;
  UINT itemAction;
  UINT itemState;
  HWND hwndItem;
  HDC hDC;
  RECT rcItem;
  ULONG_PTR itemData;
};
typedef DRAWITEMSTRUCT* LPDRAWITEMSTRUCT;

// System colours (GetSysColor).
#define COLOR_WINDOW 5
#define COLOR_WINDOWTEXT 8
#define COLOR_HIGHLIGHT 13
#define COLOR_HIGHLIGHTTEXT 14
#define COLOR_BTNFACE 15
#define COLOR_3DFACE COLOR_BTNFACE
#define COLOR_BTNSHADOW 16
#define COLOR_3DSHADOW COLOR_BTNSHADOW
#define COLOR_GRAYTEXT 17
#define COLOR_BTNTEXT 18
#define COLOR_BTNHIGHLIGHT 20
#define COLOR_3DHIGHLIGHT COLOR_BTNHIGHLIGHT
#define COLOR_3DDKSHADOW 21
#define COLOR_3DLIGHT 22

extern "C++" {
// The desktop's colour for the element, from the toolkit's active palette:
//   COLOR_BTNTEXT      ButtonText        COLOR_BTNFACE     Button
//   COLOR_3DLIGHT      Midlight          COLOR_BTNHIGHLIGHT Light
//   COLOR_BTNSHADOW    Dark              COLOR_3DDKSHADOW  Shadow
//   COLOR_WINDOW       Base              COLOR_WINDOWTEXT  Text
//   COLOR_HIGHLIGHT    Highlight         COLOR_HIGHLIGHTTEXT HighlightedText
//   COLOR_GRAYTEXT     the Disabled group's Text
// 0 for any other index. Without a toolkit (a program of the data half alone) the
// default scheme's colours, as Windows gives them.
SORREL_API DWORD GetSysColor(int nIndex);
}

class SORREL_API CButton : public CWnd {
  DECLARE_DYNAMIC(CButton)

 public:
  CButton();
  ~CButton() override;

  // A push button in the parent window; BS_OWNERDRAW in the style for one that
  // DrawItem paints, BS_DEFPUSHBUTTON for the default button.
  virtual BOOL Create(LPCSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
  using CWnd::Create;  // the window's own form stays callable beside this one
  // Paints an owner-drawn button; the base paints nothing.
  virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);
};
