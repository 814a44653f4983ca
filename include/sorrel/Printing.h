// Printing of the hosts' lists: the SMS record, the printable rows (a phone book
// entry or an SMS message laid out as a small block of wrapped text lines) and the
// print job that stacks the rows on pages in one or two columns.
#pragma once

#include "sorrel/CArray.h"
#include "sorrel/CObject.h"
#include "sorrel/CString.h"
#include "sorrel/ColumnInfos.h"
#include "sorrel/Entry.h"
#include "sorrel/ExtendedItems.h"
#include "sorrel/Gdi.h"
#include "sorrel/ListCtrl.h"
#include "sorrel/PrintDialog.h"

// The SMS record the SMS application keeps; the SMS row reads it. The application
// may derive from it and give GetNumber and GetInfoText its own meaning.
class SORREL_API CSMS : public CObject {
  DECLARE_DYNAMIC(CSMS)

 public:
  CSMS() = default;
  ~CSMS() override = default;

  unsigned int GetType() { return m_nType; }
  void SetType(unsigned int nType) { m_nType = nType; }
  unsigned int GetLocation() { return m_nLocation; }
  void SetLocation(unsigned int nLocation) { m_nLocation = nLocation; }
  unsigned int GetPos() { return m_nPos; }
  void SetPos(unsigned int nPos) { m_nPos = nPos; }
  CString& GetText() { return m_strText; }
  int WasSeeked4Name() { return m_bWasSeeked4Name; }
  void WasSeeked4Name(int bWasSeeked) { m_bWasSeeked4Name = bWasSeeked; }
  CString& GetName() { return m_strName; }
  void SetName(CString& name) { m_strName = name; }

  // The message party's number, printed when the name is empty.
  virtual CString& GetNumber() { return m_strNumber; }
  // A further description of the message (its time, say), printed after ", ".
  // This one gives the text set by SetInfoText.
  virtual void GetInfoText(CString& out) { out = m_strInfoText; }

  void SetNumber(const CString& number) { m_strNumber = number; }
  void SetInfoText(const CString& info) { m_strInfoText = info; }

 protected:
  unsigned int m_nType = 0;      // 0 and 2 received, 1 sent
  unsigned int m_nLocation = 0;
  unsigned int m_nPos = 0;
  CString m_strText;
  int m_bWasSeeked4Name = 0;
  CString m_strName;
  CString m_strNumber;
  CString m_strInfoText;
};

// One printed row: measured for a width, then drawn at a place, on the print
// job's device context with the font selected in it.
class SORREL_API CPrintableEntry : public CObject {
  DECLARE_DYNAMIC(CPrintableEntry)

 public:
  CPrintableEntry(CDC* dc, CListCtrl* list);
  ~CPrintableEntry() override {}

  // The list item's data value: the pointer to the row's record.
  virtual void SetEntryPtr(unsigned long record) = 0;
  // The row's height for this width, half a line of gap below it included.
  // Measures the line height ("Xq") on the first call.
  virtual unsigned int GetEntryHeight(unsigned int width) = 0;
  // Draws the row at (x, y) as GetEntryHeight laid it out for the same width.
  virtual void Print(unsigned int x, unsigned int y, unsigned int width) = 0;

 protected:
  void TrimTrailingBlanks(CString& text);
  void ReplaceLineBreaks(CString& text);
  int FindNextSeparator(const CString& text, int start, int& isLineBreak);
  int FindWordBreak(const CString& text, int width);
  int FindCharBreak(const CString& text, int width);
  // The line starts of the text wrapped to the width; the text loses its
  // trailing blanks and its CRs and LFs become spaces.
  void WrapText(CString& text, int width, CArray<UINT, UINT>& starts);
  // Draws the lines one line height apart; their total height.
  unsigned int DrawLines(int x, int y, const CString& text, const CArray<UINT, UINT>& starts);
  void MeasureLineHeight();
  bool Fits(const char* text, int length, int width) const;

  CDC* m_pDC;
  unsigned int m_nLineHeight;
  CListCtrl* m_pList;
};

// A phone book row: the name line ("Surname Name: number"), then the entry's
// extended items in the list's column order, each "Caption: value", indented.
class SORREL_API CPrintablePBEntry : public CPrintableEntry {
  DECLARE_DYNAMIC(CPrintablePBEntry)

 public:
  CPrintablePBEntry(CDC* dc, CListCtrl* list) : CPrintableEntry(dc, list) {}

  void SetEntryPtr(unsigned long record) override;
  unsigned int GetEntryHeight(unsigned int width) override;
  void Print(unsigned int x, unsigned int y, unsigned int width) override;

 protected:
  void GetNameLine(CString& out);
  void GetItemLine(CString& out, unsigned int id, CExtendedItems* items, CColumnInfos* columns,
                   unsigned int width, CArray<UINT, UINT>& starts);
  int PrintItems(int x, int y, unsigned int width, int draw);

  CEntry* m_pEntry = nullptr;
};

// An SMS row: the header (the type's label, the name or number, the info text),
// then the message text.
class SORREL_API CPrintableSMSEntry : public CPrintableEntry {
  DECLARE_DYNAMIC(CPrintableSMSEntry)

 public:
  CPrintableSMSEntry(CDC* dc, CListCtrl* list) : CPrintableEntry(dc, list) {}

  void SetEntryPtr(unsigned long record) override;
  unsigned int GetEntryHeight(unsigned int width) override;
  void Print(unsigned int x, unsigned int y, unsigned int width) override;

 protected:
  int PrintHeader(int x, int y, unsigned int width, int draw);
  int PrintText(int x, int y, unsigned int width, int draw);

  CSMS* m_pSMS = nullptr;
};

// The print job over a host list control. Row kinds: 1 phone book, 2 SMS.
#define PRINT_KIND_PHONEBOOK 1
#define PRINT_KIND_SMS 2

class SORREL_API CPrinting : public CObject {
  DECLARE_DYNAMIC(CPrinting)

 public:
  CPrinting(CListCtrl* list, unsigned int kind, CString* documentName, CPrintDialog* dialog);
  ~CPrinting() override {}

  // Prints every item (or the selected ones) of the list as one document on the
  // dialog's printer, or on the default printer when that one cannot be opened.
  // pointSize in tenths of a point (whole points used); margins in hundredths of
  // a millimetre. An empty list beeps and prints nothing.
  void Print(LOGFONT* font, unsigned int pointSize, int twoColumns, int selectedOnly, RECT margins);

 private:
  CListCtrl* m_pList;
  unsigned int m_nKind;
  CPrintDialog* m_pDialog;
  CString* m_pDocumentName;
};
