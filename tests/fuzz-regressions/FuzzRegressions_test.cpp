// Replays, with the ordinary compiler, every input a fuzz target ever failed on
// (fuzz/regressions/<target>/) and the hand-written seeds (fuzz/seeds/<target>/).
// Under the sanitizer build a read past the end fails here as it did in the fuzz job.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzTarget.h"

namespace fs = std::filesystem;

namespace sorrel::fuzz {

std::vector<Target>& Targets() {
  static std::vector<Target> targets;
  return targets;
}

}  // namespace sorrel::fuzz

namespace {

class FuzzRegressions : public testing::TestWithParam<sorrel::fuzz::Target> {};

std::vector<fs::path> Inputs(const std::string& target) {
  std::vector<fs::path> files;
  for (const char* kind : {"regressions", "seeds"}) {
    fs::path folder = fs::path(SORREL_SOURCE_DIR) / "fuzz" / kind / target;
    if (!fs::is_directory(folder)) continue;
    for (const auto& e : fs::directory_iterator(folder))
      if (e.is_regular_file() && e.path().filename() != "README.md") files.push_back(e.path());
  }
  return files;
}

TEST_P(FuzzRegressions, EveryKeptInputRunsClean) {
  const sorrel::fuzz::Target& target = GetParam();
  std::vector<fs::path> files = Inputs(target.name);
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SCOPED_TRACE(file.string());
    EXPECT_EQ(target.function(data.data(), data.size()), 0);
  }
  // The empty input and a lone options byte: the smallest inputs there are.
  const std::uint8_t everything = 0xFF;
  EXPECT_EQ(target.function(nullptr, 0), 0);
  EXPECT_EQ(target.function(&everything, 1), 0);
  if (files.empty()) GTEST_SKIP() << "no kept inputs for " << target.name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegressions, testing::ValuesIn(sorrel::fuzz::Targets()),
                         [](const testing::TestParamInfo<sorrel::fuzz::Target>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
