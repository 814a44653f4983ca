#include "EntryDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <sorrel/COleDateTime.h>
#include <sorrel/ColumnInfos.h>
#include <sorrel/ExtendedItems.h>

#include "Text.h"

namespace marlow {

namespace {

// The extended text items in the order the dialog lists them; the synchronisation
// identifier is the phone's and is not edited.
constexpr UINT kTextItems[] = {ITEM_MOBILE, ITEM_OFFICE, ITEM_HOME, ITEM_FAX, ITEM_FAX2, ITEM_OTHER_NUMBER,
                               ITEM_PAGER, ITEM_EMAIL, ITEM_EMAIL2, ITEM_URL, ITEM_COMPANY, ITEM_TITLE,
                               ITEM_ADDRESS, ITEM_CITY, ITEM_ZIP, ITEM_STATE, ITEM_COUNTRY, ITEM_NOTE, ITEM_NOTE2,
                               ITEM_INFO_NUMBER1, ITEM_INFO_NUMBER2, ITEM_INFO_NUMBER3, ITEM_INFO_NUMBER4};
constexpr int kMaxText = 80;

QString BirthdayText(const CExtendedItems* items) {
  const double date = items ? items->GetValueByID(ITEM_BIRTHDAY) : NO_BIRTHDAY;
  return CExtendedItems::IsBirthdaySet(date) ? ToQt(COleDateTime(date).Format("%d.%m.%Y")) : QString();
}

}  // namespace

QString ItemCaption(UINT id) {
  CString caption;
  switch (id) {
    case ITEM_POSITION: caption.LoadString(IDS_COLUMN_POSITION); break;
    case ITEM_LOCATION: caption.LoadString(IDS_COLUMN_LOCATION); break;
    case ITEM_NAME: caption.LoadString(IDS_COLUMN_NAME); break;
    case ITEM_NUMBER: caption.LoadString(IDS_COLUMN_NUMBER); break;
    case ITEM_SYNC_ID: return QString::fromUtf8("Synchronizační identifikátor");
    default: caption.LoadString(id <= ITEM_URL ? id - 4 : id - 5); break;
  }
  return ToQt(caption);
}

QLineEdit* EntryDialog::AddLine(QFormLayout* form, UINT id, const QString& caption, const CString& value) {
  auto* edit = new QLineEdit(ToQt(value), this);
  edit->setObjectName(QString("item%1").arg(id));
  edit->setMaxLength(kMaxText);
  form->addRow(caption + ":", edit);
  return edit;
}

EntryDialog::EntryDialog(CEntry* entry, CGroups* groups, QWidget* parent)
    : QDialog(parent), m_entry(entry), m_groups(groups) {
  setWindowTitle(QString::fromUtf8("Záznam telefonního seznamu"));
  auto* tabs = new QTabWidget(this);

  auto* basic = new QWidget(tabs);
  auto* form = new QFormLayout(basic);
  CString name = entry->GetName();
  const bool marked = !name.IsEmpty() && name[name.GetLength() - 1] == '!';
  if (marked) name = name.Left(name.GetLength() - 1);
  m_name = AddLine(form, ITEM_NAME, ItemCaption(ITEM_NAME), name);
  if (entry->AllowsNameSurnameDivision())
    m_surname = AddLine(form, ITEM_SURNAME, ItemCaption(ITEM_SURNAME), entry->GetSurname());
  m_number = AddLine(form, ITEM_NUMBER, ItemCaption(ITEM_NUMBER), entry->GetNum());

  m_group = new QComboBox(basic);
  m_group->setObjectName("group");
  m_group->addItem(QString::fromUtf8("(žádná)"), 0u);
  for (int i = 0; i < groups->GetNGroups(); ++i) {
    const GroupInfo* g = groups->GetGroupByIndex(UINT(i));
    m_group->addItem(ToQt(g->strName), g->nID);
    if (g->nID == entry->GetGroupID()) m_group->setCurrentIndex(m_group->count() - 1);
  }
  form->addRow(ItemCaption(ITEM_GROUP) + ":", m_group);
  m_vip = new QCheckBox(QString::fromUtf8("VIP (vykřičník na konci jména)"), basic);
  m_vip->setObjectName("vip");
  m_vip->setChecked(marked);
  form->addRow(QString(), m_vip);
  form->addRow(ItemCaption(ITEM_LOCATION) + ":", new QLabel(QString::number(entry->GetLocation()), basic));
  form->addRow(ItemCaption(ITEM_POSITION) + ":", new QLabel(QString::number(entry->GetPos()), basic));
  tabs->addTab(basic, QString::fromUtf8("Základní údaje"));

  if (const CExtendedItems* items = entry->GetExtendedItems()) {
    auto* scroll = new QScrollArea(tabs);
    auto* page = new QWidget(scroll);
    auto* more = new QFormLayout(page);
    for (UINT id : kTextItems) {
      CString value;
      items->GetValueByID(id, value);
      m_items[id] = AddLine(more, id, ItemCaption(id), value);
    }
    m_birthday = AddLine(more, ITEM_BIRTHDAY, ItemCaption(ITEM_BIRTHDAY), FromQt(BirthdayText(items)));
    m_birthday->setPlaceholderText(QString::fromUtf8("dd.mm.rrrr"));
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    tabs->addTab(scroll, QString::fromUtf8("Další údaje"));
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromUtf8("Storno"));
  connect(buttons, &QDialogButtonBox::accepted, this, &EntryDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
  resize(420, 460);
}

void EntryDialog::accept() {
  if (Apply()) QDialog::accept();
}

bool EntryDialog::Apply() {
  double birthday = NO_BIRTHDAY;
  if (m_birthday && !m_birthday->text().trimmed().isEmpty()) {
    const QDate date = QDate::fromString(m_birthday->text().trimmed(), "d.M.yyyy");
    if (!date.isValid()) {
      QMessageBox::warning(this, windowTitle(),
                           QString::fromUtf8("Datum narození „%1“ není platné; zadejte je jako den.měsíc.rok.")
                               .arg(m_birthday->text()));
      return false;
    }
    birthday = COleDateTime(date.year(), date.month(), date.day(), 0, 0, 0).m_dt;
  }

  // Group first: with the groups list it decides the VIP flag, which a name
  // ending in "!" then sets again.
  const UINT group = m_group->currentData().toUInt();
  if (group != m_entry->GetGroupID()) m_entry->SetGroupID(group, m_groups);
  CString name = FromQt(m_name->text());
  if (m_vip->isChecked()) name += '!';
  if (name.Compare(m_entry->GetName()) != 0) m_entry->SetName(name, NO_LIMIT);
  if (m_surname && FromQt(m_surname->text()).Compare(m_entry->GetSurname()) != 0)
    m_entry->SetSurname(FromQt(m_surname->text()), NO_LIMIT);
  if (FromQt(m_number->text()).Compare(m_entry->GetNum()) != 0) m_entry->SetNum(FromQt(m_number->text()), NO_LIMIT);

  // The extended items' setter leaves the change flag alone: a real change
  // raises it here.
  if (CExtendedItems* items = m_entry->GetExtendedItems()) {
    for (const auto& [id, edit] : m_items) {
      CString old;
      items->GetValueByID(id, old);
      const CString value = FromQt(edit->text());
      if (value.Compare(old) == 0) continue;
      m_entry->SetExtItem(id, value, NO_LIMIT);
      m_entry->SetChangedFlag();
    }
    const double old = items->GetValueByID(ITEM_BIRTHDAY);
    if (CExtendedItems::IsBirthdaySet(old) != CExtendedItems::IsBirthdaySet(birthday) ||
        (CExtendedItems::IsBirthdaySet(birthday) && int(old) != int(birthday))) {
      m_entry->SetExtItem(ITEM_BIRTHDAY, birthday);
      m_entry->SetChangedFlag();
    }
  }
  return true;
}

}  // namespace marlow
