// Device contexts and drawing objects. A handle is the address of its context or
// object; handles are checked against the live ones, so a stale or made-up handle
// fails the call instead of being followed.
#include "sorrel/Gdi.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/GdiDevice.h"
#include "platform/Toolkit.h"

namespace sorrel::gdi {

namespace {

enum class Kind { Font, Pen, Brush };

struct Object {
  Kind kind = Kind::Font;
  LOGFONT font{};
  bool deviceFont = false;  // the device's own font: the stock fonts
  Pen pen;
  COLORREF brush = RGB(255, 255, 255);
  bool nullBrush = false;
  bool stock = false;
  int selections = 0;              // contexts that have it selected
  bool deleteWhenFree = false;     // its owner went while it was selected
  CGdiObject* owner = nullptr;     // the wrapper that made or attached it
  std::unique_ptr<CGdiObject> view;  // FromHandle's wrapper when there is no owner
};

struct Context {
  std::unique_ptr<Device> device;
  Object* font = nullptr;
  Object* pen = nullptr;
  Object* brush = nullptr;
  COLORREF text = RGB(0, 0, 0);
  COLORREF background = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  POINT pos{0, 0};
  std::unique_ptr<CDC> view;  // FromHandle's CDC, which never deletes the handle
};

struct Registry {
  std::mutex mutex;
  std::unordered_set<Context*> contexts;
  std::unordered_set<Object*> objects;
  std::map<std::string, Driver> drivers;
  BeepSink beep;
};

Registry& Reg() {
  static Registry* r = new Registry;  // lives as long as the process
  return *r;
}

Object* StockObjects() {
  static Object* stock = [] {
    auto* s = new Object[DEFAULT_GUI_FONT + 1];
    for (int i = 0; i <= DEFAULT_GUI_FONT; ++i) s[i].stock = true;
    const COLORREF greys[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64),
                              RGB(0, 0, 0)};
    for (int i = WHITE_BRUSH; i <= BLACK_BRUSH; ++i) {
      s[i].kind = Kind::Brush;
      s[i].brush = greys[i];
    }
    s[NULL_BRUSH].kind = Kind::Brush;
    s[NULL_BRUSH].nullBrush = true;
    s[WHITE_PEN].kind = Kind::Pen;
    s[WHITE_PEN].pen.color = RGB(255, 255, 255);
    s[BLACK_PEN].kind = Kind::Pen;
    s[NULL_PEN].kind = Kind::Pen;
    s[NULL_PEN].pen.style = PS_NULL;
    for (int i : {SYSTEM_FONT, DEFAULT_GUI_FONT}) {
      s[i].kind = Kind::Font;
      s[i].deviceFont = true;
    }
    return s;
  }();
  return stock;
}

bool IsStockIndex(int i) {
  return (i >= WHITE_BRUSH && i <= NULL_PEN) || i == SYSTEM_FONT || i == DEFAULT_GUI_FONT;
}

Context* Live(HDC hdc) {
  auto* c = reinterpret_cast<Context*>(hdc);
  if (c == nullptr) return nullptr;
  Registry& r = Reg();
  std::lock_guard lock(r.mutex);
  return r.contexts.count(c) ? c : nullptr;
}

Object* LiveObject(HGDIOBJ h) {
  auto* o = reinterpret_cast<Object*>(h);
  if (o == nullptr) return nullptr;
  Object* stock = StockObjects();
  if (o >= stock && o <= stock + DEFAULT_GUI_FONT) return o->stock ? o : nullptr;
  Registry& r = Reg();
  std::lock_guard lock(r.mutex);
  return r.objects.count(o) ? o : nullptr;
}

HGDIOBJ Handle(Object* o) { return reinterpret_cast<HGDIOBJ>(o); }

HGDIOBJ NewObject(Object o) {
  auto* made = new Object(std::move(o));
  Registry& r = Reg();
  std::lock_guard lock(r.mutex);
  r.objects.insert(made);
  return Handle(made);
}

void FreeObject(Object* o) {
  {
    Registry& r = Reg();
    std::lock_guard lock(r.mutex);
    r.objects.erase(o);
  }
  if (o->view) o->view->Detach();
  delete o;
}

void Release(Object* o) {
  if (o == nullptr) return;
  --o->selections;
  if (o->selections == 0 && o->deleteWhenFree) FreeObject(o);
}

TextStyle StyleOf(const Context& c) {
  TextStyle s;
  s.color = c.text;
  s.opaque = c.bkMode == OPAQUE;
  s.background = c.background;
  return s;
}

}  // namespace

