// The phone text form of an entry: one line per phone book slot, as the phone
// server delivers and takes it, and the parameters of the phone-book write command.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

#include "formats/TextForm.h"
#include "platform/Numbers.h"
#include "sorrel/Entry.h"

namespace {

using sorrel::LineWriter;
using sorrel::TextCursor;

// The keyword that stands for an empty phone slot, as the whole text.
constexpr std::string_view kEmptySlot = "EMPTY";
// A quoted text ends at a closing quote followed by a comma.
constexpr std::string_view kQuoteComma = "\",";
// An item starts with its id, a comma and the opening quote of its value.
constexpr std::string_view kCommaQuote = ",\"";
// Two touching quotes part the name from the surname.
constexpr std::string_view kNameSurname = "\"\"";

// The text items in the order they travel, which is ascending id order: the
// order in which CExtendedItems::GetTextsInIDOrder gives them. The birthday
// follows them.
constexpr std::array<UINT, 24> kItemOrder = {
    ITEM_OFFICE,       ITEM_MOBILE,       ITEM_HOME,         ITEM_FAX,          ITEM_EMAIL,  ITEM_ADDRESS,
    ITEM_NOTE,         ITEM_COMPANY,      ITEM_TITLE,        ITEM_OTHER_NUMBER, ITEM_PAGER,  ITEM_EMAIL2,
    ITEM_CITY,         ITEM_STATE,        ITEM_ZIP,          ITEM_COUNTRY,      ITEM_INFO_NUMBER1,
    ITEM_INFO_NUMBER2, ITEM_INFO_NUMBER3, ITEM_INFO_NUMBER4, ITEM_URL,          ITEM_SYNC_ID, ITEM_NOTE2,
    ITEM_FAX2,
};
static_assert(std::is_sorted(kItemOrder.begin(), kItemOrder.end()) && kItemOrder.front() == ITEM_OFFICE &&
                  kItemOrder.back() == ITEM_FAX2 && kItemOrder.size() == ITEM_FAX2 - ITEM_OFFICE + 1 - 2,
              "the text items 5 to 30 but 12 and 26, ascending");
// Stands in for an item that is not written.
const CString kNoText;
constexpr size_t kSyncIDIndex = static_cast<size_t>(
    std::find(kItemOrder.begin(), kItemOrder.end(), ITEM_SYNC_ID) - kItemOrder.begin());

// Icon slots 1 to 4 of the form, after the entry's own icon in slot 0.
constexpr std::array<UINT, 4> kIconItems = {ITEM_INFO_NUMBER1, ITEM_INFO_NUMBER2, ITEM_NOTE, ITEM_NOTE2};
constexpr int kIconSlots = 1 + static_cast<int>(kIconItems.size());

// Only these memories get extended items when the reader is asked to create them.

// The rest without its last character: a last field without its closing quote.
std::string_view WithoutLast(std::string_view text) { return text.substr(0, text.empty() ? 0 : text.size() - 1); }

// The birthday as the writer leaves it ("%lf": an optional minus, digits, a
// point and decimals) is read straight; every other text goes through the
// general reader. Both round correctly, so they agree on every text of that form.
double ReadDate(std::string_view text) {
  constexpr size_t kShortEnoughForRange = 30;
  size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
  size_t nIntDigits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++nIntDigits;
  if (i < text.size() && text[i] == '.') ++i;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  double dValue = 0.0;
  if (nIntDigits == 0 || i != text.size() || text.size() > kShortEnoughForRange ||
      std::from_chars(text.data(), text.data() + text.size(), dValue).ptr != text.data() + text.size())
    return sorrel::Atof(text);
  return dValue;
}

// The birthday as "%lf" writes it in the "C" locale: fixed notation, six
// decimals. Whole days, the usual birthday, need no general formatting.
char* WriteDate(char* p, double dDate) {
  constexpr double kExactInteger = 1e15;
  if (dDate == std::trunc(dDate) && std::fabs(dDate) < kExactInteger && !(dDate == 0.0 && std::signbit(dDate))) {
    p = std::to_chars(p, p + 20, static_cast<long long>(dDate)).ptr;
    std::memcpy(p, ".000000", 7);
    return p + 7;
  }
  return std::to_chars(p, p + 400, dDate, std::chars_format::fixed, 6).ptr;
}

// ",id,\"" before an item's value; the ids have one or two digits.
void PutItemStart(LineWriter& line, UINT nID) {
  line.Put(',');
  if (nID >= 10) line.Put(static_cast<char>('0' + nID / 10));
  line.Put(static_cast<char>('0' + nID % 10));
  line.Put(',');
  line.Put('"');
}

}  // namespace

