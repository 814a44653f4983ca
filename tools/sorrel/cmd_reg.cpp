// sorrel reg: shows and mends the per-user settings (the registry the library and
// its hosts keep under HKEY_CURRENT_USER).
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Book.h"
#include "Command.h"

namespace {

const char kDescription[] =
    "       sorrel reg query PATH [NAME]\n"
    "       sorrel reg set PATH NAME (--dword N | --sz TEXT)\n"
    "       sorrel reg delete PATH [NAME]\n"
    "       sorrel reg export [PATH]\n"
    "\n"
    "Shows and mends the settings that the library and its hosts keep per user, in\n"
    "$XDG_CONFIG_HOME/sorrel/registry.sqlite3 (~/.config when XDG_CONFIG_HOME is unset).\n"
    "\n"
    "  query PATH         the key's values, then its sub-keys\n"
    "  query PATH NAME    one value\n"
    "  set PATH NAME      writes a value, creating the key and its parents:\n"
    "      --dword N      a REG_DWORD; N in decimal (may be negative) or 0x hexadecimal\n"
    "      --sz TEXT      a REG_SZ; TEXT must fit Windows-1250\n"
    "  delete PATH NAME   deletes a value\n"
    "  delete PATH        deletes a key that has no sub-keys, with its values\n"
    "  export [PATH]      the key (all of HKEY_CURRENT_USER without PATH) and every key\n"
    "                     below it in the Windows .reg text form, on standard output\n"
    "\n"
    "PATH starts with HKCU or HKEY_CURRENT_USER, e.g. \"HKCU\\Software\\Tovik\\Marlow\\ListCtrl\".\n"
    "Names compare without regard to case; NAME \"\" is the key's default value.\n"
    "Texts are stored in Windows-1250 and shown in UTF-8. A DWORD is shown in\n"
    "hexadecimal and, in brackets, as a signed decimal. Export writes REG_SZ as\n"
    "\"text\", REG_DWORD as dword:, and every other value as hex(type): with its\n"
    "bytes as stored.\n"
    "";

const char kRoot[] = "HKEY_CURRENT_USER";

int Usage(const std::string& message) { return tool::Fail("reg", message + " (see sorrel reg --help)"); }

int NotFound(const std::string& what) {
  std::fprintf(stderr, "sorrel reg: %s does not exist\n", what.c_str());
  return tool::kFindings;
}

std::string Describe(LSTATUS status) {
  switch (status) {
    case ERROR_ACCESS_DENIED: return "access denied";
    case ERROR_INVALID_PARAMETER: return "a name is empty or too long, or the data is too long";
    case ERROR_BADDB: return "the settings store is damaged";
    case ERROR_CANTOPEN: return "the settings store cannot be opened";
    case ERROR_CANTREAD: return "the settings store cannot be read";
    case ERROR_CANTWRITE: return "the settings store cannot be written";
    case ERROR_KEY_DELETED: return "the key was deleted meanwhile";
    default: return "error " + std::to_string(status);
  }
}

// UTF-8 from the command line into the ANSI code page, refusing what it cannot hold.
bool ToAnsi(const std::string& text, std::string& ansi, std::string& error) {
  CString converted;
  if (!tool::FromUtf8(text, converted, error)) return false;
  ansi = converted.str();
  return true;
}

// A PATH of the command line: the sub-key path under HKEY_CURRENT_USER (in the
// ANSI code page) and the full name to show.
struct KeyPath {
  std::string sub;
  std::string shown;  // UTF-8, "HKEY_CURRENT_USER\..."
};

bool ParsePath(const std::string& text, KeyPath& path, std::string& error) {
  size_t cut = text.find('\\');
  std::string root = text.substr(0, cut);
  if (strcasecmp(root.c_str(), "HKCU") != 0 && strcasecmp(root.c_str(), kRoot) != 0) {
    error = "\"" + text + "\": a path starts with HKCU or HKEY_CURRENT_USER (the only root kept here)";
    return false;
  }
  std::string rest = cut == std::string::npos ? "" : text.substr(cut + 1);
  while (!rest.empty() && rest.back() == '\\') rest.pop_back();
  if (!ToAnsi(rest, path.sub, error)) return false;
  path.shown = rest.empty() ? kRoot : std::string(kRoot) + "\\" + rest;
  return true;
}

// N of --dword: decimal with an optional minus, or 0x hexadecimal; 32 bits.
bool ParseDword(const std::string& text, DWORD& value) {
  bool negative = !text.empty() && text[0] == '-';
  bool hex = !negative && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  size_t start = negative ? 1 : hex ? 2 : 0;
  if (start >= text.size()) return false;
  std::uint64_t n = 0;
  for (size_t i = start; i < text.size(); ++i) {
    char c = text[i];
    int digit = c >= '0' && c <= '9' ? c - '0'
                : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                : -1;
    if (digit < 0) return false;
    n = n * (hex ? 16 : 10) + std::uint64_t(digit);
    if (n > 0xFFFFFFFFull) return false;
  }
  if (negative && n > 0x80000000ull) return false;
  value = negative ? DWORD(0) - DWORD(n) : DWORD(n);
  return true;
}

struct Value {
  std::string name;  // ANSI
  DWORD type = REG_NONE;
  std::string data;
};

// A handle closed when it goes.
struct OpenKey {
  HKEY h = nullptr;
  OpenKey() = default;
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() {
    if (h) RegCloseKey(h);
  }
  LSTATUS Open(const std::string& sub, REGSAM access) {
    return RegOpenKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, access, &h);
  }
};

