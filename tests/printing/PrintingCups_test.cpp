// Printing on real parts: a private CUPS scheduler with a queue whose jobs come
// back as PDF files, the job made by CPrinting and by `sorrel print`, the pages
// read back with pdftotext and pdfinfo.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "sorrel/Sorrel.h"
#include "support/CupsScheduler.h"
#include "support/TestHost.h"

namespace fs = std::filesystem;
using namespace sorrel::test;

namespace {

CupsScheduler* g_cups = nullptr;
std::string g_skip;  // why there is no scheduler

// One scheduler for the process, up before anything talks to CUPS.
class CupsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    g_cups = new CupsScheduler;
    if (!g_cups->Start(g_skip) || !g_cups->AddCaptureQueue("capture", true, g_skip)) {
      if (g_skip.empty()) g_skip = "no scheduler";
    }
  }
  void TearDown() override {
    delete g_cups;
    g_cups = nullptr;
  }
};
const auto* g_env = ::testing::AddGlobalTestEnvironment(new CupsEnvironment);

const std::string kSource = SORREL_SOURCE_DIR;
const std::string kTool = std::string(SORREL_BINARY_DIR) + "/tools/sorrel/sorrel";
const std::string kBook = kSource + "/tests/printing/golden/book.txt";

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The words of the pages in order, page breaks and layout left out.
std::vector<std::string> Words(const std::string& pdf) {
  std::istringstream in(RunCommand("pdftotext '" + pdf + "' - 2>/dev/null"));
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

std::string Info(const std::string& pdf, const std::string& field) {
  std::istringstream in(RunCommand("pdfinfo '" + pdf + "' 2>/dev/null"));
  for (std::string line; std::getline(in, line);)
    if (line.rfind(field + ":", 0) == 0) {
      std::string v = line.substr(field.size() + 1);
      return v.erase(0, v.find_first_not_of(' '));
    }
  return "";
}

class Cups : public ::testing::Test {
 protected:
  TestHost host;
  std::string out;
  void SetUp() override {
    if (g_cups == nullptr || !g_skip.empty()) GTEST_SKIP() << "no private CUPS scheduler: " << g_skip;
    out = host.ConfigHome() + "/out";
    fs::create_directories(out);
  }
  std::string Print(const std::string& args, int expected = 0) {
    int status = -1;
    const std::string said = RunCommand("'" + kTool + "' print '" + kBook + "' " + args + " 2>&1", &status);
    EXPECT_EQ(status, expected) << said;
    return said;
  }
};

}  // namespace

TEST_F(Cups, CPrintingJobArrivesWithItsTitleAndFallsBackToTheDefault) {
  std::vector<std::unique_ptr<CEntry>> entries;
  for (const char* name : {"Anna", "Bohumil", "Cyril"}) {
    auto e = std::make_unique<CEntry>(0);
    e->GetName() = name;
    e->GetNum() = "123";
    int item = host.list.InsertItem(host.list.GetItemCount(), name);
    host.list.SetItemData(item, DWORD_PTR(e.get()));
    entries.push_back(std::move(e));
  }
  LOGFONT font{};
  LoadFontFromRegistry(const_cast<char*>("Print"), &font);
  CString title("Seznam");
  // The chosen queue; then one that does not exist, which the default replaces.
  for (const char* queue : {"capture", "gone"}) {
    CPrintDialog dialog(FALSE);
    dialog.SelectPrinter("CUPS", queue, "");
    CPrinting job(&host.list, 1, &title, &dialog);
    job.Print(&font, 100, 0, 0, RECT{1000, 1000, 1000, 1000});
  }
  std::vector<std::string> jobs = g_cups->WaitForJobs(2, 20);
  ASSERT_EQ(jobs.size(), 2u);
  for (const std::string& pdf : jobs) {
    EXPECT_EQ(Words(pdf), (std::vector<std::string>{"Anna:", "123", "Bohumil:", "123", "Cyril:", "123"}));
    EXPECT_EQ(Info(pdf, "Page size"), "595 x 842 pts (A4)");
    EXPECT_EQ(Slurp(fs::path(pdf).replace_extension(".title").string()), "Seznam\n");
  }
}

// The tool refuses a queue that does not exist, prints to the queue named and
// else to the default one, and gives a queue the text it gives a file.
TEST_F(Cups, ToolPrintsToTheQueueNamedOrTheDefault) {
  const size_t before = g_cups->WaitForJobs(0, 0).size();
  EXPECT_NE(Print("-P nosuchqueue", 2).find("printer 'nosuchqueue' does not exist"), std::string::npos);
  Print("-P capture --two-columns");
  const std::string said = Print("--two-columns --title 'Jen jeden'");
  EXPECT_NE(said.find("queue capture (the default)"), std::string::npos) << said;
  Print("--two-columns -o '" + out + "/book.pdf'");
  const std::vector<std::string> jobs = g_cups->WaitForJobs(before + 2, 20);
  ASSERT_EQ(jobs.size(), before + 2);  // none for the queue refused
  const std::vector<std::string> fromFile = Words(out + "/book.pdf");
  const std::string fileSize = Info(out + "/book.pdf", "Page size");
  EXPECT_GT(fromFile.size(), 100u);
  for (size_t i : {before, before + 1}) {
    EXPECT_EQ(Words(jobs[i]), fromFile);
    EXPECT_EQ(Info(jobs[i], "Page size"), fileSize);
  }
  EXPECT_EQ(Slurp(fs::path(jobs[before + 1]).replace_extension(".title").string()), "Jen jeden\n");
}

// The pages of the sample book and of an SMS list with bad lines (left out; the
// tool's table checks the messages) as pdftotext lays them out, one golden text
// per layout (SORREL_UPDATE_GOLDEN=1 writes them anew). No scheduler needed.
TEST(PrintedPages, Golden) {
  TestHost host;
  const std::string pdf = host.ConfigHome() + "/golden.pdf";
  struct Case {
    const char* args;
    const char* ref;
    const char* pages;
    int status;
  } cases[] = {
      {"golden/book.txt --size 14 --margins 15,15,15,15", "book.one.txt.ref", "4", 0},
      {"golden/book.txt --size 14 --margins 15,15,15,15 --two-columns", "book.two.txt.ref", "2", 0},
      {"golden/book.txt --size 9.5 --margins 20,10,20,10 --two-columns --selected 2,3,4", "book.selected.txt.ref", "1", 0},
      {"--sms golden/sms.txt", "sms.txt.ref", "1", 1},
  };
  for (const Case& k : cases) {
    int status = -1;
    const std::string said = RunCommand("cd '" + kSource + "/tests/printing' && '" + kTool + "' print " + k.args +
                                            " -o '" + pdf + "' 2>&1", &status);
    ASSERT_EQ(status, k.status) << said;
    EXPECT_EQ(Info(pdf, "Pages"), k.pages) << k.ref;
    const std::string text = RunCommand("pdftotext -layout '" + pdf + "' - 2>/dev/null");
    const std::string ref = kSource + "/tests/printing/golden/" + k.ref;
    if (std::getenv("SORREL_UPDATE_GOLDEN")) std::ofstream(ref, std::ios::binary) << text;
    EXPECT_EQ(text, Slurp(ref)) << k.ref;
  }
}
