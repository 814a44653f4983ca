// The print dialog: the choice comes back from the toolkit's dialog as driver,
// device and port names, so that everything after it goes through CreateDC as on
// Windows.
#include "sorrel/PrintDialog.h"

#include "platform/Toolkit.h"

IMPLEMENT_DYNAMIC(CPrintDialog, CDialog)

CPrintDialog::CPrintDialog(BOOL bPrintSetupOnly, DWORD dwFlags, CWnd* pParentWnd) : m_pd{} {
  m_pd.lStructSize = sizeof(PRINTDLG);
  m_pd.Flags = dwFlags | (bPrintSetupOnly ? PD_PRINTSETUP : 0);
  m_pd.hwndOwner = pParentWnd != nullptr ? pParentWnd->GetSafeHwnd() : nullptr;
  m_pd.nCopies = 1;
  m_pd.nMinPage = m_pd.nFromPage = 1;
  m_pd.nMaxPage = m_pd.nToPage = 0xFFFF;
  m_pParentWnd = pParentWnd;
}

CPrintDialog::~CPrintDialog() = default;

void CPrintDialog::SelectPrinter(LPCSTR lpszDriver, LPCSTR lpszDevice, LPCSTR lpszPort) {
  m_strDriver = lpszDriver ? lpszDriver : "";
  m_strDevice = lpszDevice ? lpszDevice : "";
  m_strPort = lpszPort ? lpszPort : "";
}

BOOL CPrintDialog::GetDefaults() {
  std::string queue;
  if (!sorrel::TheToolkit().DefaultPrinter(queue)) return FALSE;
  SelectPrinter("CUPS", queue.c_str(), "");
  if (m_pd.Flags & PD_RETURNDC) m_pd.hDC = CreatePrinterDC();
  return TRUE;
}

HDC CPrintDialog::CreatePrinterDC() {
  if (m_strDriver.IsEmpty()) return nullptr;
  return CreateDCA(m_strDriver, m_strDevice, m_strPort, nullptr);
}

INT_PTR CPrintDialog::DoModal() {
  sorrel::PrintChoice choice;
  choice.owner = m_pd.hwndOwner;
  choice.driver = m_strDriver.GetString();
  choice.device = m_strDevice.GetString();
  choice.port = m_strPort.GetString();
  choice.flags = m_pd.Flags;
  choice.fromPage = m_pd.nFromPage;
  choice.toPage = m_pd.nToPage;
  choice.copies = m_pd.nCopies;
  const INT_PTR result = sorrel::TheToolkit().PrintDialog(choice);
  if (result != IDOK) return result;

  SelectPrinter(choice.driver.c_str(), choice.device.c_str(), choice.port.c_str());
  m_pd.Flags = choice.flags;
  m_pd.nFromPage = choice.fromPage;
  m_pd.nToPage = choice.toPage;
  m_pd.nCopies = choice.copies;
  if (m_pd.Flags & PD_RETURNDC) m_pd.hDC = CreatePrinterDC();
  return IDOK;
}
