// The print job: one document per call, rows stacked top to bottom in one or two
// columns, a row never split: one that does not fit goes to the next column or
// page whole, and a row taller than a page runs past the bottom margin.
#include "sorrel/Printing.h"

#include <cstring>
#include <memory>
#include <vector>

IMPLEMENT_DYNAMIC(CPrinting, CObject)

CPrinting::CPrinting(CListCtrl* list, unsigned int kind, CString* documentName, CPrintDialog* dialog)
    : m_pList(list), m_nKind(kind), m_pDialog(dialog), m_pDocumentName(documentName) {}

namespace {

// Margins arrive in hundredths of a millimetre; 2540 of them are an inch.
int MarginToDevice(LONG margin, int dpi) { return int(double(margin) * double(dpi) * (1.0 / 2540)); }

}  // namespace

void CPrinting::Print(LOGFONT* font, unsigned int pointSize, int twoColumns, int selectedOnly, RECT margins) {
  // 1. Nothing to print: a beep and no job.
  const int count = int(m_pList->SendMessage(LVM_GETITEMCOUNT));
  if (count == 0) {
    MessageBeep(0);
    return;
  }

  // 2. The dialog's printer, else the default one, else nothing.
  CDC dc;
  if (!dc.Attach(CreateDCA(m_pDialog->GetDriverName(), m_pDialog->GetDeviceName(), m_pDialog->GetPortName(),
                           nullptr))) {
    CPrintDialog defaults(TRUE, 0x14000C, nullptr);
    defaults.GetDefaults();
    if (!dc.Attach(CreateDCA(defaults.GetDriverName(), defaults.GetDeviceName(), defaults.GetPortName(),
                             nullptr)))
      return;
  }

  // 3. Page geometry in device units.
  const int horzRes = dc.GetDeviceCaps(HORZRES);
  const int vertRes = dc.GetDeviceCaps(VERTRES);
  const int dpiX = dc.GetDeviceCaps(LOGPIXELSX);
  const int dpiY = dc.GetDeviceCaps(LOGPIXELSY);
  const int left = MarginToDevice(margins.left, dpiX);
  const int right = MarginToDevice(margins.right, dpiX);
  const int top = MarginToDevice(margins.top, dpiY);
  const int bottom = MarginToDevice(margins.bottom, dpiY);
  const int usableWidth = horzRes - left - right;
  const int usableHeight = vertRes - top - bottom;

  // 4. The font: whole points at the printer's resolution, as a character height.
  LOGFONT lf = *font;
  lf.lfHeight = -MulDiv(int(pointSize / 10), dpiY, 72);
  auto printFont = std::make_unique<CFont>();
  printFont->CreateFontIndirect(&lf);
  dc.SelectObject(printFont.get());

  // 5. One row per printed item, in list order.
  std::vector<CPrintableEntry*> rows;
  auto addRow = [&](int item) {
    CPrintableEntry* row = nullptr;
    if (m_nKind == 1)
      row = new CPrintablePBEntry(&dc, m_pList);
    else if (m_nKind == 2)
      row = new CPrintableSMSEntry(&dc, m_pList);
    if (row == nullptr) return;  // no row class for another kind: the item is left out
    row->SetEntryPtr(static_cast<unsigned long>(m_pList->GetItemData(item)));
    rows.push_back(row);
  };
  if (selectedOnly) {
    rows.reserve(size_t(m_pList->SendMessage(LVM_GETSELECTEDCOUNT)));
    for (int item = int(m_pList->SendMessage(LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED)); item != -1;
         item = int(m_pList->SendMessage(LVM_GETNEXTITEM, WPARAM(item), LVNI_SELECTED)))
      addRow(item);
  } else {
    rows.reserve(size_t(count));
    for (int item = 0; item < count; ++item) addRow(item);
  }

  // 6. The document and its first page.
  DOCINFO di{20, m_pDocumentName != nullptr ? m_pDocumentName->GetString() : "", nullptr, nullptr, 0};
  dc.StartDoc(&di);
  dc.StartPage();

  // 7. How many rows: asked of the list again.
  int toPrint = selectedOnly ? int(m_pList->SendMessage(LVM_GETSELECTEDCOUNT)) : count;
  if (toPrint > int(rows.size())) toPrint = int(rows.size());

  // 8. Columns, and the rule between two.
  int columnWidth = usableWidth;
  const int firstX = left;
  int secondX = left;
  const int half = usableWidth / 2;
  auto drawRule = [&] {
    dc.MoveTo(left + half, top);
    dc.LineTo(left + half, top + usableHeight);
  };
  if (twoColumns) {
    drawRule();
    const int gap = dc.GetTextExtent("Xq", 2).cy;
    columnWidth = half - gap;
    secondX = left + half + gap;
  }

  // 9. Layout.
  int y = 0;
  int column = 0;
  for (int i = 0; i < toPrint; ++i) {
    CPrintableEntry* row = rows[size_t(i)];
    const int h = int(row->GetEntryHeight(UINT(columnWidth)));
    if (column == 0) {
      if (y + h <= usableHeight) {
        row->Print(UINT(firstX), UINT(top + y), UINT(columnWidth));
      } else {
        y = 0;
        if (!twoColumns) {
          dc.EndPage();
          dc.StartPage();
          row->Print(UINT(firstX), UINT(top), UINT(columnWidth));
        } else {
          column = 1;
        }
      }
    }
    if (column == 1) {
      if (y + h <= usableHeight) {
        row->Print(UINT(secondX), UINT(top + y), UINT(columnWidth));
      } else {
        dc.EndPage();
        dc.StartPage();
        y = 0;
        column = 0;
        drawRule();
        row->Print(UINT(firstX), UINT(top), UINT(columnWidth));
      }
    }
    y += h;
  }

  // 10. The last page ends even when empty; then the context, the rows, the font.
  dc.EndPage();
  dc.EndDoc();
  dc.DeleteDC();
  for (CPrintableEntry* row : rows) delete row;
  rows.clear();
  printFont.reset();
}
