// The Win32 registry functions over the per-user SQLite store.
//
// What is enforced, as the registry's own limits: a key name component holds 1 to
// 255 bytes, a value name at most 16,383 bytes, value data at most 1 MiB
// (1,048,576 bytes). A path that breaks them (or has an empty component; one
// trailing backslash is allowed) gives ERROR_INVALID_PARAMETER, and so does data
// over the limit. Names compare case-insensitively in the ANSI code page.
#include "sorrel/Registry.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/CodePageInternal.h"
#include "platform/RegistryInternal.h"
#include "platform/RegistryStore.h"

namespace {

using sorrel::RegistryStatement;
using sorrel::RegistryStore;
using sorrel::RegistryTransaction;
using KeyId = std::int64_t;

constexpr KeyId kRoot = 0;  // HKEY_CURRENT_USER
constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;
constexpr DWORD kMaxValueSize = 1024 * 1024;

constexpr REGSAM kGenericRead = 0x80000000;
constexpr REGSAM kGenericWrite = 0x40000000;
constexpr REGSAM kGenericAll = 0x10000000;
constexpr REGSAM kMaximumAllowed = 0x02000000;

struct OpenKey {
  KeyId id;
  REGSAM access;
  std::uint64_t generation;  // of the store file the id belongs to
};

struct Registry {
  std::mutex mutex;
  RegistryStore store;
  // Handles are tokens looked up here, never dereferenced: a stale or made-up
  // handle gives ERROR_INVALID_HANDLE instead of a crash.
  std::unordered_map<std::uintptr_t, OpenKey> handles;
  std::uintptr_t nextHandle = 0x1000;

  HKEY NewHandle(KeyId id, REGSAM access) {
    std::uintptr_t token = nextHandle;
    nextHandle += 8;
    handles[token] = {id, access, store.Generation()};
    return reinterpret_cast<HKEY>(token);
  }
};

void ReleaseAtExit();

Registry& TheRegistry() {
  // Never destroyed: hosts save their settings from the destructors of their own
  // static objects, which may run after this one's would. At exit the connection
  // is closed so the file is left whole without its -wal; a call after that
  // opens it again.
  static Registry* registry = [] {
    Registry* made = new Registry;
    std::atexit(ReleaseAtExit);
    return made;
  }();
  return *registry;
}

void ReleaseAtExit() {
  Registry& reg = TheRegistry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  reg.store.Release();
}

REGSAM EffectiveAccess(REGSAM sam) {
  if (sam & (kGenericAll | kMaximumAllowed)) return KEY_ALL_ACCESS;
  if (sam & kGenericRead) sam |= KEY_READ;
  if (sam & kGenericWrite) sam |= KEY_WRITE;
  return sam;
}

// Names compare by their upper case in the ANSI code page (SQLite's NOCASE would
// fold only A to Z).
std::string Fold(std::string_view name) {
  const unsigned char* upper = sorrel::UpperTable();
  std::string folded(name);
  for (char& c : folded) c = static_cast<char>(upper[static_cast<unsigned char>(c)]);
  return folded;
}

// The components of a sub-key path. A null or empty path is no component at all;
// one trailing backslash is allowed; an empty or over-long component is not.
bool SplitPath(LPCSTR path, std::vector<std::string_view>& parts) {
  parts.clear();
  std::string_view rest = path ? path : "";
  while (!rest.empty()) {
    std::size_t cut = rest.find('\\');
    std::string_view part = rest.substr(0, cut);
    if (part.empty() || part.size() > kMaxKeyNameLength) return false;
    parts.push_back(part);
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + 1);
  }
  return true;
}

LSTATUS Failure(int rc, bool writing) {
  switch (rc & 0xFF) {
    case SQLITE_NOMEM:
      return ERROR_OUTOFMEMORY;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return ERROR_BADDB;
    default:
      return writing ? ERROR_CANTWRITE : ERROR_CANTREAD;
  }
}

// A step's result as a plain SQLite result: SQLITE_OK for a row or the end.
int StepResult(int rc) { return rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : rc; }

// One operation on the store: `rc` keeps the SQLite result that stopped it.
struct Operation {
  Registry& reg;
  int rc = SQLITE_OK;

