// Reading vCard files as phones and address books write them. The library's
// reader knows one card at a time, lines ended by CR LF, and a fixed set of
// property forms; files hold several cards, fold lines, use the TYPE= parameters
// of vCard 3.0 and 4.0, extra parameters, other character sets and backslash
// escapes. Each card is first brought into the reader's forms, then read by the
// library's own reader, so that the reader's rules live in one place.
#include "sorrel/VCardImport.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CodePageInternal.h"
#include "sorrel/CodePage.h"

namespace sorrel {

namespace {

// One card as it stood in a file.
struct RawCard {
  std::string_view text;  // from its BEGIN:VCARD line to its END:VCARD line, bytes unchanged
  int number = 0;         // 1-based among the cards of the file
  int firstLine = 0;      // 1-based line of its BEGIN:VCARD
  std::string problem;    // why this is not a whole card (no END:VCARD); empty when it is
};

// A card in the reader's forms, what the entry could not keep, or why the card
// cannot be imported.
struct ReaderCard {
  std::string text;                // empty when problem is set
  std::vector<std::string> notes;  // one sentence each
  std::string problem;
};

// The cards of a file, in order, one at a time, so that a file of many cards
// needs no list of them. Text outside BEGIN:VCARD ... END:VCARD is skipped. A
// card's text is a view into the data, which must outlive it.
class CardSplitter {
 public:
  explicit CardSplitter(std::string_view data);
  // The next card; false when there is none left.
  bool Next(RawCard& card);

 private:
  // The next line [begin, end) and where the one after it starts; false at the end.
  bool NextLine(size_t& begin, size_t& end, size_t& next);
  bool Take(RawCard& card, size_t from, size_t to, int firstLine, std::string problem);

  std::string_view data_;
  size_t pos_ = 0;
  size_t cr_ = 0, lf_ = 0;  // the next CR and LF at or after pos_ (npos: none)
  int line_ = 0;            // lines read so far
  int cards_ = 0;
  bool open_ = false;  // inside a card, which began at start_ on line beginLine_
  bool agent_ = false;  // the last line of the open card was an AGENT property without a value
  int nested_ = 0;      // agent cards open inside it
  size_t start_ = 0;
  int beginLine_ = 0;
};

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

std::string Upper(std::string s) {
  for (char& c : s) c = AsciiUpper(c);
  return s;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (AsciiUpper(s[i]) != AsciiUpper(prefix[i])) return false;
  return true;
}

// Every line of a file passes here several times: plain loops, where
// find_first_not_of would look each byte up in the set with a call of its own.
std::string_view TrimView(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  size_t from = 0, to = s.size();
  while (from < to && blank(s[from])) ++from;
  while (to > from && blank(s[to - 1])) --to;
  return s.substr(from, to - from);
}

std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

// One physical line: [begin, end) without its line end; next is where the
// following line starts. Lines end in CR LF, LF or a CR alone.
struct LineSpan {
  size_t begin, end, next;
};

std::vector<LineSpan> LineSpans(std::string_view data) {
  std::vector<LineSpan> lines;
  size_t pos = 0;
  while (pos < data.size()) {
    size_t end = pos;  // a plain loop, as in TrimView
    while (end < data.size() && data[end] != '\r' && data[end] != '\n') ++end;
    if (end == data.size()) {
      lines.push_back({pos, data.size(), data.size()});
      break;
    }
    size_t next = end + 1;
    if (data[end] == '\r' && next < data.size() && data[next] == '\n') ++next;
    lines.push_back({pos, end, next});
    pos = next;
  }
  return lines;
}

// ---- properties -------------------------------------------------------------

struct Property {
  std::string name;                // upper case, without a group prefix such as "item1."
  std::vector<std::string> types;  // upper case, from TYPE= and from bare 2.1 parameters
  bool pref = false;
  std::string encoding;  // upper case
  std::string charset;   // as written, without quotes
  std::string value;     // the raw bytes
  int line = 0;          // 1-based within the card

