// The per-user registry against a real store in a private XDG_CONFIG_HOME.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/RegistryStore.h"
#include "sorrel/Registry.h"
#include "support/Cases.h"
#include "support/TestHost.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using sorrel::test::Key;
using sorrel::test::Names;

constexpr REGSAM kAll = KEY_ALL_ACCESS;

LSTATUS Create(const char* path, Key& key, HKEY base = HKEY_CURRENT_USER) {
  return RegCreateKeyExA(base, path, 0, nullptr, 0, kAll, nullptr, &key.h, nullptr);
}

LSTATUS Open(const char* path, Key& key) { return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, kAll, &key.h); }

LSTATUS SetDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LSTATUS GetDword(HKEY key, const char* name, DWORD& value) {
  DWORD size = sizeof value;
  return RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
}

std::string Sql1(const std::string& file, const char* sql) {
  sqlite3* db = nullptr;
  std::string result = "(open failed)";
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* st = nullptr;
    result = "(error)";
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
      result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
  return result;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class Registry : public ::testing::Test {
 public:
  sorrel::test::TestHost host;  // a fresh, empty profile
  const std::string m_home = host.ConfigHome();
  std::string Store() const { return m_home + "/sorrel/registry.sqlite3"; }
  // Lets the store go whole, its -wal written back, as the end of a run does: the
  // registry follows XDG_CONFIG_HOME to another profile and back.
  void LetGo() const {
    setenv("XDG_CONFIG_HOME", (m_home + "/other").c_str(), 1);
    Key other;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, kAll, &other.h), ERROR_SUCCESS);
    setenv("XDG_CONFIG_HOME", m_home.c_str(), 1);
  }
  // The files moved aside, by the marker in their names.
  std::vector<std::string> CorruptFiles(const char* marker = ".corrupt-") const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_home + "/sorrel")) {
      std::string name = entry.path().filename();
      if (name.find(marker) != std::string::npos) names.push_back(name);
    }
    return names;
  }
};

// The calls of platform/data/registry-calls.tsv, one a row, on one store; the file
// says what each call's arguments and result are.
class Script {
 public:
  explicit Script(const Registry& test) : m_test(test) {}
  ~Script() {
    for (HKEY key : m_opened) RegCloseKey(key);
  }
  // A field as the calls take it: "(null)" a null pointer, "<c*N>" N copies of c.
  static std::optional<std::string> Arg(std::string field) {
    static const std::regex run(R"(<(.)\*(\d+)>)");
    for (std::smatch m; std::regex_search(field, m, run);)
      field.replace(size_t(m.position()), size_t(m.length()), std::string(std::stoul(m[2]), m[1].str()[0]));
    return field == "(null)" ? std::nullopt : std::optional(field);
  }