void CEntry::GetAsText(CString& strText, int bWithLocation, int bWithSyncID) const {
  // strText may be one of this entry's own strings: then the line is built apart.
  std::string apart;
  bool bOwnString = &strText == &m_strName || &strText == &m_strSurname || &strText == &m_strNum;
  std::string& out = bOwnString ? apart : strText.str();
  out.clear();
  if (IsEmpty()) {
    strText.Empty();
    return;
  }

  // The birthday goes first into a buffer of its own, and the items are taken
  // in one call: the longest the line can be is then known.
  char date[400];  // the largest double has 309 digits before the point
  size_t nDateLen = 0;
  double dBirthday = m_pExtItems ? m_pExtItems->GetValueByID(ITEM_BIRTHDAY) : NO_BIRTHDAY;
  if (CExtendedItems::IsBirthdaySet(dBirthday)) nDateLen = static_cast<size_t>(WriteDate(date, dBirthday) - date);

  // The fixed parts at their longest: location and position with their commas;
  // the quotes of name, surname and number and the comma before the number; the
  // group with its comma; the icons (",5" and five ",255"); the line end.
  constexpr size_t kDecimalField = LineWriter::kDecimalLen + 1;
  constexpr size_t kFixedLen = 2 * kDecimalField + 7 + kDecimalField + 2 + kIconSlots * 4 + 1;
  // Each item takes a comma, its id, a comma and two quotes besides its value.
  constexpr size_t kItemFrame = 4 + 2;
  size_t nMaxLen = kFixedLen + m_strName.view().size() + m_strSurname.view().size() + m_strNum.view().size() +
                   kItemFrame + nDateLen;
  const CString* values[kItemOrder.size()];  // filled, and read, only with extended items
  unsigned char icons[kIconSlots] = {m_nIcon};
  if (m_pExtItems) {
    nMaxLen += kItemFrame * kItemOrder.size() + m_pExtItems->GetTextsInIDOrder(values);
    if (!bWithSyncID) values[kSyncIDIndex] = &kNoText;
    m_pExtItems->GetIcons(icons + 1);
  }

  LineWriter line(out, nMaxLen);
  if (bWithLocation) {
    line.PutDecimal(m_nLocation);
    line.Put(',');
    line.PutDecimal(m_nPos);
    line.Put(',');
  }

  line.PutQuoted(m_strName.view());
  // Without extended items the line has no surname and no icons.
  if (m_pExtItems && m_bAllowsNameSurnameDivision) line.PutQuoted(m_strSurname.view());
  line.Put(',');
  line.PutQuoted(m_strNum.view());

  bool bIcons = false;
  if (m_pExtItems) {
    for (size_t i = 0; i < kItemOrder.size(); ++i) {
      std::string_view value = values[i]->view();
      if (value.empty()) continue;
      PutItemStart(line, kItemOrder[i]);
      line.Put(sorrel::AsWritten(value));
      line.Put('"');
    }
    if (nDateLen != 0) {
      PutItemStart(line, ITEM_BIRTHDAY);
      line.Put(std::string_view(date, nDateLen));
      line.Put('"');
    }
    // The icons as AreIconsAssigned sees them, from the values already at hand.
    bIcons = std::any_of(std::begin(icons), std::end(icons), [](unsigned char n) { return n != 0; });
  }

  if (m_nGroupID != 0 || bIcons) {
    line.Put(',');
    line.PutDecimal(m_nGroupID);
  }
  if (bIcons) {
    // Always all five slots: the entry's icon, then those of items 22, 23, 11, 29.
    line.Put(',');
    line.PutDecimal(kIconSlots);
    for (unsigned char nIcon : icons) {
      line.Put(',');
      line.PutDecimal(nIcon);
    }
  }

  if (bWithLocation) line.Put('\n');
  line.Finish();
  if (bOwnString) strText.str().swap(apart);
}

void CEntry::GetAsText4AT(CString& strText, LPCSTR pszIndex) const {
  // The type-of-address values of the phone-book write command: international
  // or unknown type.
  std::string out(pszIndex ? pszIndex : "");
  out += ',';
  sorrel::AppendQuoted(out, m_strNum.view());
  out += m_bNumInternational ? ",145," : ",129,";
  sorrel::AppendQuoted(out, m_strName.view());
  strText.str().swap(out);
}

void CEntry::FillFromText(LPCSTR pszText, int bWithLocation, int bCreateExtItems, int bJoinNames,
                          CGroups* pGroups) {
  CString text(pszText);
  FillFromText(text, bWithLocation, bCreateExtItems, bJoinNames, pGroups);
}

