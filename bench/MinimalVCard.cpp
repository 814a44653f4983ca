#include "MinimalVCard.h"

#include <cmath>
#include <cstring>

namespace bench {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Characters that UTF-7 writes as themselves: RFC 2152's set D and the blank.
// The optional direct characters go into base64, as the platform converter
// writes them.
bool IsDirect(unsigned char c) {
  return c != 0 && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         std::strchr("'(),-./:? ", c) != nullptr);
}

// Literals go in with their lengths known at compile time.
template <std::size_t N>
void Put(std::string& out, const char (&literal)[N]) {
  out.append(literal, N - 1);
}

}  // namespace

MinimalVCardWriter::MinimalVCardWriter(const CGroups& groups, gen::CardForm form) : m_form(form) {
  for (int i = 0; i < groups.GetNGroups(); ++i) {
    const GroupInfo* g = groups.GetGroupByIndex(static_cast<UINT>(i));
    if (g->nID >= m_groupNames.size()) m_groupNames.resize(g->nID + 1);
    if (!m_groupNames[g->nID].first) m_groupNames[g->nID] = {true, g->strName};
  }
  for (int b = 0; b < 256; ++b) {
    char byte = static_cast<char>(b);
    WCHAR wide = 0;
    m_utf16[b] = MultiByteToWideChar(CP_ACP, 0, &byte, 1, &wide, 1) == 1 ? wide : u'?';
    char utf8[4];
    int n = WideCharToMultiByte(CP_UTF8, 0, &m_utf16[b], 1, utf8, sizeof utf8, nullptr, nullptr);
    Encoded& e = m_utf8[b];
    e = Encoded{};
    for (int i = 0; i < n; ++i) {
      unsigned char u = static_cast<unsigned char>(utf8[i]);
      e.text[e.length++] = '=';
      e.text[e.length++] = kHex[u >> 4];
      e.text[e.length++] = kHex[u & 15];
    }
  }
}

MinimalVCardWriter::Charset MinimalVCardWriter::CharsetOf(std::initializer_list<Part> parts) const {
  for (const Part& part : parts)
    for (char c : part.value->view())
      if (static_cast<unsigned char>(c) > 0x7F)
        return m_form == gen::CardForm::V21Utf7 ? Charset::Utf7 : Charset::Utf8QuotedPrintable;
  return Charset::Plain;
}

