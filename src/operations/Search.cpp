// Substring search over the text fields of an entry.
#include <algorithm>
#include <string_view>

#include "model/ItemLists.h"
#include "platform/CodePageInternal.h"
#include "sorrel/Entry.h"

namespace {

// Finds an upper-cased needle in a field as if the field had been upper-cased
// first: each field byte goes through the code page's table on the fly, so a
// search over a whole phone book allocates nothing per field.
class Matcher {
 public:
  Matcher(std::string_view needle, bool caseSensitive)
      : m_needle(needle), m_upper(caseSensitive ? nullptr : sorrel::UpperTable()) {}

  bool In(const CString& field) const {
    std::string_view hay = field.view();
    if (!m_upper) return hay.find(m_needle) != std::string_view::npos;
    const unsigned char* upper = m_upper;
    return std::search(hay.begin(), hay.end(), m_needle.begin(), m_needle.end(), [upper](char h, char n) {
             return static_cast<char>(upper[static_cast<unsigned char>(h)]) == n;
           }) != hay.end() ||
           m_needle.empty();
  }

 private:
  std::string_view m_needle;
  const unsigned char* m_upper;
};

}  // namespace

int CEntry::ContainsSubstr(CString text, int caseSensitive) const {
  if (!caseSensitive) text.MakeUpper();
  // The search text ends at its first zero byte, as a C string does.
  const Matcher match(std::string_view(static_cast<LPCSTR>(text)), caseSensitive != 0);

  if (match.In(m_strName) || match.In(m_strNum)) return 1;
  if (m_bAllowsNameSurnameDivision && match.In(m_strSurname)) return 1;
  if (!m_pExtItems) return 0;
  for (UINT id : sorrel::kVisibleTextItems) {
    const CString* value = m_pExtItems->GetValuePtrByID(id);
    if (value && match.In(*value)) return 1;
  }
  return 0;
}