  bool Has(const char* type) const {
    for (const std::string& t : types)
      if (t == type) return true;
    return false;
  }
};

std::string Unquote(std::string s) {
  s = Trim(s);
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
  return s;
}

void AddParameter(Property& p, const std::string& text) {
  size_t eq = text.find('=');
  if (eq == std::string::npos) {
    // vCard 2.1 writes bare values: an encoding or a type.
    std::string v = Upper(Trim(text));
    if (v == "QUOTED-PRINTABLE" || v == "BASE64" || v == "8BIT" || v == "7BIT")
      p.encoding = v;
    else if (!v.empty())
      p.types.push_back(v);
    return;
  }
  std::string key = Upper(Trim(text.substr(0, eq)));
  std::string value = Unquote(text.substr(eq + 1));
  if (key == "TYPE") {
    size_t from = 0;
    while (from <= value.size()) {
      size_t comma = value.find(',', from);
      std::string t = Upper(Unquote(value.substr(from, comma == std::string::npos ? std::string::npos : comma - from)));
      if (!t.empty()) p.types.push_back(t);
      if (comma == std::string::npos) break;
      from = comma + 1;
    }
  } else if (key == "ENCODING") {
    p.encoding = Upper(value);
  } else if (key == "CHARSET") {
    p.charset = value;
  } else if (key == "PREF") {
    p.pref = true;  // vCard 4.0: PREF=1
  }
}

// name[;param...]:value, with parameter values possibly in double quotes (which
// may hold ';' and ':'). False for a line that is not a property.
bool ParseProperty(const std::string& line, Property& p) {
  size_t nameEnd = line.find_first_of(";:");
  if (nameEnd == std::string::npos) return false;
  std::string name = Trim(line.substr(0, nameEnd));
  size_t dot = name.rfind('.');
  if (dot != std::string::npos) name = name.substr(dot + 1);
  p.name = Upper(name);
  size_t pos = nameEnd;
  while (pos < line.size() && line[pos] == ';') {
    size_t start = ++pos;
    bool quoted = false;
    while (pos < line.size() && (quoted || (line[pos] != ';' && line[pos] != ':'))) {
      if (line[pos] == '"') quoted = !quoted;
      ++pos;
    }
    AddParameter(p, line.substr(start, pos - start));
  }
  if (pos >= line.size() || line[pos] != ':') return false;
  p.value = line.substr(pos + 1);
  for (const std::string& t : p.types)
    if (t == "PREF") p.pref = true;
  return true;
}

bool IsQuotedPrintable(const std::string& line) {
  size_t colon = line.find(':');
  return Upper(line.substr(0, colon)).find("QUOTED-PRINTABLE") != std::string::npos;
}

bool IsBegin(std::string_view line);
bool IsEnd(std::string_view line);
bool OpensAgentCard(std::string_view line);

// The card's logical lines: folded lines joined (a line end and the one blank or
// tab after it removed), and quoted-printable values joined over their soft line
// breaks (a trailing "=" continues the value on the next line).
std::vector<Property> ParseCard(std::string_view card) {
  std::vector<Property> props;
  std::string current;
  int currentLine = 0;
  bool qp = false;
  auto flush = [&]() {
    Property p;
    if (!current.empty() && ParseProperty(current, p)) {
      p.line = currentLine;
      props.push_back(std::move(p));
    }
    current.clear();
  };
  int number = 0;
  int nested = 0;  // agent cards open: their lines are the agent's, not this card's
  bool agent = false;
  for (const LineSpan& span : LineSpans(card)) {
    ++number;
    std::string line(card.substr(span.begin, span.end - span.begin));
    const bool afterAgent = agent;
    agent = OpensAgentCard(line);
    if (IsBegin(line) && (afterAgent || nested > 0)) {
      if (afterAgent) ++nested;
      continue;
    }
    if (nested > 0) {
      if (IsEnd(line)) --nested;
      continue;
    }
    // A soft break first: the line after it is the value's text as it stands,
    // a leading blank included.
    if (!current.empty() && qp && current.back() == '=') {
      current.pop_back();
      current += line;
      continue;
    }
    if (!current.empty() && !line.empty() && (line[0] == ' ' || line[0] == '\t')) {
      current += line.substr(1);
      continue;
    }
    flush();
    current = line;
    currentLine = number;
    qp = IsQuotedPrintable(line);
  }
  flush();
  return props;
}

// ---- values -----------------------------------------------------------------

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = AsciiUpper(c);
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Lenient: an "=" that does not start a byte or a soft break stays as it is.
std::string DecodeQuotedPrintable(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '=' && i + 2 < s.size() && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
      out += char(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
      i += 2;
    } else if (s[i] == '=' && i + 1 < s.size() && (s[i + 1] == '\r' || s[i + 1] == '\n')) {
      i += (s[i + 1] == '\r' && i + 2 < s.size() && s[i + 2] == '\n') ? 2 : 1;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string DecodeBase64(const std::string& s) {
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (char c : s) {
    int v;
    if (c >= 'A' && c <= 'Z') v = c - 'A';
    else if (c >= 'a' && c <= 'z') v = c - 'a' + 26;
    else if (c >= '0' && c <= '9') v = c - '0' + 52;
    else if (c == '+') v = 62;
    else if (c == '/') v = 63;
    else continue;
    bits = (bits << 6) | unsigned(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += char((bits >> count) & 0xFF);
    }
  }
  return out;
}

bool IsAscii(const std::string& s) {
  for (unsigned char c : s)
    if (c > 0x7F) return false;
  return true;
}

// Well-formed UTF-8 only: no overlong forms (C0, C1, E0 80-9F, F0 80-8F), no
// surrogates (ED A0-BF), nothing above U+10FFFF (F4 90-BF, F5-FF), no lone
// continuation byte. Anything else is 8-bit text of some other set.
bool IsUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int extra;
    unsigned char low = 0x80, high = 0xBF;  // the range of the byte after the lead
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (s.size() - i <= size_t(extra)) return false;
    const unsigned char second = static_cast<unsigned char>(s[i + 1]);
    if (second < low || second > high) return false;
    for (int k = 2; k <= extra; ++k)
      if ((static_cast<unsigned char>(s[i + size_t(k)]) & 0xC0) != 0x80) return false;
    i += size_t(extra) + 1;
  }
  return true;
}

// The converters to UTF-8 a thread has opened, kept open. Opening one loads the
// character set's module and closing the last one unloads it again, which costs
// far more than converting a card: a file of 8-bit cards would pay it for every
// value. A few sets are kept; past that the one used longest ago is closed.
class ToUtf8Converters {
 public:
  ToUtf8Converters() = default;
  ToUtf8Converters(const ToUtf8Converters&) = delete;
  ToUtf8Converters& operator=(const ToUtf8Converters&) = delete;
  ~ToUtf8Converters() {
    for (const Open& c : open_) iconv_close(c.cd);
  }

