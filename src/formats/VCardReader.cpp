// Reading one vCard into an entry. The reader looks for fixed property strings,
// not for tokens: each string is matched literally and case-sensitively, only its
// first occurrence counts, and any other spelling of a property is not found.
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <string>
#include <string_view>

#include "formats/VCardValue.h"
#include "platform/Numbers.h"
#include "sorrel/COleDateTime.h"
#include "sorrel/Entry.h"

namespace {

using std::string_view;
constexpr size_t npos = string_view::npos;

// The properties in the order they are read. Each search string begins with
// CR LF; the table holds what follows it, so a match starts a line that is not
// the card's first.
enum Prop {
  kN,
  kADR,
  kORG,
  kTelHome,
  kTelWork,
  kTelCell,
  kTelFax,
  kEmail,
  kEmailPref,
  kURL,
  kTITLE,
  kTel,
  kLUID,
  kESICategories,
  kCategories,
  kTelFaxHome,
  kEmailHome,
  kBDAY,
  kPropCount
};

constexpr std::array<string_view, kPropCount> kSearch = {
    "N",
    "ADR",
    "ORG",
    "TEL;HOME:",
    "TEL;WORK:",
    "TEL;CELL:",
    "TEL;FAX:",
    "EMAIL;INTERNET:",
    "EMAIL;INTERNET;PREF:",
    "URL:",
    "TITLE",
    "TEL:",
    "X-IRMC-LUID:",
    "X-ESI-CATEGORIES",
    "CATEGORIES",
    "TEL;FAX;HOME:",
    "EMAIL;HOME;INTERNET:",
    "BDAY:",
};

// A line's first 24 bytes as three words, zero-padded where the card ends
// sooner, and each search string as the same three words with a mask over its
// length: a candidate costs three masked compares and no call. No search string
// holds a zero byte, so the padding never matches and a match lies within the
// card.
constexpr size_t kWords = 3;
using Words = std::array<std::uint64_t, kWords>;

inline Words LineWords(const char* text, size_t n) {
  Words words{};
  if (n >= 8 * kWords) {
    for (size_t k = 0; k < kWords; ++k) std::memcpy(&words[k], text + 8 * k, 8);
  } else {
    for (size_t b = 0; b < n; ++b) words[b / 8] |= std::uint64_t{static_cast<unsigned char>(text[b])} << (8 * (b % 8));
  }
  return words;
}

struct SearchWords {
  Words word{};
  Words mask{};
};

// The candidate properties of a line by its first byte, each list ending in
// kPropCount, the length of the shortest of them, and the words of the search
// strings.
struct LineIndex {
  std::array<std::array<unsigned char, 8>, 256> props;
  std::array<unsigned char, 256> shortest;
  std::array<SearchWords, kPropCount> search;
  constexpr LineIndex() : props(), shortest(), search() {
    for (auto& list : props) list.fill(kPropCount);
    shortest.fill(0xFF);
    for (int p = 0; p < kPropCount; ++p) {
      auto& least = shortest[static_cast<unsigned char>(kSearch[p][0])];
      if (kSearch[p].size() < least) least = static_cast<unsigned char>(kSearch[p].size());
      auto& list = props[static_cast<unsigned char>(kSearch[p][0])];
      size_t i = 0;
      while (list[i] != kPropCount) ++i;
      list[i] = static_cast<unsigned char>(p);
      // Byte b of a word is byte b of the text, as memcpy reads it on a
      // little-endian machine.
      for (size_t b = 0; b < kSearch[p].size(); ++b) {
        search[p].word[b / 8] |= std::uint64_t{static_cast<unsigned char>(kSearch[p][b])} << (8 * (b % 8));
        search[p].mask[b / 8] |= std::uint64_t{0xFF} << (8 * (b % 8));
      }
    }
  }
  bool Matches(const Words& line, int p) const {
    std::uint64_t diff = 0;
    for (size_t k = 0; k < kWords; ++k) diff |= (line[k] ^ search[p].word[k]) & search[p].mask[k];
    return diff == 0;
  }
};
constexpr LineIndex kLines;
static_assert(std::endian::native == std::endian::little, "LineWords() assumes little-endian words");
constexpr bool FitsTheWords() {
  for (string_view s : kSearch)
    if (s.empty() || s.size() > 8 * kWords || s.find('\0') != npos) return false;
  return true;
}
static_assert(FitsTheWords(), "every search string lies within the line words and holds no zero byte");

// Calls f with the position of each CR of the text, in order, until f returns
// false; false then. Sixty-four bytes at a time where the machine allows, into
// one mask: a card's lines are a few dozen bytes, too short for a library search
// per line to pay, and a mask per sixteen bytes would leave the loop over its
// bits as often as a line ends, each time a branch the processor cannot foresee.
template <class F>
bool ForEachCR(const char* text, size_t n, F&& f) {
  size_t i = 0;
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8('\r');
  auto mask64 = [&](size_t at) -> std::uint64_t {
    std::uint64_t mask = 0;
    for (size_t b = 0; b < 4; ++b) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at + 16 * b));
      mask |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, cr)))} << (16 * b);
    }
    return mask;
  };
  auto each = [&](size_t at, std::uint64_t mask) {
    for (; mask; mask &= mask - 1)
      if (!f(at + static_cast<size_t>(std::countr_zero(mask)))) return false;
    return true;
  };
  if (n >= 64) {
    for (; i + 64 <= n; i += 64)
      if (!each(i, mask64(i))) return false;
    // The last bytes as the last 64 of the text, without the ones already seen.
    if (i < n) return each(n - 64, mask64(n - 64) >> (64 - (n - i)) << (64 - (n - i)));
    return true;
  }