  // The key a handle stands for in the current store file, if its access has `need`.
  LSTATUS Target(HKEY handle, REGSAM need, KeyId& id, REGSAM* access = nullptr) {
    REGSAM granted = KEY_ALL_ACCESS;
    if (handle == HKEY_CURRENT_USER) {
      id = kRoot;
    } else {
      auto found = reg.handles.find(reinterpret_cast<std::uintptr_t>(handle));
      if (found == reg.handles.end()) return ERROR_INVALID_HANDLE;
      // A key of a store that was moved aside since is gone.
      if (found->second.generation != reg.store.Generation()) return ERROR_KEY_DELETED;
      id = found->second.id;
      granted = found->second.access;
    }
    if (access) *access = granted;
    return (granted & need) == need ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
  }

  bool KeyExists(KeyId id) {
    if (id == kRoot) return true;
    RegistryStatement st(reg.store, "SELECT 1 FROM keys WHERE id = ?1");
    st.Bind(1, id);
    int step = st.Step();
    rc = StepResult(step);
    return step == SQLITE_ROW;
  }

  // What a missing row means: the key itself is gone, or only the item is missing.
  LSTATUS Missing(KeyId id, LSTATUS notFound) {
    bool exists = KeyExists(id);
    if (rc != SQLITE_OK) return Failure(rc, false);
    return exists ? notFound : ERROR_KEY_DELETED;
  }

  // Steps a statement whose ?1 is the key (its other parameters bound) to its
  // first row; `missing` when there is none.
  LSTATUS FirstRow(RegistryStatement& st, KeyId id, LSTATUS missing) {
    st.Bind(1, id);
    int step = st.Step();
    if ((rc = StepResult(step)) != SQLITE_OK) return Failure(rc, false);
    return step == SQLITE_ROW ? ERROR_SUCCESS : Missing(id, missing);
  }

  // Follows `parts` down from `id`; with `create`, adds the keys that are missing.
  // `id` becomes the key reached; false when one is missing (or on failure).
  bool Walk(KeyId& id, const std::vector<std::string_view>& parts, bool create, bool& created) {
    created = false;
    for (std::string_view part : parts) {
      std::string fold = Fold(part);
      RegistryStatement find(reg.store, "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
      find.Bind(1, id);
      find.Bind(2, fold);
      int step = find.Step();
      if ((rc = StepResult(step)) != SQLITE_OK) return false;
      if (step == SQLITE_ROW) {
        id = find.Int(0);
        continue;
      }
      if (!create) return false;
      RegistryStatement add(reg.store, "INSERT INTO keys (parent, name, fold) VALUES (?1, ?2, ?3)");
      add.Bind(1, id);
      add.Bind(2, part);
      add.Bind(3, fold);
      if ((rc = StepResult(add.Step())) != SQLITE_OK) return false;
      id = sqlite3_last_insert_rowid(reg.store.Db());
      created = true;
    }
    return true;
  }
};

// Runs one operation under the lock. When its result shows a damaged file, the
// file is moved aside and the operation runs once more on the fresh store, where
// keys opened before are gone but HKEY_CURRENT_USER works as on a new profile.
template <class Body>
LSTATUS Run(Body body) {
  Registry& reg = TheRegistry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (reg.store.Ensure() != SQLITE_OK) return ERROR_CANTOPEN;
    Operation op{reg};
    LSTATUS status = body(op);
    if (!sorrel::IsDamage(op.rc)) return status;
    reg.store.MoveAsideDamaged(sqlite3_errstr(op.rc));
  }
  return ERROR_BADDB;
}

// A name into a buffer counted in characters with room for its terminating zero;
// the count becomes the name's length.
LSTATUS CopyName(std::string_view name, LPSTR buffer, LPDWORD count) {
  if (name.size() + 1 > *count) return ERROR_MORE_DATA;
  // The default value's name is empty and SQLite gives its bytes no address.
  if (!name.empty()) std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  *count = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

}  // namespace

namespace sorrel {

LSTATUS CopyRegistryData(std::string_view data, LPBYTE lpData, LPDWORD lpcbData) {
  if (!lpcbData) return ERROR_SUCCESS;
  DWORD size = static_cast<DWORD>(data.size());
  DWORD room = *lpcbData;
  *lpcbData = size;
  if (!lpData) return ERROR_SUCCESS;
  if (room < size) return ERROR_MORE_DATA;
  if (size) std::memcpy(lpData, data.data(), size);
  return ERROR_SUCCESS;
}

}  // namespace sorrel

LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  std::vector<std::string_view> parts;
  if (!SplitPath(lpSubKey, parts)) return ERROR_INVALID_PARAMETER;
  return Run([&](Operation& op) -> LSTATUS {
    KeyId id;
    if (LSTATUS status = op.Target(hKey, 0, id)) return status;
    bool created;
    if (!op.Walk(id, parts, false, created)) {
      if (op.rc != SQLITE_OK) return Failure(op.rc, false);
      // The start key itself may be the one that is gone.
      return op.Missing(id, ERROR_FILE_NOT_FOUND);
    }
    if (parts.empty() && !op.KeyExists(id)) return op.rc ? Failure(op.rc, false) : ERROR_KEY_DELETED;
    *phkResult = op.reg.NewHandle(id, EffectiveAccess(samDesired));
    return ERROR_SUCCESS;
  });
}

LSTATUS RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                        const LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (!phkResult || !lpSubKey) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  std::vector<std::string_view> parts;
  if (!SplitPath(lpSubKey, parts)) return ERROR_INVALID_PARAMETER;
  return Run([&](Operation& op) -> LSTATUS {
    KeyId id;
    REGSAM access;
    if (LSTATUS status = op.Target(hKey, 0, id, &access)) return status;
    // Looking and adding in one write transaction: two processes creating the
    // same key at once both end up with the one key.
    RegistryTransaction tx(op.reg.store);
    if ((op.rc = tx.Begin()) != SQLITE_OK) return Failure(op.rc, true);
    if (!op.KeyExists(id)) return op.rc ? Failure(op.rc, false) : ERROR_KEY_DELETED;
    bool created;
    if (!op.Walk(id, parts, (access & KEY_CREATE_SUB_KEY) != 0, created))
      return op.rc ? Failure(op.rc, true) : ERROR_ACCESS_DENIED;
    if ((op.rc = tx.Commit()) != SQLITE_OK) return Failure(op.rc, true);
    *phkResult = op.reg.NewHandle(id, EffectiveAccess(samDesired));
    if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  });
}

LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                         LPDWORD lpcbData) {
  if (lpData && !lpcbData) return ERROR_INVALID_PARAMETER;
  std::string fold = Fold(lpValueName ? lpValueName : "");
  return Run([&](Operation& op) -> LSTATUS {
    KeyId id;
    if (LSTATUS status = op.Target(hKey, KEY_QUERY_VALUE, id)) return status;
    RegistryStatement st(op.reg.store, "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2");
    st.Bind(2, fold);
    if (LSTATUS status = op.FirstRow(st, id, ERROR_FILE_NOT_FOUND)) return status;
    if (lpType) *lpType = static_cast<DWORD>(st.Int(0));
    return sorrel::CopyRegistryData(st.Bytes(1), lpData, lpcbData);
  });
}

LSTATUS RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                       DWORD cbData) {
  std::string_view name = lpValueName ? lpValueName : "";
  if (name.size() > kMaxValueNameLength || cbData > kMaxValueSize || (!lpData && cbData))
    return ERROR_INVALID_PARAMETER;
  std::string fold = Fold(name);
  std::string_view data(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0);
  return Run([&](Operation& op) -> LSTATUS {
    KeyId id;
    if (LSTATUS status = op.Target(hKey, KEY_SET_VALUE, id)) return status;
    // One statement, so it needs no transaction: it writes only while the key
    // exists, and an existing value keeps its spelling and its place.
    RegistryStatement st(op.reg.store,
                         "INSERT INTO vals (key, name, fold, type, data) SELECT ?1, ?2, ?3, ?4, ?5 "
                         "WHERE ?1 = 0 OR EXISTS (SELECT 1 FROM keys WHERE id = ?1) "
                         "ON CONFLICT (key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
    st.Bind(1, id);
    st.Bind(2, name);
    st.Bind(3, fold);
    st.Bind(4, static_cast<std::int64_t>(dwType));
    st.Bind(5, data);
    if ((op.rc = StepResult(st.Step())) != SQLITE_OK) return Failure(op.rc, true);
    return sqlite3_changes(op.reg.store.Db()) ? ERROR_SUCCESS : ERROR_KEY_DELETED;
  });
}

LSTATUS RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  std::string fold = Fold(lpValueName ? lpValueName : "");
  return Run([&](Operation& op) -> LSTATUS {
    KeyId id;
    if (LSTATUS status = op.Target(hKey, KEY_SET_VALUE, id)) return status;
    RegistryStatement st(op.reg.store, "DELETE FROM vals WHERE key = ?1 AND fold = ?2");
    st.Bind(1, id);
    st.Bind(2, fold);
    if ((op.rc = StepResult(st.Step())) != SQLITE_OK) return Failure(op.rc, true);
    if (sqlite3_changes(op.reg.store.Db())) return ERROR_SUCCESS;
    return op.Missing(id, ERROR_FILE_NOT_FOUND);
  });
}