LSTATUS QueryValue(HKEY key, const std::string& name, Value& value) {
  DWORD size = 0;
  LSTATUS status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type, nullptr, &size);
  // Another process may make it larger between the two calls.
  while (status == ERROR_SUCCESS) {
    value.data.assign(size, '\0');
    status = RegQueryValueExA(key, name.c_str(), nullptr, &value.type,
                              reinterpret_cast<BYTE*>(value.data.data()), &size);
    if (status != ERROR_MORE_DATA) break;
    status = ERROR_SUCCESS;
  }
  value.data.resize(size);
  value.name = name;
  return status;
}

// The key's values in their order; false with the status on a read error.
LSTATUS ListValues(HKEY key, std::vector<Value>& values) {
  std::vector<char> name(16384);
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = DWORD(name.size());
    LSTATUS status = RegEnumValueA(key, i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    Value value;
    if ((status = QueryValue(key, std::string(name.data(), nameSize), value)) != ERROR_SUCCESS) return status;
    values.push_back(std::move(value));
  }
}

LSTATUS ListSubKeys(HKEY key, std::vector<std::string>& names) {
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    LSTATUS status = RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    names.emplace_back(name, size);
  }
}

// Text data that is exactly the text and one terminating zero.
bool IsPlainText(const Value& v) {
  return (v.type == REG_SZ || v.type == REG_EXPAND_SZ) && !v.data.empty() && v.data.back() == '\0' &&
         v.data.find('\0') == v.data.size() - 1;
}

std::string TypeName(DWORD type) {
  static const char* const kNames[] = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY", "REG_DWORD",
                                       nullptr, nullptr, "REG_MULTI_SZ", nullptr, nullptr, nullptr, "REG_QWORD"};
  if (type < sizeof kNames / sizeof kNames[0] && kNames[type]) return kNames[type];
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "REG_0x%X", unsigned(type));
  return buffer;
}

std::string Hex(const std::string& data, const char* separator, const char* format) {
  std::string out;
  char buffer[8];
  for (size_t i = 0; i < data.size(); ++i) {
    std::snprintf(buffer, sizeof buffer, format, unsigned(static_cast<unsigned char>(data[i])));
    if (i) out += separator;
    out += buffer;
  }
  return out;
}

DWORD AsDword(const std::string& data) {
  DWORD n;
  std::memcpy(&n, data.data(), sizeof n);
  return n;
}

// One line of `query`: name, type and data as the registry console tools show them.
std::string QueryLine(const Value& v) {
  std::string data;
  char buffer[48];
  if (v.type == REG_DWORD && v.data.size() == 4) {
    DWORD n = AsDword(v.data);
    std::snprintf(buffer, sizeof buffer, "0x%x (%d)", unsigned(n), int(std::int32_t(n)));
    data = buffer;
  } else if ((v.type == REG_SZ || v.type == REG_EXPAND_SZ) && !v.data.empty()) {
    data = tool::ToUtf8(std::string(v.data.c_str()));
  } else {
    data = Hex(v.data, "", "%02X");
  }
  std::string name = v.name.empty() ? "(Default)" : tool::ToUtf8(v.name);
  return "    " + name + "    " + TypeName(v.type) + "    " + data;
}

