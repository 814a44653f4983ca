#include "platform/RegistryStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace sorrel {

namespace {

constexpr const char* kSchema =
    "BEGIN;"
    "PRAGMA user_version = 1;"
    // Key ids are never reused (AUTOINCREMENT), so a handle to a deleted key can
    // never reach a newer key that happens to get the same id. Parent 0 is
    // HKEY_CURRENT_USER, which has no row of its own.
    "CREATE TABLE keys ("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER NOT NULL,"
    "  name BLOB NOT NULL,"
    "  fold BLOB NOT NULL,"
    "  UNIQUE (parent, fold));"
    // Values keep their rowid when overwritten, so enumeration follows the order
    // in which they were first written.
    "CREATE TABLE vals ("
    "  key INTEGER NOT NULL,"
    "  name BLOB NOT NULL,"
    "  fold BLOB NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  UNIQUE (key, fold));"
    "COMMIT;"
    "PRAGMA journal_mode = WAL;";

std::string HomeDirectory() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  struct passwd pw;
  struct passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &pw, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return "/tmp";
}

bool MakeDirectories(const std::string& path) {
  for (std::size_t cut = 1; cut <= path.size(); ++cut) {
    if (cut != path.size() && path[cut] != '/') continue;
    std::string prefix = path.substr(0, cut);
    if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// An exclusive lock on the store's folder for as long as it lives: whoever
// creates a store or moves one aside does it alone. (The folder itself is
// locked, so no lock file is left behind.)
class FolderLock {
 public:
  explicit FolderLock(const std::string& path)
      : m_fd(open(path.substr(0, path.rfind('/')).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (m_fd >= 0)
      while (flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock() {
    if (m_fd >= 0) close(m_fd);
  }

 private:
  int m_fd;
};

// Why the file cannot be a store at all, judged from its first 100 bytes without
// letting SQLite near it (SQLite would delete the -wal beside an empty file);
// empty when it may be one.
std::string HeaderDamage(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  char header[100];
  ssize_t got = 0, n;
  while (got < ssize_t(sizeof header) && (n = read(fd, header + got, sizeof header - got)) > 0) got += n;
  close(fd);
  if (got == 0) return "the file is empty";
  if (got < ssize_t(sizeof header)) return "the file is cut short";
  if (std::memcmp(header, "SQLite format 3", 16) != 0) return "the file header is not a database header";
  return {};
}

// registry.sqlite3.corrupt-20261205T153012, with -2, -3 ... when that is taken.
std::string QuarantineName(const std::string& path, const char* kind = "corrupt") {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%S", &local);
  std::string base = path + "." + kind + "-" + stamp;
  std::string name = base;
  for (int n = 2; Exists(name) || Exists(name + "-wal"); ++n) name = base + "-" + std::to_string(n);
  return name;
}

}  // namespace

std::string RegistryStorePath() {
  // A relative XDG_CONFIG_HOME is invalid and must be ignored.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base = (xdg && xdg[0] == '/') ? std::string(xdg) : HomeDirectory() + "/.config";
  return base + "/sorrel/registry.sqlite3";
}

int RegistryStore::Ensure() {
  std::string path = RegistryStorePath();
  if (path != m_path) {
    // Another location is another store: what was open is let go whole, and a
    // file found unusable there says nothing of this one.
    if (m_db) Disconnect(true);
    m_path = std::move(path);
    m_unusable = false;
    ++m_generation;
  }
  if (m_unusable) return SQLITE_CANTOPEN;
  if (m_db) {
    if (FileStillOurs()) return SQLITE_OK;
    // Moved aside or replaced by another process: what we hold is no longer the
    // store, and closing it must not write into it.
    Disconnect(false);
    ++m_generation;
  }
  int rc = Open();
  if (IsDamage(rc)) {
    MoveAsideDamaged(m_damage);
    return m_db ? SQLITE_OK : SQLITE_CANTOPEN;
  }
  return rc;
}

void RegistryStore::Release() {
  if (m_db) Disconnect(true);
}

int RegistryStore::Open() {
  std::string folder = m_path.substr(0, m_path.rfind('/'));
  if (!MakeDirectories(folder)) return SQLITE_CANTOPEN;
  int rc = SQLITE_CANTOPEN;
  // A store that vanishes between creation and opening is created again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (!Exists(m_path) && (rc = CreateFresh()) != SQLITE_OK) return rc;
    struct stat st;
    if (stat(m_path.c_str(), &st) != 0) continue;
    // Key ids of another file mean nothing here.
    if (st.st_dev != m_dev || st.st_ino != m_ino) ++m_generation;
    m_dev = st.st_dev;
    m_ino = st.st_ino;
    m_damage = HeaderDamage(m_path);
    if (!m_damage.empty()) return SQLITE_NOTADB;
    rc = sqlite3_open_v2(m_path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK) break;
    sqlite3_close(m_db);
    m_db = nullptr;
  }
  if (!m_db) return rc == SQLITE_OK ? SQLITE_CANTOPEN : rc;
  // The time-out first: switching the journal mode may meet another writer.
  sqlite3_busy_timeout(m_db, 5000);
  // Checked before anything could write: a damaged file is never written to.
  rc = CheckHealth(m_damage);
  if (rc == SQLITE_OK) rc = Exec("PRAGMA journal_mode = WAL");
  // In WAL mode NORMAL loses no committed write when a process is killed.
  if (rc == SQLITE_OK) rc = Exec("PRAGMA synchronous = NORMAL");
  if (rc != SQLITE_OK && !IsDamage(rc)) Disconnect(true);
  return rc;
}

int RegistryStore::CreateFresh() {
  // Built under a private name and moved into place whole, so no process ever
  // sees a store without its tables; the lock keeps two processes from both
  // putting one there.
  FolderLock lock(m_path);
  if (Exists(m_path)) return SQLITE_OK;
  // A -wal or -shm without its file (the file was moved or deleted by hand)
  // would be taken as part of the new store: they go aside first.
  std::string orphan;
  for (const char* suffix : {"-wal", "-shm"}) {
    if (!Exists(m_path + suffix)) continue;
    if (orphan.empty()) orphan = QuarantineName(m_path, "orphan");
    if (rename((m_path + suffix).c_str(), (orphan + suffix).c_str()) != 0) return SQLITE_CANTOPEN;
  }
  static std::atomic<unsigned> counter{0};
  std::string temporary =
      m_path + ".new-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(temporary.c_str(), &db,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr);
  sqlite3_close(db);  // checkpoints and removes the -wal
  if (rc != SQLITE_OK) {
    unlink(temporary.c_str());
    return rc;
  }
  if (rename(temporary.c_str(), m_path.c_str()) != 0) {
    unlink(temporary.c_str());
    return SQLITE_CANTOPEN;
  }
  return SQLITE_OK;
}

int RegistryStore::CheckHealth(std::string& why) {
  int rc = SQLITE_OK;
  sqlite3_stmt* check = Prepare("PRAGMA quick_check", rc);
  if (!check) {
    why = sqlite3_errstr(rc);
    return rc;
  }
  rc = sqlite3_step(check);
  std::string verdict = rc == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(check, 0)) : "";
  sqlite3_reset(check);
  if (rc != SQLITE_ROW) {
    why = sqlite3_errstr(rc);
    return IsDamage(rc) ? rc : SQLITE_CORRUPT;
  }
  if (verdict != "ok") {
    why = "quick_check: " + verdict;
    return SQLITE_CORRUPT;
  }
  sqlite3_stmt* tables = Prepare(
      "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN ('keys', 'vals')", rc);
  if (!tables) return rc;
  rc = sqlite3_step(tables);
  int count = rc == SQLITE_ROW ? sqlite3_column_int(tables, 0) : 0;
  sqlite3_reset(tables);
  if (rc != SQLITE_ROW) return rc;
  if (count != 2) {
    // An empty or foreign file: every store this library makes has both tables.
    why = "it holds no settings tables";
    return SQLITE_NOTADB;
  }
  return SQLITE_OK;
}

void RegistryStore::MoveAsideDamaged(std::string_view why) {
  if (m_db) Disconnect(false);
  ++m_generation;
  // SQLite's own reports can run over several lines: the message is one line.
  std::string reason(why.substr(0, 300));
  for (char& c : reason)
    if (c == '\n' || c == '\r') c = ' ';
  if (!MoveAside(reason)) return;
  if (Open() != SQLITE_OK && m_db) Disconnect(false);
}

bool RegistryStore::MoveAside(const std::string& reason) {
  FolderLock lock(m_path);
  struct stat st;
  // Another process may have moved it already and put a fresh store in its place.
  if (stat(m_path.c_str(), &st) == 0 && st.st_dev == m_dev && st.st_ino == m_ino) {
    std::string target = QuarantineName(m_path);
    if (rename(m_path.c_str(), target.c_str()) != 0) {
      std::fprintf(stderr,
                   "sorrel: the settings store %s is damaged (%s) and could not be moved aside (%s); "
                   "settings are not kept in this session.\n",
                   m_path.c_str(), reason.c_str(), std::strerror(errno));
      m_unusable = true;
      return false;
    }
    for (const char* suffix : {"-wal", "-shm"})
      rename((m_path + suffix).c_str(), (target + suffix).c_str());
    std::fprintf(stderr,
                 "sorrel: the settings store %s was damaged (%s); it was moved aside as %s and a new, "
                 "empty store is used, so settings are back at their defaults.\n",
                 m_path.c_str(), reason.c_str(), target.c_str());
  }
  return true;
}

void RegistryStore::Disconnect(bool checkpoint) {
  for (auto& entry : m_statements) sqlite3_finalize(entry.second);
  m_statements.clear();
  if (!checkpoint) sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  sqlite3_close(m_db);
  m_db = nullptr;
}

bool RegistryStore::FileStillOurs() const {
  struct stat st;
  return stat(m_path.c_str(), &st) == 0 && st.st_dev == m_dev && st.st_ino == m_ino;
}

sqlite3_stmt* RegistryStore::Prepare(const char* sql, int& rc) {
  auto found = m_statements.find(sql);
  if (found != m_statements.end()) return found->second;
  sqlite3_stmt* stmt = nullptr;
  rc = m_db ? sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) : SQLITE_MISUSE;
  if (rc != SQLITE_OK) return nullptr;
  m_statements.emplace(sql, stmt);
  return stmt;
}

int RegistryStore::Exec(const char* sql) {
  return m_db ? sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) : SQLITE_MISUSE;
}