  // A converter from `charset` in its initial state; none when iconv does not know the set.
  iconv_t Get(std::string_view charset) {
    auto it = std::find_if(open_.begin(), open_.end(), [&](const Open& c) { return c.name == charset; });
    if (it != open_.end()) {
      std::rotate(it, it + 1, open_.end());  // the most recently used last
      iconv(open_.back().cd, nullptr, nullptr, nullptr, nullptr);
      return open_.back().cd;
    }
    iconv_t cd = iconv_open("UTF-8", std::string(charset).c_str());
    if (cd == iconv_t(-1)) return nullptr;
    if (open_.size() == kKept) {
      iconv_close(open_.front().cd);
      open_.erase(open_.begin());
    }
    open_.push_back(Open{std::string(charset), cd});
    return cd;
  }

 private:
  static constexpr size_t kKept = 8;
  struct Open {
    std::string name;
    iconv_t cd;
  };
  std::vector<Open> open_;
};

ToUtf8Converters& Converters() {
  thread_local ToUtf8Converters converters;
  return converters;
}

enum class Transcoded { kOk, kUnknownCharset, kInvalid };

// Bytes in `charset` to UTF-8 through iconv. Strict: any byte the charset does
// not define fails; lenient: such a byte becomes '?'.
Transcoded ToUtf8From(const std::string& charset, const std::string& in, std::string& out, bool lenient) {
  iconv_t cd = Converters().Get(charset);
  if (!cd) return Transcoded::kUnknownCharset;
  out.clear();
  char buffer[1024];
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  Transcoded result = Transcoded::kOk;
  while (true) {
    char* dst = buffer;
    size_t room = sizeof buffer;
    size_t r = left ? iconv(cd, &src, &left, &dst, &room) : iconv(cd, nullptr, nullptr, &dst, &room);
    out.append(buffer, size_t(dst - buffer));
    if (r != size_t(-1)) {
      if (left == 0 && dst == buffer) break;
      if (left == 0) continue;  // flush once more until nothing comes out
    } else if (errno == E2BIG) {
      continue;
    } else if (lenient && left > 0) {
      out += '?';
      ++src;
      --left;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    } else {
      result = Transcoded::kInvalid;
      break;
    }
  }
  return result;
}

// The value of a text property in UTF-8, escapes not yet undone.
bool DecodeValue(const Property& p, const std::string& fallback, std::string& out, std::string& problem) {
  std::string bytes = p.value;
  if (p.encoding == "QUOTED-PRINTABLE")
    bytes = DecodeQuotedPrintable(bytes);
  else if (p.encoding == "BASE64" || p.encoding == "B")
    bytes = DecodeBase64(bytes);
  if (!p.charset.empty()) {
    std::string charset = Upper(p.charset);
    if ((charset == "UTF-8" || charset == "UTF8") && IsUtf8(bytes)) {
      out = bytes;
      return true;
    }
    Transcoded t = ToUtf8From(charset, bytes, out, false);
    if (t == Transcoded::kOk) return true;
    if (t == Transcoded::kUnknownCharset) {
      problem = "line " + std::to_string(p.line) + ": unknown character set \"" + p.charset + "\" in " + p.name;
      return false;
    }
    // Bytes that the named charset does not hold: read them as unlabelled ones.
  }
  if (IsAscii(bytes) || IsUtf8(bytes)) {
    out = bytes;
    return true;
  }
  if (ToUtf8From(fallback, bytes, out, true) == Transcoded::kUnknownCharset) {
    problem = "unknown character set \"" + fallback + "\" given for 8-bit values";
    return false;
  }
  return true;
}

// Splits at `sep` where no backslash escapes it; the parts keep their escapes.
std::vector<std::string> SplitUnescaped(const std::string& s, char sep) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      parts.back() += s[i];
      parts.back() += s[++i];
    } else if (s[i] == sep) {
      parts.emplace_back();
    } else {
      parts.back() += s[i];
    }
  }
  return parts;
}

