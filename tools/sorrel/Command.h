// The sorrel tool's commands. Each lives in its own cmd_*.cpp: one table that
// says what the command takes (its options, its operands, the text of its
// --help) and one function that does it, registered by a static
// SORREL_COMMAND(...) line. One parser reads every command line by the table,
// so every command words its usage errors the same way:
//
//   int Run(const tool::Args& args) { ... args.Operands(), args.Has("--strict"), args.Value("-o") ... }
//   const tool::CommandSpec kSpec{"check", "one-line summary", "BOOK", 1, 1,
//       "Paragraphs of the --help text.\n",
//       {{"--strict", nullptr, "count known losses as findings too"},
//        {"-o", "FILE", "write to FILE (default: standard output)"}},
//       "Exit status: ...\n", &Run};
//   SORREL_COMMAND(kSpec);
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tool {

// Exit codes of every command.
enum Exit : int {
  kOk = 0,        // done, nothing to report
  kFindings = 1,  // done, and something was found (damage, a missing value, a rejected card)
  kFailure = 2,   // usage error, or a file that could not be read or written
};

// One option: "--name" or "-x". With a value when value names it ("--columns
// LIST", also "--columns=LIST"); a value that only the "=" form gives when
// attached is set ("--csv" and "--csv=rfc4180").
struct OptionSpec {
  const char* name;
  const char* value = nullptr;  // the value's placeholder in --help; null: a flag
  const char* help = "";        // for --help; "\n" starts a further line
  bool attached = false;        // the value is optional and only given as name=value
};

class Args;

struct CommandSpec {
  const char* name;
  const char* summary;   // one line for `sorrel --help`
  const char* operands;  // as the usage line shows them: "BOOK", "BOOK OLD NEW", "FILE.vcf..."
  std::size_t minOperands;
  std::size_t maxOperands;  // kAny for no limit
  const char* description;  // the paragraphs of --help after the usage line
  std::vector<OptionSpec> options;
  const char* epilogue;  // after the options: the exit status
  int (*run)(const Args& args);
};
constexpr std::size_t kAny = std::size_t(-1);

// A command line as the parser read it.
class Args {
 public:
  bool Has(std::string_view option) const;
  // The value of the option's last occurrence; fallback when it was not given.
  std::string Value(std::string_view option, std::string fallback = std::string()) const;
  // Every value of the option, in the order given.
  std::vector<std::string> Values(std::string_view option) const;
  const std::vector<std::string>& Operands() const { return operands_; }
  // The options as given, in order: (name, value).
  const std::vector<std::pair<std::string, std::string>>& Given() const { return given_; }
  const CommandSpec& Table() const { return *spec_; }

 private:
  friend int Parse(const CommandSpec& table, const std::vector<std::string>& argv, Args& args, bool& help);
  const CommandSpec* spec_ = nullptr;
  std::vector<std::string> operands_;
  std::vector<std::pair<std::string, std::string>> given_;
};

// Reads argv (the arguments after the command name) by the table. "--" ends the
// options; "-" is an operand (standard input or output where a file goes); -h
// and --help ask for the help text (help set, kOk). A usage error is said on
// stderr and gives kFailure.
int Parse(const CommandSpec& table, const std::vector<std::string>& argv, Args& args, bool& help);

// The --help text made from the table.
std::string HelpText(const CommandSpec& table);

struct CommandRegistrar {
  explicit CommandRegistrar(const CommandSpec& command);
};

const std::vector<const CommandSpec*>& Commands();

// Prints "sorrel <command>: <message>" on stderr and returns kFailure: for
// usage errors and I/O errors.
int Fail(const char* command, const std::string& message);
// A usage error: the message and "(see --help)".
int Usage(const char* command, const std::string& message);


}  // namespace tool

#define SORREL_COMMAND_CAT2(a, b) a##b
#define SORREL_COMMAND_CAT(a, b) SORREL_COMMAND_CAT2(a, b)
#define SORREL_COMMAND(table) \
  static const ::tool::CommandRegistrar SORREL_COMMAND_CAT(sorrel_command_, __LINE__)(table)
