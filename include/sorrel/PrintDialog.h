// The print dialog: the printer the user chose, as the driver, device and port
// names a printer device context is made from (see Gdi.h for the drivers), and
// the default printer.
#pragma once

#include "sorrel/CString.h"
#include "sorrel/Gdi.h"
#include "sorrel/Wnd.h"

#define PD_ALLPAGES 0x00000000
#define PD_SELECTION 0x00000001
#define PD_PAGENUMS 0x00000002
#define PD_NOSELECTION 0x00000004
#define PD_NOPAGENUMS 0x00000008
#define PD_COLLATE 0x00000010
#define PD_PRINTTOFILE 0x00000020
#define PD_PRINTSETUP 0x00000040
#define PD_RETURNDC 0x00000100
#define PD_RETURNDEFAULT 0x00000400
#define PD_USEDEVMODECOPIES 0x00040000
#define PD_HIDEPRINTTOFILE 0x00100000

struct PRINTDLGA {
  DWORD lStructSize;
  HWND hwndOwner;
  HDC hDC;  // with PD_RETURNDC, the chosen printer's context; the caller deletes it
  DWORD Flags;
  WORD nFromPage;
  WORD nToPage;
  WORD nMinPage;
  WORD nMaxPage;
  WORD nCopies;
};
typedef PRINTDLGA PRINTDLG;

class SORREL_API CPrintDialog : public CDialog {
  DECLARE_DYNAMIC(CPrintDialog)

 public:
  // bPrintSetupOnly adds PD_PRINTSETUP. The default flags are 0x14000C: no
  // selection, no page numbers, copies kept by the printer, no print to file.
  explicit CPrintDialog(BOOL bPrintSetupOnly,
                        DWORD dwFlags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE |
                                        PD_NOSELECTION,
                        CWnd* pParentWnd = nullptr);
  ~CPrintDialog() override;

  PRINTDLG m_pd;

  // The toolkit's print dialog, preset to the chosen printer (else the default
  // one). IDOK with the choice taken (a file chosen in the dialog is the PDF
  // driver), IDCANCEL otherwise. With PD_RETURNDC, m_pd.hDC is the printer's context.
  INT_PTR DoModal() override;
  // The default printer (the print system's default queue) without a dialog;
  // FALSE when there is none.
  BOOL GetDefaults();

  CString GetDriverName() const { return m_strDriver; }
  CString GetDeviceName() const { return m_strDevice; }
  CString GetPortName() const { return m_strPort; }
  BOOL PrintSelection() const { return (m_pd.Flags & PD_SELECTION) != 0; }
  BOOL PrintAll() const { return !PrintSelection() && !(m_pd.Flags & PD_PAGENUMS); }
  int GetCopies() const { return m_pd.nCopies; }
  // A new context on the chosen printer (the caller deletes it); null when none is chosen.
  HDC CreatePrinterDC();

  // Chooses a printer without showing the dialog, as a host that already knows
  // one does (a command line's choice): the names are not checked here; a
  // context made from them fails when the printer does not exist.
  void SelectPrinter(LPCSTR lpszDriver, LPCSTR lpszDevice, LPCSTR lpszPort);

 private:
  CString m_strDriver;
  CString m_strDevice;
  CString m_strPort;
};