// The backslash escapes of vCard 3.0 (also written by many 2.1 writers).
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    char c = s[i + 1];
    if (c == 'n' || c == 'N')
      out += '\n';
    else if (c == '\\' || c == ';' || c == ',' || c == ':')
      out += c;
    else {
      out += '\\';
      out += c;
      ++i;
      continue;
    }
    ++i;
  }
  return out;
}

// A value as one line of the phone text form can hold it: line breaks become
// `lineBreak`, other control characters go, and a double quote, which would end
// the value there, becomes an apostrophe.
std::string CleanText(const std::string& s, const char* lineBreak, bool& quotesReplaced) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
      out += lineBreak;
    } else if (c == '\t') {
      out += ' ';
    } else if (static_cast<unsigned char>(c) < 0x20) {
      continue;
    } else if (c == '"') {
      out += '\'';
      quotesReplaced = true;
    } else {
      out += c;
    }
  }
  return out;
}

// ---- the card in the reader's forms -------------------------------------------

class CardBuilder {
 public:
  CardBuilder(const std::vector<Property>& props, const std::string& fallback) : props_(props), fallback_(fallback) {}

  ReaderCard Build();

 private:
  // The decoded components of a property (one for a simple value), escapes undone.
  bool Components(const Property& p, char sep, std::vector<std::string>& out, const char* lineBreak = " ");
  bool Text(const Property& p, std::string& out, const char* lineBreak = " ");
  const Property* First(const char* name) const;
  const Property* Preferred(const char* name) const;

  void AddName();
  void AddAddress();
  void AddSimpleText(const char* name);
  void AddTitle() { AddSimpleText("TITLE"); }
  void AddCompany() { AddSimpleText("ORG"); }
  void AddNumbers();
  void AddEmails();
  void AddUrl();
  void AddSyncId();
  void AddCategory();
  void AddBirthday();

  void EmitText(const char* name, const std::vector<std::string>& components);
  void EmitPlain(const char* form, const std::string& utf8);
  void Note(const std::string& text) { result_.notes.push_back(text); }

  const std::vector<Property>& props_;
  const std::string& fallback_;
  ReaderCard result_;
  std::string lines_;
  bool quotesReplaced_ = false;
};

const Property* CardBuilder::First(const char* name) const {
  for (const Property& p : props_)
    if (p.name == name) return &p;
  return nullptr;
}

const Property* CardBuilder::Preferred(const char* name) const {
  for (const Property& p : props_)
    if (p.name == name && p.pref) return &p;
  return First(name);
}

bool CardBuilder::Components(const Property& p, char sep, std::vector<std::string>& out, const char* lineBreak) {
  std::string utf8;
  if (!DecodeValue(p, fallback_, utf8, result_.problem)) return false;
  out.clear();
  for (const std::string& part : SplitUnescaped(utf8, sep))
    out.push_back(CleanText(Unescape(part), lineBreak, quotesReplaced_));
  return true;
}

bool CardBuilder::Text(const Property& p, std::string& out, const char* lineBreak) {
  std::string utf8;
  if (!DecodeValue(p, fallback_, utf8, result_.problem)) return false;
  out = CleanText(Unescape(utf8), lineBreak, quotesReplaced_);
  return true;
}

