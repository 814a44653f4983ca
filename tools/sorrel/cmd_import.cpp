// sorrel import: vCard files into a phone book. Files as phones and address
// books write them are brought into the forms the library's reader knows first.
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Book.h"
#include "Command.h"
#include "sorrel/VCardImport.h"

namespace {

const char kDescription[] =
    "Reads the cards of the vCard files, in order, into a new phone book: memory\n"
    "location 2 (the phone's own memory; the SIM card would be 1), positions 1, 2,\n"
    "... in the order of the cards, with extended items, name and surname kept\n"
    "apart. The groups are made from the cards' categories; the first category of\n"
    "a card names its group.\n"
    "\n"
    "Files as phones and address books write them are made readable first: several\n"
    "cards in a file, any line ends, folded lines, the parameters of vCard 2.1, 3.0\n"
    "and 4.0, character sets other than UTF-8 (ISO-8859-x, Windows-125x, Shift_JIS\n"
    "and the like), backslash escapes. An entry keeps the surname and name, the\n"
    "address (street, city, postal code, country), company, job title, six numbers\n"
    "(main, office, mobile, fax, other, second fax), two e-mail addresses, a web\n"
    "address, the group, the birthday and the phone's record id. The main number is\n"
    "the card's preferred number, else its home number, else its first one; a card\n"
    "without a name takes its formatted name (FN) as the name. What has no place in\n"
    "the entry (a third e-mail address, a second number of one kind) is named on\n"
    "standard error; notes, photos and the like are not part of an entry.\n"
    "\n"
    "A card that cannot be imported is reported with its file, the line where it\n"
    "begins, its number in the file and the reason; with --rejects it is written to\n"
    "FILE exactly as it stood.\n";

constexpr UINT kLocation = 2;  // the phone's own memory
constexpr UINT kGroupNameLength = 40;
constexpr size_t kProgressFrom = 200;  // cards; smaller imports are over at once

struct Input {
  std::string path;
  std::string data;  // the whole file; the cards are read from it one at a time
  size_t nCards = 0;
};


// One line on stderr that the next message or the end overwrites.
class Progress {
 public:
  explicit Progress(size_t total) : total_(total), on_(total >= kProgressFrom && isatty(STDERR_FILENO)) {}
  void Step(size_t done) {
    if (on_ && (done % 25 == 0 || done == total_ || cleared_)) {
      std::fprintf(stderr, "\rsorrel import: card %zu of %zu", done, total_);
      cleared_ = false;
    }
  }
  void Clear() {
    if (on_) std::fputs("\r\033[K", stderr);
    cleared_ = true;
  }

 private:
  size_t total_;
  bool on_;
  bool cleared_ = false;
};

int Run(const tool::Args& args) {
  const struct {
    std::vector<std::string> files;
    std::string book, rejects, charset;
  } o{args.Operands(), args.Value("-o", "-"), args.Value("--rejects"), args.Value("--charset", "WINDOWS-1250")};
  if (!sorrel::IsKnownCharset(o.charset)) return tool::Fail("import", "unknown character set \"" + o.charset + "\" for --charset");

  // Every file is read before anything is written: an unreadable one stops the
  // import with nothing half done. The cards are counted now for the progress
  // line, and read later one at a time, straight from the file's buffer.
  std::vector<Input> inputs;
  size_t total = 0;
  for (const std::string& path : o.files) {
    Input input{path, std::string(), 0};
    std::string error;
    if (!tool::ReadFile(path, input.data, error)) return tool::Fail("import", error);
    input.nCards = sorrel::CountVCards(input.data);
    total += input.nCards;
    inputs.push_back(std::move(input));
  }
  // Each card becomes its slot line at once and its entry goes: a book of many
  // cards never holds all its entries, only their lines and the groups, which
  // the book's first line needs when everything has been read. A file without
  // a single card is a finding too: most likely not a vCard file.
  CGroups groups;
  groups.SetMaxLenOfEditableGroups(kGroupNameLength);
  tool::SlotLines lines;
  std::vector<std::string_view> rejected;  // views into the files' buffers
  size_t done = 0, nEmptyFiles = 0;
  Progress progress(total);
  const sorrel::VCardImportOptions options{o.charset};
  for (const Input& input : inputs) {
    auto onEntry = [&](CEntry& entry, const sorrel::VCardCard&) {
      progress.Step(++done);
      entry.SetLocation(kLocation);
      entry.SetPos(UINT(lines.Count() + 1));
      lines.Add(tool::PhoneBook::SlotLine(entry));
    };
    // Messages take the progress line's place; the next step writes it again.
    auto onProblem = [&](const sorrel::VCardProblem& p) {
      progress.Clear();
      if (p.where.card == 0) {
        std::fprintf(stderr, "sorrel import: %s: %.*s\n", input.path.c_str(), int(p.reason.size()), p.reason.data());
        ++nEmptyFiles;
        return;
      }
      std::fprintf(stderr, "sorrel import: %s:%d: card %d: %s%.*s\n", input.path.c_str(), p.where.line, p.where.card,
                   p.rejected ? "not imported: " : "", int(p.reason.size()), p.reason.data());
      if (p.rejected) {
        progress.Step(++done);
        rejected.push_back(p.where.text);
      }
    };
    sorrel::ImportVCards(input.data, input.path, groups, onEntry, onProblem, options);
  }
  progress.Clear();

  std::string error;
  if (!o.rejects.empty() && !tool::WriteFileAtomically(o.rejects, rejected, error)) return tool::Fail("import", error);
  // Nothing imported: an existing book is not replaced by an empty one.
  if (lines.Count() == 0 && o.book != "-") {
    std::fprintf(stderr, "sorrel import: %zu cards, none imported; %s left as it was\n", total, o.book.c_str());
    return tool::kFindings;
  }
  if (!lines.Save(o.book, groups, error)) return tool::Fail("import", error);
  const size_t nRejected = rejected.size();
  std::fprintf(stderr, "sorrel import: %zu cards, %zu imported, %zu not imported%s\n", total, lines.Count(), nRejected,
               nRejected && !o.rejects.empty() ? (" (written to " + o.rejects + ")").c_str() : "");
  return nRejected || nEmptyFiles ? tool::kFindings : tool::kOk;
}

const tool::CommandSpec kSpec{
    "import", "read vCard files into a new phone book", "FILE.vcf...", 1, tool::kAny, kDescription,
    {{"-o", "BOOK", "write the phone book to BOOK, replacing it (default: standard\noutput); when no card is imported, BOOK is left as it was"}, {"--rejects", "FILE", "write the cards that were not imported, unchanged, to FILE"}, {"--charset", "NAME", "the character set of 8-bit values that name none and are not\nUTF-8 (default: WINDOWS-1250)"}},
    "Exit status: 0 every card imported, 1 some card not imported or a file without\n"
    "cards, 2 usage or I/O error (nothing is written then).\n",
    &Run};

}  // namespace

SORREL_COMMAND(kSpec);