#endif
  for (; i < n; ++i)
    if (text[i] == '\r' && !f(i)) return false;
  return true;
}

// Where each property's first occurrence ends (the position just after its
// search string), npos when the card lacks it, and the first CR at or after the
// start of its line, npos when none follows: no search string holds a CR, so
// that CR closes every value that starts on the line before it.
struct Found {
  std::array<size_t, kPropCount> at;
  std::array<size_t, kPropCount> cr;

  // The value from start (on the property's line) up to the CR that closes it;
  // a value that no CR closes is empty.
  string_view Value(string_view card, Prop prop, size_t start) const {
    return cr[prop] == npos ? string_view() : card.substr(start, cr[prop] - start);
  }
};

// Every occurrence of a search string that starts with CR LF begins just after
// a CR followed by LF, so one walk over the CRs finds the first occurrence of
// all of them, and the CR after a match is the next one the walk meets. The
// first walk (kStopAtSoftBreak) gives false, with found holding what was found
// before it, when it meets a soft line break: those have to go first. The walk
// after their removal stops at nothing: an "=" CR LF that the removal left
// behind ("==" CR LF CR LF becomes "=" CR LF) is text like any other.
template <bool kStopAtSoftBreak>
bool FindProperties(string_view card, Found& found) {
  found.at.fill(npos);
  found.cr.fill(npos);
  const char* const begin = card.data();
  const size_t n = card.size();
  size_t open = kPropCount;  // the property whose line has not met its CR yet
  return ForEachCR(begin, n, [&](size_t cr) {
    if (open != kPropCount) {
      found.cr[open] = cr;
      open = kPropCount;
    }
    if (cr + 1 >= n || begin[cr + 1] != '\n') return true;
    if (kStopAtSoftBreak && cr >= 1 && begin[cr - 1] == '=') return false;
    const size_t start = cr + 2;
    if (start == n) return true;
    const char* const line = begin + start;
    const size_t size = n - start;
    // A line no candidate fits in, the card's last one among them, needs no words.
    if (size < kLines.shortest[static_cast<unsigned char>(line[0])]) return true;
    const auto& candidates = kLines.props[static_cast<unsigned char>(line[0])];
    if (candidates[0] == kPropCount) return true;
    const Words words = LineWords(line, size);
    for (unsigned char p : candidates) {
      if (p == kPropCount) break;
      // No search string is a prefix of another, so one line matches one at most.
      if (found.at[p] == npos && kLines.Matches(words, p)) {
        found.at[p] = start + kSearch[p].size();
        open = p;
        break;
      }
    }
    return true;
  });
}

// Removes every "=" CR LF (a quoted-printable soft line break) in place. The
// scan resumes at the character after a removed break, so an "=" before it
// never pairs with what follows: exactly the breaks of the original text go.
void RemoveSoftLineBreaks(std::string& s) {
  char* const text = s.data();
  const size_t n = s.size();
  size_t out = 0, in = 0;
  for (size_t lf = s.find('\n'); lf != std::string::npos; lf = s.find('\n', lf + 1)) {
    if (lf < 2 || text[lf - 1] != '\r' || text[lf - 2] != '=') continue;
    const size_t kept = lf - 2 - in;
    std::memmove(text + out, text + in, kept);
    out += kept;
    in = lf + 1;
  }
  if (in == 0) return;
  std::memmove(text + out, text + in, n - in);
  s.resize(out + n - in);
}

