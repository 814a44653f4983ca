// The toolkit's print dialog and default printer. The dialog starts on the printer
// chosen so far (a "PDF" driver's port is the file) and gives back the queue or
// the file the user took.
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "sorrel/PrintDialog.h"

#include "platform/qt/Application.h"
#include "platform/qt/Toolkit.h"
#include "platform/qt/Windows.h"

namespace sorrel::qt {

bool QtToolkit::DefaultPrinter(std::string& name) {
  if (!EnsureGuiApplication()) return false;
  QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull()) return false;
  name = info.printerName().toStdString();
  return true;
}

INT_PTR QtToolkit::PrintDialog(PrintChoice& choice) {
  if (EnsureApplication() == nullptr) return -1;
  QPrinter printer(QPrinter::HighResolution);
  if (choice.driver == "PDF") {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(choice.port));
  } else if (!choice.device.empty()) {
    printer.setPrinterName(QString::fromStdString(choice.device));
  }
  QWidget* parent = choice.owner != nullptr ? ToWidget(choice.owner) : nullptr;
  QPrintDialog dialog(&printer, parent);
  QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintShowPageSize;
  if (!(choice.flags & PD_NOSELECTION)) options |= QAbstractPrintDialog::PrintSelection;
  if (!(choice.flags & PD_NOPAGENUMS)) options |= QAbstractPrintDialog::PrintPageRange;
  if (!(choice.flags & PD_HIDEPRINTTOFILE)) options |= QAbstractPrintDialog::PrintToFile;
  dialog.setOptions(options);
  if (dialog.exec() != QDialog::Accepted) return IDCANCEL;

  if (printer.outputFormat() == QPrinter::PdfFormat) {
    choice.driver = choice.device = "PDF";
    choice.port = printer.outputFileName().toStdString();
  } else {
    choice.driver = "CUPS";
    choice.device = printer.printerName().toStdString();
    choice.port.clear();
  }
  choice.flags &= ~DWORD(PD_SELECTION | PD_PAGENUMS);
  if (dialog.printRange() == QAbstractPrintDialog::Selection) choice.flags |= PD_SELECTION;
  if (dialog.printRange() == QAbstractPrintDialog::PageRange) {
    choice.flags |= PD_PAGENUMS;
    choice.fromPage = WORD(dialog.fromPage());
    choice.toPage = WORD(dialog.toPage());
  }
  choice.copies = WORD(printer.copyCount());
  return IDOK;
}

}  // namespace sorrel::qt
