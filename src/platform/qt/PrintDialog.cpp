// The print dialog on the toolkit's: the choice comes back as driver, device and
// port names, so that everything after it goes through CreateDC as on Windows.
#include "sorrel/PrintDialog.h"

#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/qt/Application.h"
#include "platform/qt/Windows.h"

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
  if (!sorrel::qt::EnsureGuiApplication()) return FALSE;
  QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) return FALSE;
  SelectPrinter("CUPS", info.printerName().toUtf8().constData(), "");
  if (m_pd.Flags & PD_RETURNDC) m_pd.hDC = CreatePrinterDC();
  return TRUE;
}

HDC CPrintDialog::CreatePrinterDC() {
  if (m_strDriver.IsEmpty()) return nullptr;
  return CreateDCA(m_strDriver, m_strDevice, m_strPort, nullptr);
}

INT_PTR CPrintDialog::DoModal() {
  if (sorrel::qt::EnsureApplication() == nullptr) return -1;
  QPrinter printer(QPrinter::HighResolution);
  if (m_strDriver == "PDF") {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromUtf8(m_strPort.GetString()));
  } else if (!m_strDevice.IsEmpty()) {
    printer.setPrinterName(QString::fromUtf8(m_strDevice.GetString()));
  }
  QWidget* parent = m_pd.hwndOwner != nullptr ? sorrel::qt::ToWidget(m_pd.hwndOwner) : nullptr;
  QPrintDialog dialog(&printer, parent);
  QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintShowPageSize;
  if (!(m_pd.Flags & PD_NOSELECTION)) options |= QAbstractPrintDialog::PrintSelection;
  if (!(m_pd.Flags & PD_NOPAGENUMS)) options |= QAbstractPrintDialog::PrintPageRange;
  if (!(m_pd.Flags & PD_HIDEPRINTTOFILE)) options |= QAbstractPrintDialog::PrintToFile;
  dialog.setOptions(options);
  if (dialog.exec() != QDialog::Accepted) return IDCANCEL;

  if (printer.outputFormat() == QPrinter::PdfFormat)
    SelectPrinter("PDF", "PDF", printer.outputFileName().toUtf8().constData());
  else
    SelectPrinter("CUPS", printer.printerName().toUtf8().constData(), "");
  m_pd.Flags &= ~DWORD(PD_SELECTION | PD_PAGENUMS);
  if (dialog.printRange() == QAbstractPrintDialog::Selection) m_pd.Flags |= PD_SELECTION;
  if (dialog.printRange() == QAbstractPrintDialog::PageRange) {
    m_pd.Flags |= PD_PAGENUMS;
    m_pd.nFromPage = WORD(dialog.fromPage());
    m_pd.nToPage = WORD(dialog.toPage());
  }
  m_pd.nCopies = WORD(printer.copyCount());
  if (m_pd.Flags & PD_RETURNDC) m_pd.hDC = CreatePrinterDC();
  return IDOK;
}