void MinimalVCardWriter::AppendValue(const CString& value, Charset charset, std::string& out) const {
  std::string_view v = value.view();
  if (charset == Charset::Plain) {
    out.append(v);
  } else if (charset == Charset::Utf8QuotedPrintable) {
    // Room for the longest encoding first, written through a pointer, then cut
    // to what was written: no capacity test per byte.
    std::size_t start = out.size();
    out.resize(start + 9 * v.size());
    char* p = out.data() + start;
    for (char c : v) {
      const Encoded& e = m_utf8[static_cast<unsigned char>(c)];
      std::memcpy(p, e.text, sizeof e.text);
      p += e.length;
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
  } else {
    for (std::size_t i = 0; i < v.size();) {
      unsigned char c = static_cast<unsigned char>(v[i]);
      if (IsDirect(c)) {
        out += static_cast<char>(c);
        ++i;
        continue;
      }
      if (c == '+') {
        out += "+-";
        ++i;
        continue;
      }
      // One base64 run over the UTF-16 units of the characters up to the next
      // direct one, closed by '-'.
      out += '+';
      std::uint32_t bits = 0;
      int nBits = 0;
      for (; i < v.size() && !IsDirect(static_cast<unsigned char>(v[i])) && v[i] != '+'; ++i) {
        bits = (bits << 16) | m_utf16[static_cast<unsigned char>(v[i])];
        nBits += 16;
        while (nBits >= 6) {
          nBits -= 6;
          out += kBase64[(bits >> nBits) & 63];
        }
      }
      if (nBits > 0) out += kBase64[(bits << (6 - nBits)) & 63];
      out += '-';
    }
  }
}

void MinimalVCardWriter::AppendLine(std::string_view property, std::initializer_list<Part> parts,
                                    std::string& out) const {
  Charset charset = CharsetOf(parts);
  out.append(property);
  if (charset == Charset::Utf8QuotedPrintable) Put(out, ";CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE");
  if (charset == Charset::Utf7) Put(out, ";CHARSET=UTF-7");
  out += ':';
  for (const Part& part : parts) {
    out.append(part.before);
    AppendValue(*part.value, charset, out);
  }
  Put(out, "\r\n");
}

void MinimalVCardWriter::AppendCategory(const CEntry& entry, std::string& out) const {
  UINT id = entry.GetGroupID();
  if (id >= m_groupNames.size() || !m_groupNames[id].first) return;
  const CString& name = m_groupNames[id].second;
  if (m_form == gen::CardForm::V10) {
    Put(out, "CATEGORIES:");
    out.append(name.view());
    Put(out, "\r\n");
  } else {
    AppendLine("X-ESI-CATEGORIES", {{"", &name}}, out);
  }
}

void MinimalVCardWriter::AppendBirthday(double date, std::string& out) const {
  // Civil date from the day count (days since 1 March of year 0 arithmetic);
  // the time of day is not written.
  long long days = static_cast<long long>(date >= 0 ? std::floor(date) : std::ceil(date)) - 25569;
  days += 719468;
  long long era = (days >= 0 ? days : days - 146096) / 146097;
  unsigned doe = static_cast<unsigned>(days - era * 146097);
  unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long y = static_cast<long long>(yoe) + era * 400;
  unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  unsigned mp = (5 * doy + 2) / 153;
  unsigned d = doy - (153 * mp + 2) / 5 + 1;
  unsigned m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
  char text[16] = {'B', 'D', 'A', 'Y', ':'};
  unsigned year = static_cast<unsigned>(y);
  text[5] = static_cast<char>('0' + year / 1000 % 10);
  text[6] = static_cast<char>('0' + year / 100 % 10);
  text[7] = static_cast<char>('0' + year / 10 % 10);
  text[8] = static_cast<char>('0' + year % 10);
  text[9] = '-';
  text[10] = static_cast<char>('0' + m / 10);
  text[11] = static_cast<char>('0' + m % 10);
  text[12] = '-';
  text[13] = static_cast<char>('0' + d / 10);
  text[14] = static_cast<char>('0' + d % 10);
  out.append(text, 15);
  Put(out, "\r\n");
}

void MinimalVCardWriter::Append(const CEntry& entry, std::string& out) const {
  static const CString kNone;
  const CExtendedItems* items = entry.GetExtendedItems();
  auto item = [&](UINT id) -> const CString& {
    const CString* v = items ? items->GetValuePtrByID(id) : nullptr;
    return v ? *v : kNone;
  };
  auto plain = [&](std::string_view property, const CString& value) {
    if (value.IsEmpty()) return;
    out.append(property);
    out.append(value.view());
    Put(out, "\r\n");
  };
  bool v10 = m_form == gen::CardForm::V10;

  if (v10)
    Put(out, "BEGIN:VCARD\r\nVERSION:1.0\r\n");
  else
    Put(out, "BEGIN:VCARD\r\nVERSION:2.1\r\n");
  AppendLine("N", {{"", &entry.GetSurname()}, {";", &entry.GetName()}}, out);
  const CString &street = item(ITEM_ADDRESS), &city = item(ITEM_CITY), &zip = item(ITEM_ZIP),
                &country = item(ITEM_COUNTRY);
  if (!street.IsEmpty() || !city.IsEmpty() || !zip.IsEmpty() || !country.IsEmpty())
    AppendLine("ADR", {{";;", &street}, {";", &city}, {";;", &zip}, {";", &country}}, out);
  if (!v10 && !item(ITEM_TITLE).IsEmpty()) AppendLine("TITLE", {{"", &item(ITEM_TITLE)}}, out);
  if (!item(ITEM_COMPANY).IsEmpty()) AppendLine("ORG", {{"", &item(ITEM_COMPANY)}}, out);
  if (v10) {
    plain("TEL;HOME:", entry.GetNum());
    plain("TEL;WORK:", item(ITEM_OFFICE));
    plain("TEL;CELL:", item(ITEM_MOBILE));
    plain("TEL;FAX:", item(ITEM_FAX));
    plain("EMAIL;INTERNET:", item(ITEM_EMAIL));
    plain("URL:", item(ITEM_URL));
    AppendCategory(entry, out);
  } else {
    plain("EMAIL;INTERNET:", item(ITEM_EMAIL));
    plain("TEL;WORK:", item(ITEM_OFFICE));
    plain("TEL;HOME:", entry.GetNum());
    plain("TEL;CELL:", item(ITEM_MOBILE));
    plain("TEL;FAX:", item(ITEM_FAX));
    plain("TEL:", item(ITEM_OTHER_NUMBER));
    plain("URL:", item(ITEM_URL));
    AppendCategory(entry, out);
    plain("EMAIL;HOME;INTERNET:", item(ITEM_EMAIL2));
    plain("TEL;FAX;HOME:", item(ITEM_FAX2));
    if (items && CExtendedItems::IsBirthdaySet(items->GetValueByID(ITEM_BIRTHDAY)))
      AppendBirthday(items->GetValueByID(ITEM_BIRTHDAY), out);
  }
  Put(out, "END:VCARD\r\n");
}

}  // namespace bench
