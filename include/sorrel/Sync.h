// Event objects as host code written for Windows uses them: the Win32 functions
// (CreateEventA, OpenEventA, SetEvent, ResetEvent, PulseEvent, WaitForSingleObject,
// WaitForMultipleObjects, CloseHandle) and the class library's CSyncObject / CEvent.
//
// An unnamed event is one 32-bit word of this process, waited on with a futex.
// A named event is one 32-bit word in a shared memory object of the user's login
// session, so every process of the session that opens the same name sees the same
// event (the phone server sets "QuillonConnectEvent", the wait dialog waits on it).
// A wait on several events at once sleeps on all their words together, so a local
// cancel event wakes a wait on a named event at once.
#pragma once

#include "sorrel/CObject.h"
#include "sorrel/CodePage.h"  // GetLastError, ERROR_INVALID_PARAMETER
#include "sorrel/Types.h"

typedef void* HANDLE;
typedef HANDLE* LPHANDLE;
struct SECURITY_ATTRIBUTES;  // accepted and ignored: the session's user owns every event
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

#ifndef INFINITE
#define INFINITE 0xFFFFFFFFu
#endif
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED_0 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64

#define SYNCHRONIZE 0x00100000u
#define EVENT_MODIFY_STATE 0x0002u
#define EVENT_ALL_ACCESS 0x001F0003u

#ifndef ERROR_FILE_NOT_FOUND
#define ERROR_FILE_NOT_FOUND 2L
#endif
#ifndef ERROR_ACCESS_DENIED
#define ERROR_ACCESS_DENIED 5L
#endif
#ifndef ERROR_INVALID_HANDLE
#define ERROR_INVALID_HANDLE 6L
#endif
#define ERROR_ALREADY_EXISTS 183L

extern "C++" {
// A new event, or the existing one of that name (then GetLastError() gives
// ERROR_ALREADY_EXISTS and the initial state is not applied). Null on failure.
// A named event whose former holders have all ended (a phone server that set it
// and died) starts again from bInitialState: a set state nobody can have meant for
// the new holder is not handed on.
SORREL_API HANDLE CreateEventA(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                               BOOL bInitialState, LPCSTR lpName);
// The named event if some process of the session holds it; null otherwise.
SORREL_API HANDLE OpenEventA(DWORD dwDesiredAccess, BOOL bInheritHandle, LPCSTR lpName);
SORREL_API BOOL SetEvent(HANDLE hEvent);
SORREL_API BOOL ResetEvent(HANDLE hEvent);
// Releases the threads waiting at this moment (a manual-reset event: all of them;
// an auto-reset event: one) and leaves the event not signalled. With nobody
// waiting it does nothing.
SORREL_API BOOL PulseEvent(HANDLE hEvent);
SORREL_API DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
// bWaitAll is not supported (FALSE only): WAIT_OBJECT_0 + index of the first
// signalled handle, WAIT_TIMEOUT, or WAIT_FAILED.
SORREL_API DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll,
                                        DWORD dwMilliseconds);
SORREL_API BOOL CloseHandle(HANDLE hObject);
}

class SORREL_API CSyncObject : public CObject {
 public:
  explicit CSyncObject(LPCSTR pstrName);
  ~CSyncObject() override;
  CSyncObject(const CSyncObject&) = delete;
  CSyncObject& operator=(const CSyncObject&) = delete;

  operator HANDLE() const { return m_hObject; }
  virtual BOOL Lock(DWORD dwTimeout = INFINITE);
  virtual BOOL Unlock() = 0;
  virtual BOOL Unlock(LONG lCount, LONG* lpPrevCount = nullptr);

  HANDLE m_hObject = nullptr;
};

class SORREL_API CEvent : public CSyncObject {
 public:
  explicit CEvent(BOOL bInitiallyOwn = FALSE, BOOL bManualReset = FALSE, LPCSTR lpszName = nullptr,
                  LPSECURITY_ATTRIBUTES lpsaAttribute = nullptr);
  ~CEvent() override = default;

  BOOL SetEvent();
  BOOL PulseEvent();
  BOOL ResetEvent();
  BOOL Unlock() override;
  using CSyncObject::Unlock;
};
