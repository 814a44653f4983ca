// Reading and writing the one-line text forms (the group text, the phone text
// form of an entry). The forms are described as fields cut off the front of a
// string; a cursor over the text gives the same fields without copying the rest
// of the line at every cut.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

#include "sorrel/Types.h"

namespace sorrel {

class TextCursor {
 public:
  static constexpr size_t npos = std::string_view::npos;

  explicit TextCursor(std::string_view text) : m_text(text) {}

  std::string_view Rest() const { return m_text.substr(m_pos); }
  bool AtEnd() const { return m_pos >= m_text.size(); }
  // Where the rest starts within the whole text.
  size_t Offset() const { return m_pos; }

  // Offset of the first occurrence within the rest, npos when there is none.
  size_t Find(char ch) const { return Relative(m_text.find(ch, m_pos)); }
  size_t Find(std::string_view pattern) const { return Relative(FindIn(m_text, pattern, m_pos)); }

  // The separators of the forms are two characters long: jumping from one
  // first character to the next is much faster than comparing at every place.
  static size_t FindIn(std::string_view text, std::string_view pattern, size_t from = 0) {
    if (pattern.size() != 2) return text.find(pattern, from);
    const char* end = text.data() + text.size();
    for (const char* p = text.data() + std::min(from, text.size()); end - p >= 2; ++p) {
      p = static_cast<const char*>(std::memchr(p, pattern[0], static_cast<size_t>(end - p - 1)));
      if (!p) break;
      if (p[1] == pattern[1]) return static_cast<size_t>(p - text.data());
    }
    return npos;
  }

  // Removes n characters, or what there is.
  void Skip(size_t n) { m_pos += std::min(n, m_text.size() - m_pos); }
  // The first n characters (or what there is), removed.
  std::string_view Take(size_t n) {
    std::string_view field = Rest().substr(0, n);
    m_pos += field.size();
    return field;
  }
  // The text before the first sep, removed with sep and nExtra characters
  // after it. Without a sep the field is all the rest, and the rest is empty.
  std::string_view CutField(char sep, size_t nExtra = 0) {
    std::string_view field = Take(Find(sep));
    Skip(1 + nExtra);
    return field;
  }
  std::string_view CutField(std::string_view sep, size_t nExtra = 0) {
    std::string_view field = Take(Find(sep));
    Skip(sep.size() + nExtra);
    return field;
  }

 private:
  size_t Relative(size_t pos) const { return pos == npos ? npos : pos - m_pos; }

  std::string_view m_text;
  size_t m_pos = 0;
};

// Finds a pattern in the rest again and again as a cursor moves on. The last
// hit is remembered, and a miss is final (the rest only ever loses its front), so
// asking after every field costs linear time over the whole line instead of a
// scan of the rest each time.
class NextOccurrence {
 public:
  explicit NextOccurrence(std::string_view pattern) : m_pattern(pattern) {}

  // Offset of the pattern within the cursor's rest, TextCursor::npos when absent.
  size_t In(const TextCursor& cursor) {
    if (m_absent) return TextCursor::npos;
    if (!m_known || m_hit < cursor.Offset()) {
      size_t found = cursor.Find(m_pattern);
      m_absent = found == TextCursor::npos;
      if (m_absent) return TextCursor::npos;
      m_hit = cursor.Offset() + found;
      m_known = true;
    }
    return m_hit - cursor.Offset();
  }

 private:
  std::string_view m_pattern;
  size_t m_hit = 0;
  bool m_known = false;
  bool m_absent = false;
};

// A text as "%s" writes it: up to its first zero byte. A value read from a
// card can hold one ("=00"), and no form may carry it on.
inline std::string_view AsWritten(std::string_view text) {
  const void* zero = std::memchr(text.data(), 0, text.size());
  return zero ? text.substr(0, static_cast<size_t>(static_cast<const char*>(zero) - text.data())) : text;
}

// Writes a line into a string sized once for the longest it can be, so that no
// character costs a capacity check; Finish cuts the string to what was written.
class LineWriter {
 public:
  LineWriter(std::string& out, size_t nMaxLen) : m_out(out) {
    out.resize(nMaxLen);
    m_p = out.data();
  }
  void Put(char ch) { *m_p++ = ch; }
  void Put(std::string_view text) {
    std::char_traits<char>::copy(m_p, text.data(), text.size());
    m_p += text.size();
  }
  // The room a decimal UINT takes at most.
  static constexpr size_t kDecimalLen = 10;
  void PutDecimal(UINT n) { m_p = std::to_chars(m_p, m_p + kDecimalLen, n).ptr; }
  // "\"" text "\"": texts of the forms stand between quotes, unescaped, each
  // up to its first zero byte.
  void PutQuoted(std::string_view text) {
    Put('"');
    Put(AsWritten(text));
    Put('"');
  }
  void Finish() { m_out.resize(static_cast<size_t>(m_p - m_out.data())); }

 private:
  std::string& m_out;
  char* m_p;
};

// Appends n in decimal, as "%u" writes it.
inline void AppendDecimal(std::string& out, UINT n) {
  char buffer[16];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, n);
  (void)ec;
  out.append(buffer, end);
}

// Appends "\"" text "\"": texts of the forms stand between quotes, unescaped.
inline void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  out.append(AsWritten(text));
  out += '"';
}

}  // namespace sorrel
