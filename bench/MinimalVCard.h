// The "memcpy-plus-format" floor of the vCard writer: a writer that produces
// the very bytes of the library's writer and does nothing else. Property names
// are copied as literals, values are copied as they are or encoded through
// tables built once (Windows-1250 to UTF-8 or UTF-16, the "=XX" pairs, base64),
// the birthday is a civil date computed with integers, the output grows in one
// string, and nothing is allocated per card or per field. No writer of these
// bytes can be cheaper by more than its choice of memcpy.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "Generator.h"

namespace bench {

class MinimalVCardWriter {
 public:
  // groups: the caller groups the cards name; the writer keeps their names by id.
  MinimalVCardWriter(const CGroups& groups, gen::CardForm form);
  // Appends the card of one entry to out.
  void Append(const CEntry& entry, std::string& out) const;

 private:
  enum class Charset { Plain, Utf8QuotedPrintable, Utf7 };
  // One value of a line and the literal text before it (the ";" of N and ADR).
  struct Part {
    std::string_view before;
    const CString* value;
  };
  Charset CharsetOf(std::initializer_list<Part> parts) const;
  void AppendValue(const CString& value, Charset charset, std::string& out) const;
  void AppendLine(std::string_view property, std::initializer_list<Part> parts, std::string& out) const;
  void AppendCategory(const CEntry& entry, std::string& out) const;
  void AppendBirthday(double date, std::string& out) const;

  gen::CardForm m_form;
  std::vector<std::pair<bool, CString>> m_groupNames;  // by id: present, name
  struct Encoded {
    char text[9];  // "=XX" for each UTF-8 byte of one character
    unsigned char length;
  };
  Encoded m_utf8[256];                                 // Windows-1250 byte to "=XX" UTF-8 pairs
  char16_t m_utf16[256];                               // Windows-1250 byte to UTF-16
};

}  // namespace bench
