// Device contexts and drawing objects with the Win32 and class-library shapes the
// library draws through: printer contexts made from a driver, device and port
// name, fonts from a LOGFONT, pens, brushes, text, lines and fills.
//
// Drivers (the names a print dialog hands out and CreateDC takes):
//   driver "CUPS", device = the CUPS queue name, port ignored. A queue that the
//                  print system does not know fails CreateDC: nothing is printed
//                  anywhere else.
//   driver "PDF",  port = the path of the PDF file to write (A4), device ignored.
// Printer contexts measure in device pixels at the printer's resolution, with the
// origin at the top-left corner of the printable area, as a Windows printer does.
//
// A device context over a toolkit painter (a window painting itself) is made by
// sorrel::qt::PainterDC in src/platform/qt/PainterDC.h, inside the library.
#pragma once

#include "sorrel/CObject.h"
#include "sorrel/CString.h"
#include "sorrel/Rect.h"
#include "sorrel/Types.h"

typedef struct HDC__* HDC;
typedef struct HGDIOBJ__* HGDIOBJ;
typedef HGDIOBJ HFONT;
typedef HGDIOBJ HPEN;
typedef HGDIOBJ HBRUSH;
typedef SIZE* LPSIZE;

// GetDeviceCaps indexes.
#define HORZSIZE 4     // millimetres
#define VERTSIZE 6
#define HORZRES 8      // device units
#define VERTRES 10
#define LOGPIXELSX 88  // dots per inch
#define LOGPIXELSY 90

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// Pen styles.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17

// Font weights.
#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700

// DrawText formats.
#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_EXPANDTABS 0x00000040
#define DT_NOCLIP 0x00000100
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_END_ELLIPSIS 0x00008000

// MessageBeep types.
#define MB_OK 0x00000000
#define MB_ICONHAND 0x00000010
#define MB_ICONQUESTION 0x00000020
#define MB_ICONEXCLAMATION 0x00000030
#define MB_ICONASTERISK 0x00000040

#define GetRValue(rgb) ((BYTE)(rgb))
#define GetGValue(rgb) ((BYTE)(((WORD)(rgb)) >> 8))
#define GetBValue(rgb) ((BYTE)((rgb) >> 16))
#define CLR_INVALID 0xFFFFFFFF

// The document description of StartDoc.
struct DOCINFOA {
  int cbSize;
  LPCSTR lpszDocName;
  LPCSTR lpszOutput;    // not used: the driver decides where the job goes
  LPCSTR lpszDatatype;  // not used
  DWORD fwType;         // not used
};
typedef DOCINFOA DOCINFO;

extern "C++" {
// ---- Win32 functions ----------------------------------------------------------
// a * b / c in 64 bits, rounded to the nearest (halves away from zero); -1 when c
// is 0 or the result does not fit 32 bits.
SORREL_API int MulDiv(int nNumber, int nNumerator, int nDenominator);
// The toolkit's beep; TRUE.
SORREL_API BOOL MessageBeep(UINT uType);

// Null when the driver is unknown or the printer cannot be opened. pInitData is
// not used: the printer's own defaults apply.
SORREL_API HDC CreateDCA(LPCSTR pszDriver, LPCSTR pszDevice, LPCSTR pszPort, const void* pInitData);
SORREL_API BOOL DeleteDC(HDC hdc);
SORREL_API int GetDeviceCaps(HDC hdc, int index);
SORREL_API HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
SORREL_API HFONT CreateFontIndirectA(const LOGFONT* lplf);
SORREL_API HPEN CreatePen(int iStyle, int cWidth, COLORREF color);
SORREL_API HBRUSH CreateSolidBrush(COLORREF color);
SORREL_API HGDIOBJ GetStockObject(int i);
// FALSE for a stock object, a null handle, or an object still selected somewhere.
SORREL_API BOOL DeleteObject(HGDIOBJ ho);
SORREL_API BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl);
SORREL_API BOOL TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c);
SORREL_API COLORREF SetTextColor(HDC hdc, COLORREF color);
SORREL_API COLORREF GetTextColor(HDC hdc);
SORREL_API COLORREF SetBkColor(HDC hdc, COLORREF color);
SORREL_API int SetBkMode(HDC hdc, int mode);
SORREL_API BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt);
SORREL_API BOOL LineTo(HDC hdc, int x, int y);
SORREL_API int StartDocA(HDC hdc, const DOCINFOA* lpdi);
SORREL_API int StartPage(HDC hdc);
SORREL_API int EndPage(HDC hdc);
SORREL_API int EndDoc(HDC hdc);
}

// ---- the class library's shapes ------------------------------------------------

// A drawing object: owns its handle, deleted with the object.
class SORREL_API CGdiObject : public CObject {
  DECLARE_DYNAMIC(CGdiObject)

