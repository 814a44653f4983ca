// Event objects over futexes. The state of an event is one 32-bit word: bit 0 is
// "signalled", the bits above count the pulses of a manual-reset event, so that a
// thread asleep when a pulse came sees that it came even though bit 0 is clear
// again by the time it runs. A waiter takes an auto-reset event by turning bit 0
// off with a compare-and-swap, so two waiters never both take one setting.
//
// A named event's word lives in a POSIX shared memory object of the login session.
// Every handle holds a shared flock on it; whoever opens the name and can take the
// lock exclusively is alone with it, so the object is left over from processes
// that have all ended (a phone server that set the event and died): that opener
// starts it again from its initial state. The last handle to close removes the name.
#include "sorrel/Sync.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/HandleTable.h"
#include "platform/SyncInternal.h"

namespace {

constexpr std::uint32_t kSignalled = 1;
constexpr std::uint32_t kPulse = 2;

#ifndef FUTEX2_PRIVATE
#define FUTEX2_PRIVATE FUTEX_PRIVATE_FLAG
#endif

// The part of a named event that every process sees.
struct SharedState {
  std::atomic<std::uint32_t> word;
  std::atomic<std::uint32_t> manual;
  std::atomic<std::uint32_t> waiters;  // threads inside a wait, for PulseEvent
  std::uint32_t magic;
};
constexpr std::uint32_t kMagic = 0x53724576;  // "SrEv"

struct Event {
  bool named = false;
  bool manual = false;
  std::atomic<std::uint32_t> localWord{0};
  std::atomic<std::uint32_t> localWaiters{0};
  SharedState* shared = nullptr;
  int fd = -1;
  std::string shmName;

  std::atomic<std::uint32_t>& Word() { return named ? shared->word : localWord; }
  std::atomic<std::uint32_t>& Waiters() { return named ? shared->waiters : localWaiters; }
  bool IsManual() const { return named ? shared->manual.load() != 0 : manual; }

  ~Event() {
    if (!named) return;
    if (shared) munmap(shared, sizeof(SharedState));
    if (fd >= 0) {
      // Alone with it: the name goes, as the object would with its last handle.
      if (flock(fd, LOCK_EX | LOCK_NB) == 0 && sorrel::sync::SameObject(fd, shmName))
        shm_unlink(shmName.c_str());
      close(fd);
    }
  }
};

sorrel::HandleTable<Event>& Handles() {
  static auto* table = new sorrel::HandleTable<Event>(0x5000, 4);  // outlives every static that may close a handle
  return *table;
}

HANDLE Register(std::shared_ptr<Event> event) { return reinterpret_cast<HANDLE>(Handles().Add(std::move(event))); }

std::shared_ptr<Event> Lookup(HANDLE h) { return Handles().Find(reinterpret_cast<std::uintptr_t>(h)); }

long Futex(std::atomic<std::uint32_t>* word, int op, std::uint32_t val, const timespec* timeout) {
  return syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(word), op, val, timeout, nullptr, 0);
}

void Wake(Event& e) {
  Futex(&e.Word(), e.named ? FUTEX_WAKE : FUTEX_WAKE_PRIVATE, INT_MAX, nullptr);
}

// Takes the event if it is signalled, or notices a pulse since `start` was read.
bool TryTake(Event& e, std::uint32_t start) {
  std::atomic<std::uint32_t>& word = e.Word();
  std::uint32_t v = word.load();
  for (;;) {
    if (v & kSignalled) {
      if (e.IsManual()) return true;
      if (word.compare_exchange_weak(v, v & ~kSignalled)) return true;
      continue;
    }
    return e.IsManual() && (v >> 1) != (start >> 1);
  }
}

timespec Deadline(DWORD ms) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  now.tv_sec += ms / 1000;
  now.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (now.tv_nsec >= 1000000000L) {
    now.tv_sec += 1;
    now.tv_nsec -= 1000000000L;
  }
  return now;
}

// The time left until `deadline`, or false when it has passed.
bool Remaining(const timespec& deadline, timespec* left) {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  long long ns = (deadline.tv_sec - now.tv_sec) * 1000000000LL + (deadline.tv_nsec - now.tv_nsec);
  if (ns <= 0) return false;
  left->tv_sec = ns / 1000000000LL;
  left->tv_nsec = ns % 1000000000LL;
  return true;
}

std::atomic<bool> g_noWaitv{false};