// The reader's text forms: plain when every value is ASCII without a ';', else
// UTF-8 quoted-printable with every byte encoded, the ';' separators literal.
void CardBuilder::EmitText(const char* name, const std::vector<std::string>& components) {
  bool encode = false;
  for (const std::string& c : components)
    if (!IsAscii(c) || c.find(';') != std::string::npos) encode = true;
  lines_ += name;
  lines_ += encode ? ";CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" : ":";
  for (size_t i = 0; i < components.size(); ++i) {
    if (i) lines_ += ';';
    if (!encode) {
      lines_ += components[i];
      continue;
    }
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : components[i]) {
      lines_ += '=';
      lines_ += kHex[c >> 4];
      lines_ += kHex[c & 0xF];
    }
  }
  lines_ += "\r\n";
}

// The reader stores these values undecoded: they go in as Windows-1250 bytes.
void CardBuilder::EmitPlain(const char* form, const std::string& utf8) {
  lines_ += form;
  lines_ += Utf8ToAnsi(utf8);
  lines_ += "\r\n";
}

void CardBuilder::AddName() {
  std::string surname, given;
  if (const Property* n = First("N")) {
    std::vector<std::string> parts;
    if (!Components(*n, ';', parts)) return;
    surname = parts[0];
    if (parts.size() > 1) given = parts[1];
  }
  // A card without a structured name (or with an empty one) still names someone
  // in its formatted name.
  if (surname.empty() && given.empty()) {
    if (const Property* fn = First("FN"))
      if (!Text(*fn, given)) return;
  }
  EmitText("N", {surname, given});
}

void CardBuilder::AddAddress() {
  const Property* adr = Preferred("ADR");
  if (!adr) return;
  std::vector<std::string> parts;
  if (!Components(*adr, ';', parts, ", ")) return;
  parts.resize(7);
  // The entry has street, city, postal code and country; the post office box and
  // the extended address join the street.
  std::string street = parts[2];
  for (const std::string& extra : {parts[1], parts[0]}) {
    if (extra.empty()) continue;
    street += street.empty() ? extra : ", " + extra;
  }
  if (!parts[4].empty()) Note("the region \"" + parts[4] + "\" of the address has no place in the entry");
  if (street.empty() && parts[3].empty() && parts[5].empty() && parts[6].empty()) return;
  EmitText("ADR", {"", "", street, parts[3], "", parts[5], parts[6]});
}

void CardBuilder::AddSimpleText(const char* name) {
  const Property* p = First(name);
  if (!p) return;
  std::vector<std::string> parts;
  if (!Components(*p, ';', parts)) return;
  // ORG's organisational units stay after a ';', as the reader keeps them.
  std::string value;
  for (size_t i = 0; i < parts.size(); ++i) value += (i ? ";" : "") + parts[i];
  while (!value.empty() && value.back() == ';') value.pop_back();
  if (!value.empty()) EmitText(name, {value});
}

enum Slot { kMain, kOffice, kMobile, kFax, kOther, kFax2, kSlotCount };
const char* const kTelForms[kSlotCount] = {"TEL;HOME:", "TEL;WORK:", "TEL;CELL:", "TEL;FAX:", "TEL:", "TEL;FAX;HOME:"};

std::string Number(const std::string& text) {
  std::string n = Trim(text);
  // vCard 4.0 writes numbers as tel: URIs.
  if (StartsWithNoCase(n, "tel:")) n = n.substr(4);
  return n;
}

void CardBuilder::AddNumbers() {
  struct Phone {
    std::string number;
    const Property* p;
  };
  std::vector<Phone> phones;
  for (const Property& p : props_) {
    if (p.name != "TEL") continue;
    std::string text;
    if (!Text(p, text)) return;
    std::string number = Number(text);
    if (!number.empty()) phones.push_back({number, &p});
  }
  if (phones.empty()) return;
  // The main number: the preferred one, else the home number (the slot our own
  // cards write it in), else the first.
  size_t main = phones.size();
  for (size_t i = 0; i < phones.size() && main == phones.size(); ++i)
    if (phones[i].p->pref) main = i;
  for (size_t i = 0; i < phones.size() && main == phones.size(); ++i)
    if (phones[i].p->Has("HOME") && !phones[i].p->Has("FAX")) main = i;
  if (main == phones.size()) main = 0;

  std::string slots[kSlotCount];
  slots[kMain] = phones[main].number;
  for (size_t i = 0; i < phones.size(); ++i) {
    if (i == main) continue;
    const Property& p = *phones[i].p;
    std::vector<Slot> wanted;
    if (p.Has("FAX"))
      wanted = p.Has("HOME") ? std::vector<Slot>{kFax2, kFax} : std::vector<Slot>{kFax, kFax2};
    else if (p.Has("CELL") || p.Has("CAR") || p.Has("PCS"))
      wanted = {kMobile};
    else if (p.Has("WORK"))
      wanted = {kOffice};
    wanted.push_back(kOther);
    bool placed = false;
    for (Slot s : wanted) {
      if (slots[s].empty()) {
        slots[s] = phones[i].number;
        placed = true;
        break;
      }
    }
    if (!placed) Note("no place left for the number " + phones[i].number + " (line " + std::to_string(p.line) + ")");
  }
  for (int s = 0; s < kSlotCount; ++s)
    if (!slots[s].empty()) EmitPlain(kTelForms[s], slots[s]);
}