void CEntry::FillFromText(CString& strText, int bWithLocation, int bCreateExtItems, int bJoinNames,
                          CGroups* pGroups) {
  // The fields are read as views into strText; when strText is one of this
  // entry's own strings, read a copy so that storing a field cannot move the text.
  if (&strText == &m_strName || &strText == &m_strSurname || &strText == &m_strNum) {
    CString copy(strText);
    FillFromText(copy, bWithLocation, bCreateExtItems, bJoinNames, pGroups);
    strText = copy;
    return;
  }

  std::string_view line = strText.view();
  if (line.empty() || line == kEmptySlot) {
    Clear();  // an empty slot counts as changed, as Clear leaves it
    return;
  }

  if (bWithLocation) line = line.substr(0, line.find_last_not_of("\r\n") + 1);
  TextCursor cursor(line);

  // The setters without a limit, working on views of the line: the same fields
  // and flags as SetName and SetNum, without a temporary string per field.
  auto setName = [this](std::string_view name) {
    m_strName.str().assign(name);
    m_bVIP = !name.empty() && name.back() == '!' ? 1 : 0;
  };
  auto setNum = [this](std::string_view num) {
    m_strNum.str().assign(num);
    m_bNumInternational = !num.empty() && num.front() == '+' ? 1 : 0;
  };

  // Every step that ends the line early lands here.
  auto finish = [&]() {
    m_bChanged = 0;  // an entry just read from the phone counts as unchanged
    std::string& storage = strText.str();
    storage.erase(cursor.Offset() + cursor.Rest().size());
    storage.erase(0, cursor.Offset());
  };

  if (bWithLocation) {
    SetLocation(sorrel::AtoiUnsigned(cursor.Rest()));
    cursor.CutField(',');
    SetPos(sorrel::AtoiUnsigned(cursor.Rest()));
    cursor.CutField(',');
  }

  // Names: the opening quote, the names, then quote, comma and the number's
  // opening quote.
  cursor.Skip(1);
  std::string_view names = cursor.CutField(kQuoteComma, 1);
  size_t pair = TextCursor::FindIn(names, kNameSurname);
  if (pair != std::string_view::npos) {
    m_bAllowsNameSurnameDivision = 1;
    m_strSurname.str().assign(names.substr(pair + kNameSurname.size()));
    names = names.substr(0, pair);
  }
  setName(names);

  if (bJoinNames) {
    m_bAllowsNameSurnameDivision = 0;
    if (!m_strSurname.IsEmpty()) {
      m_strName = m_strSurname + ' ' + m_strName;
      m_strSurname.Empty();
    }
  }

  if (bCreateExtItems && !m_pExtItems && sorrel::LocationHoldsExtendedItems(m_nLocation))
    m_pExtItems = std::make_unique<CExtendedItems>().release();

  size_t numEnd = cursor.Find(kQuoteComma);
  if (numEnd == TextCursor::npos) {
    setNum(WithoutLast(cursor.Rest()));
    return finish();
  }
  setNum(cursor.Take(numEnd));
  cursor.Skip(kQuoteComma.size());

  // Items: id, comma, the value in quotes, as long as a comma and an opening
  // quote are still ahead.
  sorrel::NextOccurrence itemAhead(kCommaQuote);
  while (itemAhead.In(cursor) != TextCursor::npos) {
    UINT id = sorrel::AtoiUnsigned(cursor.Rest());
    cursor.CutField(',', 1);
    size_t valueEnd = cursor.Find(kQuoteComma);
    bool bLast = valueEnd == TextCursor::npos;
    std::string_view text = bLast ? WithoutLast(cursor.Rest()) : cursor.Take(valueEnd);

    if (id == ITEM_BIRTHDAY) {
      SetExtItem(id, ReadDate(text));
    } else if (const CString* item = m_pExtItems ? m_pExtItems->GetValuePtrByID(id) : nullptr) {
      // SetExtItem without a limit, straight from the line into the item (ids
      // without a text item have none): the items object is the entry's own and
      // not const, only the getter is.
      const_cast<CString*>(item)->str().assign(text);
    }
    // With the names joined, a nameless entry is shown by its company.
    if (bJoinNames && id == ITEM_COMPANY && m_strName.IsEmpty() && m_strSurname.IsEmpty())
      m_strName.str().assign(text);

    if (bLast) return finish();
    cursor.Skip(kQuoteComma.size());
  }

  // Group: the last field, or followed by the icons.
  SetGroupID(sorrel::AtoiUnsigned(cursor.Rest()), pGroups);
  if (cursor.Find(',') == TextCursor::npos) return finish();
  cursor.CutField(',');

  // Icons: a count, then that many values; slots beyond the fifth are read and dropped.
  int nIcons = sorrel::Atoi(cursor.Rest());
  cursor.CutField(',');
  for (int i = 0; i < nIcons; ++i) {
    auto nIcon = static_cast<unsigned char>(sorrel::AtoiUnsigned(cursor.Rest()));
    bool bLast = i == nIcons - 1;
    if (!bLast) cursor.CutField(',');
    if (i == 0) {
      m_nIcon = nIcon;
    } else if (i < kIconSlots) {
      if (m_pExtItems) m_pExtItems->SetIcon(kIconItems[static_cast<size_t>(i - 1)], nIcon);
    } else if (cursor.AtEnd()) {
      break;  // a count far beyond the values: the rest would read nothing and cut nothing
    }
  }
  finish();
}