HDC MakeDC(std::unique_ptr<Device> device) {
  if (!device) return nullptr;
  auto* c = new Context;
  c->device = std::move(device);
  Object* stock = StockObjects();
  c->font = &stock[SYSTEM_FONT];
  c->pen = &stock[BLACK_PEN];
  c->brush = &stock[WHITE_BRUSH];
  for (Object* o : {c->font, c->pen, c->brush}) ++o->selections;
  Registry& r = Reg();
  std::lock_guard lock(r.mutex);
  r.contexts.insert(c);
  return reinterpret_cast<HDC>(c);
}

Device* DeviceOf(HDC hdc) {
  Context* c = Live(hdc);
  return c ? c->device.get() : nullptr;
}

void RegisterDriver(const std::string& name, Driver driver) {
  Registry& r = Reg();
  std::lock_guard lock(r.mutex);
  r.drivers[name] = std::move(driver);
}

void UnregisterDriver(const std::string& name) {
  Registry& r = Reg();
  std::lock_guard lock(r.mutex);
  r.drivers.erase(name);
}

BeepSink SetBeepSink(BeepSink sink) {
  Registry& r = Reg();
  std::lock_guard lock(r.mutex);
  std::swap(r.beep, sink);
  return sink;
}

// The wrapper objects reach into the handle tables through these.
struct Access {
  static void SetOwner(HGDIOBJ h, CGdiObject* owner) {
    if (Object* o = LiveObject(h); o != nullptr && !o->stock) o->owner = owner;
  }
  static CGdiObject* View(HGDIOBJ h) {
    Object* o = LiveObject(h);
    if (o == nullptr) return nullptr;
    if (o->owner != nullptr) return o->owner;
    if (!o->view) {
      switch (o->kind) {
        case Kind::Font: o->view = std::make_unique<CFont>(); break;
        case Kind::Pen: o->view = std::make_unique<CPen>(); break;
        case Kind::Brush: o->view = std::make_unique<CBrush>(); break;
      }
      o->view->m_hObject = h;
    }
    return o->view.get();
  }
  // The owner is going: delete the object now, or when the last context lets it go.
  static BOOL Abandon(HGDIOBJ h) {
    Object* o = LiveObject(h);
    if (o == nullptr || o->stock) return FALSE;
    o->owner = nullptr;
    if (o->selections > 0) {
      o->deleteWhenFree = true;
      return FALSE;
    }
    FreeObject(o);
    return TRUE;
  }
  static const LOGFONT* FontOf(HGDIOBJ h) {
    Object* o = LiveObject(h);
    return o != nullptr && o->kind == Kind::Font && !o->deviceFont ? &o->font : nullptr;
  }
  static COLORREF BrushColour(HGDIOBJ h, bool& isNull) {
    Object* o = LiveObject(h);
    isNull = o == nullptr || o->kind != Kind::Brush || o->nullBrush;
    return isNull ? 0 : o->brush;
  }
  static CDC* ViewOf(HDC hdc);
  static void Forget(Context* c);
};

}  // namespace sorrel::gdi

using namespace sorrel::gdi;

struct CDCHandleAccess {
  static std::unique_ptr<CDC> MakeView(HDC hdc) {
    auto dc = std::make_unique<CDC>();
    dc->m_hDC = hdc;
    dc->m_bOwnsHandle = false;
    return dc;
  }
};

CDC* sorrel::gdi::Access::ViewOf(HDC hdc) {
  Context* c = Live(hdc);
  if (c == nullptr) return nullptr;
  if (!c->view) c->view = CDCHandleAccess::MakeView(hdc);
  return c->view.get();
}

void sorrel::gdi::Access::Forget(Context* c) {
  if (c->view) c->view->m_hDC = nullptr;
}

// ---- Win32 functions ----------------------------------------------------------------