// The parameters of a property that allows them. pos is just after the search
// string. Gives the value's start and decoding mode; false rejects the card.
// The list runs from after the character at pos to the first ':' and must be
// one of three exactly; none of them holds a ':', so the list is that one when
// the text goes on with it and a ':'.
bool ReadParameters(string_view card, size_t pos, bool bSemicolonRequired, size_t& valueStart, int& nMode) {
  if (pos < card.size() && card[pos] == ':') {
    valueStart = pos + 1;
    nMode = sorrel::kVCardPlain;
    return true;
  }
  // Whatever stands at pos opens the parameter list, unless it must be ';'.
  if (pos >= card.size() || (bSemicolonRequired && card[pos] != ';')) return false;
  static constexpr struct {
    string_view list;
    int nMode;
  } kLists[] = {
      {"ENCODING=QUOTED-PRINTABLE:", sorrel::kVCardQuotedPrintable},
      {"CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:", sorrel::kVCardQuotedPrintableUtf8},
      {"CHARSET=UTF-7:", sorrel::kVCardUtf7},
  };
  const string_view rest = card.substr(pos + 1);
  for (const auto& [list, mode] : kLists) {
    if (rest.starts_with(list)) {
      nMode = mode;
      valueStart = pos + 1 + list.size();
      return true;
    }
  }
  return false;
}

// The first of two characters at or after pos, npos when neither follows:
// find_first_of would search its set once per character of the text.
size_t FindEither(string_view text, size_t pos, char a, char b) {
  for (; pos < text.size(); ++pos)
    if (text[pos] == a || text[pos] == b) return pos;
  return npos;
}

// The text from start up to the first CR. A value that no CR closes is empty,
// as is one that starts beyond the end.
string_view UpToCR(string_view card, size_t start) {
  if (start >= card.size()) return {};
  const size_t cr = card.find('\r', start);
  if (cr == npos) return {};
  return card.substr(start, cr - start);
}

// The buffer in which a thread decodes values; it keeps its capacity from one
// value and card to the next, up to kKeptBuffer bytes. Under AddressSanitizer
// it keeps none, so that a read past a value's end meets the end of its
// allocation as it would in a buffer of its own.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)  // clang's way of telling
#define SORREL_READER_UNDER_ASAN
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(SORREL_READER_UNDER_ASAN)
constexpr size_t kKeptBuffer = 0;
#else
constexpr size_t kKeptBuffer = 64 * 1024;
#endif
CString& DecodingBuffer() {
  static thread_local CString buffer;
  return buffer;
}

}  // namespace

