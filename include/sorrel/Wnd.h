// Windows and dialogs as the class library has them: a CWnd owns one window of
// the toolkit, receives its messages through WindowProc and a message map, and
// hands what it does not handle to the control's default processing. Messages
// posted from any thread are delivered on the thread that runs the windows.
//
// A window handle (HWND) is the address of the toolkit widget behind the window
// (a QWidget* on Qt). A host built on the toolkit puts a library window into one of
// its own widgets by passing reinterpret_cast<HWND>(widget) as the parent's handle
// (CWnd::Attach), and finds the widget of a library window by casting m_hWnd back.
#pragma once

#include <memory>
#include <vector>

#include "sorrel/CObject.h"
#include "sorrel/CString.h"
#include "sorrel/Rect.h"

typedef struct HWND__* HWND;

// ---- messages ------------------------------------------------------------------
#define WM_NULL 0x0000
#define WM_DESTROY 0x0002
#define WM_CLOSE 0x0010
#define WM_NOTIFY 0x004E
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_USER 0x0400

// Key flags of the mouse messages.
#define MK_LBUTTON 0x0001
#define MK_RBUTTON 0x0002
#define MK_SHIFT 0x0004
#define MK_CONTROL 0x0008
#define MK_MBUTTON 0x0010

// ShowWindow.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_NORMAL 1
#define SW_SHOWNOACTIVATE 4
#define SW_SHOW 5

// Window styles.
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define WS_OVERLAPPEDWINDOW 0x00CF0000L
#define DS_MODALFRAME 0x80L
#define DS_SETFONT 0x40L

// Button styles and notifications.
#define BS_PUSHBUTTON 0x0L
#define BS_DEFPUSHBUTTON 0x1L
#define BS_OWNERDRAW 0xBL
#define BN_CLICKED 0

// Static control styles.
#define SS_LEFT 0x0L
#define SS_CENTER 0x1L
#define SS_BITMAP 0xEL
#define SS_CENTERIMAGE 0x200L

// Dialog results and the standard command ids.
#define IDOK 1
#define IDCANCEL 2

// ---- notifications (WM_NOTIFY) ---------------------------------------------------
struct NMHDR {
  HWND hwndFrom;
  UINT_PTR idFrom;
  UINT code;
};
typedef NMHDR* LPNMHDR;

#define NM_FIRST (0U - 0U)
#define NM_CLICK (NM_FIRST - 2)
#define NM_DBLCLK (NM_FIRST - 3)

class CWnd;

// ---- message maps ----------------------------------------------------------------
// One entry: the message, for WM_COMMAND and WM_NOTIFY the notification code and
// the range of control ids, and the call into the class's handler.
typedef LRESULT (*AFX_PMSG_CALL)(CWnd* pWnd, WPARAM wParam, LPARAM lParam);
struct AFX_MSGMAP_ENTRY {
  UINT nMessage;
  UINT nCode;
  UINT nID;
  UINT nLastID;
  AFX_PMSG_CALL pfnCall;
};
struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define afx_msg

#define DECLARE_MESSAGE_MAP()                   \
 protected:                                     \
  static const AFX_MSGMAP* GetThisMessageMap(); \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                          \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }      \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                     \
    typedef theClass ThisClass;                                                         \
    typedef baseClass TheBaseClass;                                                     \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define END_MESSAGE_MAP()                                                               \
  {0, 0, 0, 0, nullptr}                                                                 \
  }                                                                                     \
  ;                                                                                     \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                                   \
  }