// Sleeps until one of the words may have changed from `seen`, or the deadline.
// Returns false when the deadline has passed.
bool Sleep(Event* const* events, const std::uint32_t* seen, DWORD n, const timespec* deadline) {
  timespec left;
  if (deadline && !Remaining(*deadline, &left)) return false;
  if (n > 1 && !g_noWaitv.load(std::memory_order_relaxed)) {
    futex_waitv waiters[MAXIMUM_WAIT_OBJECTS] = {};
    for (DWORD i = 0; i < n; ++i) {
      waiters[i].val = seen[i];
      waiters[i].uaddr = reinterpret_cast<std::uintptr_t>(&events[i]->Word());
      waiters[i].flags = FUTEX_32 | (events[i]->named ? 0 : FUTEX2_PRIVATE);
    }
    long r = syscall(SYS_futex_waitv, waiters, n, 0, deadline, CLOCK_MONOTONIC);
    if (r >= 0 || errno != ENOSYS) return !(r < 0 && errno == ETIMEDOUT);
    // Kernels before 5.16 cannot sleep on several words: fall back to sleeping on
    // the first in short slices and looking at the others between them.
    g_noWaitv.store(true);
  }
  timespec slice = {0, 5 * 1000000L};
  const timespec* timeout = deadline ? &left : nullptr;
  if (n > 1 && (!deadline || left.tv_sec > 0 || left.tv_nsec > slice.tv_nsec)) timeout = &slice;
  Event& first = *events[0];
  long r = Futex(&first.Word(), first.named ? FUTEX_WAIT : FUTEX_WAIT_PRIVATE, seen[0], timeout);
  if (r < 0 && errno == ETIMEDOUT && deadline) return Remaining(*deadline, &left);
  return true;
}

std::string EscapeName(LPCSTR name) {
  std::string n(name);
  // The session namespace is the only one there is.
  for (const char* prefix : {"Local\\", "Global\\"})
    if (n.rfind(prefix, 0) == 0) n.erase(0, std::char_traits<char>::length(prefix));
  std::string out;
  for (unsigned char c : n) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
        c == '-' || c == '.') {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return nullptr;
}

// Opens (and with `create`, creates) the shared object of a named event.
HANDLE OpenNamed(LPCSTR lpName, bool create, BOOL bManualReset, BOOL bInitialState) {
  std::string shmName = sorrel::sync::SharedObjectName(lpName);
  if (shmName.size() > NAME_MAX) return Fail(ERROR_INVALID_PARAMETER);
  // Another process may remove the name between our open and our lock; then the
  // object we hold is gone for everyone else and we start over.
  for (int attempt = 0; attempt < 100; ++attempt) {
    int fd = shm_open(shmName.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
    if (fd < 0) return Fail(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
    bool alone = flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (alone && !create) {
      // Left over from holders that have all ended: nobody can set it any more.
      if (sorrel::sync::SameObject(fd, shmName)) shm_unlink(shmName.c_str());
      close(fd);
      return Fail(ERROR_FILE_NOT_FOUND);
    }
    if (alone) {
      if (ftruncate(fd, sizeof(SharedState)) != 0) {
        close(fd);
        return Fail(ERROR_ACCESS_DENIED);
      }
    } else if (flock(fd, LOCK_SH) != 0) {
      close(fd);
      return Fail(ERROR_ACCESS_DENIED);
    }
    if (!sorrel::sync::SameObject(fd, shmName)) {
      close(fd);
      continue;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(sizeof(SharedState))) {
      close(fd);
      return Fail(ERROR_INVALID_HANDLE);
    }
    void* map = mmap(nullptr, sizeof(SharedState), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
      close(fd);
      return Fail(ERROR_ACCESS_DENIED);
    }
    auto event = std::make_shared<Event>();
    event->named = true;
    event->fd = fd;
    event->shmName = shmName;
    event->shared = static_cast<SharedState*>(map);
    if (alone) {
      // A stale state, "set" included, is not handed on to the new holders.
      event->shared->manual.store(bManualReset ? 1 : 0);
      event->shared->waiters.store(0);
      event->shared->magic = kMagic;
      event->shared->word.store(bInitialState ? kSignalled : 0);
      flock(fd, LOCK_SH);
      SetLastError(ERROR_SUCCESS);
    } else {
      if (event->shared->magic != kMagic) return Fail(ERROR_INVALID_HANDLE);
      SetLastError(ERROR_ALREADY_EXISTS);
    }
    return Register(std::move(event));
  }
  return Fail(ERROR_ACCESS_DENIED);
}

}  // namespace

namespace sorrel::sync {

std::string SharedObjectName(LPCSTR name) {
  // Named events belong to the login session, as they do on Windows: the user and
  // the session's runtime folder pick the namespace, so two sessions (or two test
  // runs with their own runtime folders) never meet.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::uint64_t hash = 1469598103934665603ULL;
  for (const char* p = runtime ? runtime : ""; *p; ++p) hash = (hash ^ static_cast<unsigned char>(*p)) * 1099511628211ULL;
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, "/sorrel-%u-%08x-", static_cast<unsigned>(getuid()),
                static_cast<unsigned>(hash ^ (hash >> 32)));
  return prefix + EscapeName(name);
}

bool SameObject(int fd, const std::string& shmName) {
  int again = shm_open(shmName.c_str(), O_RDONLY | O_CLOEXEC, 0);
  if (again < 0) return false;
  struct stat a, b;
  bool same = fstat(fd, &a) == 0 && fstat(again, &b) == 0 && a.st_ino == b.st_ino && a.st_dev == b.st_dev;
  close(again);
  return same;
}

}  // namespace sorrel::sync

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCSTR lpName) {
  if (lpName && *lpName) return OpenNamed(lpName, true, bManualReset, bInitialState);
  auto event = std::make_shared<Event>();
  event->manual = bManualReset != 0;
  event->localWord.store(bInitialState ? kSignalled : 0);
  SetLastError(ERROR_SUCCESS);
  return Register(std::move(event));
}