std::string Quoted(const std::string& ansi) {
  std::string out = "\"";
  for (char c : tool::ToUtf8(ansi)) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

// One value line of a .reg file.
std::string RegLine(const Value& v) {
  std::string line = v.name.empty() ? "@=" : Quoted(v.name) + "=";
  char buffer[24];
  if (v.type == REG_DWORD && v.data.size() == 4) {
    std::snprintf(buffer, sizeof buffer, "dword:%08x", unsigned(AsDword(v.data)));
    return line + buffer;
  }
  if (v.type == REG_SZ && IsPlainText(v) && v.data.find_first_of("\r\n") == std::string::npos)
    return line + Quoted(v.data.substr(0, v.data.size() - 1));
  if (v.type == REG_BINARY) return line + "hex:" + Hex(v.data, ",", "%02x");
  std::snprintf(buffer, sizeof buffer, "hex(%x):", unsigned(v.type));
  return line + buffer + Hex(v.data, ",", "%02x");
}

// Opens the key of a command; the exit code when it cannot, else -1.
int OpenFor(const KeyPath& path, REGSAM access, OpenKey& key) {
  LSTATUS status = key.Open(path.sub, access);
  if (status == ERROR_FILE_NOT_FOUND) return NotFound("the key " + path.shown);
  if (status != ERROR_SUCCESS) return tool::Fail("reg", path.shown + ": " + Describe(status));
  return -1;
}

int Flush() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout))
    return tool::Fail("reg", std::string("standard output: ") + std::strerror(errno));
  return tool::kOk;
}

int Query(const KeyPath& path, const std::vector<std::string>& args) {
  OpenKey key;
  if (int exit = OpenFor(path, KEY_READ, key); exit >= 0) return exit;
  std::vector<Value> values;
  std::vector<std::string> subKeys;
  LSTATUS status = ERROR_SUCCESS;
  if (args.size() == 3) {
    std::string name, error;
    if (!ToAnsi(args[2], name, error)) return Usage(error);
    values.emplace_back();
    status = QueryValue(key.h, name, values.back());
    if (status == ERROR_FILE_NOT_FOUND) return NotFound("the value \"" + args[2] + "\" in " + path.shown);
  } else {
    status = ListValues(key.h, values);
    if (status == ERROR_SUCCESS) status = ListSubKeys(key.h, subKeys);
  }
  if (status != ERROR_SUCCESS) return tool::Fail("reg", path.shown + ": " + Describe(status));
  std::printf("%s\n", path.shown.c_str());
  for (const Value& v : values) std::printf("%s\n", QueryLine(v).c_str());
  for (const std::string& sub : subKeys) std::printf("%s\\%s\n", path.shown.c_str(), tool::ToUtf8(sub).c_str());
  return Flush();
}

int Set(const KeyPath& path, const std::vector<std::string>& args) {
  std::string name, error;
  if (!ToAnsi(args[2], name, error)) return Usage(error);
  Value value;
  value.type = args[3] == "--dword" ? REG_DWORD : args[3] == "--sz" ? REG_SZ : REG_NONE;
  if (value.type == REG_DWORD) {
    DWORD n;
    if (!ParseDword(args[4], n)) return Usage("--dword " + args[4] + ": not a 32-bit number");
    value.data.assign(reinterpret_cast<const char*>(&n), sizeof n);
  } else if (value.type == REG_SZ) {
    if (!ToAnsi(args[4], value.data, error)) return Usage(error);
    if (value.data.find('\0') != std::string::npos) return Usage("--sz: the text holds a zero byte");
    value.data.push_back('\0');  // REG_SZ counts its terminating zero
  } else {
    return Usage("set wants --dword N or --sz TEXT, not " + args[3]);
  }
  OpenKey key;
  LSTATUS status = RegCreateKeyExA(HKEY_CURRENT_USER, path.sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, nullptr, &key.h, nullptr);
  if (status == ERROR_SUCCESS)
    status = RegSetValueExA(key.h, name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(value.data.data()),
                            DWORD(value.data.size()));
  if (status != ERROR_SUCCESS) return tool::Fail("reg", path.shown + ": " + Describe(status));
  return tool::kOk;
}

