// sorrel renumber: the national renumbering of every number in a phone book.
#include <cstdio>
#include <string>
#include <vector>

#include "Book.h"
#include "Command.h"
#include "Rewrite.h"

namespace {

const char kUsage[] =
    "usage: sorrel renumber BOOK [--international] [--rule OLDINT,NEWINT,OLDNAT,NEWNAT]...\n"
    "                       [--rules FILE] [--dry-run] [--no-backup]\n"
    "\n"
    "Renumbers the main number and the number items (office, mobile, home, fax,\n"
    "other, pager, info 1 to 4) of every entry, in place. The built-in table takes\n"
    "the leading 0 off the national prefixes 0601 to 0608, 072, 073 and 077; with\n"
    "--international those numbers, and every other national number that starts\n"
    "with 0, get \"+42\" in front instead. Numbers then go through the rules, the\n"
    "first rule whose old prefix begins the number deciding: OLDINT/NEWINT for\n"
    "numbers starting with \"+\", OLDNAT/NEWNAT for the others. An empty old prefix\n"
    "matches every number of its form; an empty new prefix changes nothing.\n"
    "Entries in locations 0, 4, 5, 6, 7, 9, 10 and 11 are left alone. A leading\n"
    "\"00\" reads as \"+\" but alone is no change: such an entry keeps its line.\n"
    "\n"
    "  --international  turn national numbers into the international form\n"
    "  --rule R         one rule, four comma-separated prefixes (repeatable)\n"
    "  --rules FILE     rules one per line as in --rule; blank lines and lines\n"
    "                   starting with '#' are skipped\n"
    "  --dry-run        print what would change, write nothing\n"
    "  --no-backup      do not keep the original as BOOK~\n"
    "\n"
    "Prints each changed entry with its old and new numbers. Only changed entries\n"
    "get new lines; the rest of the file stays byte for byte.\n"
    "Exit status: 0 done, 2 usage or I/O error (the book is then not touched).\n";

// "OLDINT,NEWINT,OLDNAT,NEWNAT" (UTF-8) into a rule; the reason when it is not one.
bool ParseRule(const std::string& text, RenumPrefix& rule, std::string& reason) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    fields.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (fields.size() != 4) {
    reason = "a rule is four comma-separated prefixes OLDINT,NEWINT,OLDNAT,NEWNAT, \"" + text + "\" has " +
             std::to_string(fields.size());
    return false;
  }
  rule.strOldIntPrefix = tool::FromUtf8(fields[0]);
  rule.strNewIntPrefix = tool::FromUtf8(fields[1]);
  rule.strOldNatPrefix = tool::FromUtf8(fields[2]);
  rule.strNewNatPrefix = tool::FromUtf8(fields[3]);
  return true;
}

bool ReadRulesFile(const std::string& path, CArray<RenumPrefix, RenumPrefix&>& rules, std::string& error) {
  std::string data;
  if (!tool::ReadFile(path, data, error)) return false;
  size_t pos = 0;
  for (int lineNumber = 1; pos < data.size(); ++lineNumber) {
    size_t end = data.find('\n', pos);
    std::string line = data.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? data.size() : end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    RenumPrefix rule;
    std::string reason;
    if (!ParseRule(line, rule, reason)) {
      error = path + ":" + std::to_string(lineNumber) + ": " + reason;
      return false;
    }
    rules.Add(rule);
  }
  return true;
}

// A rule with an empty old prefix takes every number of that form, so the rules
// after it never see one: worth a word, as it is seldom meant.
void NoteShadowingRules(const CArray<RenumPrefix, RenumPrefix&>& rules) {
  for (INT_PTR i = 0; i + 1 < rules.GetSize(); ++i) {
    if (rules[i].strOldIntPrefix.IsEmpty())
      std::fprintf(stderr,
                   "sorrel renumber: note: rule %d has no old international prefix: it takes every "
                   "international number, and the rules after it never see one\n",
                   int(i + 1));
    if (rules[i].strOldNatPrefix.IsEmpty())
      std::fprintf(stderr,
                   "sorrel renumber: note: rule %d has no old national prefix: it takes every national "
                   "number, and the rules after it never see one\n",
                   int(i + 1));
  }
}

int Run(const std::vector<std::string>& args) {
  std::string path;
  tool::RewriteOptions options;
  int toInternational = 0;
  CArray<RenumPrefix, RenumPrefix&> rules;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--international") {
      toInternational = 1;
    } else if (a == "--dry-run") {
      options.dryRun = true;
    } else if (a == "--no-backup") {
      options.backup = false;
    } else if (a == "--rule" || a == "--rules") {
      if (i + 1 >= args.size()) return tool::Fail("renumber", a + " needs a value (see --help)");
      const std::string& value = args[++i];
      std::string error;
      RenumPrefix rule;
      if (a == "--rule") {
        if (!ParseRule(value, rule, error)) return tool::Fail("renumber", "--rule: " + error);
        rules.Add(rule);
      } else if (!ReadRulesFile(value, rules, error)) {
        return tool::Fail("renumber", error);
      }
    } else if (int rc = tool::TakeBookPath("renumber", a, path)) {
      return rc;
    }
  }
  if (path.empty()) return tool::Fail("renumber", "no phone book given (see --help)");
  NoteShadowingRules(rules);
  return tool::RewriteNumbers("renumber", path, options,
                              [&](CEntry& entry) { entry.Renumber(rules, toInternational); });
}

}  // namespace

SORREL_COMMAND("renumber", "renumber the phone numbers (built-in table, +42, rules) in place", kUsage, &Run);
