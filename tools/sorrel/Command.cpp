#include "Command.h"

#include <algorithm>
#include <cstdio>

namespace tool {

namespace {

std::vector<const CommandSpec*>& Registry() {
  static std::vector<const CommandSpec*> commands;
  return commands;
}

const OptionSpec* Find(const CommandSpec& table, std::string_view name) {
  for (const OptionSpec& o : table.options)
    if (name == o.name) return &o;
  return nullptr;
}

}  // namespace

CommandRegistrar::CommandRegistrar(const CommandSpec& command) { Registry().push_back(&command); }

const std::vector<const CommandSpec*>& Commands() { return Registry(); }

int Fail(const char* command, const std::string& message) {
  std::fprintf(stderr, "sorrel %s: %s\n", command, message.c_str());
  return kFailure;
}

int Usage(const char* command, const std::string& message) { return Fail(command, message + " (see --help)"); }

bool Args::Has(std::string_view option) const {
  return std::any_of(given_.begin(), given_.end(), [&](const auto& g) { return g.first == option; });
}

std::string Args::Value(std::string_view option, std::string fallback) const {
  for (auto it = given_.rbegin(); it != given_.rend(); ++it)
    if (it->first == option) return it->second;
  return fallback;
}

std::vector<std::string> Args::Values(std::string_view option) const {
  std::vector<std::string> values;
  for (const auto& g : given_)
    if (g.first == option) values.push_back(g.second);
  return values;
}

int Parse(const CommandSpec& table, const std::vector<std::string>& argv, Args& args, bool& help) {
  args = Args();
  args.spec_ = &table;
  help = false;
  bool options = true;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (options && a == "--") {
      options = false;
      continue;
    }
    // "-" names standard input or output, and "-1" is a number: both are operands.
    if (!options || a == "-" || a.empty() || a[0] != '-' || (a[1] >= '0' && a[1] <= '9')) {
      if (args.operands_.size() == table.maxOperands)
        return Usage(table.name, "'" + a + "' is one operand too many: " + table.name + " takes " + table.operands);
      args.operands_.push_back(a);
      continue;
    }
    if (a == "-h" || a == "--help") {
      help = true;
      return kOk;
    }
    const size_t eq = a.rfind("--", 0) == 0 ? a.find('=') : std::string::npos;
    const std::string name = a.substr(0, eq);
    const OptionSpec* o = Find(table, name);
    if (!o) return Usage(table.name, "unknown option '" + name + "'");
    if (!o->value) {
      if (eq != std::string::npos) return Usage(table.name, name + " takes no value");
      args.given_.emplace_back(name, std::string());
    } else if (eq != std::string::npos) {
      args.given_.emplace_back(name, a.substr(eq + 1));
    } else if (o->attached) {
      args.given_.emplace_back(name, std::string());
    } else {
      if (i + 1 == argv.size()) return Usage(table.name, name + " needs a value: " + name + " " + o->value);
      args.given_.emplace_back(name, argv[++i]);
    }
  }
  if (args.operands_.size() < table.minOperands) return Usage(table.name, std::string("needs ") + table.operands);
  return kOk;
}

std::string HelpText(const CommandSpec& table) {
  std::string text = std::string("usage: sorrel ") + table.name + (table.options.empty() ? "" : " [options]") +
                     (*table.operands ? " " : "") + table.operands + "\n\n" + table.description;
  std::vector<std::pair<std::string, std::string>> rows;
  for (const OptionSpec& o : table.options)
    rows.emplace_back(std::string(o.name) + (o.value ? (o.attached ? "[=" : " ") + std::string(o.value) + (o.attached ? "]" : "") : ""),
                      o.help);
  rows.emplace_back("--", "ends the options: what follows is an operand");
  rows.emplace_back("-h, --help", "this text");
  size_t width = 0;
  for (const auto& r : rows) width = std::max(width, r.first.size());
  text += "\noptions:\n";
  for (const auto& [left, help] : rows) {
    std::string pad(width + 4, ' ');
    text += "  " + left + std::string(width + 2 - left.size(), ' ');
    for (char c : help) text += c == '\n' ? "\n" + pad : std::string(1, c);
    text += "\n";
  }
  if (*table.epilogue) text += std::string("\n") + table.epilogue;
  return text;
}

}  // namespace tool
