// Writing an entry as vCard 1.0 or 2.1. Each property is written only when it has
// a value; text values holding a byte above 0x7F go out in the character-set form
// the caller picked (UTF-8 quoted-printable or UTF-7), the others as they are.
// Lines end in CR LF and are never folded.
#include <initializer_list>
#include <string>
#include <string_view>

#include "formats/TextForm.h"
#include "formats/VCardValue.h"
#include "sorrel/COleDateTime.h"
#include "sorrel/CodePage.h"
#include "sorrel/Entry.h"

namespace {

using std::string_view;

// One value of a property line and the literal text that stands before it.
struct Piece {
  string_view lead;
  const CString* value;
};

const CString& EmptyText() {
  static const CString empty;
  return empty;
}

// Item nID of the entry's extended items, read in place; empty without items.
const CString& Item(const CExtendedItems* items, UINT nID) {
  const CString* value = items ? items->GetValuePtrByID(nID) : nullptr;
  return value ? *value : EmptyText();
}

// "PROPERTY:" and the pieces; or, when the line may be encoded and any value holds
// a byte above 0x7F, the character-set form with every value encoded, the 7-bit
// ones too (65001: UTF-8 quoted-printable, any other code page: UTF-7). The
// leads (the ";" separators) stay literal.
void FormatLine(CString& line, string_view property, std::initializer_list<Piece> pieces, UINT codePage,
                bool bEncodable) {
  std::string& out = line.str();
  out.clear();
  out += property;
  // Each value is written, and chooses the form, up to its first zero byte.
  bool bEncode = false;
  if (bEncodable)
    for (const Piece& piece : pieces)
      bEncode = bEncode || sorrel::HasNonASCII(sorrel::AsWritten(piece.value->view()));
  if (!bEncode) {
    out += ':';
    for (const Piece& piece : pieces) {
      out += piece.lead;
      out += sorrel::AsWritten(piece.value->view());
    }
  } else {
    out += codePage == CP_UTF8 ? ";CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" : ";CHARSET=UTF-7:";
    for (const Piece& piece : pieces) {
      out += piece.lead;
      if (codePage == CP_UTF8)
        sorrel::AppendQuotedPrintableUtf8(out, sorrel::AsWritten(piece.value->view()));
      else
        sorrel::AppendUtf7(out, sorrel::AsWritten(piece.value->view()));
    }
  }
  out += "\r\n";
}

// A line that is always written unencoded: "PROPERTY" value CR LF, when the value
// is not empty; the value up to its first zero byte.
void AppendPlain(std::string& out, string_view property, const CString& value) {
  if (value.IsEmpty()) return;
  out += property;
  out += sorrel::AsWritten(value.view());
  out += "\r\n";
}

bool HasAddress(const CExtendedItems* items) {
  for (UINT nID : {ITEM_ADDRESS, ITEM_CITY, ITEM_ZIP, ITEM_COUNTRY})
    if (!Item(items, nID).IsEmpty()) return true;
  return false;
}

}  // namespace

void CEntry::WriteVCardN(CString& line, UINT codePage) const {
  FormatLine(line, "N", {{"", &m_strSurname}, {";", &m_strName}}, codePage, true);
}

void CEntry::WriteVCardADR(CString& line, UINT codePage) const {
  // The post office box and extended address stay empty, and so does the region.
  FormatLine(line, "ADR",
             {{";;", &Item(m_pExtItems, ITEM_ADDRESS)},
              {";", &Item(m_pExtItems, ITEM_CITY)},
              {";;", &Item(m_pExtItems, ITEM_ZIP)},
              {";", &Item(m_pExtItems, ITEM_COUNTRY)}},
             codePage, true);
}

void CEntry::WriteVCardTITLE(CString& line, UINT codePage) const {
  FormatLine(line, "TITLE", {{"", &Item(m_pExtItems, ITEM_TITLE)}}, codePage, true);
}

void CEntry::WriteVCardORG(CString& line, UINT codePage) const {
  FormatLine(line, "ORG", {{"", &Item(m_pExtItems, ITEM_COMPANY)}}, codePage, true);
}