LSTATUS RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  std::vector<std::string_view> parts;
  if (!SplitPath(lpSubKey, parts)) return ERROR_INVALID_PARAMETER;
  return Run([&](Operation& op) -> LSTATUS {
    KeyId id;
    if (LSTATUS status = op.Target(hKey, 0, id)) return status;
    RegistryTransaction tx(op.reg.store);
    if ((op.rc = tx.Begin()) != SQLITE_OK) return Failure(op.rc, true);
    if (!op.KeyExists(id)) return op.rc ? Failure(op.rc, false) : ERROR_KEY_DELETED;
    bool created;
    if (!op.Walk(id, parts, false, created)) return op.rc ? Failure(op.rc, false) : ERROR_FILE_NOT_FOUND;
    if (id == kRoot) return ERROR_ACCESS_DENIED;
    {
      RegistryStatement child(op.reg.store, "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
      child.Bind(1, id);
      int step = child.Step();
      if ((op.rc = StepResult(step)) != SQLITE_OK) return Failure(op.rc, false);
      // As on Windows: a key with sub-keys is refused, not deleted with them.
      if (step == SQLITE_ROW) return ERROR_ACCESS_DENIED;
    }
    for (const char* sql : {"DELETE FROM vals WHERE key = ?1", "DELETE FROM keys WHERE id = ?1"}) {
      RegistryStatement st(op.reg.store, sql);
      st.Bind(1, id);
      if ((op.rc = StepResult(st.Step())) != SQLITE_OK) return Failure(op.rc, true);
    }
    if ((op.rc = tx.Commit()) != SQLITE_OK) return Failure(op.rc, true);
    return ERROR_SUCCESS;
  });
}

LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD,
                      LPSTR lpClass, LPDWORD lpcchClass, void* lpftLastWriteTime) {
  if (!lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
  return Run([&](Operation& op) -> LSTATUS {
    KeyId id;
    if (LSTATUS status = op.Target(hKey, KEY_ENUMERATE_SUB_KEYS, id)) return status;
    // Sub-keys come in the order of their folded names, as the registry lists them.
    RegistryStatement st(op.reg.store,
                         "SELECT name FROM keys WHERE parent = ?1 ORDER BY fold, name LIMIT 1 OFFSET ?2");
    st.Bind(2, static_cast<std::int64_t>(dwIndex));
    if (LSTATUS status = op.FirstRow(st, id, ERROR_NO_MORE_ITEMS)) return status;
    if (LSTATUS status = CopyName(st.Bytes(0), lpName, lpcchName)) return status;
    // Keys have no class here, and no write time is kept.
    if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = '\0';
    if (lpcchClass) *lpcchClass = 0;
    if (lpftLastWriteTime) std::memset(lpftLastWriteTime, 0, 2 * sizeof(DWORD));
    return ERROR_SUCCESS;
  });
}

LSTATUS RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD,
                      LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (!lpValueName || !lpcchValueName || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  return Run([&](Operation& op) -> LSTATUS {
    KeyId id;
    if (LSTATUS status = op.Target(hKey, KEY_QUERY_VALUE, id)) return status;
    RegistryStatement st(op.reg.store,
                         "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY rowid LIMIT 1 OFFSET ?2");
    st.Bind(2, static_cast<std::int64_t>(dwIndex));
    if (LSTATUS status = op.FirstRow(st, id, ERROR_NO_MORE_ITEMS)) return status;
    if (LSTATUS status = CopyName(st.Bytes(0), lpValueName, lpcchValueName)) return status;
    if (lpType) *lpType = static_cast<DWORD>(st.Int(1));
    return sorrel::CopyRegistryData(st.Bytes(2), lpData, lpcbData);
  });
}

LSTATUS RegCloseKey(HKEY hKey) {
  if (hKey == HKEY_CURRENT_USER) return ERROR_SUCCESS;
  Registry& reg = TheRegistry();
  std::lock_guard<std::mutex> lock(reg.mutex);
  return reg.handles.erase(reinterpret_cast<std::uintptr_t>(hKey)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