int CEntry::FillFromVCard(CString& card, CGroups* groups, CString* noGroupName) {
  Found found;
  if (!FindProperties<true>(card.view(), found)) {
    RemoveSoftLineBreaks(card.str());
    FindProperties<false>(card.view(), found);
  }
  const auto& at = found.at;
  const string_view text = card.view();

  // A plain value is copied once, into the string that keeps it. An encoded one
  // is decoded in the thread's buffer first, so that the string that keeps it
  // is sized for the text and not for its encoded form. An item the entry does
  // not hold is not decoded at all.
  auto decode = [](CString& into, string_view raw, int nMode) {
    if (nMode == sorrel::kVCardPlain) {
      into.str().assign(raw);
      return;
    }
    CString& buffer = DecodingBuffer();
    buffer.str().assign(raw);
    sorrel::DecodeVCardValue(buffer, nMode);
    into.str().assign(buffer.view());
    if (buffer.str().capacity() > kKeptBuffer) std::string().swap(buffer.str());
  };
  auto setItem = [&](UINT nID, string_view raw, int nMode) {
    if (CString* item = m_pExtItems ? m_pExtItems->TextSlot(nID) : nullptr) decode(*item, raw, nMode);
  };
  auto setPlain = [&](Prop prop, UINT nID) {
    if (at[prop] != npos) setItem(nID, found.Value(text, prop, at[prop]), sorrel::kVCardPlain);
  };

  size_t start = 0;
  int nMode = sorrel::kVCardPlain;

  // N: surname before the first ';' of the line, the rest of the line is the name.
  if (at[kN] == npos || !ReadParameters(text, at[kN], true, start, nMode)) return 0;
  {
    const string_view line = found.Value(text, kN, start);
    const size_t semicolon = line.find(';');
    if (semicolon != npos) {
      decode(m_strSurname, line.substr(0, semicolon), nMode);
      decode(m_strName, line.substr(semicolon + 1), nMode);
    } else {
      decode(m_strSurname, line, nMode);
      m_strName.Empty();
    }
  }

  // ADR: post office box and extended address are skipped unexamined; the walk
  // then takes street, city, (no region), postal code and country.
  if (at[kADR] != npos) {
    if (!ReadParameters(text, at[kADR], false, start, nMode)) return 0;
    size_t pos = start + 2;
    const size_t lineEnd = pos < text.size() ? FindEither(text, pos, '\r', '\n') : npos;
    auto store = [&](UINT nID, size_t end) { setItem(nID, text.substr(pos, end - pos), nMode); };
    if (lineEnd == npos) {
      // A line that nothing ends holds no value.
      setItem(ITEM_ADDRESS, {}, sorrel::kVCardPlain);
    } else {
      const size_t street = text.find(';', pos);
      if (street == npos || street > lineEnd) {
        store(ITEM_ADDRESS, lineEnd);
      } else {
        store(ITEM_ADDRESS, street);
        pos = street + 1;
        // The empty region component ";;" ends the city; a region that is not
        // empty leaves the rest of the line to the city.
        const size_t city = text.find(";;", pos);
        if (city == npos || city > lineEnd) {
          store(ITEM_CITY, lineEnd);
        } else {
          store(ITEM_CITY, city);
          pos = city + 2;
          if (pos < text.size() && text[pos] != '\r' && text[pos] != '\n') {
            const size_t zip = FindEither(text, pos, ';', '\r');
            if (zip == npos) {
              setItem(ITEM_ZIP, {}, sorrel::kVCardPlain);
            } else {
              store(ITEM_ZIP, zip);
              pos = zip + 1;
              if (pos < text.size() && text[pos] != '\n') setItem(ITEM_COUNTRY, UpToCR(text, pos), nMode);
            }
          }
        }
      }
    }
  }

  if (at[kORG] != npos) {
    if (!ReadParameters(text, at[kORG], false, start, nMode)) return 0;
    setItem(ITEM_COMPANY, found.Value(text, kORG, start), nMode);
  }

  if (at[kTelHome] != npos) m_strNum.str().assign(found.Value(text, kTelHome, at[kTelHome]));
  setPlain(kTelWork, ITEM_OFFICE);
  setPlain(kTelCell, ITEM_MOBILE);
  setPlain(kTelFax, ITEM_FAX);
  setPlain(kEmail, ITEM_EMAIL);
  setPlain(kEmailPref, ITEM_EMAIL);
  setPlain(kURL, ITEM_URL);

  if (at[kTITLE] != npos) {
    if (!ReadParameters(text, at[kTITLE], false, start, nMode)) return 0;
    setItem(ITEM_TITLE, found.Value(text, kTITLE, start), nMode);
  }

  setPlain(kTel, ITEM_OTHER_NUMBER);
  setPlain(kLUID, ITEM_SYNC_ID);

  // Categories: X-ESI-CATEGORIES first, so CATEGORIES decides when both resolve.
  CString category;
  for (Prop prop : {kESICategories, kCategories}) {
    if (at[prop] == npos) continue;
    if (!ReadParameters(text, at[prop], false, start, nMode)) return 0;
    decode(category, found.Value(text, prop, start), nMode);
    if (noGroupName && category == *noGroupName) {
      m_nGroupID = 0;
    } else if (!groups) {
      if (category == "VIP") {
        m_nGroupID = 1;
        m_bVIP = 1;
      }
    } else if (UINT id = groups->GetGroupIDByName(category); id != 0) {
      m_nGroupID = id;
    } else {
      // An unknown category becomes a new group shaped like group 1.
      m_nGroupID = groups->AddGroup(category);
      const GroupInfo* first = groups->GetGroupByID(1);
      GroupInfo* added = groups->GetGroupByID(m_nGroupID);
      if (first && added && first != added) {
        added->nMaxLen = first->nMaxLen;
        added->nAttr = first->nAttr;
      }
    }
  }

  setPlain(kTelFaxHome, ITEM_FAX2);
  setPlain(kEmailHome, ITEM_EMAIL2);

  // BDAY: year-month-day, each part read like atoi, so a time after the day is
  // ignored. A date that does not exist leaves the birthday as it was.
  if (at[kBDAY] != npos) {
    const string_view value = found.Value(text, kBDAY, at[kBDAY]);
    const size_t dash1 = value.find('-');
    const size_t dash2 = dash1 == npos ? npos : value.find('-', dash1 + 1);
    if (dash2 != npos) {
      COleDateTime date;
      if (date.SetDateTime(sorrel::Atoi(value.substr(0, dash1)),
                           sorrel::Atoi(value.substr(dash1 + 1, dash2 - dash1 - 1)),
                           sorrel::Atoi(value.substr(dash2 + 1)), 0, 0, 0) == 0)
        SetExtItem(ITEM_BIRTHDAY, date.m_dt);
    }
  }
  return 1;
}
