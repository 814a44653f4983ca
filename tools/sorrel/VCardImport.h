// Making real vCard files readable for the library: the library's reader knows
// one card at a time, lines ended by CR LF, and a fixed set of property forms.
// Phones and address books write several cards per file, fold lines, use the
// TYPE= parameters of vCard 3.0 and 4.0, extra parameters, other character sets
// and backslash escapes. This brings each card into the reader's forms.
#pragma once

#include <string>
#include <vector>

namespace tool {

// One card as it stood in a file.
struct RawCard {
  std::string text;     // from its BEGIN:VCARD line to its END:VCARD line, bytes unchanged
  int number = 0;       // 1-based among the cards of the file
  int firstLine = 0;    // 1-based line of its BEGIN:VCARD
  std::string problem;  // why this is not a whole card (no END:VCARD); empty when it is
};

// The cards of a file, in order. Text outside BEGIN:VCARD ... END:VCARD is skipped.
std::vector<RawCard> SplitCards(const std::string& data);

struct ReaderCard {
  std::string text;                // the card in the reader's forms; empty when problem is set
  std::vector<std::string> notes;  // what the entry could not keep, one sentence each
  std::string problem;             // why the card cannot be imported
};

// The character set assumed for 8-bit values without a CHARSET parameter that
// are not UTF-8.
constexpr const char* kDefaultFallbackCharset = "WINDOWS-1250";

// One card (as SplitCards gives it) in the forms of the library's reader.
ReaderCard ToReaderForm(const std::string& card, const std::string& fallbackCharset = kDefaultFallbackCharset);

}  // namespace tool
