// One fuzz target: a libFuzzer entry point in the fuzz build, and an entry of
// the replay table in the ordinary test build, which feeds it every input that
// ever failed (fuzz/regressions/<name>/) and the hand-written seeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sorrel::fuzz {

using TargetFunction = int (*)(const std::uint8_t* data, std::size_t size);

// The options of a reader come from the first byte of the input; the rest is
// the text. An empty input gives no options and no text.
struct Input {
  Input(const std::uint8_t* data, std::size_t size)
      : options(size ? data[0] : 0),
        text(size ? reinterpret_cast<const char*>(data) + 1 : "", size ? size - 1 : 0) {}

  bool Option(int bit) const { return (options >> bit) & 1; }

  std::uint8_t options;
  std::string text;  // its own copy: a reader that writes into its input must not touch libFuzzer's
};

#if defined(SORREL_FUZZ_REPLAY)
struct Target {
  const char* name;
  TargetFunction function;
};
// Every target linked into the replay program, in the order they registered.
std::vector<Target>& Targets();
struct Registration {
  Registration(const char* name, TargetFunction function) { Targets().push_back({name, function}); }
};
#endif

}  // namespace sorrel::fuzz

// A reader that breaks a rule it must keep stops the run like a sanitizer does.
#define SORREL_FUZZ_CHECK(condition) \
  do {                               \
    if (!(condition)) __builtin_trap(); \
  } while (0)

#if defined(SORREL_FUZZ_REPLAY)
#define SORREL_FUZZ_TARGET(name)                                                         \
  static int SorrelFuzz_##name(const std::uint8_t* data, std::size_t size);              \
  static const sorrel::fuzz::Registration SorrelFuzzRegistration_##name(#name, SorrelFuzz_##name); \
  static int SorrelFuzz_##name(const std::uint8_t* data, std::size_t size)
#else
#define SORREL_FUZZ_TARGET(name) \
  extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
#endif
