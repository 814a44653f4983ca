// Importing vCard files as phones and address books write them: several cards
// per file, any line ends, folded lines, the parameters of vCard 2.1, 3.0 and
// 4.0, character sets other than UTF-8, backslash escapes. Each card becomes one
// phone book entry; every problem is reported with the file, the card's number
// and line and the reason. This is an addition of this library, apart from the
// historical classes, and lives in the namespace sorrel.
//
// A host imports a file in one call:
//
//   CGroups groups;
//   std::vector<CEntry> entries;  (or whatever the host keeps entries in)
//   sorrel::ImportVCardFile("cards.vcf", groups,
//       [&](CEntry& entry, const sorrel::VCardCard&) { entries.push_back(entry); },
//       [&](const sorrel::VCardProblem& p) { ...p.where.file, p.where.line, p.where.card, p.reason... });
//
// What an entry keeps: surname and name (a card without a name gives its
// formatted name), the address (street, city, postal code, country), company,
// job title, six numbers (main, office, mobile, fax, other, second fax; the main
// number is the preferred one, else the home one, else the first), two e-mail
// addresses, a web address, the group (named by the first category; a new name
// becomes a new group of `groups`), the birthday and the phone's record id. What
// has no place in the entry is reported as a problem of a card that was
// imported all the same.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "sorrel/Entry.h"
#include "sorrel/Groups.h"
#include "sorrel/Types.h"

namespace sorrel {

// Where a card stood. The views are valid during the call that hands them over.
struct VCardCard {
  std::string_view file;  // the name the caller gave for the bytes
  int card = 0;           // 1-based among the cards of the file; 0 for the file as a whole
  int line = 0;           // 1-based line of the card's BEGIN:VCARD; 0 for the file as a whole
  std::string_view text;  // the card's bytes exactly as they stood; empty for the file as a whole
};

// Something the import has to say about a card or a file.
struct VCardProblem {
  VCardCard where;
  std::string_view reason;  // one sentence in UTF-8, without a final full stop
  bool rejected = false;    // true: no entry was made of the card (or of the file); false: the
                            // entry was made without what the reason names
};

struct VCardImportOptions {
  // The character set (an iconv name) of 8-bit values that name none and are
  // not UTF-8; empty: the code page in which entries hold their text.
  std::string_view fallbackCharset;
};

struct VCardImportResult {
  std::size_t cards = 0;     // cards found
  std::size_t imported = 0;  // entries handed to the entry function
  std::size_t rejected = 0;  // cards reported as rejected
  bool read = true;          // false: the file could not be read (reported as a problem of the file)
};

// Called once per imported card, in file order, with a fresh entry (extended
// items present, name and surname kept apart, location and position 0) that the
// function may change, copy or move from.
using VCardEntryFunc = std::function<void(CEntry& entry, const VCardCard& where)>;
// Called for every problem, before the entry of the card it concerns.
using VCardProblemFunc = std::function<void(const VCardProblem& problem)>;

// Imports the cards of one file's bytes. The groups of the cards' categories are
// looked up in, and added to, groups; a rejected card adds none. Either function
// may be empty. A file without a single card is reported as a problem of the
// file (card 0).
SORREL_API VCardImportResult ImportVCards(std::string_view bytes, std::string_view file, CGroups& groups,
                                          const VCardEntryFunc& onEntry, const VCardProblemFunc& onProblem,
                                          const VCardImportOptions& options = {});

// The same for a file read from path (a regular file; anything else, or a file
// that cannot be read, is one problem of the file and result.read false).
SORREL_API VCardImportResult ImportVCardFile(const std::string& path, CGroups& groups, const VCardEntryFunc& onEntry,
                                             const VCardProblemFunc& onProblem, const VCardImportOptions& options = {});

// How many cards ImportVCards would find in the bytes (for a progress display).
SORREL_API std::size_t CountVCards(std::string_view bytes);

// Whether the platform can convert from the named character set.
SORREL_API bool IsKnownCharset(std::string_view name);

}  // namespace sorrel