HANDLE OpenEventA(DWORD, BOOL, LPCSTR lpName) {
  if (!lpName || !*lpName) return Fail(ERROR_INVALID_PARAMETER);
  return OpenNamed(lpName, false, FALSE, FALSE);
}

BOOL SetEvent(HANDLE hEvent) {
  auto e = Lookup(hEvent);
  if (!e) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
  e->Word().fetch_or(kSignalled);
  Wake(*e);
  return TRUE;
}

BOOL ResetEvent(HANDLE hEvent) {
  auto e = Lookup(hEvent);
  if (!e) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
  e->Word().fetch_and(~kSignalled);
  return TRUE;
}

BOOL PulseEvent(HANDLE hEvent) {
  auto e = Lookup(hEvent);
  if (!e) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
  std::atomic<std::uint32_t>& word = e->Word();
  if (e->IsManual()) {
    // Everyone asleep now sees the count move; bit 0 ends clear.
    std::uint32_t v = word.load();
    while (!word.compare_exchange_weak(v, (v + kPulse) & ~kSignalled)) {
    }
  } else if (e->Waiters().load() > 0) {
    // One waiter takes the setting, which clears it again.
    word.fetch_or(kSignalled);
  } else {
    word.fetch_and(~kSignalled);
    return TRUE;
  }
  Wake(*e);
  return TRUE;
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds) {
  if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || !lpHandles || bWaitAll) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  std::shared_ptr<Event> held[MAXIMUM_WAIT_OBJECTS];
  Event* events[MAXIMUM_WAIT_OBJECTS];
  std::uint32_t start[MAXIMUM_WAIT_OBJECTS], seen[MAXIMUM_WAIT_OBJECTS];
  for (DWORD i = 0; i < nCount; ++i) {
    held[i] = Lookup(lpHandles[i]);
    if (!held[i]) {
      SetLastError(ERROR_INVALID_HANDLE);
      return WAIT_FAILED;
    }
    events[i] = held[i].get();
    start[i] = events[i]->Word().load();
  }
  for (DWORD i = 0; i < nCount; ++i) events[i]->Waiters().fetch_add(1);
  timespec deadline = Deadline(dwMilliseconds == INFINITE ? 0 : dwMilliseconds);
  DWORD result = WAIT_TIMEOUT;
  for (;;) {
    for (DWORD i = 0; i < nCount; ++i) seen[i] = events[i]->Word().load();
    DWORD i = 0;
    while (i < nCount && !TryTake(*events[i], start[i])) ++i;
    if (i < nCount) {
      result = WAIT_OBJECT_0 + i;
      break;
    }
    if (!Sleep(events, seen, nCount, dwMilliseconds == INFINITE ? nullptr : &deadline)) break;
  }
  for (DWORD i = 0; i < nCount; ++i) events[i]->Waiters().fetch_sub(1);
  return result;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

BOOL CloseHandle(HANDLE hObject) {
  if (!Handles().Take(reinterpret_cast<std::uintptr_t>(hObject))) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
  return TRUE;  // the object goes when the last wait on it has ended
}

CSyncObject::CSyncObject(LPCSTR) {}

CSyncObject::~CSyncObject() {
  if (m_hObject) CloseHandle(m_hObject);
}

BOOL CSyncObject::Lock(DWORD dwTimeout) {
  return m_hObject && WaitForSingleObject(m_hObject, dwTimeout) == WAIT_OBJECT_0;
}

BOOL CSyncObject::Unlock(LONG, LONG*) { return TRUE; }

CEvent::CEvent(BOOL bInitiallyOwn, BOOL bManualReset, LPCSTR lpszName, LPSECURITY_ATTRIBUTES lpsaAttribute)
    : CSyncObject(lpszName) {
  m_hObject = CreateEventA(lpsaAttribute, bManualReset, bInitiallyOwn, lpszName);
}

BOOL CEvent::SetEvent() { return ::SetEvent(m_hObject); }
BOOL CEvent::PulseEvent() { return ::PulseEvent(m_hObject); }
BOOL CEvent::ResetEvent() { return ::ResetEvent(m_hObject); }
BOOL CEvent::Unlock() { return TRUE; }