RegistryStatement::~RegistryStatement() {
  if (!m_stmt) return;
  sqlite3_reset(m_stmt);
  sqlite3_clear_bindings(m_stmt);
}

void RegistryStatement::Bind(int index, std::int64_t value) {
  if (m_stmt) sqlite3_bind_int64(m_stmt, index, value);
}

void RegistryStatement::Bind(int index, std::string_view bytes) {
  if (!m_stmt) return;
  // A null pointer would bind NULL, not an empty blob.
  if (bytes.empty())
    sqlite3_bind_zeroblob(m_stmt, index, 0);
  else
    sqlite3_bind_blob64(m_stmt, index, bytes.data(), bytes.size(), SQLITE_STATIC);
}

int RegistryStatement::Step() { return m_stmt ? sqlite3_step(m_stmt) : m_rc; }

std::int64_t RegistryStatement::Int(int column) const { return sqlite3_column_int64(m_stmt, column); }

std::string_view RegistryStatement::Bytes(int column) const {
  const void* data = sqlite3_column_blob(m_stmt, column);
  int size = sqlite3_column_bytes(m_stmt, column);
  if (!data || size <= 0) return {};
  return {static_cast<const char*>(data), static_cast<std::size_t>(size)};
}

RegistryTransaction::~RegistryTransaction() {
  if (m_open) m_store.Exec("ROLLBACK");
}

int RegistryTransaction::Begin() {
  // IMMEDIATE takes the write lock up front: a deferred transaction that reads
  // and then writes can fail at once on a snapshot conflict, past any time-out.
  int rc = m_store.Exec("BEGIN IMMEDIATE");
  m_open = rc == SQLITE_OK;
  return rc;
}

int RegistryTransaction::Commit() {
  int rc = m_store.Exec("COMMIT");
  if (rc == SQLITE_OK) m_open = false;
  return rc;
}

}  // namespace sorrel
