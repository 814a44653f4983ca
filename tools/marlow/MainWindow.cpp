#include "MainWindow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <sorrel/ExtendedItems.h>
#include <sorrel/CodePage.h>
#include <sorrel/PrintDialog.h>
#include <sorrel/PrintSettings.h>
#include <sorrel/Printing.h>
#include <sorrel/Registry.h>
#include <sorrel/VCardImport.h>

#include "EntryDialog.h"
#include "ListPane.h"
#include "PhoneLink.h"
#include "RenumberDialog.h"
#include "Text.h"

namespace marlow {

namespace {

const char kMarlowKey[] = "Software\\Tovik\\Marlow";
const char kShownColumns[] = "ShownColumns";
// Surname, group and mobile until the user chooses others.
const std::vector<UINT> kDefaultColumns = {ITEM_SURNAME, ITEM_GROUP, ITEM_MOBILE};

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

std::vector<UINT> LoadShownColumns() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kMarlowKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return kDefaultColumns;
  char text[256] = {};
  DWORD size = sizeof text - 1;
  DWORD type = 0;
  const bool read =
      RegQueryValueExA(key, kShownColumns, nullptr, &type, reinterpret_cast<LPBYTE>(text), &size) == ERROR_SUCCESS &&
      type == REG_SZ;
  RegCloseKey(key);
  if (!read) return kDefaultColumns;
  std::vector<UINT> ids;
  std::stringstream in(text);
  std::string piece;
  while (std::getline(in, piece, ',')) {
    const UINT id = UINT(std::strtoul(piece.c_str(), nullptr, 10));
    // Only extended columns, each once; the synchronisation identifier has no place.
    if (id > ITEM_NUMBER && id <= ITEM_BIRTHDAY && id != ITEM_SYNC_ID && std::find(ids.begin(), ids.end(), id) == ids.end())
      ids.push_back(id);
  }
  return ids;
}

void SaveShownColumns(const std::vector<UINT>& ids) {
  std::string text;
  for (UINT id : ids) text += (text.empty() ? "" : ",") + std::to_string(id);
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kMarlowKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  RegSetValueExA(key, kShownColumns, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
  RegCloseKey(key);
}

MainWindow::MainWindow(PhoneLink* link, QWidget* parent) : QMainWindow(parent), m_link(link) {
  setWindowTitle(U("Marlow – telefonní seznam"));
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 4);
  auto* searchRow = new QHBoxLayout();
  searchRow->addWidget(new QLabel(U("Hledat:"), central));
  m_search = new QLineEdit(central);
  m_search->setObjectName("search");
  m_search->setPlaceholderText(U("část jména, čísla nebo jiného údaje"));
  m_search->setClearButtonEnabled(true);
  searchRow->addWidget(m_search);
  layout->addLayout(searchRow);
  auto* listArea = new QWidget(central);
  listArea->setLayout(new QVBoxLayout());
  layout->addWidget(listArea, 1);
  setCentralWidget(central);
  resize(900, 560);

  m_pane = std::make_unique<ListPane>(listArea);
  m_pane->onSorted = [this] { UpdateStatus(); };
  if (auto* view = qobject_cast<QAbstractItemView*>(m_pane->ListWidget())) {
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(view, &QAbstractItemView::doubleClicked, this, [this] { EditSelected(); });
  }
  m_pane->SetExtColumns(LoadShownColumns());
  connect(m_search, &QLineEdit::textChanged, this, &MainWindow::Search);

  m_status = new QLabel(this);
  statusBar()->addWidget(m_status, 1);
  BuildMenus();
  UpdateStatus();
}

MainWindow::~MainWindow() { Shutdown(); }

void MainWindow::Shutdown() { m_pane.reset(); }

void MainWindow::BuildMenus() {
  QMenu* file = menuBar()->addMenu(U("&Soubor"));
  file->addAction(U("&Otevřít seznam…"), QKeySequence::Open, this, [this] {
    const QString path = QFileDialog::getOpenFileName(this, U("Otevřít telefonní seznam"), QString(),
                                                      U("Telefonní seznam (*.txt);;Všechny soubory (*)"));
    std::string error;
    if (!path.isEmpty() && !OpenFile(path.toStdString(), error)) Complain(QString::fromStdString(error));
  });
  file->addAction(U("&Importovat vizitky vCard…"), this, [this] {
    const QStringList paths = QFileDialog::getOpenFileNames(this, U("Importovat vizitky"), QString(),
                                                            U("Vizitky vCard (*.vcf);;Všechny soubory (*)"));
    std::vector<std::string> files;
    for (const QString& p : paths) files.push_back(p.toStdString());
    std::string report;
    if (files.empty()) return;
    if (ImportVCards(files, report))
      statusBar()->showMessage(QString::fromStdString(report), 10000);
    else
      Complain(QString::fromStdString(report));
  });
  file->addAction(U("&Uložit seznam"), QKeySequence::Save, this, [this] {
    std::string report;
    if (!SendChanges(report)) Complain(QString::fromStdString(report));
  });
  QMenu* exportMenu = file->addMenu(U("&Exportovat"));
  struct ExportForm {
    const char* caption;
    const char* filter;
    int form;
  };
  for (const ExportForm& f : {ExportForm{"Vizitky vCard &2.1…", "Vizitky vCard (*.vcf)", 21},
                              ExportForm{"Vizitky vCard &1.0…", "Vizitky vCard (*.vcf)", 10},
                              ExportForm{"&CSV…", "Hodnoty oddělené čárkami (*.csv)", 0}}) {
    exportMenu->addAction(U(f.caption), this, [this, f] {
      const QString path = QFileDialog::getSaveFileName(this, U("Exportovat"), QString(), U(f.filter));
      std::string error;
      if (!path.isEmpty() && !Export(path.toStdString(), f.form, error)) Complain(QString::fromStdString(error));
    });
  }
  file->addSeparator();
  file->addAction(U("&Tisk…"), QKeySequence::Print, this, [this] {
    QMessageBox ask(QMessageBox::Question, U("Tisk"), U("Tisknout ve dvou sloupcích?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    const int answer = ask.exec();
    if (answer == QMessageBox::Cancel) return;
    std::string error;
    const bool selectedOnly = m_pane->List().GetSelectedCount() > 0;
    if (!Print(answer == QMessageBox::Yes, selectedOnly, std::string(), error) && !error.empty())
      Complain(QString::fromStdString(error));
  });
  file->addSeparator();
  file->addAction(U("&Konec"), QKeySequence::Quit, this, &QWidget::close);

  QMenu* phone = menuBar()->addMenu(U("&Telefon"));
  phone->addAction(U("&Odeslat změny do telefonu"), QKeySequence(Qt::CTRL | Qt::Key_T), this, [this] {
    std::string report;
    if (!SendChanges(report)) Complain(QString::fromStdString(report));
  });
  phone->addAction(U("&Načíst znovu z telefonu"), this, [this] {
    std::string error;
    if (!LoadFromPhone(error)) Complain(QString::fromStdString(error));
  });

  QMenu* edit = menuBar()->addMenu(U("Ú&pravy"));
  edit->addAction(U("&Nový záznam…"), QKeySequence(Qt::Key_Insert), this, &MainWindow::NewEntry);
  edit->addAction(U("&Upravit záznam…"), QKeySequence(Qt::Key_Return), this, &MainWindow::EditSelected);
  edit->addAction(U("&Smazat záznam"), QKeySequence::Delete, this, &MainWindow::DeleteSelected);
  edit->addSeparator();
  edit->addAction(U("&Přečíslovat…"), this, [this] { RunRenumber(false); });
  edit->addAction(U("Změnit &předvolbu…"), this, [this] { RunRenumber(true); });

  QMenu* view = menuBar()->addMenu(U("&Zobrazit"));
  QMenu* columns = view->addMenu(U("&Sloupce"));
  ChooseColumns(columns);
}

// One checkable entry per extended column, captioned as the column is.
void MainWindow::ChooseColumns(QMenu* menu) {
  for (UINT id = ITEM_OFFICE; id <= ITEM_BIRTHDAY; ++id) {
    if (id == ITEM_SYNC_ID) continue;
    QAction* action = menu->addAction(ItemCaption(id));
    action->setCheckable(true);
    const auto& shown = m_pane->ExtColumns();
    action->setChecked(std::find(shown.begin(), shown.end(), id) != shown.end());
    connect(action, &QAction::toggled, this, [this, id](bool on) {
      std::vector<UINT> ids = m_pane->ExtColumns();
      ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end());
      if (on) ids.push_back(id);
      SetExtColumns(ids);
    });
  }
}

void MainWindow::SetExtColumns(const std::vector<UINT>& ids) {
  SaveShownColumns(ids);
  m_pane->SetExtColumns(ids);
  Refill();
}

void MainWindow::Refill() {
  m_pane->Fill(&m_book, FromQt(m_search->text()));
  UpdateStatus();
}

void MainWindow::Search(const QString&) { Refill(); }

void MainWindow::UpdateStatus() {
  size_t entries = 0;
  for (const Slot& s : m_book.slotList) entries += s.entry->IsEmpty() ? 0 : 1;
  QString text = U("%1 záznamů, zobrazeno %2, změněno %3")
                     .arg(entries)
                     .arg(m_pane->List().GetItemCount())
                     .arg(m_book.ChangedLines().size());
  if (m_link && m_link->Connected())
    text += U(" · telefon: %1").arg(QString::fromStdString(m_link->ServerName()));
  else if (!m_bookPath.empty())
    text += U(" · soubor: %1").arg(QString::fromStdString(m_bookPath));
  else
    text += U(" · bez telefonu");
  m_status->setText(text);
}

void MainWindow::Complain(const QString& what) { QMessageBox::warning(this, U("Marlow"), what); }

bool MainWindow::LoadFromPhone(std::string& error) {
  if (!m_link || !m_link->Connected()) {
    error = "Telefon není připojen";
    return false;
  }
  const bool ok = m_link->Load(m_book, error);
  m_bookPath.clear();
  Refill();
  return ok;
}

bool MainWindow::OpenFile(const std::string& path, std::string& error) {
  if (!m_book.LoadFile(path, error)) return false;
  m_bookPath = path;
  Refill();
  return true;
}

bool MainWindow::ImportVCards(const std::vector<std::string>& paths, std::string& report) {
  size_t imported = 0;
  size_t noRoom = 0;
  bool ok = true;
  for (const std::string& path : paths) {
    const auto result = sorrel::ImportVCardFile(
        path, m_book.groups,
        [&](CEntry& entry, const sorrel::VCardCard&) {
          if (m_book.Adopt(entry))
            ++imported;
          else
            ++noRoom;
        },
        [&](const sorrel::VCardProblem& p) {
          report += std::string(p.where.file) + (p.where.card ? ", vizitka " + std::to_string(p.where.card) + " (řádek " +
                                                                    std::to_string(p.where.line) + ")"
                                                              : std::string()) +
                    ": " + std::string(p.reason) + (p.rejected ? " – nenačtena" : "") + "\n";
        });
    ok = ok && result.read && result.rejected == 0;
  }
  if (noRoom) {
    report += "V telefonu nebylo místo pro " + std::to_string(noRoom) + " vizitek\n";
    ok = false;
  }
  report += "Načteno vizitek: " + std::to_string(imported);
  Refill();
  return ok;
}

bool MainWindow::SendChanges(std::string& report) {
  const std::vector<ChangedLine> changed = m_book.ChangedLines();
  bool ok = true;
  if (m_link && m_link->Connected() && m_bookPath.empty()) {
    for (const ChangedLine& c : changed) {
      std::string error;
      if (m_link->Send(c.slot, c.line, error)) {
        m_book.MarkSent(c.slot);
      } else {
        report += error + "\n";
        ok = false;
      }
    }
  } else if (!m_bookPath.empty()) {
    ok = m_book.SaveFile(m_bookPath, report);
  } else if (!changed.empty()) {
    report = "Seznam nemá kam odeslat: telefon není připojen a seznam nebyl otevřen ze souboru";
    ok = false;
  }
  UpdateStatus();
  return ok;
}

bool MainWindow::Export(const std::string& path, int form, std::string& error) {
  std::string out;
  for (int i = 0; i < m_pane->List().GetItemCount(); ++i) {
    const CEntry* entry = m_pane->EntryAt(i);
    CString text;
    if (form == 21)
      entry->GetAsVCardVer21(text, CP_UTF8, &m_book.groups);
    else if (form == 10)
      entry->GetAsVCardVer1(text, &m_book.groups);
    else
      entry->GetAsCSV(&m_pane->Columns(), text);
    out += text.str();
    if (form == 0) out += "\r\n";
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file || !file.write(out.data(), std::streamsize(out.size())) || !file.flush()) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool MainWindow::Print(bool twoColumns, bool selectedOnly, const std::string& pdfPath, std::string& error) {
  if (m_pane->List().GetItemCount() == 0) {
    error = "Seznam je prázdný, není co tisknout";
    return false;
  }
  // The selection is offered only when rows are selected.
  DWORD flags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE;
  if (m_pane->List().GetSelectedCount() == 0) flags |= PD_NOSELECTION;
  CPrintDialog dialog(FALSE, flags, nullptr);
  if (pdfPath.empty()) {
    if (selectedOnly && !(flags & PD_NOSELECTION)) dialog.m_pd.Flags |= PD_SELECTION;
    if (dialog.DoModal() != IDOK) return false;  // the user changed their mind: nothing to report
    selectedOnly = dialog.PrintSelection();
  } else {
    dialog.SelectPrinter("PDF", "", pdfPath.c_str());
  }
  // The print font, its size and the margins the user keeps.
  static char fontName[] = "Marlow";
  LOGFONT font{};
  LoadFontFromRegistry(fontName, &font);
  int pointSize = 100;
  RECT margins{};
  LoadPrintSettingsFromRegistry(&pointSize, &margins);
  CString document = FromQt(U("Marlow – telefonní seznam"));
  CPrinting job(&m_pane->List(), PRINT_KIND_PHONEBOOK, &document, &dialog);
  job.Print(&font, UINT(pointSize), twoColumns ? 1 : 0, selectedOnly ? 1 : 0, margins);
  if (!pdfPath.empty() && !QFileInfo::exists(QString::fromStdString(pdfPath))) {
    error = pdfPath + ": the print job wrote no PDF";
    return false;
  }
  statusBar()->showMessage(U("Vytištěno."), 5000);
  return true;
}

EntryDialog* MainWindow::MakeEntryDialog(CEntry* entry) {
  auto* dialog = new EntryDialog(entry, &m_book.groups, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::accepted, this, [this, entry] { AfterEdit(entry); });
  return dialog;
}

void MainWindow::AfterEdit(CEntry* entry) {
  m_pane->Refresh(entry);
  m_pane->Sort();
  UpdateStatus();
}

void MainWindow::EditSelected() {
  const std::vector<CEntry*> selected = m_pane->SelectedEntries();
  if (selected.empty()) return;
  MakeEntryDialog(selected.front())->open();
}

void MainWindow::NewEntry() {
  CEntry* entry = m_book.NewEntry();
  if (!entry) {
    Complain(U("V telefonu není volná pozice pro nový záznam."));
    return;
  }
  auto* dialog = MakeEntryDialog(entry);
  connect(dialog, &QDialog::accepted, this, [this] { Refill(); });
  connect(dialog, &QDialog::rejected, this, [entry] {
    // A new entry the user gave up stays an empty slot, as the phone has it.
    entry->Clear();
    entry->ClearChangedFlag();
  });
  dialog->open();
}

void MainWindow::DeleteSelected() {
  const std::vector<CEntry*> selected = m_pane->SelectedEntries();
  if (selected.empty()) return;
  if (QMessageBox::question(this, U("Smazat"), U("Smazat vybrané záznamy (%1)?").arg(selected.size())) !=
      QMessageBox::Yes)
    return;
  for (CEntry* entry : selected) m_book.DeleteEntry(entry);
  Refill();
}

RenumberDialog* MainWindow::MakeRenumberDialog(bool prefix) {
  std::vector<CEntry*> entries;
  for (Slot& s : m_book.slotList)
    if (!s.entry->IsEmpty()) entries.push_back(s.entry.get());
  auto* dialog = new RenumberDialog(prefix ? RenumberDialog::Mode::Prefix : RenumberDialog::Mode::Renumber,
                                    entries, &m_book.groups, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  connect(dialog, &QDialog::accepted, this, [this] { Refill(); });
  return dialog;
}

void MainWindow::RunRenumber(bool prefix) { MakeRenumberDialog(prefix)->open(); }

void MainWindow::closeEvent(QCloseEvent* event) {
  const size_t changed = m_book.ChangedLines().size();
  if (changed && !m_unattended) {
    const auto answer = QMessageBox::question(
        this, U("Marlow"), U("Změněné záznamy (%1) nebyly odeslány. Odeslat je před koncem?").arg(changed),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) {
      event->ignore();
      return;
    }
    std::string report;
    if (answer == QMessageBox::Yes && !SendChanges(report)) {
      Complain(QString::fromStdString(report));
      event->ignore();
      return;
    }
  }
  Shutdown();
  event->accept();
}

}  // namespace marlow