int MulDiv(int nNumber, int nNumerator, int nDenominator) {
  if (nDenominator == 0) return -1;
  std::int64_t product = std::int64_t(nNumber) * nNumerator;
  std::int64_t d = nDenominator;
  if (d < 0) product = -product, d = -d;
  std::int64_t q = product >= 0 ? (product + d / 2) / d : -((-product + d / 2) / d);
  if (q > INT32_MAX || q < -INT32_MAX) return -1;
  return int(q);
}

BOOL MessageBeep(UINT uType) {
  BeepSink sink;
  {
    Registry& r = Reg();
    std::lock_guard lock(r.mutex);
    sink = r.beep;
  }
  if (sink)
    sink(uType);
  else
    sorrel::TheToolkit().Beep();
  return TRUE;
}

HDC CreateDCA(LPCSTR pszDriver, LPCSTR pszDevice, LPCSTR pszPort, const void*) {
  if (pszDriver == nullptr) return nullptr;
  Driver driver;
  {
    Registry& r = Reg();
    std::lock_guard lock(r.mutex);
    auto it = r.drivers.find(pszDriver);
    if (it != r.drivers.end()) driver = it->second;
  }
  std::unique_ptr<Device> device =
      driver ? driver(pszDevice, pszPort) : sorrel::TheToolkit().OpenPrinter(pszDriver, pszDevice, pszPort);
  return MakeDC(std::move(device));
}

BOOL DeleteDC(HDC hdc) {
  Context* c = Live(hdc);
  if (c == nullptr) return FALSE;
  {
    Registry& r = Reg();
    std::lock_guard lock(r.mutex);
    r.contexts.erase(c);
  }
  Access::Forget(c);
  c->device.reset();  // a printer still in a document finishes it here
  Release(c->font);
  Release(c->pen);
  Release(c->brush);
  delete c;
  return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
  Context* c = Live(hdc);
  return c ? c->device->Caps(index) : 0;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
  Context* c = Live(hdc);
  Object* o = LiveObject(h);
  if (c == nullptr || o == nullptr) return nullptr;
  Object** slot = o->kind == Kind::Font ? &c->font : o->kind == Kind::Pen ? &c->pen : &c->brush;
  Object* previous = *slot;
  if (previous == o) return Handle(previous);
  ++o->selections;
  *slot = o;
  if (o->kind == Kind::Font) c->device->SetFont(o->deviceFont ? nullptr : &o->font);
  HGDIOBJ result = Handle(previous);
  Release(previous);  // the caller may still hold it; freed only when abandoned
  return result;
}

HFONT CreateFontIndirectA(const LOGFONT* lplf) {
  if (lplf == nullptr) return nullptr;
  Object o;
  o.kind = Kind::Font;
  o.font = *lplf;
  o.font.lfFaceName[LF_FACESIZE - 1] = '\0';
  return NewObject(std::move(o));
}

HPEN CreatePen(int iStyle, int cWidth, COLORREF color) {
  if (iStyle < PS_SOLID || iStyle > PS_NULL) return nullptr;
  Object o;
  o.kind = Kind::Pen;
  o.pen = Pen{iStyle, std::max(cWidth, 0), color};
  return NewObject(std::move(o));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  Object o;
  o.kind = Kind::Brush;
  o.brush = color & 0xFFFFFF;
  return NewObject(std::move(o));
}

HGDIOBJ GetStockObject(int i) { return IsStockIndex(i) ? Handle(&StockObjects()[i]) : nullptr; }

BOOL DeleteObject(HGDIOBJ ho) {
  Object* o = LiveObject(ho);
  if (o == nullptr || o->stock || o->selections > 0) return FALSE;
  FreeObject(o);
  return TRUE;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl) {
  Context* ctx = Live(hdc);
  if (ctx == nullptr || psizl == nullptr || c < 0 || (lpString == nullptr && c > 0)) return FALSE;
  *psizl = ctx->device->TextExtent(std::string_view(lpString ? lpString : "", size_t(c)));
  return TRUE;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
  Context* ctx = Live(hdc);
  if (ctx == nullptr || c < 0 || (lpString == nullptr && c > 0)) return FALSE;
  if (c > 0) ctx->device->Text(x, y, std::string_view(lpString, size_t(c)), StyleOf(*ctx));
  return TRUE;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  Context* c = Live(hdc);
  if (c == nullptr) return CLR_INVALID;
  std::swap(c->text, color);
  return color;
}