  std::string Run(const std::vector<std::string>& row) {
    std::vector<std::optional<std::string>> arg(row.size());
    std::transform(row.begin(), row.end(), arg.begin(), Arg);
    const char* text = row.size() > 3 && arg[2] ? arg[2]->c_str() : nullptr;  // a path or a value name
    const std::string& op = row[0];
    // The settings folder and the store's files, under the test's own folder.
    const std::string& home = m_test.m_home;
    if (op == "profile" && !arg[1]) return unsetenv("XDG_CONFIG_HOME"), "";
    if (op == "profile") {  // "" or "/folder": the test's own folder; anything else as it stands
      const std::string to = row[1].empty() || row[1][0] == '/' ? home + row[1] : row[1];
      return setenv("XDG_CONFIG_HOME", to.c_str(), 1), "";
    }
    if (op == "home") return fs::remove_all(home + row[1]), setenv("HOME", (home + row[1]).c_str(), 1), "";
    if (op == "exists") return fs::exists(home + row[1]) ? "yes" : "no";
    if (op == "rename") return fs::rename(home + row[1], home + row[2]), "";
    if (op == "sql") return Sql1(m_test.Store(), row[1].c_str());
    if (op == "moved-aside") return m_test.CorruptFiles(row[1].c_str()).empty() ? "none" : "some";
    if (op == "store-path") return sorrel::RegistryStorePath() == home + row[1] ? "yes" : "no";
    HKEY key = m_handles[row[1]], made = nullptr;
    if (op == "create" || op == "open") {
      DWORD disposition = 0;
      LSTATUS s = op == "create" ? RegCreateKeyExA(key, text, 0, nullptr, 0, kAll, nullptr, &made, &disposition)
                                 : RegOpenKeyExA(key, text, 0, kRights.at(row[3]), &made);
      if ((made != nullptr) != (s == ERROR_SUCCESS)) return "a handle with " + Status(s);
      if (made) m_opened.push_back(m_handles[row[row.size() - 2]] = made);
      return Status(s) + (op == "open" || s ? "" : disposition == REG_CREATED_NEW_KEY ? " new" : " existing");
    }
    if (op == "set") {
      DWORD type = 0, number = 0;
      for (const auto& [t, typeName] : kTypes) type = typeName == row[3] ? t : type;
      std::string data = arg[4].value_or("nul");
      if (type == REG_DWORD) number = DWORD(std::stoul(data)), data.assign(reinterpret_cast<char*>(&number), 4);
      return Status(RegSetValueExA(key, text, 0, type, arg[4] ? reinterpret_cast<const BYTE*>(data.data()) : nullptr,
                                   DWORD(data.size())));
    }
    if (op == "query") return Query(key, text);
    if (op == "query-nosize")
      return Status(RegQueryValueExA(key, text, nullptr, nullptr, reinterpret_cast<BYTE*>(&made), nullptr));
    if (op == "enum-value") {
      std::string name(std::stoul(row[3]), '\0');
      DWORD index = DWORD(std::stoul(row[2])), size = DWORD(name.size()), dataSize = 0;
      LSTATUS s = RegEnumValueA(key, index, name.data(), &size, nullptr, nullptr, nullptr, &dataSize);
      return s ? Status(s) : "ok " + name.substr(0, size) + " " + std::to_string(dataSize);
    }
    if (op == "names" || op == "values") {
      std::string names;
      for (const std::string& name : Names(key, op == "values")) names += (names.empty() ? "" : "|") + name;
      return names;
    }
    if (op == "delete-value") return Status(RegDeleteValueA(key, text));
    if (op == "delete-key") return Status(RegDeleteKeyA(key, text));
    if (op == "close") return Status(RegCloseKey(key));
    // "calls": query, set and delete a value, enumerate, open itself and a sub-key, create one.
    DWORD value = 0, size = 8;
    char name[8];
    Key self, opened, created;
    const LSTATUS all[] = {GetDword(key, "FontPointSize", value), SetDword(key, "FontPointSize", 1),
                           RegDeleteValueA(key, "FontPointSize"),
                           RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
                           RegOpenKeyExA(key, "", 0, kAll, &self.h), RegOpenKeyExA(key, "Sub", 0, kAll, &opened.h),
                           Create("Sub", created, key)};
    std::string each;
    for (LSTATUS s : all) each += " " + Status(s);
    return std::count(std::begin(all), std::end(all), all[0]) == 7 ? "all " + Status(all[0]) : each;
  }

 private:
  static inline const std::map<std::string, REGSAM> kRights = {{"all", kAll}, {"read", KEY_READ}, {"write", KEY_WRITE}};
  static inline const std::map<DWORD, std::string> kTypes = {
      {REG_SZ, "sz"}, {REG_BINARY, "binary"}, {REG_DWORD, "dword"}, {REG_QWORD, "qword"}};

  static std::string Status(LSTATUS s) {
    static const std::map<LSTATUS, std::string> names = {
        {ERROR_SUCCESS, "ok"},           {ERROR_FILE_NOT_FOUND, "not-found"},
        {ERROR_ACCESS_DENIED, "denied"}, {ERROR_INVALID_HANDLE, "invalid-handle"},
        {ERROR_MORE_DATA, "more-data"},  {ERROR_INVALID_PARAMETER, "invalid-parameter"},
        {ERROR_KEY_DELETED, "key-deleted"}, {ERROR_NO_MORE_ITEMS, "no-more-items"}};
    return names.count(s) ? names.at(s) : std::to_string(s);
  }
  // The value, asked for its size alone, then read into exactly enough room, more
  // than enough, and one byte too few (which gives the size needed); a dword in decimal.
  static std::string Query(HKEY key, const char* name) {
    DWORD type = 99, size = 0;
    if (LSTATUS s = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size)) return Status(s);
    std::string read[3];
    for (DWORD room : {size, size + 7, size - 1}) {
      if (room == DWORD(-1)) break;
      std::string& buffer = read[room < size ? 2 : room > size];
      buffer.assign(room, '\x55');
      DWORD got = room;
      LSTATUS s = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &got);
      if (s != (room < size ? ERROR_MORE_DATA : ERROR_SUCCESS) || got != size)
        return Status(s) + " reading " + std::to_string(got) + " into " + std::to_string(room);
    }
    DWORD number = 0;
    std::memcpy(&number, read[0].data(), std::min<size_t>(size, 4));
    if (read[1].substr(0, size) != read[0]) return "the reads differ";
    return "ok " + kTypes.at(type) + " " + (type == REG_DWORD ? std::to_string(number) : read[0]);
  }

  std::map<std::string, HKEY> m_handles = {{"HKCU", HKEY_CURRENT_USER},
                                           {"HKLM", HKEY_LOCAL_MACHINE},
                                           {"made-up", reinterpret_cast<HKEY>(0x1234567)}};
  std::vector<HKEY> m_opened;
  const Registry& m_test;
};

