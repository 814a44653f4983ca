#include "Rewrite.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "Book.h"
#include "Command.h"

namespace tool {

namespace {

// The numbers that renumbering and prefix change rewrite: the main number, then
// these items.
constexpr UINT kNumberItems[] = {ITEM_OFFICE,       ITEM_MOBILE,       ITEM_HOME,         ITEM_FAX,
                                 ITEM_OTHER_NUMBER, ITEM_PAGER,        ITEM_INFO_NUMBER1, ITEM_INFO_NUMBER2,
                                 ITEM_INFO_NUMBER3, ITEM_INFO_NUMBER4};

struct Number {
  std::string label;
  CString text;
};

std::vector<Number> Numbers(const CEntry& entry) {
  std::vector<Number> numbers{{"number", entry.GetNum()}};
  if (const CExtendedItems* items = entry.GetExtendedItems()) {
    for (UINT id : kNumberItems) {
      CString caption;
      caption.LoadString(sorrel::ItemCaptionID(id));
      CString value;
      items->GetValueByID(id, value);
      numbers.push_back({ToUtf8(caption), value});
    }
  }
  return numbers;
}

std::string DisplayName(const CEntry& entry) {
  std::string name = ToUtf8(entry.GetName());
  if (entry.AllowsNameSurnameDivision() && !entry.GetSurname().IsEmpty()) {
    name += ' ';
    name += ToUtf8(entry.GetSurname());
  }
  return name;
}

}  // namespace

int RewriteNumbers(const char* command, const std::string& path, const RewriteOptions& options,
                   const std::function<void(CEntry&)>& op) {
  if (path == "-") return Fail(command, "rewrites the phone book in place: give a file, not standard input");
  std::string original, error;
  if (!ReadFile(path, original, error)) return Fail(command, error);
  PhoneBook book;
  book.Parse(original);

  // slot line number -> its new content
  std::vector<std::pair<int, std::string>> replaced;
  for (const Slot& slot : book.slots) {
    CEntry& entry = *slot.entry;
    const std::vector<Number> before = Numbers(entry);
    entry.ClearChangedFlag();
    op(entry);
    if (!entry.Changed()) continue;

    std::string line = PhoneBook::SlotLine(entry);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    replaced.emplace_back(slot.lineNumber, line);

    std::printf("%s:%d: %s\n", path.c_str(), slot.lineNumber, DisplayName(entry).c_str());
    const std::vector<Number> after = Numbers(entry);
    bool any = false;
    for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
      if (before[i].text == after[i].text) continue;
      any = true;
      std::printf("  %s: %s -> %s\n", before[i].label.c_str(), ToUtf8(before[i].text).c_str(),
                  ToUtf8(after[i].text).c_str());
    }
    // A prefix replaced by the same text still counts as a change.
    if (!any) std::printf("  (marked changed, the numbers read the same)\n");
  }

  std::printf("%s: %zu of %zu entries changed%s\n", path.c_str(), replaced.size(), book.slots.size(),
              options.dryRun && !replaced.empty() ? " (dry run: nothing written)" : "");
  if (replaced.empty() || options.dryRun) return kOk;

  std::vector<Line> lines;
  ForEachLine(original, [&](const Line& line) {
    lines.push_back(line);
    return true;
  });
  std::string text;
  text.reserve(original.size() + 64 * replaced.size());
  size_t copied = 0;
  for (const auto& [lineNumber, content] : replaced) {
    const Line& line = lines[size_t(lineNumber - 1)];
    text.append(original, copied, line.start - copied);
    text += content;
    copied = line.start + line.content.size();
  }
  text.append(original, copied, std::string::npos);

  if (options.backup && !WriteFileAtomically(path + "~", original, error))
    return Fail(command, "cannot keep the original: " + error + " (nothing written)");
  if (!WriteFileAtomically(path, text, error)) return Fail(command, error);
  return kOk;
}

}  // namespace tool
