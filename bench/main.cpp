// The benchmark program. The column model keeps its settings in the per-user
// store: the run gets a store of its own so that it neither reads nor changes
// the user's.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  std::string dir = (std::filesystem::temp_directory_path() / "sorrel-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) return 2;
  setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
  return 0;
}