TEST_F(Registry, CallsAndWhatTheyGive) {
  auto rows = sorrel::test::ReadCases("platform/data/registry-calls.tsv");
  ASSERT_FALSE(rows.empty());
  Script script(*this);
  for (size_t i = 0; i < rows.size(); ++i) {
    std::string call;
    for (size_t f = 0; f + 1 < rows[i].size(); ++f) call += rows[i][f].substr(0, 40) + " ";
    EXPECT_EQ(script.Run(rows[i]), Script::Arg(rows[i].back()).value_or("")) << "call " << i + 1 << ": " << call;
  }
}

// --- a damaged store ---

struct Damage {
  const char* name;
  std::function<void(const std::string&)> apply;
};

void Overwrite(const std::string& path, std::uintmax_t offset, std::size_t count) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(offset));
  std::mt19937 random(7);
  for (std::size_t i = 0; i < count; ++i) file.put(static_cast<char>(random()));
}

TEST_F(Registry, DamagedStoreIsMovedAsideAndReadsMiss) {
  const Damage damages[] = {
      {"header", [](const std::string& p) { Overwrite(p, 0, 100); }},
      {"middle",
       [](const std::string& p) { Overwrite(p, fs::file_size(p) / 2 / 4096 * 4096, 4096); }},
      {"truncated", [](const std::string& p) { fs::resize_file(p, fs::file_size(p) / 2 + 100); }},
      {"tiny", [](const std::string& p) { fs::resize_file(p, 40); }},
      {"empty", [](const std::string& p) { fs::resize_file(p, 0); }},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    fs::remove_all(m_home + "/sorrel");
    {
      // Enough values for the file to have pages in its middle.
      Key key;
      ASSERT_EQ(Create("Software\\Tovik\\Marlow\\ListCtrl", key), ERROR_SUCCESS);
      for (int i = 0; i < 400; ++i)
        ASSERT_EQ(SetDword(key.h, ("Column" + std::to_string(i) + "Width").c_str(), i), ERROR_SUCCESS);
    }
    LetGo();
    damage.apply(Store());
    // A stale -wal beside it goes with it.
    { std::ofstream(Store() + "-wal", std::ios::binary) << "stale"; }
    std::string damaged = ReadFile(Store());

    testing::internal::CaptureStderr();
    Key key;
    DWORD value = 0;
    EXPECT_EQ(Open("Software\\Tovik\\Marlow\\ListCtrl", key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, "Anything", value), ERROR_FILE_NOT_FOUND);
    std::string message = testing::internal::GetCapturedStderr();

    std::vector<std::string> moved = CorruptFiles();
    ASSERT_GE(moved.size(), 2u);  // the file and its -wal (and the -shm its opening made)
    std::string aside = m_home + "/sorrel/" + *std::min_element(moved.begin(), moved.end());
    EXPECT_EQ(ReadFile(aside), damaged);
    EXPECT_EQ(ReadFile(aside + "-wal"), "stale");
    // One line that names the file moved.
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_NE(message.find(aside), std::string::npos) << message;

    // The fresh store takes writes, and a later run keeps them.
    ASSERT_EQ(Create("Software\\Tovik", key), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key.h, "SplashDelay", 2000), ERROR_SUCCESS);
    LetGo();
    EXPECT_EQ(Sql1(Store(), "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(Sql1(Store(), "SELECT count(*) FROM vals"), "1");
  }
}

TEST_F(Registry, DamageFoundByALaterStatement) {
  Key key;
  ASSERT_EQ(Create("Software\\Tovik", key), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key.h, "SplashDelay", 750), ERROR_SUCCESS);
  // Another process writes and checkpoints, so this one reads pages afresh; then
  // the page of the values goes bad under the open connection.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(Store().c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "INSERT INTO keys (parent, name, fold) VALUES (0, 'X', 'X');"
                             "PRAGMA wal_checkpoint(TRUNCATE);", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  int root = std::stoi(Sql1(Store(), "SELECT rootpage FROM sqlite_schema WHERE name = 'vals'"));
  Overwrite(Store(), std::uintmax_t(root - 1) * 4096, 64);

  testing::internal::CaptureStderr();
  DWORD value = 0;
  EXPECT_EQ(GetDword(key.h, "SplashDelay", value), ERROR_KEY_DELETED);
  EXPECT_EQ(GetDword(HKEY_CURRENT_USER, "SplashDelay", value), ERROR_FILE_NOT_FOUND);
  std::string message = testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  EXPECT_FALSE(CorruptFiles().empty());
  EXPECT_EQ(SetDword(HKEY_CURRENT_USER, "SplashDelay", 1), ERROR_SUCCESS);
}