void CEntry::WriteVCardCategories(CString& line, UINT codePage, CGroups* groups, int bVer1) const {
  line.Empty();
  // Group 0 is looked up like any other: an entry without a group gets its name
  // when the collection holds one.
  const GroupInfo* group = groups ? groups->GetGroupByID(m_nGroupID) : nullptr;
  if (!group) return;
  const CString name = group->strName;
  // Version 1.0 writes the name as it is, in the 8-bit code page and unlabelled.
  if (bVer1)
    FormatLine(line, "CATEGORIES", {{"", &name}}, codePage, false);
  else
    FormatLine(line, "X-ESI-CATEGORIES", {{"", &name}}, codePage, true);
}

void CEntry::GetAsVCardVer1(CString& out, CGroups* groups) const {
  std::string& card = out.str();
  card.clear();
  card.reserve(256);
  // The scratch line keeps its buffer from card to card.
  static thread_local CString line;
  card += "BEGIN:VCARD\r\nVERSION:1.0\r\n";
  WriteVCardN(line, CP_UTF8);
  card += line.view();
  if (HasAddress(m_pExtItems)) {
    WriteVCardADR(line, CP_UTF8);
    card += line.view();
  }
  if (!Item(m_pExtItems, ITEM_COMPANY).IsEmpty()) {
    WriteVCardORG(line, CP_UTF8);
    card += line.view();
  }
  AppendPlain(card, "TEL;HOME:", m_strNum);
  AppendPlain(card, "TEL;WORK:", Item(m_pExtItems, ITEM_OFFICE));
  AppendPlain(card, "TEL;CELL:", Item(m_pExtItems, ITEM_MOBILE));
  AppendPlain(card, "TEL;FAX:", Item(m_pExtItems, ITEM_FAX));
  AppendPlain(card, "EMAIL;INTERNET:", Item(m_pExtItems, ITEM_EMAIL));
  AppendPlain(card, "URL:", Item(m_pExtItems, ITEM_URL));
  WriteVCardCategories(line, CP_UTF8, groups, 1);
  card += line.view();
  card += "END:VCARD\r\n";
}

void CEntry::GetAsVCardVer21(CString& out, UINT codePage, CGroups* groups) const {
  std::string& card = out.str();
  card.clear();
  card.reserve(256);
  static thread_local CString line;
  card += "BEGIN:VCARD\r\nVERSION:2.1\r\n";
  WriteVCardN(line, codePage);
  card += line.view();
  if (HasAddress(m_pExtItems)) {
    WriteVCardADR(line, codePage);
    card += line.view();
  }
  if (!Item(m_pExtItems, ITEM_TITLE).IsEmpty()) {
    WriteVCardTITLE(line, codePage);
    card += line.view();
  }
  if (!Item(m_pExtItems, ITEM_COMPANY).IsEmpty()) {
    WriteVCardORG(line, codePage);
    card += line.view();
  }
  AppendPlain(card, "EMAIL;INTERNET:", Item(m_pExtItems, ITEM_EMAIL));
  AppendPlain(card, "TEL;WORK:", Item(m_pExtItems, ITEM_OFFICE));
  AppendPlain(card, "TEL;HOME:", m_strNum);
  AppendPlain(card, "TEL;CELL:", Item(m_pExtItems, ITEM_MOBILE));
  AppendPlain(card, "TEL;FAX:", Item(m_pExtItems, ITEM_FAX));
  AppendPlain(card, "TEL:", Item(m_pExtItems, ITEM_OTHER_NUMBER));
  AppendPlain(card, "URL:", Item(m_pExtItems, ITEM_URL));
  WriteVCardCategories(line, codePage, groups, 0);
  card += line.view();
  AppendPlain(card, "EMAIL;HOME;INTERNET:", Item(m_pExtItems, ITEM_EMAIL2));
  AppendPlain(card, "TEL;FAX;HOME:", Item(m_pExtItems, ITEM_FAX2));
  if (m_pExtItems) {
    const double birthday = m_pExtItems->GetValueByID(ITEM_BIRTHDAY);
    if (CExtendedItems::IsBirthdaySet(birthday)) {
      card += "BDAY:";
      card += COleDateTime(birthday).Format("%Y-%m-%d").view();
      card += "\r\n";
    }
  }
  card += "END:VCARD\r\n";
}
