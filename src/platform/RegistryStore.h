// The SQLite file behind the per-user registry: where it lives, how a connection
// is opened, and what happens to a damaged file.
#pragma once

#include <sqlite3.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace sorrel {

// True for the results that mean the file itself is damaged.
inline bool IsDamage(int rc) {
  rc &= 0xFF;
  return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB;
}

// $XDG_CONFIG_HOME/sorrel/registry.sqlite3, or ~/.config/sorrel/registry.sqlite3
// when XDG_CONFIG_HOME is unset, empty or relative.
std::string RegistryStorePath();

// One connection to the store. Not thread-safe: the registry functions hold their
// own lock around every use.
class RegistryStore {
 public:
  RegistryStore() = default;
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;
  ~RegistryStore() { Release(); }

  // Makes sure a usable connection is open: opens the file at first use, opens it
  // anew when the file was moved or replaced since, and follows the location when
  // it changed (XDG_CONFIG_HOME set to another folder, as for another profile):
  // the store there is opened and keys opened before are gone. A damaged file is
  // moved aside on the way. Returns SQLITE_OK or the reason there is no store.
  int Ensure();

  // Closes the connection, writing the -wal back into the file; the next Ensure
  // opens it again, and keys opened before stay valid while the file is the same.
  void Release();

  // Moves the damaged file (with its -wal and -shm) aside, says so on stderr and
  // starts a fresh store. `why` names what showed the damage.
  void MoveAsideDamaged(std::string_view why);

  // Counts every switch to another file: key ids of an earlier file mean nothing.
  std::uint64_t Generation() const { return m_generation; }

  sqlite3* Db() const { return m_db; }
  // The cached statement for this SQL text (a literal: its address is the key),
  // or nullptr with the reason in rc.
  sqlite3_stmt* Prepare(const char* sql, int& rc);
  int Exec(const char* sql);

 private:
  int Open();
  int CreateFresh();
  int CheckHealth(std::string& why);
  // Moves the damaged file aside; false when it could not be moved.
  bool MoveAside(const std::string& reason);
  void Disconnect(bool checkpoint);
  bool FileStillOurs() const;

  sqlite3* m_db = nullptr;
  std::string m_path;
  // What showed the damage that Open met.
  std::string m_damage;
  dev_t m_dev = 0;
  ino_t m_ino = 0;
  std::uint64_t m_generation = 0;
  // Set when a damaged file could not be moved aside: it is never touched again.
  bool m_unusable = false;
  std::unordered_map<const char*, sqlite3_stmt*> m_statements;
};

// A cached statement in use: its bindings and state are cleared when it goes.
class RegistryStatement {
 public:
  RegistryStatement(RegistryStore& store, const char* sql) : m_stmt(store.Prepare(sql, m_rc)) {}
  RegistryStatement(const RegistryStatement&) = delete;
  RegistryStatement& operator=(const RegistryStatement&) = delete;
  ~RegistryStatement();

  // SQLITE_OK when the statement was prepared, else why not.
  int Status() const { return m_rc; }
  void Bind(int index, std::int64_t value);
  void Bind(int index, std::string_view bytes);
  // SQLITE_ROW, SQLITE_DONE or an error.
  int Step();
  std::int64_t Int(int column) const;
  std::string_view Bytes(int column) const;

 private:
  int m_rc = SQLITE_OK;
  sqlite3_stmt* m_stmt;
};

// BEGIN IMMEDIATE ... COMMIT, rolled back unless committed.
class RegistryTransaction {
 public:
  explicit RegistryTransaction(RegistryStore& store) : m_store(store) {}
  RegistryTransaction(const RegistryTransaction&) = delete;
  RegistryTransaction& operator=(const RegistryTransaction&) = delete;
  ~RegistryTransaction();
  int Begin();
  int Commit();

 private:
  RegistryStore& m_store;
  bool m_open = false;
};

}  // namespace sorrel