COLORREF GetTextColor(HDC hdc) {
  Context* c = Live(hdc);
  return c ? c->text : CLR_INVALID;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  Context* c = Live(hdc);
  if (c == nullptr) return CLR_INVALID;
  std::swap(c->background, color);
  return color;
}

int SetBkMode(HDC hdc, int mode) {
  Context* c = Live(hdc);
  if (c == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  std::swap(c->bkMode, mode);
  return mode;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT lppt) {
  Context* c = Live(hdc);
  if (c == nullptr) return FALSE;
  if (lppt != nullptr) *lppt = c->pos;
  c->pos = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  Context* c = Live(hdc);
  if (c == nullptr) return FALSE;
  if (c->pen->pen.style != PS_NULL) c->device->Line(c->pos.x, c->pos.y, x, y, c->pen->pen);
  c->pos = POINT{x, y};
  return TRUE;
}

int StartDocA(HDC hdc, const DOCINFOA* lpdi) {
  Context* c = Live(hdc);
  if (c == nullptr || lpdi == nullptr) return -1;
  return c->device->StartDoc(lpdi->lpszDocName ? lpdi->lpszDocName : "");
}

int StartPage(HDC hdc) {
  Context* c = Live(hdc);
  return c ? c->device->StartPage() : -1;
}

int EndPage(HDC hdc) {
  Context* c = Live(hdc);
  return c ? c->device->EndPage() : -1;
}

int EndDoc(HDC hdc) {
  Context* c = Live(hdc);
  return c ? c->device->EndDoc() : -1;
}

// ---- drawing objects ------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CFont, CGdiObject)
IMPLEMENT_DYNAMIC(CPen, CGdiObject)
IMPLEMENT_DYNAMIC(CBrush, CGdiObject)
IMPLEMENT_DYNAMIC(CDC, CObject)

CGdiObject::~CGdiObject() { DeleteObject(); }

BOOL CGdiObject::Attach(HGDIOBJ hObject) {
  if (m_hObject != nullptr || hObject == nullptr) return FALSE;
  m_hObject = hObject;
  Access::SetOwner(hObject, this);
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  if (h != nullptr) Access::SetOwner(h, nullptr);
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (m_hObject == nullptr) return FALSE;
  HGDIOBJ h = m_hObject;
  m_hObject = nullptr;
  return Access::Abandon(h);
}

BOOL CGdiObject::CreateStockObject(int nIndex) {
  HGDIOBJ h = GetStockObject(nIndex);
  if (h == nullptr || m_hObject != nullptr) return FALSE;
  m_hObject = h;
  return TRUE;
}

CGdiObject* CGdiObject::FromHandle(HGDIOBJ h) { return Access::View(h); }

BOOL CFont::CreateFontIndirect(const LOGFONT* lpLogFont) { return Attach(CreateFontIndirectA(lpLogFont)); }

BOOL CFont::CreatePointFont(int nPointSize, LPCSTR lpszFaceName, CDC* pDC) {
  LOGFONT lf{};
  int dpi = pDC != nullptr && pDC->m_hDC != nullptr ? pDC->GetDeviceCaps(LOGPIXELSY) : 72;
  lf.lfHeight = -MulDiv(nPointSize, dpi, 720);
  if (lpszFaceName != nullptr) std::strncpy(lf.lfFaceName, lpszFaceName, LF_FACESIZE - 1);
  return CreateFontIndirect(&lf);
}

int CFont::GetLogFont(LOGFONT* pLogFont) const {
  const LOGFONT* lf = Access::FontOf(m_hObject);
  if (lf == nullptr || pLogFont == nullptr) return 0;
  *pLogFont = *lf;
  return int(sizeof(LOGFONT));
}

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
  return Attach(::CreatePen(nPenStyle, nWidth, crColor));
}

BOOL CBrush::CreateSolidBrush(COLORREF crColor) { return Attach(::CreateSolidBrush(crColor)); }

// ---- the device context -----------------------------------------------------------------

CDC::~CDC() {
  if (m_hDC != nullptr && m_bOwnsHandle) ::DeleteDC(Detach());
}