int Delete(const KeyPath& path, const std::vector<std::string>& args) {
  if (args.size() == 3) {
    std::string name, error;
    if (!ToAnsi(args[2], name, error)) return Usage(error);
    OpenKey key;
    if (int exit = OpenFor(path, KEY_ALL_ACCESS, key); exit >= 0) return exit;
    LSTATUS status = RegDeleteValueA(key.h, name.c_str());
    if (status == ERROR_FILE_NOT_FOUND) return NotFound("the value \"" + args[2] + "\" in " + path.shown);
    if (status != ERROR_SUCCESS) return tool::Fail("reg", path.shown + ": " + Describe(status));
    return tool::kOk;
  }
  if (path.sub.empty()) return Usage("HKEY_CURRENT_USER itself cannot be deleted");
  LSTATUS status = RegDeleteKeyA(HKEY_CURRENT_USER, path.sub.c_str());
  if (status == ERROR_FILE_NOT_FOUND) return NotFound("the key " + path.shown);
  if (status == ERROR_ACCESS_DENIED)
    return tool::Fail("reg", path.shown + " has sub-keys: delete them first");
  if (status != ERROR_SUCCESS) return tool::Fail("reg", path.shown + ": " + Describe(status));
  return tool::kOk;
}

// Writes the key's section and then those of its sub-keys, depth first.
LSTATUS ExportKey(HKEY key, const std::string& shown, std::string& out) {
  std::vector<Value> values;
  std::vector<std::string> subKeys;
  LSTATUS status = ListValues(key, values);
  if (status == ERROR_SUCCESS) status = ListSubKeys(key, subKeys);
  if (status != ERROR_SUCCESS) return status;
  out += "[" + shown + "]\n";
  for (const Value& v : values) out += RegLine(v) + "\n";
  out += "\n";
  for (const std::string& name : subKeys) {
    OpenKey sub;
    status = RegOpenKeyExA(key, name.c_str(), 0, KEY_READ, &sub.h);
    // A key deleted meanwhile by another process is simply no longer there.
    if (status == ERROR_FILE_NOT_FOUND) continue;
    if (status == ERROR_SUCCESS) status = ExportKey(sub.h, shown + "\\" + tool::ToUtf8(name), out);
    if (status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

int Export(const KeyPath& path) {
  OpenKey key;
  if (int exit = OpenFor(path, KEY_READ, key); exit >= 0) return exit;
  std::string out = "Windows Registry Editor Version 5.00\n\n";
  if (LSTATUS status = ExportKey(key.h, path.shown, out))
    return tool::Fail("reg", path.shown + ": " + Describe(status));
  std::fwrite(out.data(), 1, out.size(), stdout);
  return Flush();
}

int Run(const tool::Args& parsed) {
  // The subcommands read their words in place: SUB PATH NAME, then for set the
  // kind of value and the value.
  std::vector<std::string> args = parsed.Operands();
  const bool dword = parsed.Has("--dword"), sz = parsed.Has("--sz");
  if (dword && sz) return Usage("give one of --dword and --sz");
  if (dword || sz) {
    args.push_back(dword ? "--dword" : "--sz");
    args.push_back(parsed.Value(dword ? "--dword" : "--sz"));
  }
  const std::string& sub = args[0];
  size_t minArgs = sub == "export" ? 1 : sub == "set" ? 5 : 2;
  size_t maxArgs = sub == "set" ? 5 : sub == "export" ? 2 : 3;
  if (sub != "query" && sub != "set" && sub != "delete" && sub != "export")
    return Usage("unknown subcommand '" + sub + "'");
  if (args.size() < minArgs || args.size() > maxArgs)
    return Usage("wrong number of arguments for " + sub);
  KeyPath path;
  std::string error;
  if (!ParsePath(args.size() > 1 ? args[1] : "HKCU", path, error)) return Usage(error);
  if (sub == "query") return Query(path, args);
  if (sub == "set") return Set(path, args);
  if (sub == "delete") return Delete(path, args);
  return Export(path);
}

const tool::CommandSpec kSpec{
    "reg", "show, change, delete or export the per-user settings", "query|set|delete|export [PATH] [NAME]", 1, 3,
    kDescription,
    {{"--dword", "N", "set: a REG_DWORD; N in decimal (may be negative) or 0x hexadecimal"},
     {"--sz", "TEXT", "set: a REG_SZ; TEXT must fit Windows-1250"}},
    "Exit status: 0 done, 1 no such key or value, 2 usage or I/O error.\n", &Run};

}  // namespace

SORREL_COMMAND(kSpec);