// --- several processes ---

// The body of a writer process (run by the tests below, never on its own): values
// "<prefix><i>" = i under Software\Shared and every hundredth time a shared sub-key,
// each reported on fd 3 once written; a count of 0 writes until it is killed.
TEST(RegistryChild, DISABLED_Writer) {
  const char* prefix = std::getenv("SORREL_WRITER_PREFIX");
  ASSERT_TRUE(prefix);
  const long count = std::atol(std::getenv("SORREL_WRITER_COUNT"));
  Key key;
  ASSERT_EQ(Create("Software\\Shared", key), ERROR_SUCCESS);
  for (std::int32_t i = 0; count == 0 || i < count; ++i) {
    ASSERT_EQ(SetDword(key.h, (prefix + std::to_string(i)).c_str(), DWORD(i)), ERROR_SUCCESS) << i;
    Key sub;
    if (i % 100 == 0) {
      ASSERT_EQ(Create(("K" + std::to_string(i / 100)).c_str(), sub, key.h), ERROR_SUCCESS);
    }
    (void)!write(3, &i, sizeof i);  // nobody listens to a counted run
  }
}

// A writer process; `progress` reads what it reports.
struct Writer {
  pid_t pid = -1;
  int progress = -1;
  Writer(const std::string& prefix, long count) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);  // its own test report
    const char* argv[] = {"/proc/self/exe", "--gtest_filter=RegistryChild.DISABLED_Writer",
                          "--gtest_also_run_disabled_tests", nullptr};
    setenv("SORREL_WRITER_PREFIX", prefix.c_str(), 1);
    setenv("SORREL_WRITER_COUNT", std::to_string(count).c_str(), 1);
    if (posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    progress = fds[0];
  }
  // Waits for the end; `last` becomes the last value reported written. (10,000
  // reports fit in a pipe's buffer: a writer never waits on its reader.)
  int Finish(std::int32_t* last = nullptr) {
    std::int32_t next;
    while (read(progress, &next, sizeof next) == ssize_t(sizeof next))
      if (last) *last = next;
    close(progress);
    int status = -1;
    waitpid(pid, &status, 0);
    return status;
  }
};

// Two writers at once, each round: one runs to its end and loses nothing, as do two
// threads of this process writing meanwhile, each of whose calls succeeds (they share
// one connection, which only the registry's lock keeps to one transaction at a time);
// the other is killed, once it is writing, at a moment that varies, and what it
// reported written before dying is committed. The store stays whole and is never
// moved aside.
TEST_F(Registry, WritersAtOnceOrKilledLoseNothing) {
  constexpr long kCount = 500;
  std::mt19937 random(2026);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    const std::string whole = "w" + std::to_string(round) + ".", killed = "k" + std::to_string(round) + ".";
    Writer a(whole, kCount), b(killed, 0);
    ASSERT_TRUE(a.pid > 0 && b.pid > 0);
    std::int32_t done = -1;
    ASSERT_EQ(read(b.progress, &done, sizeof done), ssize_t(sizeof done));
    std::vector<std::thread> threads;
    for (const std::string& prefix : {whole + "s", whole + "t"})
      threads.emplace_back([prefix] {
        for (int i = 0; i < 100; ++i) {
          Key key;
          EXPECT_EQ(Create("Software\\Shared", key), ERROR_SUCCESS);
          EXPECT_EQ(SetDword(key.h, (prefix + std::to_string(i)).c_str(), DWORD(i)), ERROR_SUCCESS);
        }
      });
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
    kill(b.pid, SIGKILL);
    ASSERT_TRUE(WIFSIGNALED(b.Finish(&done)));
    for (std::thread& thread : threads) thread.join();
    const int status = a.Finish();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(Sql1(Store(), "PRAGMA integrity_check"), "ok");
    const std::string countWhole = "SELECT count(*) FROM vals WHERE CAST(name AS TEXT) LIKE '" + whole + "%'";
    EXPECT_EQ(Sql1(Store(), countWhole.c_str()), "700");
    Key key;
    DWORD value = 0;
    ASSERT_EQ(Open("Software\\Shared", key), ERROR_SUCCESS);
    EXPECT_EQ(GetDword(key.h, (killed + std::to_string(done)).c_str(), value), ERROR_SUCCESS);
    EXPECT_EQ(value, DWORD(done));
    // The sub-keys both made: each once.
    std::vector<std::string> names = Names(key.h);
    EXPECT_TRUE(names.size() >= kCount / 100 && std::adjacent_find(names.begin(), names.end()) == names.end());
  }
  EXPECT_TRUE(CorruptFiles().empty());
}

}  // namespace