void CardBuilder::AddEmails() {
  std::vector<std::pair<std::string, bool>> emails;  // address, preferred
  for (const Property& p : props_) {
    if (p.name != "EMAIL") continue;
    std::string text;
    if (!Text(p, text)) return;
    text = Trim(text);
    if (!text.empty()) emails.emplace_back(text, p.pref);
  }
  if (emails.empty()) return;
  size_t first = 0;
  for (size_t i = 0; i < emails.size(); ++i)
    if (emails[i].second) {
      first = i;
      break;
    }
  EmitPlain("EMAIL;INTERNET:", emails[first].first);
  bool second = false;
  for (size_t i = 0; i < emails.size(); ++i) {
    if (i == first) continue;
    if (!second) {
      EmitPlain("EMAIL;HOME;INTERNET:", emails[i].first);
      second = true;
    } else {
      Note("no place left for the e-mail address " + emails[i].first);
    }
  }
}

void CardBuilder::AddUrl() {
  bool written = false;
  for (const Property& p : props_) {
    if (p.name != "URL") continue;
    std::string text;
    if (!Text(p, text)) return;
    text = Trim(text);
    if (text.empty()) continue;
    if (written) {
      Note("no place left for the web address " + text);
      continue;
    }
    EmitPlain("URL:", text);
    written = true;
  }
}

void CardBuilder::AddSyncId() {
  const Property* p = First("X-IRMC-LUID");
  std::string text;
  if (p && Text(*p, text) && !Trim(text).empty()) EmitPlain("X-IRMC-LUID:", Trim(text));
}

// The entry has one caller group: the first category names it. Our own 2.1
// cards write the group as X-ESI-CATEGORIES, one name that may hold commas.
void CardBuilder::AddCategory() {
  std::vector<std::string> names;
  if (const Property* p = First("CATEGORIES")) {
    std::string utf8;
    if (!DecodeValue(*p, fallback_, utf8, result_.problem)) return;
    for (const std::string& part : SplitUnescaped(utf8, ',')) {
      std::string name = Trim(CleanText(Unescape(part), " ", quotesReplaced_));
      if (!name.empty()) names.push_back(name);
    }
  }
  if (names.empty()) {
    if (const Property* p = First("X-ESI-CATEGORIES")) {
      std::string name;
      if (!Text(*p, name)) return;
      if (!Trim(name).empty()) names.push_back(Trim(name));
    }
  }
  if (names.empty()) return;
  EmitText("CATEGORIES", {names[0]});
  for (size_t i = 1; i < names.size(); ++i) Note("the category \"" + names[i] + "\" was left out: an entry has one group");
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool Digits(const std::string& s, size_t from, size_t count, int& value) {
  if (from + count > s.size()) return false;
  value = 0;
  for (size_t i = from; i < from + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    value = value * 10 + (s[i] - '0');
  }
  return true;
}

// YYYY-MM-DD or YYYYMMDD, a time after them ignored. Empty when it is a date;
// otherwise why it is not one.
std::string ParseDate(const std::string& s, int& y, int& m, int& d) {
  if (s.rfind("--", 0) == 0) return "it has no year";
  bool ok = (Digits(s, 0, 4, y) && s.size() > 4 && s[4] == '-' && Digits(s, 5, 2, m) && s.size() > 7 && s[7] == '-' &&
             Digits(s, 8, 2, d)) ||
            (Digits(s, 0, 4, y) && Digits(s, 4, 2, m) && Digits(s, 6, 2, d));
  if (!ok) return "it is not a date";
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 100 || m < 1 || m > 12 || d < 1 || d > kDays[m - 1] + (m == 2 && IsLeap(y) ? 1 : 0))
    return "it is not a valid date";
  return std::string();
}

