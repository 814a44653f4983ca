// sorrel renumber: the national renumbering of every number in a phone book.
#include <cstdio>
#include <string>
#include <vector>

#include "Book.h"
#include "Command.h"
#include "Rewrite.h"

namespace {

const char kDescription[] =
    "Renumbers the main number and the number items (office, mobile, home, fax,\n"
    "other, pager, info 1 to 4) of every entry, in place. The built-in table takes\n"
    "the leading 0 off the national prefixes 0601 to 0608, 072, 073 and 077; with\n"
    "--international those numbers, and every other national number that starts\n"
    "with 0, get \"+42\" in front instead. Numbers then go through the rules, the\n"
    "first rule whose old prefix begins the number deciding: OLDINT/NEWINT for\n"
    "numbers starting with \"+\", OLDNAT/NEWNAT for the others. An empty old prefix\n"
    "matches every number of its form; an empty new prefix changes nothing.\n"
    "Entries in locations 0, 4, 5, 6, 7, 9, 10 and 11 are left alone. A leading\n"
    "\"00\" reads as \"+\" but alone is no change: such an entry keeps its line.\n";

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
  CString* prefixes[] = {&rule.strOldIntPrefix, &rule.strNewIntPrefix, &rule.strOldNatPrefix, &rule.strNewNatPrefix};
  for (size_t k = 0; k < 4; ++k)
    if (!tool::FromUtf8(fields[k], *prefixes[k], reason)) return false;
  return true;
}

bool ReadRulesFile(const std::string& path, CArray<RenumPrefix, RenumPrefix&>& rules, std::string& error) {
  std::string data;
  if (!tool::ReadFile(path, data, error)) return false;
  bool ok = true;
  tool::ForEachLine(data, [&](const tool::Line& l) {
    std::string line(l.content);
    const int lineNumber = l.number;
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
    if (line.empty() || line[0] == '#') return true;
    RenumPrefix rule;
    std::string reason;
    if (!ParseRule(line, rule, reason)) {
      error = path + ":" + std::to_string(lineNumber) + ": " + reason;
      return ok = false;
    }
    rules.Add(rule);
    return true;
  });
  if (!ok) return false;
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

int Run(const tool::Args& args) {
  const std::string path = args.Operands()[0];
  tool::RewriteOptions options;
  options.dryRun = args.Has("--dry-run");
  options.backup = !args.Has("--no-backup");
  const int toInternational = args.Has("--international") ? 1 : 0;
  CArray<RenumPrefix, RenumPrefix&> rules;
  // The rules in the order given, --rule and --rules mixed.
  for (const auto& [name, value] : args.Given()) {
    std::string error;
    RenumPrefix rule;
    if (name == "--rule") {
      if (!ParseRule(value, rule, error)) return tool::Fail("renumber", "--rule: " + error);
      rules.Add(rule);
    } else if (name == "--rules" && !ReadRulesFile(value, rules, error)) {
      return tool::Fail("renumber", error);
    }
  }
  NoteShadowingRules(rules);
  return tool::RewriteNumbers("renumber", path, options,
                              [&](CEntry& entry) { entry.Renumber(rules, toInternational); });
}

const tool::CommandSpec kSpec{
    "renumber", "renumber the phone numbers (built-in table, +42, rules) in place", "BOOK", 1, 1, kDescription,
    {{"--international", nullptr, "turn national numbers into the international form"}, {"--rule", "R", "one rule, four comma-separated prefixes (repeatable)"}, {"--rules", "FILE", "rules one per line as in --rule; blank lines and lines\nstarting with '#' are skipped"}, {"--dry-run", nullptr, "print what would change, write nothing"}, {"--no-backup", nullptr, "do not keep the original as BOOK~"}},
    "Prints each changed entry with its old and new numbers. Only changed entries\n"
    "get new lines; the rest of the file stays byte for byte.\n"
    "Exit status: 0 done, 2 usage or I/O error (the book is then not touched).\n",
    &Run};

}  // namespace

SORREL_COMMAND(kSpec);
