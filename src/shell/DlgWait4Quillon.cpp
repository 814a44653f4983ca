#include "sorrel/DlgWait4Quillon.h"

#include <spawn.h>

#include <chrono>

extern char** environ;

BEGIN_MESSAGE_MAP(CDlgWait4Quillon, CDialog)
ON_MESSAGE(WM_QUILLON_CONNECTED, OnQuillonConnected)
END_MESSAGE_MAP()

CDlgWait4Quillon::CDlgWait4Quillon(const char* pszArg, CWnd* pParent)
    : CDialog(IDD, pParent), m_evCancel(FALSE, FALSE), m_strServerArg(CString("-") + CString(pszArg ? pszArg : "")) {}

CDlgWait4Quillon::~CDlgWait4Quillon() {
  if (!m_thread.joinable()) return;
  // A pulse reaches the thread only while it waits: the Escape key gives none, and
  // one given before the thread began to wait is lost, so it is repeated until the
  // thread has ended. No thread is left waiting on an event nobody will set.
  while (!m_bWaitEnded.load()) {
    m_evCancel.PulseEvent();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  m_thread.join();
}

BOOL CDlgWait4Quillon::OnInitDialog() {
  CDialog::OnInitDialog();
  m_thread = std::thread(&CDlgWait4Quillon::Wait4Quillon, this);

  // "Quillon" with no folder: the spawn resolves it against the current folder.
  // The program-name argument and the first argument are both the server argument.
  // Whether the server started is not looked at: the user can always give up.
  char* argv[] = {const_cast<char*>(static_cast<const char*>(m_strServerArg)),
                  const_cast<char*>(static_cast<const char*>(m_strServerArg)), nullptr};
  pid_t pid;
  posix_spawn(&pid, "Quillon", nullptr, nullptr, argv, environ);
  return TRUE;
}

void CDlgWait4Quillon::Wait4Quillon() {
  HWND hDialog = m_hWnd;
  HANDLE connected = CreateEventA(nullptr, FALSE, FALSE, "QuillonConnectEvent");
  HANDLE events[2] = {connected, m_evCancel};
  // Without a connect event (no shared memory) there is nothing to wait for but
  // the user, who ends the dialog himself.
  if (connected && WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0)
    ::PostMessage(hDialog, WM_QUILLON_CONNECTED, 0, 0);
  if (connected) CloseHandle(connected);
  m_bWaitEnded.store(true);
}

void CDlgWait4Quillon::OnOK() {
  m_evCancel.PulseEvent();
  EndDialog(IDCANCEL);
}

LRESULT CDlgWait4Quillon::OnQuillonConnected(WPARAM, LPARAM) {
  EndDialog(IDOK);
  return 0;
}
