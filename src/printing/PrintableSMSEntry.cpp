#include "sorrel/HostStrings.h"
#include "sorrel/Printing.h"

IMPLEMENT_DYNAMIC(CSMS, CObject)
IMPLEMENT_DYNAMIC(CPrintableSMSEntry, CPrintableEntry)

void CPrintableSMSEntry::SetEntryPtr(unsigned long record) { m_pSMS = reinterpret_cast<CSMS*>(record); }

int CPrintableSMSEntry::PrintHeader(int x, int y, unsigned int width, int draw) {
  CString header;
  // The labels are the host application's strings.
  switch (m_pSMS->GetType()) {
    case 0:
    case 2: header.LoadString(IDS_SMS_FROM); break;
    case 1: header.LoadString(IDS_SMS_TO); break;
    default: break;
  }
  CString party = m_pSMS->GetName();
  if (!party.IsEmpty()) {
    header += ": " + party;
  } else {
    party = m_pSMS->GetNumber();
    if (!party.IsEmpty()) header += ": " + party;
  }
  m_pSMS->GetInfoText(party);
  if (!party.IsEmpty()) header += ", " + party;
  CArray<UINT, UINT> starts;
  WrapText(header, int(width), starts);
  if (draw) DrawLines(x, y, header, starts);
  return int(starts.GetSize());
}

int CPrintableSMSEntry::PrintText(int x, int y, unsigned int width, int draw) {
  CString text = m_pSMS->GetText();  // the record's own text stays as it is
  CArray<UINT, UINT> starts;
  WrapText(text, int(width), starts);
  if (draw) DrawLines(x, y, text, starts);
  return int(starts.GetSize());
}

unsigned int CPrintableSMSEntry::GetEntryHeight(unsigned int width) {
  if (m_nLineHeight == 0) MeasureLineHeight();
  const UINT lines = UINT(PrintHeader(0, 0, width, 0)) + UINT(PrintText(0, 0, width, 0));
  return m_nLineHeight * lines + m_nLineHeight / 2;
}

void CPrintableSMSEntry::Print(unsigned int x, unsigned int y, unsigned int width) {
  const int headerLines = PrintHeader(int(x), int(y), width, 1);
  PrintText(int(x), int(y + UINT(headerLines) * m_nLineHeight), width, 1);
}