 public:
  CGdiObject() = default;
  ~CGdiObject() override;
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HGDIOBJ m_hObject = nullptr;
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  operator HGDIOBJ() const { return m_hObject; }  // NOLINT
  BOOL Attach(HGDIOBJ hObject);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  BOOL CreateStockObject(int nIndex);
  // The object that owns the handle (for a stock object, a permanent one); null for null.
  static CGdiObject* FromHandle(HGDIOBJ h);
};

class SORREL_API CFont : public CGdiObject {
  DECLARE_DYNAMIC(CFont)

 public:
  BOOL CreateFontIndirect(const LOGFONT* lpLogFont);
  // nPointSize in tenths of a point; the height follows the context's LOGPIXELSY
  // (72 dpi without one).
  BOOL CreatePointFont(int nPointSize, LPCSTR lpszFaceName, class CDC* pDC = nullptr);
  int GetLogFont(LOGFONT* pLogFont) const;
  operator HFONT() const { return m_hObject; }  // NOLINT
  static CFont* FromHandle(HFONT h) { return static_cast<CFont*>(CGdiObject::FromHandle(h)); }
};

class SORREL_API CPen : public CGdiObject {
  DECLARE_DYNAMIC(CPen)

 public:
  CPen() = default;
  CPen(int nPenStyle, int nWidth, COLORREF crColor) { CreatePen(nPenStyle, nWidth, crColor); }
  BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);
  operator HPEN() const { return m_hObject; }  // NOLINT
  static CPen* FromHandle(HPEN h) { return static_cast<CPen*>(CGdiObject::FromHandle(h)); }
};

class SORREL_API CBrush : public CGdiObject {
  DECLARE_DYNAMIC(CBrush)

 public:
  CBrush() = default;
  explicit CBrush(COLORREF crColor) { CreateSolidBrush(crColor); }
  BOOL CreateSolidBrush(COLORREF crColor);
  operator HBRUSH() const { return m_hObject; }  // NOLINT
  static CBrush* FromHandle(HBRUSH h) { return static_cast<CBrush*>(CGdiObject::FromHandle(h)); }
};

// A device context. A CDC that made or attached its handle deletes it when it
// goes (as the class library's does); Detach first to keep the handle alive.
class SORREL_API CDC : public CObject {
  DECLARE_DYNAMIC(CDC)

 public:
  CDC() = default;
  ~CDC() override;
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC m_hDC = nullptr;
  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }  // NOLINT
  // The handle's own CDC, which does not delete the handle; null for null.
  static CDC* FromHandle(HDC hDC);

  BOOL CreateDC(LPCSTR lpszDriverName, LPCSTR lpszDeviceName, LPCSTR lpszOutput, const void* lpInitData);
  BOOL Attach(HDC hDC);
  HDC Detach();
  BOOL DeleteDC();

  int GetDeviceCaps(int nIndex) const;

  // Each returns the object selected before, null on failure.
  CFont* SelectObject(CFont* pFont);
  CPen* SelectObject(CPen* pPen);
  CBrush* SelectObject(CBrush* pBrush);
  CGdiObject* SelectObject(CGdiObject* pObject);
  CGdiObject* SelectStockObject(int nIndex);

  // The width of the text and the font's height.
  CSize GetTextExtent(LPCSTR lpszString, int nCount) const;
  CSize GetTextExtent(const CString& str) const;
  // The text with its top-left corner at (x, y) in the text colour, on the
  // background colour when the background mode is OPAQUE.
  BOOL TextOut(int x, int y, LPCSTR lpszString, int nCount);
  BOOL TextOut(int x, int y, const CString& str);
  // nCount -1 for a zero-ended text. Single lines and word-broken lines, aligned
  // in the rectangle and clipped to it unless DT_NOCLIP; DT_CALCRECT only
  // measures, setting the rectangle's right and bottom. Returns the text's height.
  int DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);
  int DrawText(const CString& str, LPRECT lpRect, UINT nFormat);

  // The previous current position.
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
  // A line in the current pen from the current position up to, not including,
  // (x, y), which becomes the current position.
  BOOL LineTo(int x, int y);
  BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }

  void FillSolidRect(LPCRECT lpRect, COLORREF clr);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
  void FillRect(LPCRECT lpRect, CBrush* pBrush);
  // The dotted focus frame, drawn by inverting every other pixel; drawn twice it
  // is gone.
  void DrawFocusRect(LPCRECT lpRect);

  COLORREF SetTextColor(COLORREF crColor);
  COLORREF GetTextColor() const;
  COLORREF SetBkColor(COLORREF crColor);
  COLORREF GetBkColor() const;
  int SetBkMode(int nBkMode);
  int GetBkMode() const;

  int StartDoc(DOCINFO* lpDocInfo);
  int StartDoc(LPCSTR lpszDocName);
  int StartPage();
  int EndPage();
  int EndDoc();

 private:
  friend struct CDCHandleAccess;
  bool m_bOwnsHandle = true;
};
