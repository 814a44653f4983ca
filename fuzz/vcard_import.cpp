// The vCard import over whole files as phones and address books write them.
// Options byte: bit 0 a groups list that already holds groups, bit 1 a fallback
// character set named by the caller (ISO-8859-2) instead of the code page's.
#include <string_view>

#include "FuzzTarget.h"
#include "sorrel/Groups.h"
#include "sorrel/VCardImport.h"

SORREL_FUZZ_TARGET(vcard_import) {
  sorrel::fuzz::Input in(data, size);
  CGroups groups;
  if (in.Option(0)) {
    groups.AddGroup(1, CString("Rodina"), 12, 3);
    groups.AddGroup(4, CString("VIP"), 12, 0);
  }
  const int before = groups.GetNGroups();
  sorrel::VCardImportOptions options;
  if (in.Option(1)) options.fallbackCharset = "ISO-8859-2";

  size_t entries = 0, rejections = 0, lastCard = 0;
  const auto result = sorrel::ImportVCards(
      in.text, "fuzz.vcf", groups,
      [&](CEntry& entry, const sorrel::VCardCard& where) {
        // Every entry holds something, comes once, in order, from within the file.
        SORREL_FUZZ_CHECK(!entry.IsEmpty());
        SORREL_FUZZ_CHECK(size_t(where.card) > lastCard && where.line >= 1);
        lastCard = size_t(where.card);
        ++entries;
      },
      [&](const sorrel::VCardProblem& p) {
        SORREL_FUZZ_CHECK(!p.reason.empty() && p.where.file == "fuzz.vcf");
        // A card's text is a piece of the file.
        if (p.where.card > 0)
          SORREL_FUZZ_CHECK(p.where.text.data() >= in.text.data() &&
                            p.where.text.data() + p.where.text.size() <= in.text.data() + in.text.size());
        // The converted card is always one the library's reader takes. The reason is
        // matched whole: other reasons quote the card's own text, which may say anything.
        SORREL_FUZZ_CHECK(p.reason != "the library's reader rejected the card in its converted form");
        if (p.rejected && p.where.card > 0) {
          SORREL_FUZZ_CHECK(size_t(p.where.card) > lastCard);
          lastCard = size_t(p.where.card);
          ++rejections;
        }
      },
      options);
  SORREL_FUZZ_CHECK(result.imported == entries && result.rejected == rejections);
  SORREL_FUZZ_CHECK(result.cards == entries + rejections && result.cards == sorrel::CountVCards(in.text));
  // A card adds at most one group, and a rejected one none.
  SORREL_FUZZ_CHECK(groups.GetNGroups() <= before + int(entries));
  return 0;
}