CDC* CDC::FromHandle(HDC hDC) { return Access::ViewOf(hDC); }

BOOL CDC::CreateDC(LPCSTR lpszDriverName, LPCSTR lpszDeviceName, LPCSTR lpszOutput, const void* lpInitData) {
  return Attach(::CreateDCA(lpszDriverName, lpszDeviceName, lpszOutput, lpInitData));
}

BOOL CDC::Attach(HDC hDC) {
  if (m_hDC != nullptr || hDC == nullptr) return FALSE;
  m_hDC = hDC;
  m_bOwnsHandle = true;
  return TRUE;
}

HDC CDC::Detach() {
  HDC h = m_hDC;
  m_hDC = nullptr;
  return h;
}

BOOL CDC::DeleteDC() {
  if (m_hDC == nullptr) return FALSE;
  return ::DeleteDC(Detach());
}

int CDC::GetDeviceCaps(int nIndex) const { return ::GetDeviceCaps(m_hDC, nIndex); }

CGdiObject* CDC::SelectObject(CGdiObject* pObject) {
  if (pObject == nullptr) return nullptr;
  return CGdiObject::FromHandle(::SelectObject(m_hDC, pObject->m_hObject));
}
CFont* CDC::SelectObject(CFont* pFont) { return static_cast<CFont*>(SelectObject(static_cast<CGdiObject*>(pFont))); }
CPen* CDC::SelectObject(CPen* pPen) { return static_cast<CPen*>(SelectObject(static_cast<CGdiObject*>(pPen))); }
CBrush* CDC::SelectObject(CBrush* pBrush) {
  return static_cast<CBrush*>(SelectObject(static_cast<CGdiObject*>(pBrush)));
}
CGdiObject* CDC::SelectStockObject(int nIndex) {
  HGDIOBJ h = GetStockObject(nIndex);
  return h ? CGdiObject::FromHandle(::SelectObject(m_hDC, h)) : nullptr;
}

CSize CDC::GetTextExtent(LPCSTR lpszString, int nCount) const {
  SIZE s{0, 0};
  GetTextExtentPoint32A(m_hDC, lpszString, nCount, &s);
  return CSize(s.cx, s.cy);
}
CSize CDC::GetTextExtent(const CString& str) const { return GetTextExtent(str, str.GetLength()); }

BOOL CDC::TextOut(int x, int y, LPCSTR lpszString, int nCount) { return TextOutA(m_hDC, x, y, lpszString, nCount); }
BOOL CDC::TextOut(int x, int y, const CString& str) { return TextOut(x, y, str, str.GetLength()); }

