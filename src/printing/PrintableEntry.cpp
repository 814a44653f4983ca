// The wrapping shared by every printed row. A text is cut into lines at the
// separators (spaces, CRs, LFs) where the line still fits, or inside a word when
// no separator does; a CR or LF starts a new line only while the rest of the text
// does not fit, so a text that fits is one line with its line breaks shown blank.
#include "sorrel/Printing.h"

IMPLEMENT_DYNAMIC(CPrintableEntry, CObject)

CPrintableEntry::CPrintableEntry(CDC* dc, CListCtrl* list) : m_pDC(dc), m_nLineHeight(0), m_pList(list) {}

void CPrintableEntry::MeasureLineHeight() { m_nLineHeight = UINT(m_pDC->GetTextExtent("Xq", 2).cy); }

bool CPrintableEntry::Fits(const char* text, int length, int width) const {
  // Compared as signed: a negative width fits nothing, not even the empty text.
  return m_pDC->GetTextExtent(text, length).cx <= width;
}

void CPrintableEntry::TrimTrailingBlanks(CString& text) {
  int n = text.GetLength();
  while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\r' || text[n - 1] == '\n')) --n;
  if (n < text.GetLength()) text = text.Left(n);
}

void CPrintableEntry::ReplaceLineBreaks(CString& text) {
  for (int i = 0; i < text.GetLength(); ++i)
    if (text[i] == '\r' || text[i] == '\n') text.SetAt(i, ' ');
}

int CPrintableEntry::FindNextSeparator(const CString& text, int start, int& isLineBreak) {
  isLineBreak = 0;
  const int space = text.Find(' ', start);
  const int cr = text.Find('\r', start);
  const int lf = text.Find('\n', start);
  int separator = -1;
  for (int p : {space, cr, lf})
    if (p != -1 && (separator == -1 || p < separator)) separator = p;
  if (separator == -1) return -1;
  if (separator == cr || separator == lf) isLineBreak = 1;
  // A CR LF or LF CR pair breaks once, after its second character.
  if (isLineBreak && cr != -1 && lf != -1 && (cr - lf == 1 || lf - cr == 1)) return separator + 1;
  return separator;
}

int CPrintableEntry::FindWordBreak(const CString& text, int width) {
  // The next line begins after the separator and the spaces behind it.
  auto after = [&text](int q) {
    while (q + 1 < text.GetLength() && text[q + 1] == ' ') ++q;
    return q + 1;
  };
  int br = 0;
  int p = FindNextSeparator(text, 0, br);
  if (p == -1 || !Fits(text, p, width)) return -1;
  if (br) return after(p);
  while (true) {
    const int last = p;
    p = FindNextSeparator(text, last + 1, br);
    if (p == -1 || !Fits(text, p, width)) return after(last);
    if (br) return after(p);
  }
}

int CPrintableEntry::FindCharBreak(const CString& text, int width) {
  for (int n = text.GetLength() - 1; n >= 1; --n)
    if (Fits(text, n, width)) return n;
  return -1;
}

void CPrintableEntry::WrapText(CString& text, int width, CArray<UINT, UINT>& starts) {
  starts.RemoveAll();
  TrimTrailingBlanks(text);
  if (text.IsEmpty()) return;
  starts.Add(0);
  int cur = 0;
  while (true) {
    const CString rest = text.Mid(cur);
    if (Fits(rest, rest.GetLength(), width)) break;
    int b = FindWordBreak(rest, width);
    if (b == -1) b = FindCharBreak(rest, width);
    if (b == -1) break;  // not one character fits: the rest stays one line, too wide
    cur += b;
    starts.Add(UINT(cur));
  }
  ReplaceLineBreaks(text);
}

unsigned int CPrintableEntry::DrawLines(int x, int y, const CString& text, const CArray<UINT, UINT>& starts) {
  const INT_PTR n = starts.GetSize();
  for (INT_PTR i = 0; i < n; ++i) {
    const int from = int(starts[i]);
    const int to = i + 1 < n ? int(starts[i + 1]) : text.GetLength();
    m_pDC->TextOut(x, y + int(i * m_nLineHeight), text.GetString() + from, to - from);
  }
  return UINT(n) * m_nLineHeight;
}
