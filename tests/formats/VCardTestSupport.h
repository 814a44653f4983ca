// Shared by the format tests: entries from their phone text form, cards, and a
// one-line picture of an entry that table rows compare against.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "platform/CodePageInternal.h"
#include "sorrel/COleDateTime.h"
#include "sorrel/Entry.h"
#include "support/Cases.h"

namespace vcardtest {

// Text of the 8-bit code page from the UTF-8 of the test source.
inline CString Ansi(std::string_view utf8) { return CString(sorrel::Utf8ToAnsi(utf8)); }

// 8-bit text as UTF-8, control bytes as \xNN, so that a failing row reads well.
inline std::string Show(const CString& ansi) {
  std::string out;
  for (unsigned char c : sorrel::AnsiToUtf8(ansi.view())) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    out += c < 0x20 ? std::string(hex) : std::string(1, static_cast<char>(c));
  }
  return out;
}

// "N=surname;name", then only what is set: "TEL=" main number, "G=" group id,
// "VIP", each non-empty text item as "id=value" by ascending id, "BDAY=" date
// and time of the birthday.
inline std::string Describe(const CEntry& e) {
  std::string s = "N=" + Show(e.GetSurname()) + ";" + Show(e.GetName());
  if (!e.GetNum().IsEmpty()) s += " TEL=" + Show(e.GetNum());
  if (e.GetGroupID() != 0) s += " G=" + std::to_string(e.GetGroupID());
  if (e.IsVIP()) s += " VIP";
  if (const CExtendedItems* items = e.GetExtendedItems()) {
    for (UINT id = ITEM_OFFICE; id < ITEM_BIRTHDAY; ++id) {
      const CString* value = items->GetValuePtrByID(id);
      if (value && !value->IsEmpty()) s += " " + std::to_string(id) + "=" + Show(*value);
    }
    const double birthday = items->GetValueByID(ITEM_BIRTHDAY);
    if (CExtendedItems::IsBirthdaySet(birthday))
      s += " BDAY=" + COleDateTime(birthday).Format("%Y-%m-%d %H:%M:%S").str();
  }
  return s;
}

// An entry read from its phone text form, given in UTF-8 with \0 and \n for a
// zero byte and LF: "name""surname","number",id,"value"...,group.
inline std::unique_ptr<CEntry> FromText(std::string_view utf8Line, int bExtItems = 1, int bDivision = 1) {
  auto e = std::make_unique<CEntry>(bExtItems, bDivision);
  CString text(sorrel::test::Unescape(Ansi(utf8Line).view()));
  e->FillFromText(text, 0, 0, 0, nullptr);
  return e;
}

// Every byte as "=XX": what the writer makes of UTF-8, what the reader decodes.
inline std::string HexEscapes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) out += {'=', kHex[c >> 4], kHex[c & 0xF]};
  return out;
}

// A card around body lines given in UTF-8 with LF ends: every LF becomes CR LF.
inline CString Card(std::string_view utf8Body, std::string_view version = "2.1") {
  std::string card = "BEGIN:VCARD\r\nVERSION:" + std::string(version) + "\r\n";
  for (char c : sorrel::Utf8ToAnsi(utf8Body)) {
    if (c == '\n') card += '\r';
    card += c;
  }
  return CString(card + "END:VCARD\r\n");
}

// Compares text with a golden file under tests/formats/; with
// SORREL_UPDATE_GOLDEN=1 the file is written first.
inline void ExpectGolden(const std::string& file, const std::string& actual) {
  const std::string path = std::string(SORREL_SOURCE_DIR) + "/tests/formats/" + file;
  if (std::getenv("SORREL_UPDATE_GOLDEN")) std::ofstream(path, std::ios::binary) << actual;
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(actual, std::string(std::istreambuf_iterator<char>(in), {})) << path;
}

// The one-line cases of FILE under tests/formats/, each echoed into FILE.ref and
// followed there by what `result` makes of it; blank lines and '#' comments are
// only echoed.
inline void ExpectGoldenCases(const std::string& file, const std::function<std::string(const std::string&)>& result) {
  std::ifstream in(std::string(SORREL_SOURCE_DIR) + "/tests/formats/" + file, std::ios::binary);
  std::string actual;
  for (std::string source; std::getline(in, source);) {
    actual += source + "\n";
    if (!source.empty() && source[0] != '#') actual += result(source);
  }
  ExpectGolden(file + ".ref", actual);
}

}  // namespace vcardtest
