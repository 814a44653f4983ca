// Making real vCard files readable for the library: the library's reader knows
// one card at a time, lines ended by CR LF, and a fixed set of property forms.
// Phones and address books write several cards per file, fold lines, use the
// TYPE= parameters of vCard 3.0 and 4.0, extra parameters, other character sets
// and backslash escapes. This brings each card into the reader's forms.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tool {

// One card as it stood in a file.
struct RawCard {
  std::string_view text;  // from its BEGIN:VCARD line to its END:VCARD line, bytes unchanged
  int number = 0;         // 1-based among the cards of the file
  int firstLine = 0;      // 1-based line of its BEGIN:VCARD
  std::string problem;    // why this is not a whole card (no END:VCARD); empty when it is
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
  size_t start_ = 0;
  int beginLine_ = 0;
};

// How many cards CardSplitter finds in data.
size_t CountCards(std::string_view data);

struct ReaderCard {
  std::string text;                // the card in the reader's forms; empty when problem is set
  std::vector<std::string> notes;  // what the entry could not keep, one sentence each
  std::string problem;             // why the card cannot be imported
};

// The character set assumed for 8-bit values without a CHARSET parameter that
// are not UTF-8.
constexpr const char* kDefaultFallbackCharset = "WINDOWS-1250";

// One card (as CardSplitter gives it) in the forms of the library's reader.
ReaderCard ToReaderForm(std::string_view card, const std::string& fallbackCharset = kDefaultFallbackCharset);

}  // namespace tool