void CardBuilder::AddBirthday() {
  const Property* p = First("BDAY");
  std::string text;
  if (!p || !Text(*p, text)) return;
  text = Trim(text);
  if (text.empty()) return;
  int y, m, d;
  std::string why = ParseDate(text, y, m, d);
  if (!why.empty()) {
    Note("the birthday \"" + text + "\" was left out: " + why);
    return;
  }
  char line[32];
  std::snprintf(line, sizeof line, "BDAY:%04d-%02d-%02d\r\n", y, m, d);
  lines_ += line;
}

ReaderCard CardBuilder::Build() {
  lines_ = "BEGIN:VCARD\r\nVERSION:2.1\r\n";
  // N first: the reader takes the first line starting with "N", NOTE included.
  void (CardBuilder::*const steps[])() = {&CardBuilder::AddName,    &CardBuilder::AddAddress, &CardBuilder::AddTitle,
                                           &CardBuilder::AddCompany, &CardBuilder::AddNumbers, &CardBuilder::AddEmails,
                                           &CardBuilder::AddUrl,     &CardBuilder::AddSyncId,  &CardBuilder::AddCategory,
                                           &CardBuilder::AddBirthday};
  for (auto step : steps) {
    (this->*step)();
    if (!result_.problem.empty()) {
      result_.notes.clear();
      return result_;
    }
  }
  lines_ += "END:VCARD\r\n";
  result_.text = std::move(lines_);
  if (const Property* agent = First("AGENT"))
    Note("the agent of line " + std::to_string(agent->line) + " has no place in the entry");
  if (quotesReplaced_) Note("double quotes became apostrophes: a phone book line cannot hold them");
  return result_;
}

bool IsBegin(std::string_view line) {
  line = TrimView(line);
  return line.size() == 11 && StartsWithNoCase(line, "BEGIN:VCARD");
}
// Some phones end a card with "END:VCARD." or other trailing bytes.
bool IsEnd(std::string_view line) { return StartsWithNoCase(TrimView(line), "END:VCARD"); }
// "AGENT:" (or with parameters) and no value: vCard 2.1 puts the agent's own
// card on the lines that follow, BEGIN:VCARD to END:VCARD.
bool OpensAgentCard(std::string_view line) {
  line = TrimView(line);
  return StartsWithNoCase(line, "AGENT") && line.size() > 5 && (line[5] == ':' || line[5] == ';') &&
         line.back() == ':';
}

CardSplitter::CardSplitter(std::string_view data) : data_(data), cr_(data.find('\r')), lf_(data.find('\n')) {}

// Lines end in CR LF, LF or a CR alone. The next CR and the next LF are each
// looked for once, so a file costs two scans however its lines end.
bool CardSplitter::NextLine(size_t& begin, size_t& end, size_t& next) {
  if (pos_ >= data_.size()) return false;
  if (cr_ < pos_) cr_ = data_.find('\r', pos_);
  if (lf_ < pos_) lf_ = data_.find('\n', pos_);
  begin = pos_;
  end = std::min({cr_, lf_, data_.size()});
  next = end == data_.size() ? end : end + 1;
  if (next < data_.size() && data_[end] == '\r' && data_[next] == '\n') ++next;
  pos_ = next;
  ++line_;
  return true;
}

bool CardSplitter::Take(RawCard& card, size_t from, size_t to, int firstLine, std::string problem) {
  card.text = data_.substr(from, to - from);
  card.number = ++cards_;
  card.firstLine = firstLine;
  card.problem = std::move(problem);
  return true;
}

bool CardSplitter::Next(RawCard& card) {
  size_t begin, end, next;
  while (NextLine(begin, end, next)) {
    const std::string_view line = data_.substr(begin, end - begin);
    const bool agent = agent_;
    agent_ = open_ && OpensAgentCard(line);
    if (IsBegin(line)) {
      // An agent's card is part of the card that names it.
      if (open_ && (agent || nested_ > 0)) {
        if (agent) ++nested_;
        continue;
      }
      // Any other BEGIN inside a card ends that card as broken and starts the next.
      const bool cut = open_;
      const size_t cutStart = start_;
      const int cutLine = beginLine_;
      open_ = true;
      nested_ = 0;
      start_ = begin;
      beginLine_ = line_;
      if (cut) return Take(card, cutStart, begin, cutLine, "no END:VCARD before the BEGIN:VCARD of line " + std::to_string(line_));
    } else if (open_ && IsEnd(line)) {
      if (nested_ > 0) {
        --nested_;
        continue;
      }
      open_ = false;
      return Take(card, start_, next, beginLine_, std::string());
    }
  }
  if (!open_) return false;
  open_ = false;
  return Take(card, start_, data_.size(), beginLine_, "no END:VCARD before the end of the file");
}

