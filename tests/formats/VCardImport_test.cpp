// Importing vCard files: each import/*.vcf beside its .vcf.ref, the entries and
// problems the public import gives for it; then inputs cut and spoilt anywhere.
#include "sorrel/VCardImport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "formats/VCardTestSupport.h"
#include "platform/CodePageInternal.h"

namespace {

namespace fs = std::filesystem;
const fs::path kFolder = fs::path(SORREL_SOURCE_DIR) / "tests" / "formats" / "import";

// Per card its entry as the phone text form (in UTF-8) or its rejection, each
// problem before the entry it concerns, then the group table. The file is read
// by the import's own convenience, which hands its bytes to ImportVCards.
std::string Imported(const fs::path& file) {
  std::string out;
  CGroups groups;
  groups.SetMaxLenOfEditableGroups(40);
  auto onEntry = [&](CEntry& entry, const sorrel::VCardCard& where) {
    CString line;
    entry.GetAsText(line, 0, 1);
    out += "card " + std::to_string(where.card) + " (line " + std::to_string(where.line) +
           "): " + sorrel::AnsiToUtf8(line.view()) + "\n";
  };
  auto onProblem = [&](const sorrel::VCardProblem& p) {
    out += "card " + std::to_string(p.where.card) + " (line " + std::to_string(p.where.line) + "): " +
           (p.rejected ? "not imported: " : "note: ") + std::string(p.reason) + "\n";
  };
  const sorrel::VCardImportResult r = sorrel::ImportVCardFile(file.string(), groups, onEntry, onProblem);
  CString table;
  groups.GetAsText(table, 0);
  out += std::to_string(r.cards) + " cards, " + std::to_string(r.imported) + " imported, " +
         std::to_string(r.rejected) + " rejected; groups " + sorrel::AnsiToUtf8(table.view()) + "\n";
  return out;
}

TEST(VCardImport, GoldenPairs) {
  int pairs = 0;
  for (const auto& file : fs::directory_iterator(kFolder)) {
    if (file.path().extension() != ".vcf") continue;
    vcardtest::ExpectGolden("import/" + file.path().filename().string() + ".ref", Imported(file.path()));
    ++pairs;
  }
  EXPECT_GE(pairs, 10);
}

// A file that cannot be read, a folder among them, is named with the reason.
TEST(VCardImport, NamesAFileItCannotRead) {
  for (const fs::path& bad : {kFolder, kFolder / "missing.vcf"}) {
    std::string said;
    CGroups groups;
    const auto r = sorrel::ImportVCardFile(bad.string(), groups, nullptr, [&](const sorrel::VCardProblem& p) {
      said = std::string(p.where.file) + ": " + std::string(p.reason) + (p.rejected ? "" : " (kept)");
    });
    EXPECT_FALSE(r.read);
    EXPECT_EQ(said.rfind(bad.string() + ": cannot be read: ", 0), 0u) << said;
  }
}

// Every prefix of real cards and of cut-off escapes, parameters and encodings,
// and each prefix with a troublesome byte inserted anywhere: every card is an
// entry or a rejection with its reason, never one the library's reader refuses
// in its converted form. Under the sanitizer build this also shows that no
// cut-off input is read past its end.
TEST(VCardImport, EveryCutAndInsertionGivesAnEntryOrAReason) {
  const std::string seeds[] = {
      "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Dvo=C5=99=\r\n=C3=A1k;Anton=C3=ADn\r\n"
      "TEL;CELL;PREF:+420603\r\nADR;HOME:;;Ul 1;Brno;;602 00;CZ\r\nAGENT:\r\nBEGIN:VCARD\r\nN:x\r\nEND:VCARD\r\n"
      "BDAY:19750307\r\nEND:VCARD\r\n",
      "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Dee\\;Mark\\n;;;\r\nitem1.TEL;TYPE=\"voice,home\":tel:+44\r\n 555\r\n"
      "EMAIL;TYPE=INTERNET,PREF:a@b\r\nCATEGORIES:A\\,B,C\r\nX-IRMC-LUID:0002\r\nEND:VCARD\r\n",
      "BEGIN:VCARD\nN;CHARSET=UTF-7:Nov+AOE-k;Jan\nORG;ENCODING=B;CHARSET=SHIFT_JIS:k2OShg==\nEND:VCARD\n",
  };
  const char* inserts[] = {"=", "\\", ";", ":", "\"", ",", "\r", "\n", " ", "+", "-", "\x80", "\xFF", "\xC3"};
  size_t entries = 0;
  for (const std::string& seed : seeds) {
    for (size_t cut = 0; cut <= seed.size(); ++cut) {
      std::vector<std::string> inputs = {seed.substr(0, cut)};
      if (cut > 0)
        for (const char* insert : inserts) inputs.push_back(seed.substr(0, cut) + insert + seed.substr(cut));
      for (const std::string& input : inputs) {
        CGroups groups;
        size_t problems = 0;
        const auto r = sorrel::ImportVCards(
            input, "f", groups, [&](CEntry& e, const sorrel::VCardCard&) { ASSERT_FALSE(e.IsEmpty()); },
            [&](const sorrel::VCardProblem& p) {
              problems += p.rejected;
              ASSERT_FALSE(p.reason.empty());
              ASSERT_EQ(p.reason.find("converted form"), std::string_view::npos) << input;
            });
        ASSERT_EQ(r.imported + r.rejected, r.cards) << input;
        ASSERT_EQ(problems, r.rejected + (r.cards == 0)) << input;
        EXPECT_EQ(sorrel::CountVCards(input), r.cards);
        entries += r.imported;
      }
    }
  }
  EXPECT_GT(entries, 1000u);
}

}  // namespace
