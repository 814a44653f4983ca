// The phone book manager's window: the list with its search box, the menus for
// files, the phone, editing, the columns and printing, and a status line.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "Book.h"

class QLabel;
class QLineEdit;
class QMenu;

namespace marlow {

class ListPane;
class PhoneLink;
class EntryDialog;

class MainWindow : public QMainWindow {
 public:
  // link may be null or unconnected: the book then comes from files.
  MainWindow(PhoneLink* link, QWidget* parent = nullptr);
  ~MainWindow() override;

  Book& GetBook() { return m_book; }
  ListPane& Pane() { return *m_pane; }

  bool LoadFromPhone(std::string& error);
  bool OpenFile(const std::string& path, std::string& error);
  bool ImportVCards(const std::vector<std::string>& paths, std::string& report);
  // Every changed entry to the phone (or into the open book file); the report
  // names each slot that was refused.
  bool SendChanges(std::string& report);
  bool Export(const std::string& path, int form, std::string& error);  // 21, 10 or 0 (CSV)
  // The list (or its selected rows) through the print dialog and the print job;
  // with pdfPath the dialog is confirmed for a PDF file without being shown.
  bool Print(bool twoColumns, bool selectedOnly, const std::string& pdfPath, std::string& error);
  void SetExtColumns(const std::vector<UINT>& ids);
  void Search(const QString& text);
  void Refill();

  // The entry dialog, opened on the entry and not yet run; the caller shows it.
  EntryDialog* MakeEntryDialog(CEntry* entry);
  void AfterEdit(CEntry* entry);
  // The renumbering (or prefix change) dialog over every entry, not yet run.
  class RenumberDialog* MakeRenumberDialog(bool prefix);

  // Driven by a script or a command line: closing asks nothing.
  void SetUnattended(bool unattended) { m_unattended = unattended; }

  // Writes the column settings back (destroying the column model) and takes the
  // list down; the window is not usable afterwards.
  void Shutdown();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void UpdateStatus();
  void EditSelected();
  void NewEntry();
  void DeleteSelected();
  void RunRenumber(bool prefix);
  void ChooseColumns(QMenu* menu);
  void Complain(const QString& what);

  Book m_book;
  PhoneLink* m_link;
  std::string m_bookPath;  // the open book file, when the book is not the phone's
  std::unique_ptr<ListPane> m_pane;
  QLineEdit* m_search = nullptr;
  QLabel* m_status = nullptr;
  bool m_unattended = false;
};

// The extended columns the user chose to show, as stored ("12,26,9").
std::vector<UINT> LoadShownColumns();
void SaveShownColumns(const std::vector<UINT>& ids);

}  // namespace marlow