#define SORREL_MOUSE_ENTRY(msg, fn)                                                     \
  {msg, 0, 0, 0, [](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {                         \
     static_cast<ThisClass*>(w)->fn(UINT(wp), CPoint(lp));                              \
     return 0;                                                                          \
   }},
#define ON_WM_LBUTTONDOWN() SORREL_MOUSE_ENTRY(WM_LBUTTONDOWN, OnLButtonDown)
#define ON_WM_LBUTTONUP() SORREL_MOUSE_ENTRY(WM_LBUTTONUP, OnLButtonUp)
#define ON_WM_MOUSEMOVE() SORREL_MOUSE_ENTRY(WM_MOUSEMOVE, OnMouseMove)

// LRESULT memberFxn(WPARAM, LPARAM)
#define ON_MESSAGE(message, memberFxn)                                                  \
  {UINT(message), 0, 0, 0, [](CWnd* w, WPARAM wp, LPARAM lp) -> LRESULT {               \
     return static_cast<ThisClass*>(w)->memberFxn(wp, lp);                              \
   }},

// void memberFxn()
#define ON_COMMAND(id, memberFxn)                                                       \
  {WM_COMMAND, BN_CLICKED, UINT(id), UINT(id), [](CWnd* w, WPARAM, LPARAM) -> LRESULT { \
     static_cast<ThisClass*>(w)->memberFxn();                                           \
     return 0;                                                                          \
   }},
#define ON_BN_CLICKED(id, memberFxn) ON_COMMAND(id, memberFxn)

// void memberFxn(NMHDR* pNMHDR, LRESULT* pResult)
#define ON_NOTIFY(code, id, memberFxn)                                                  \
  {WM_NOTIFY, UINT(code), UINT(id), UINT(id), [](CWnd* w, WPARAM, LPARAM lp) -> LRESULT { \
     LRESULT result = 0;                                                                \
     static_cast<ThisClass*>(w)->memberFxn(reinterpret_cast<NMHDR*>(lp), &result);      \
     return result;                                                                     \
   }},

// ---- windows ---------------------------------------------------------------------
class SORREL_API CWnd : public CObject {
  DECLARE_DYNAMIC(CWnd)

 public:
  CWnd();
  ~CWnd() override;  // destroys the window if it still exists
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }

  // The library's window object of a handle; null for a window that has none.
  static CWnd* FromHandle(HWND hWnd);

  // A plain window: top-level (no parent: a frame with the caption as its title)
  // or a child of pParentWnd. The class name is not used.
  virtual BOOL Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                      CWnd* pParentWnd, UINT nID);
  // Makes this object the window object of an existing window: a toolkit widget
  // of the host, or a control the library made (a list's header). Messages of the
  // window then reach this object's WindowProc. FALSE when the object already has
  // a window or hWnd is null.
  BOOL Attach(HWND hWnd);
  BOOL SubclassWindow(HWND hWnd) { return Attach(hWnd); }
  // Releases the window without destroying it; the window's previous object, if
  // any, gets it back.
  HWND Detach();
  virtual BOOL DestroyWindow();

  BOOL ShowWindow(int nCmdShow);
  void UpdateWindow();
  void Invalidate(BOOL bErase = TRUE);
  BOOL EnableWindow(BOOL bEnable = TRUE);  // whether it was disabled before
  BOOL IsWindowEnabled() const;
  BOOL IsWindowVisible() const;
  void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
  void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
  void GetClientRect(LPRECT lpRect) const;
  void GetWindowRect(LPRECT lpRect) const;  // in screen coordinates
  void SetWindowText(LPCSTR lpszString);
  void GetWindowText(CString& rString) const;
  CWnd* SetFocus();
  int GetDlgCtrlID() const;
  CWnd* GetParent() const;
  CWnd* GetDlgItem(int nID) const;

  // Calls WindowProc now, on the calling thread.
  virtual LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Queues the message for the thread that runs the windows; may be called from any
  // thread. Dropped when the window is gone by then. FALSE without a window.
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  // Every message of the window: the message map first (OnWndMsg), then the
  // control's default processing.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  // WM_COMMAND: the message map's command entries.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // WM_NOTIFY: the message map's notification entries.
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
  // The control's own handling of a message (what Windows' window class does).
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // The default processing of the message being handled.
  LRESULT Default();

  afx_msg void OnLButtonDown(UINT nFlags, CPoint point) { (void)nFlags, (void)point, Default(); }
  afx_msg void OnLButtonUp(UINT nFlags, CPoint point) { (void)nFlags, (void)point, Default(); }
  afx_msg void OnMouseMove(UINT nFlags, CPoint point) { (void)nFlags, (void)point, Default(); }

  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;

  // Called after the window was destroyed (its handle is null by then).
  virtual void PostNcDestroy() {}

 private:
  friend struct CWndAccess;
  CWnd* m_pPrevOwner = nullptr;  // the window's object before Attach
  UINT m_nID = 0;                 // the control id the window was made with
  bool m_bCreatedHere = false;   // this object made the window and destroys it
};

// ---- dialogs -----------------------------------------------------------------------
// A dialog built from one of the library's dialog descriptions (ids 158 and 159):
// its size and the controls' places in dialog units turned into pixels from the
// dialog font's average character width and height, the controls found by id.
class SORREL_API CDialog : public CWnd {
  DECLARE_DYNAMIC(CDialog)

 public:
  CDialog();
  explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  // Runs the dialog modally; the value given to EndDialog, or -1 when the
  // description does not exist or the window cannot be made.
  virtual INT_PTR DoModal();
  // A modeless dialog; shown when the description's style has WS_VISIBLE.
  virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  using CWnd::Create;  // the window's own form stays callable beside this one
  void EndDialog(int nResult);

  // Called once the window and its controls exist; TRUE to let the first control
  // with a tab stop take the focus.
  virtual BOOL OnInitDialog();

  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

  // Control ids of the description, as SetDlgItemText and GetDlgItem take them.
  void SetDlgItemText(int nID, LPCSTR lpszString);

 protected:
  virtual void OnOK();      // IDOK: ends the dialog with IDOK
  virtual void OnCancel();  // IDCANCEL and the Escape key: ends it with IDCANCEL

  UINT m_nIDHelp = 0;
  UINT m_nIDTemplate = 0;
  CWnd* m_pParentWnd = nullptr;

 private:
  friend struct CWndAccess;
  BOOL CreateFromTemplate(bool bModal);
  std::vector<std::unique_ptr<CWnd>> m_controls;
  bool m_bModal = false;
};

// Posts a message to a window by its handle; any thread.
SORREL_API BOOL PostMessage(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam);
