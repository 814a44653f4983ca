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
  std::string Tool(const std::string& args, int* status) {
    return RunCommand("'" + kTool + "' " + args + " 2>&1", status);
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

TEST_F(Cups, ToolGivesTheSameTextToAQueueAsToAFile) {
  const size_t before = g_cups->WaitForJobs(0, 0).size();
  int status = -1;
  std::string said = Tool("print '" + kBook + "' -P capture --two-columns", &status);
  EXPECT_EQ(status, 0) << said;
  said = Tool("print '" + kBook + "' -o '" + out + "/book.pdf' --two-columns", &status);
  EXPECT_EQ(status, 0) << said;
  std::vector<std::string> jobs = g_cups->WaitForJobs(before + 1, 20);
  ASSERT_EQ(jobs.size(), before + 1);
  const std::vector<std::string> fromQueue = Words(jobs.back()), fromFile = Words(out + "/book.pdf");
  EXPECT_GT(fromFile.size(), 100u);
  EXPECT_EQ(fromQueue, fromFile);
  EXPECT_EQ(Info(jobs.back(), "Page size"), Info(out + "/book.pdf", "Page size"));
}

TEST_F(Cups, ToolRefusesAQueueThatDoesNotExistAndPrintsNowhere) {
  const size_t before = g_cups->WaitForJobs(0, 0).size();
  const std::string jobsBefore = RunCommand("lpstat -W all -o 2>/dev/null");
  int status = -1;
  const std::string said = Tool("print '" + kBook + "' -P nosuchqueue", &status);
  EXPECT_EQ(status, 2);
  EXPECT_NE(said.find("printer 'nosuchqueue' does not exist"), std::string::npos) << said;
  EXPECT_EQ(g_cups->WaitForJobs(before + 1, 1.5).size(), before);
  EXPECT_EQ(RunCommand("lpstat -W all -o 2>/dev/null"), jobsBefore);  // no job anywhere
}

TEST_F(Cups, ToolUsesTheDefaultQueueWhenNoneIsNamed) {
  const size_t before = g_cups->WaitForJobs(0, 0).size();
  int status = -1;
  const std::string said = Tool("print '" + kBook + "' --selected 3 --title 'Jen jeden'", &status);
  EXPECT_EQ(status, 0) << said;
  EXPECT_NE(said.find("queue capture (the default)"), std::string::npos) << said;
  std::vector<std::string> jobs = g_cups->WaitForJobs(before + 1, 20);
  ASSERT_EQ(jobs.size(), before + 1);
  EXPECT_EQ(Slurp(fs::path(jobs.back()).replace_extension(".title").string()), "Jen jeden\n");
}

// The pages of the sample book as pdftotext lays them out, one golden text per
// layout (SORREL_REGENERATE=1 writes them anew). No scheduler needed.
TEST(PrintedPages, Golden) {
  TestHost host;
  const std::string out = host.ConfigHome();
  struct Case {
    const char* args;
    const char* ref;
    const char* pages;
  } cases[] = {
      {"--size 14 --margins 15,15,15,15", "book.one.txt.ref", "4"},
      {"--size 14 --margins 15,15,15,15 --two-columns", "book.two.txt.ref", "2"},
      {"--size 9.5 --margins 20,10,20,10 --two-columns --selected 2,3,4", "book.selected.txt.ref", "1"},
  };
  for (const Case& k : cases) {
    const std::string pdf = out + "/golden.pdf";
    int status = -1;
    const std::string said =
        RunCommand("'" + kTool + "' print '" + kBook + "' -o '" + pdf + "' " + k.args + " 2>&1", &status);
    ASSERT_EQ(status, 0) << said;
    EXPECT_EQ(Info(pdf, "Pages"), k.pages) << k.ref;
    const std::string text = RunCommand("pdftotext -layout '" + pdf + "' - 2>/dev/null");
    const std::string ref = kSource + "/tests/printing/golden/" + k.ref;
    if (std::getenv("SORREL_REGENERATE")) std::ofstream(ref, std::ios::binary) << text;
    EXPECT_EQ(text, Slurp(ref)) << k.ref;
  }
}

// Bad lines of an SMS list are named (file, line, reason) and left out; the good
// ones print, and the exit code says something was left out.
TEST(PrintedPages, SmsListBadLinesAreReportedAndTheRestPrints) {
  TestHost host;
  const std::string list = host.ConfigHome() + "/sms.txt", pdf = host.ConfigHome() + "/sms.pdf";
  std::ofstream(list) << "# comment\n"
                         "in\t+420601\tAnna\t9:14\tAhoj\\nJak se máš?\n"
                         "in\t+420602\tBad\n"
                         "sideways\t+420603\tX\t\tY\n"
                         "out\t+420604\t\t\tkonec \\q\n"
                         "\n"
                         "out\t+420605\t\t10:00\tDobře\n";
  int status = -1;
  const std::string said =
      RunCommand("'" + kTool + "' print --sms '" + list + "' -o '" + pdf + "' 2>&1", &status);
  EXPECT_EQ(status, 1) << said;
  for (const std::string& expected :
       {list + ":3: needs 5 tab-separated fields", list + ":4: type 'sideways' is not in, out or a number",
        list + ":5: a backslash that is not"})
    EXPECT_NE(said.find(expected), std::string::npos) << said;
  EXPECT_EQ(Words(pdf), (std::vector<std::string>{"Od:", "Anna,", "9:14", "Ahoj", "Jak", "se", "máš?", "Komu:",
                                                   "+420605,", "10:00", "Dobře"}));
}
