// The dialog that starts a phone server and waits until it reports its phone
// connection ("QuillonConnectEvent"), or until the user chooses to work without a
// phone. Run it modally: IDOK when the server connected, IDCANCEL otherwise.
#pragma once

#include <atomic>
#include <thread>

#include "sorrel/CString.h"
#include "sorrel/Sync.h"
#include "sorrel/Wnd.h"

// The message the waiting thread posts when the server's event fired.
#define WM_QUILLON_CONNECTED (WM_USER + 1)

class SORREL_API CDlgWait4Quillon : public CDialog {
 public:
  enum { IDD = 158 };

  // The server is started with "-" followed by pszArg (an instance name such as
  // "Tovik3") as both its program-name argument and its first argument.
  CDlgWait4Quillon(const char* pszArg, CWnd* pParent = nullptr);
  // Releases the waiting thread if it still waits (the dialog was closed with the
  // Escape key) and waits for it to end.
  ~CDlgWait4Quillon() override;

  BOOL OnInitDialog() override;

 protected:
  // Button 1, "Pracovat &bez připojeného telefonu": pulses the cancel event and
  // ends the dialog with IDCANCEL.
  void OnOK() override;
  afx_msg LRESULT OnQuillonConnected(WPARAM wParam, LPARAM lParam);
  DECLARE_MESSAGE_MAP()

  CEvent m_evCancel;  // unnamed, auto-reset, not signalled
  CString m_strServerArg;

 private:
  // The waiting thread: the server's event or the cancel event, whichever fires first.
  void Wait4Quillon();
  std::thread m_thread;
  std::atomic<bool> m_bWaitEnded{false};
};
