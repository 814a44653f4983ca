// Renumbering and prefix change with a preview: the dialog works the rule out on
// copies of the entries, lists every number that would change, and applies the
// rule to the book's entries only when the user confirms.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include <sorrel/Entry.h>

class QLineEdit;
class QCheckBox;
class QTableWidget;

namespace marlow {

class RenumberDialog : public QDialog {
 public:
  enum class Mode { Renumber, Prefix };
  RenumberDialog(Mode mode, std::vector<CEntry*> entries, CGroups* groups, QWidget* parent);

  // The entries the rule changed once the dialog was accepted.
  const std::vector<CEntry*>& Changed() const { return m_changed; }
  void accept() override;

 private:
  // Applies the rule to one entry; 1 when it changed a number.
  int Run(CEntry& entry);
  void Preview();

  Mode m_mode;
  std::vector<CEntry*> m_entries;
  CGroups* m_groups;
  QLineEdit* m_old = nullptr;
  QLineEdit* m_new = nullptr;
  QCheckBox* m_international = nullptr;
  QTableWidget* m_table = nullptr;
  std::vector<CEntry*> m_changed;
};

}  // namespace marlow