ReaderCard ToReaderForm(std::string_view card, const std::string& fallbackCharset) {
  const std::vector<Property> props = ParseCard(card);
  return CardBuilder(props, fallbackCharset).Build();
}

// The character set of unlabelled 8-bit values that are not UTF-8 when the
// caller names none: the code page in which entries hold their text.
std::string AnsiCharset() {
  const UINT cp = ResolveCodePage(CP_ACP);
  return cp == CP_UTF8 ? std::string("UTF-8") : "CP" + std::to_string(cp);
}

// Takes away the groups an entry's read added, as when it had never been read.
// A read only ever appends groups, and their ids are the first free ones, so
// taking them away leaves the table exactly as it was.
void TakeBackGroups(CGroups& groups, int nBefore) {
  while (groups.GetNGroups() > nBefore) groups.RemoveGroup(groups.GetGroupByIndex(UINT(groups.GetNGroups() - 1))->nID);
}

}  // namespace

bool IsKnownCharset(std::string_view name) { return Converters().Get(name) != nullptr; }

size_t CountVCards(std::string_view bytes) {
  CardSplitter cards(bytes);
  RawCard card;
  size_t n = 0;
  while (cards.Next(card)) ++n;
  return n;
}

VCardImportResult ImportVCards(std::string_view bytes, std::string_view file, CGroups& groups,
                               const VCardEntryFunc& onEntry, const VCardProblemFunc& onProblem,
                               const VCardImportOptions& options) {
  VCardImportResult result;
  const std::string fallback = options.fallbackCharset.empty() ? AnsiCharset() : std::string(options.fallbackCharset);
  auto report = [&](const VCardCard& where, std::string_view reason, bool rejected) {
    if (onProblem) onProblem(VCardProblem{where, reason, rejected});
  };
  CardSplitter cards(bytes);
  RawCard raw;
  while (cards.Next(raw)) {
    ++result.cards;
    const VCardCard where{file, raw.number, raw.firstLine, raw.text};
    std::string problem = raw.problem;
    ReaderCard form;
    if (problem.empty()) {
      form = ToReaderForm(raw.text, fallback);
      problem = form.problem;
    }
    CEntry entry(1, 1);
    if (problem.empty()) {
      CString text;
      text.str() = std::move(form.text);
      // A card that is not imported leaves no group behind.
      const int nGroups = groups.GetNGroups();
      if (!entry.FillFromVCard(text, &groups, nullptr))
        problem = "the library's reader rejected the card in its converted form";
      else if (entry.IsEmpty())
        problem = "nothing in it has a place in a phone book entry";
      if (!problem.empty()) TakeBackGroups(groups, nGroups);
    }
    if (!problem.empty()) {
      ++result.rejected;
      report(where, problem, true);
      continue;
    }
    for (const std::string& note : form.notes) report(where, note, false);
    ++result.imported;
    if (onEntry) onEntry(entry, where);
  }
  if (result.cards == 0) report(VCardCard{file, 0, 0, {}}, "no BEGIN:VCARD in the file", true);
  return result;
}

VCardImportResult ImportVCardFile(const std::string& path, CGroups& groups, const VCardEntryFunc& onEntry,
                                  const VCardProblemFunc& onProblem, const VCardImportOptions& options) {
  std::string bytes;
  std::string reason;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || fstat(fd, &st) != 0) {
    reason = std::strerror(errno);
  } else if (!S_ISREG(st.st_mode)) {
    reason = "not a regular file";
  } else {
    bytes.resize(size_t(st.st_size));
    size_t got = 0;
    for (ssize_t n; got < bytes.size(); got += size_t(n)) {
      n = read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) n = 0;
      else if (n <= 0) break;
    }
    if (got < bytes.size()) reason = errno ? std::strerror(errno) : "the file changed while it was read";
  }
  if (fd >= 0) close(fd);
  if (!reason.empty()) {
    if (onProblem) onProblem(VCardProblem{VCardCard{path, 0, 0, {}}, "cannot be read: " + reason, true});
    VCardImportResult unread;
    unread.read = false;
    return unread;
  }
  return ImportVCards(bytes, path, groups, onEntry, onProblem, options);
}

}  // namespace sorrel
