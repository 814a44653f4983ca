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
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/RegistryStore.h"
#include "sorrel/Registry.h"
#include "support/TestHost.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

using sorrel::test::Key;
using sorrel::test::Names;

constexpr REGSAM kAll = KEY_ALL_ACCESS;

LSTATUS Create(const char* path, Key& key, DWORD* disposition = nullptr, HKEY base = HKEY_CURRENT_USER) {
  return RegCreateKeyExA(base, path, 0, nullptr, REG_OPTION_NON_VOLATILE, kAll, nullptr, &key.h,
                         disposition);
}

LSTATUS Open(const char* path, Key& key, REGSAM sam = kAll, HKEY base = HKEY_CURRENT_USER) {
  return RegOpenKeyExA(base, path, 0, sam, &key.h);
}

LSTATUS SetDword(HKEY key, const char* name, DWORD value) {
  return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LSTATUS GetDword(HKEY key, const char* name, DWORD& value) {
  DWORD size = sizeof value;
  return RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
}

// What the calls through a handle give: query, set and delete a value, enumerate,
// open itself, open and create a sub-key.
std::vector<LSTATUS> Calls(HKEY key) {
  DWORD value = 0, size = 8;
  char name[8];
  Key self, opened, created;
  return {GetDword(key, "FontPointSize", value), SetDword(key, "FontPointSize", 1),
          RegDeleteValueA(key, "FontPointSize"), RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr),
          Open("", self, kAll, key), Open("Sub", opened, kAll, key), Create("Sub", created, nullptr, key)};
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
 protected:
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

TEST_F(Registry, PathsOpenCaseInsensitivelyAndKeepTheirSpelling) {
  Key made;
  DWORD disposition = 0;
  ASSERT_EQ(Create("Software\\Tovik\\Marlow\\ListCtrl", made, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, DWORD(REG_CREATED_NEW_KEY));
  // Č Š Ž in Windows-1250, and the same letters in lower case.
  Key czech;
  ASSERT_EQ(Create("Software\\Tovik\\\xC8\x8A\x8E \xDF", czech), ERROR_SUCCESS);
  const std::string tooLong(256, 'k');

  struct Case {
    std::string path;
    LSTATUS expected;
  } cases[] = {
      {"Software\\Tovik", ERROR_SUCCESS},
      {"SOFTWARE\\tovik\\marlow\\listctrl", ERROR_SUCCESS},
      {"Software\\Tovik\\\xE8\x9A\x9E \xDF", ERROR_SUCCESS},
      {"Software\\Tovik\\", ERROR_SUCCESS},
      {"", ERROR_SUCCESS},
      {"Software\\Tovik\\Fonts", ERROR_FILE_NOT_FOUND},
      {"Software\\Tovik\\Marlow\\ListCtrl\\Deeper\\Still", ERROR_FILE_NOT_FOUND},
      {"\\Software", ERROR_INVALID_PARAMETER},
      {"Software\\\\Tovik", ERROR_INVALID_PARAMETER},
      {"Software\\" + tooLong, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases) {
    Key key;
    EXPECT_EQ(Open(c.path.c_str(), key), c.expected) << c.path;
    EXPECT_EQ(key.h == nullptr, c.expected != ERROR_SUCCESS) << c.path;
  }

  // Relative to any open key; creating what exists opens it and keeps the spelling.
  Key software, listCtrl, again;
  ASSERT_EQ(Open("software", software), ERROR_SUCCESS);
  EXPECT_EQ(Open("TOVIK\\Marlow\\ListCtrl", listCtrl, kAll, software.h), ERROR_SUCCESS);
  EXPECT_EQ(Create("SOFTWARE\\TOVIK", again, &disposition), ERROR_SUCCESS);
  EXPECT_EQ(disposition, DWORD(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(Names(HKEY_CURRENT_USER), std::vector<std::string>{"Software"});
  EXPECT_EQ(Names(again.h), (std::vector<std::string>{"Marlow", "\xC8\x8A\x8E \xDF"}));

  Key longest, tooLongKey;
  EXPECT_EQ(Create(std::string(255, 'k').c_str(), longest), ERROR_SUCCESS);
  EXPECT_EQ(Create(tooLong.c_str(), tooLongKey), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, kAll, nullptr, &tooLongKey.h,
                            nullptr),
            ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, ValuesKeepTypeAndBytes) {
  Key key;
  ASSERT_EQ(Create("Software\\Tovik\\Fonts\\Print", key), ERROR_SUCCESS);
  struct Case {
    const char* name;
    DWORD type;
    std::string bytes;
  } cases[] = {
      {"Height", REG_DWORD, std::string("\xF0\xFF\xFF\xFF", 4)},
      {"FaceName", REG_SZ, std::string("Arial\0", 6)},
      {"Empty", REG_SZ, std::string("\0", 1)},
      {"Czech", REG_SZ, std::string("P\xED\x9Amo\0", 6)},
      {"Blob", REG_BINARY, std::string("\0\x01\0\xFF", 4)},
      {"Nothing", REG_BINARY, std::string()},
      {"Wide", REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
      {nullptr, REG_SZ, std::string("default\0", 8)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name ? c.name : "(default)");
    DWORD size = static_cast<DWORD>(c.bytes.size());
    ASSERT_EQ(RegSetValueExA(key.h, c.name, 0, c.type, reinterpret_cast<const BYTE*>(c.bytes.data()), size),
              ERROR_SUCCESS);
    // The size alone, without a buffer.
    DWORD type = 99, needed = 0;
    EXPECT_EQ(RegQueryValueExA(key.h, c.name, nullptr, &type, nullptr, &needed), ERROR_SUCCESS);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(needed, size);
    // Exactly enough room, and more than enough.
    for (DWORD room : {size, size + 7}) {
      std::string buffer(room, '\x55');
      DWORD got = room;
      EXPECT_EQ(RegQueryValueExA(key.h, c.name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &got),
                ERROR_SUCCESS);
      EXPECT_EQ(buffer.substr(0, got), c.bytes);
    }
    // One byte short: ERROR_MORE_DATA and the size needed.
    if (size) {
      std::string buffer(size - 1, '\0');
      DWORD got = size - 1;
      EXPECT_EQ(RegQueryValueExA(key.h, c.name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &got),
                ERROR_MORE_DATA);
      EXPECT_EQ(got, size);
    }
  }
  // "" and a null name are the same default value.
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key.h, "", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 8u);
  BYTE byte;
  EXPECT_EQ(RegQueryValueExA(key.h, "Height", nullptr, nullptr, &byte, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegSetValueExA(key.h, "x", 0, REG_BINARY, nullptr, 3), ERROR_INVALID_PARAMETER);
  // The limits on write: a value name of 16,383 bytes, data of 1 MiB.
  const std::vector<BYTE> mib(1024 * 1024 + 1, 0xAB);
  const struct {
    size_t name, data;
    LSTATUS expected;
  } limits[] = {{16383, 4, ERROR_SUCCESS}, {16384, 4, ERROR_INVALID_PARAMETER},
                {3, 1024 * 1024, ERROR_SUCCESS}, {3, 1024 * 1024 + 1, ERROR_INVALID_PARAMETER}};
  for (const auto& limit : limits) {
    std::string name(limit.name, limit.data > 4 ? 'b' : 'v');
    EXPECT_EQ(RegSetValueExA(key.h, name.c_str(), 0, REG_BINARY, mib.data(), DWORD(limit.data)), limit.expected)
        << limit.name << " " << limit.data;
  }
  EXPECT_EQ(RegQueryValueExA(key.h, "BBB", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 1024u * 1024u);
}

TEST_F(Registry, ValueNamesFoldAndKeepTheirPlace) {
  Key key;
  ASSERT_EQ(Create("Software\\Tovik", key), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key.h, "SplashDelay", 2000), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key.h, "\x8Akola", 1), ERROR_SUCCESS);  // Škola
  ASSERT_EQ(SetDword(key.h, "Zed", 2), ERROR_SUCCESS);
  // Overwriting under another spelling keeps the first spelling and the order.
  ASSERT_EQ(SetDword(key.h, "SPLASHDELAY", 500), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key.h, "\x9AKOLA", 3), ERROR_SUCCESS);  // šKOLA
  EXPECT_EQ(Names(key.h, true), (std::vector<std::string>{"SplashDelay", "\x8Akola", "Zed"}));
  DWORD value = 0;
  EXPECT_EQ(GetDword(key.h, "splashdelay", value), ERROR_SUCCESS);
  EXPECT_EQ(value, 500u);
  EXPECT_EQ(GetDword(key.h, "\x8AKOLA", value), ERROR_SUCCESS);
  EXPECT_EQ(value, 3u);

  // Missing and deleted values.
  EXPECT_EQ(GetDword(key.h, "Nope", value), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueA(key.h, "splashDELAY"), ERROR_SUCCESS);
  EXPECT_EQ(GetDword(key.h, "SplashDelay", value), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueA(key.h, "SplashDelay"), ERROR_FILE_NOT_FOUND);

  // Enumeration: a name buffer without room for the terminating zero, the data size.
  char name[5];
  DWORD nameSize = sizeof name, dataSize = 0;
  EXPECT_EQ(RegEnumValueA(key.h, 0, name, &nameSize, nullptr, nullptr, nullptr, &dataSize), ERROR_MORE_DATA);
  nameSize = sizeof name + 1;
  char roomy[6];
  EXPECT_EQ(RegEnumValueA(key.h, 0, roomy, &nameSize, nullptr, nullptr, nullptr, &dataSize), ERROR_SUCCESS);
  EXPECT_EQ(nameSize, 5u);
  EXPECT_EQ(dataSize, 4u);
}

TEST_F(Registry, DeletedKeysAndHandles) {
  Key parent, leaf;
  ASSERT_EQ(Create("Software\\Tovik\\Printing", leaf), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(leaf.h, "FontPointSize", 100), ERROR_SUCCESS);
  ASSERT_EQ(Open("Software\\Tovik", parent), ERROR_SUCCESS);
  // A key with sub-keys is refused; HKEY_CURRENT_USER itself too.
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Tovik"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyA(parent.h, "Missing"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyA(parent.h, "printing"), ERROR_SUCCESS);

  // Every call through a dead handle, one with the key made again included.
  const std::vector<LSTATUS> deleted(7, ERROR_KEY_DELETED), invalid(7, ERROR_INVALID_HANDLE);
  EXPECT_EQ(Calls(leaf.h), deleted);
  Key remade;
  ASSERT_EQ(Create("Software\\Tovik\\Printing", remade), ERROR_SUCCESS);
  EXPECT_EQ(Calls(leaf.h), deleted);
  DWORD value = 0;
  EXPECT_EQ(GetDword(remade.h, "FontPointSize", value), ERROR_FILE_NOT_FOUND);  // a new key, without values

  // Handles closed twice, made up, or of roots that do not exist here.
  HKEY raw = leaf.h;
  leaf.h = nullptr;
  EXPECT_EQ(RegCloseKey(raw), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(raw), ERROR_INVALID_HANDLE);
  for (HKEY bad : {raw, reinterpret_cast<HKEY>(0x1234567), HKEY_LOCAL_MACHINE}) EXPECT_EQ(Calls(bad), invalid);
  EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
}

TEST_F(Registry, AccessFollowsTheRightsAsked) {
  Key made, reader, writer;
  ASSERT_EQ(Create("Software\\Tovik", made), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(made.h, "SplashDelay", 2000), ERROR_SUCCESS);
  ASSERT_EQ(Open("Software\\Tovik", reader, KEY_READ), ERROR_SUCCESS);
  ASSERT_EQ(Open("Software\\Tovik", writer, KEY_WRITE), ERROR_SUCCESS);
  DWORD value = 0;
  EXPECT_EQ(GetDword(reader.h, "SplashDelay", value), ERROR_SUCCESS);
  EXPECT_EQ(SetDword(reader.h, "SplashDelay", 1), ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetDword(writer.h, "SplashDelay", value), ERROR_ACCESS_DENIED);
  EXPECT_EQ(SetDword(writer.h, "SplashDelay", 1), ERROR_SUCCESS);
  Key sub;
  EXPECT_EQ(Create("New", sub, nullptr, reader.h), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Create("New", sub, nullptr, writer.h), ERROR_SUCCESS);
  EXPECT_EQ(Names(reader.h), std::vector<std::string>{"New"});
}

TEST_F(Registry, StoreFollowsTheSettingsLocation) {
  Key key;
  ASSERT_EQ(Create("Software\\Tovik", key), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key.h, "SplashDelay", 750), ERROR_SUCCESS);
  EXPECT_EQ(sorrel::RegistryStorePath(), Store());
  EXPECT_EQ(Sql1(Store(), "PRAGMA journal_mode"), "wal");
  // Another profile: a store of its own, where the keys of the first are gone.
  setenv("XDG_CONFIG_HOME", (m_home + "/other").c_str(), 1);
  DWORD value = 0;
  EXPECT_EQ(GetDword(key.h, "SplashDelay", value), ERROR_KEY_DELETED);
  Key there;
  EXPECT_EQ(Open("Software\\Tovik", there), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(fs::exists(m_home + "/other/sorrel/registry.sqlite3"));
  // Back to the first: what was written is there.
  setenv("XDG_CONFIG_HOME", m_home.c_str(), 1);
  ASSERT_EQ(Open("Software\\Tovik", there), ERROR_SUCCESS);
  EXPECT_EQ(GetDword(there.h, "SplashDelay", value), ERROR_SUCCESS);
  EXPECT_EQ(value, 750u);

  // Without XDG_CONFIG_HOME (or with a relative one) the store is under ~/.config.
  setenv("HOME", (m_home + "/home").c_str(), 1);
  for (const char* xdg : {static_cast<const char*>(nullptr), "relative/config"}) {
    fs::remove_all(m_home + "/home");
    if (xdg)
      setenv("XDG_CONFIG_HOME", xdg, 1);
    else
      unsetenv("XDG_CONFIG_HOME");
    Key fresh;
    EXPECT_EQ(Open("Software\\Tovik", fresh), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(fs::exists(m_home + "/home/.config/sorrel/registry.sqlite3")) << (xdg ? xdg : "unset");
  }
}

TEST_F(Registry, StoreReplacedUnderAnOpenConnection) {
  Key key;
  ASSERT_EQ(Create("Software\\Tovik", key), ERROR_SUCCESS);
  ASSERT_EQ(SetDword(key.h, "SplashDelay", 750), ERROR_SUCCESS);
  // Someone moves the file (not its -wal) away while the host runs: the host goes
  // on with a new store, and the -wal left behind does not leak into it.
  fs::rename(Store(), Store() + ".saved");
  DWORD value = 0;
  EXPECT_EQ(GetDword(key.h, "SplashDelay", value), ERROR_KEY_DELETED);
  Key again;
  EXPECT_EQ(Open("Software\\Tovik", again), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(SetDword(HKEY_CURRENT_USER, "Top", 1), ERROR_SUCCESS);
  EXPECT_TRUE(fs::exists(Store()));
  EXPECT_EQ(Sql1(Store(), "SELECT count(*) FROM keys"), "0");
  EXPECT_FALSE(CorruptFiles(".orphan-").empty());
}

TEST_F(Registry, ThreadsShareTheStore) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 100; ++i) {
        Key key;
        if (Create("Software\\Threads", key) == ERROR_SUCCESS)
          SetDword(key.h, ("t" + std::to_string(t) + "_" + std::to_string(i)).c_str(), DWORD(i));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  Key key;
  ASSERT_EQ(Open("Software\\Threads", key), ERROR_SUCCESS);
  EXPECT_EQ(Names(key.h, true).size(), 400u);
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
      ASSERT_EQ(Create(("K" + std::to_string(i / 100)).c_str(), sub, nullptr, key.h), ERROR_SUCCESS);
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

TEST_F(Registry, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr long kCount = 10000;
  Writer a("a", kCount), b("b", kCount);
  ASSERT_TRUE(a.pid > 0 && b.pid > 0);
  for (Writer* w : {&a, &b}) {
    int status = w->Finish();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  Key key;
  ASSERT_EQ(Open("Software\\Shared", key), ERROR_SUCCESS);
  long missing = 0;
  for (const char* prefix : {"a", "b"}) {
    for (long i = 0; i < kCount; ++i) {
      DWORD value = 0;
      missing += GetDword(key.h, (prefix + std::to_string(i)).c_str(), value) != ERROR_SUCCESS || value != DWORD(i);
    }
  }
  EXPECT_EQ(missing, 0);
  EXPECT_EQ(Sql1(Store(), "SELECT count(*) FROM vals"), "20000");
  EXPECT_EQ(Names(key.h).size(), size_t(kCount / 100));
}

TEST_F(Registry, KilledWritersLeaveAWholeStore) {
  std::mt19937 random(2026);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    std::string prefix = "r" + std::to_string(round) + "_";
    Writer writer(prefix, 0);
    ASSERT_GT(writer.pid, 0);
    // Killed only once it is writing, at a moment that varies.
    std::int32_t done = -1;
    ASSERT_EQ(read(writer.progress, &done, sizeof done), ssize_t(sizeof done));
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
    kill(writer.pid, SIGKILL);
    ASSERT_TRUE(WIFSIGNALED(writer.Finish(&done)));
    // What it reported before dying is committed.
    EXPECT_EQ(Sql1(Store(), "PRAGMA integrity_check"), "ok");
    Key key;
    DWORD value = 0;
    ASSERT_EQ(Open("Software\\Shared", key), ERROR_SUCCESS);
    EXPECT_EQ(GetDword(key.h, (prefix + std::to_string(done)).c_str(), value), ERROR_SUCCESS);
    EXPECT_EQ(value, DWORD(done));
  }
  EXPECT_TRUE(CorruptFiles().empty());
}

}  // namespace
