#include "RenumberDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <sorrel/ExtendedItems.h>

#include "Book.h"
#include "EntryDialog.h"
#include "Text.h"

namespace marlow {

namespace {

// The items that hold phone numbers, besides the main number.
constexpr UINT kNumberItems[] = {ITEM_OFFICE,       ITEM_MOBILE,       ITEM_HOME,         ITEM_FAX,
                                 ITEM_OTHER_NUMBER, ITEM_PAGER,        ITEM_INFO_NUMBER1, ITEM_INFO_NUMBER2,
                                 ITEM_INFO_NUMBER3, ITEM_INFO_NUMBER4, ITEM_FAX2};

std::vector<CString> Numbers(const CEntry& entry) {
  std::vector<CString> numbers{entry.GetNum()};
  const CExtendedItems* items = entry.GetExtendedItems();
  for (UINT id : kNumberItems) {
    CString value;
    if (items) items->GetValueByID(id, value);
    numbers.push_back(value);
  }
  return numbers;
}

}  // namespace

RenumberDialog::RenumberDialog(Mode mode, std::vector<CEntry*> entries, CGroups* groups, QWidget* parent)
    : QDialog(parent), m_mode(mode), m_entries(std::move(entries)), m_groups(groups) {
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout();
  if (mode == Mode::Prefix) {
    setWindowTitle(QString::fromUtf8("Změna předvolby"));
    m_old = new QLineEdit(this);
    m_old->setObjectName("old");
    m_new = new QLineEdit(this);
    m_new->setObjectName("new");
    form->addRow(QString::fromUtf8("Původní předvolba:"), m_old);
    form->addRow(QString::fromUtf8("Nová předvolba:"), m_new);
    connect(m_old, &QLineEdit::textChanged, this, &RenumberDialog::Preview);
    connect(m_new, &QLineEdit::textChanged, this, &RenumberDialog::Preview);
  } else {
    setWindowTitle(QString::fromUtf8("Přečíslování"));
    m_international = new QCheckBox(QString::fromUtf8("Převést čísla do mezinárodního tvaru"), this);
    m_international->setObjectName("international");
    form->addRow(m_international);
    connect(m_international, &QCheckBox::toggled, this, &RenumberDialog::Preview);
  }
  layout->addLayout(form);
  layout->addWidget(new QLabel(QString::fromUtf8("Čísla, která se změní:"), this));
  m_table = new QTableWidget(0, 3, this);
  m_table->setHorizontalHeaderLabels(
      {ItemCaption(ITEM_NAME), QString::fromUtf8("Původní číslo"), QString::fromUtf8("Nové číslo")});
  m_table->horizontalHeader()->setStretchLastSection(true);
  m_table->verticalHeader()->hide();
  m_table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  layout->addWidget(m_table);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QString::fromUtf8("Použít"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("Storno"));
  connect(buttons, &QDialogButtonBox::accepted, this, &RenumberDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(560, 420);
  Preview();
}

int RenumberDialog::Run(CEntry& entry) {
  if (m_mode == Mode::Prefix) {
    const CString oldPrefix = FromQt(m_old->text());
    if (oldPrefix.IsEmpty()) return 0;
    return entry.ChangePrefixes(oldPrefix, FromQt(m_new->text()));
  }
  CArray<RenumPrefix, RenumPrefix&> builtIn;  // no rules of the user's: the built-in table
  return entry.Renumber(builtIn, m_international->isChecked() ? 1 : 0);
}

// The rule runs on a copy of each entry, read from the entry's own line.
void RenumberDialog::Preview() {
  m_table->setRowCount(0);
  for (CEntry* entry : m_entries) {
    CEntry copy;
    copy.FillFromText(Book::LineOf(*entry).c_str(), 1, 1, 0, m_groups);
    const std::vector<CString> before = Numbers(copy);
    Run(copy);
    const std::vector<CString> after = Numbers(copy);
    for (size_t i = 0; i < before.size(); ++i) {
      if (before[i].Compare(after[i]) == 0) continue;
      const int row = m_table->rowCount();
      m_table->insertRow(row);
      m_table->setItem(row, 0, new QTableWidgetItem(ToQt(entry->GetName())));
      m_table->setItem(row, 1, new QTableWidgetItem(ToQt(before[i])));
      m_table->setItem(row, 2, new QTableWidgetItem(ToQt(after[i])));
    }
  }
  m_table->resizeColumnsToContents();
}

void RenumberDialog::accept() {
  m_changed.clear();
  for (CEntry* entry : m_entries)
    if (Run(*entry)) m_changed.push_back(entry);
  QDialog::accept();
}

}  // namespace marlow
