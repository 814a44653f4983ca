// The dialog for one entry: name, surname, number, group and VIP mark, and the
// extended items the entry has. OK applies what the user changed through the
// entry's setters, each only where the value really differs, so an entry opened
// and confirmed unchanged stays unchanged and is not sent to the phone.
#pragma once

#include <QDialog>
#include <map>

#include <sorrel/Entry.h>
#include <sorrel/Groups.h>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLineEdit;

namespace marlow {

class EntryDialog : public QDialog {
 public:
  EntryDialog(CEntry* entry, CGroups* groups, QWidget* parent);

  // Every editing widget is named "item<id>" (name item3, number item4, surname
  // item12, birthday item31), the group box "group" and the mark "vip".
  void accept() override;

 private:
  bool Apply();  // false with a message when a value is not acceptable
  QLineEdit* AddLine(QFormLayout* form, UINT id, const QString& caption, const CString& value);

  CEntry* m_entry;
  CGroups* m_groups;
  QLineEdit* m_name = nullptr;
  QLineEdit* m_surname = nullptr;
  QLineEdit* m_number = nullptr;
  QLineEdit* m_birthday = nullptr;
  QComboBox* m_group = nullptr;
  QCheckBox* m_vip = nullptr;
  std::map<UINT, QLineEdit*> m_items;  // the extended text items
};

// The caption of an item as the list shows it: the host's strings for the base
// columns, the library's for the extended items.
QString ItemCaption(UINT id);

}  // namespace marlow