namespace {

// The lines of a DrawText call: the text without its '&' prefixes, cut at line
// ends and, with DT_WORDBREAK, between words so that each fits the width.
std::vector<std::string> LayOut(Device& device, std::string_view text, UINT format, int width) {
  std::string plain;
  plain.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (!(format & DT_NOPREFIX) && text[i] == '&') {
      if (i + 1 < text.size()) plain += text[++i];  // "&&" draws one '&'
      continue;
    }
    plain += text[i];
  }
  std::vector<std::string> lines;
  if (format & DT_SINGLELINE) {
    lines.push_back(std::move(plain));
    return lines;
  }
  size_t start = 0;
  while (true) {
    size_t end = plain.find_first_of("\r\n", start);
    std::string para = plain.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!(format & DT_WORDBREAK)) {
      lines.push_back(std::move(para));
    } else {
      // Greedy: as many words as fit; a word too wide for the line stands alone.
      std::string line;
      size_t p = 0;
      do {
        size_t wordEnd = para.find(' ', p);
        if (wordEnd == std::string::npos) wordEnd = para.size();
        std::string word = para.substr(p, wordEnd - p);
        std::string candidate = line.empty() ? word : line + ' ' + word;
        if (!line.empty() && device.TextExtent(candidate).cx > width) {
          lines.push_back(std::move(line));
          line = std::move(word);
        } else {
          line = std::move(candidate);
        }
        p = wordEnd + 1;
      } while (p <= para.size());
      lines.push_back(std::move(line));
    }
    if (end == std::string::npos) break;
    start = end + (plain.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

}  // namespace

int CDC::DrawText(LPCSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) {
  Context* c = Live(m_hDC);
  if (c == nullptr || lpRect == nullptr || lpszString == nullptr) return 0;
  std::string_view text(lpszString, nCount < 0 ? std::strlen(lpszString) : size_t(nCount));
  Device& device = *c->device;
  CRect rect(*lpRect);
  std::vector<std::string> lines = LayOut(device, text, nFormat, rect.Width());
  const int lineHeight = device.TextExtent("").cy;
  std::vector<int> widths;
  int widest = 0;
  for (const std::string& line : lines) {
    widths.push_back(device.TextExtent(line).cx);
    widest = std::max(widest, widths.back());
  }
  const int height = lineHeight * int(lines.size());
  if (nFormat & DT_CALCRECT) {
    lpRect->right = lpRect->left + widest;
    lpRect->bottom = lpRect->top + height;
    return height;
  }
  int y = rect.top;
  if (nFormat & DT_SINGLELINE) {
    if (nFormat & DT_VCENTER)
      y = rect.top + (rect.Height() - lineHeight) / 2;
    else if (nFormat & DT_BOTTOM)
      y = rect.bottom - lineHeight;
  }
  TextStyle style = StyleOf(*c);
  if (!(nFormat & DT_NOCLIP)) style.clip = &rect;
  for (size_t i = 0; i < lines.size(); ++i, y += lineHeight) {
    int x = rect.left;
    if (nFormat & DT_CENTER)
      x = rect.left + (rect.Width() - widths[i]) / 2;
    else if (nFormat & DT_RIGHT)
      x = rect.right - widths[i];
    if (!lines[i].empty()) device.Text(x, y, lines[i], style);
  }
  return height;
}

int CDC::DrawText(const CString& str, LPRECT lpRect, UINT nFormat) {
  return DrawText(str, str.GetLength(), lpRect, nFormat);
}

CPoint CDC::MoveTo(int x, int y) {
  POINT previous{0, 0};
  MoveToEx(m_hDC, x, y, &previous);
  return previous;
}

BOOL CDC::LineTo(int x, int y) { return ::LineTo(m_hDC, x, y); }

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF clr) {
  Context* c = Live(m_hDC);
  if (c == nullptr || lpRect == nullptr) return;
  // As the class library does it: the background colour stays set to clr.
  c->background = clr;
  c->device->Fill(*lpRect, clr);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
  CRect r(x, y, x + cx, y + cy);
  FillSolidRect(&r, clr);
}

void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) {
  Context* c = Live(m_hDC);
  if (c == nullptr || lpRect == nullptr || pBrush == nullptr) return;
  bool isNull = true;
  COLORREF colour = Access::BrushColour(pBrush->m_hObject, isNull);
  if (!isNull) c->device->Fill(*lpRect, colour);
}

void CDC::DrawFocusRect(LPCRECT lpRect) {
  Context* c = Live(m_hDC);
  if (c != nullptr && lpRect != nullptr) c->device->FocusRect(*lpRect);
}

COLORREF CDC::SetTextColor(COLORREF crColor) { return ::SetTextColor(m_hDC, crColor); }
COLORREF CDC::GetTextColor() const { return ::GetTextColor(m_hDC); }
COLORREF CDC::SetBkColor(COLORREF crColor) { return ::SetBkColor(m_hDC, crColor); }
COLORREF CDC::GetBkColor() const {
  Context* c = Live(m_hDC);
  return c ? c->background : CLR_INVALID;
}
int CDC::SetBkMode(int nBkMode) { return ::SetBkMode(m_hDC, nBkMode); }
int CDC::GetBkMode() const {
  Context* c = Live(m_hDC);
  return c ? c->bkMode : 0;
}

int CDC::StartDoc(DOCINFO* lpDocInfo) { return StartDocA(m_hDC, lpDocInfo); }
int CDC::StartDoc(LPCSTR lpszDocName) {
  DOCINFO di{int(sizeof(DOCINFO)), lpszDocName, nullptr, nullptr, 0};
  return StartDocA(m_hDC, &di);
}
int CDC::StartPage() { return ::StartPage(m_hDC); }
int CDC::EndPage() { return ::EndPage(m_hDC); }
int CDC::EndDoc() { return ::EndDoc(m_hDC); }
