#include "sorrel/ColumnInfos.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "listview/ColumnValueName.h"
#include "model/Captions.h"
#include "platform/SettingsKey.h"

namespace {

using sorrel::SettingsKey;

constexpr UINT kNotFound = 0xFFFFFFFF;

struct BaseColumn {
  UINT nID;
  UINT nWidth;
  UINT nJustification;
  UINT nCaptionID;
};

constexpr BaseColumn kBaseColumns[] = {
    {ITEM_POSITION, 50, 0, IDS_COLUMN_POSITION},
    {ITEM_LOCATION, 60, 0, IDS_COLUMN_LOCATION},
    {ITEM_NAME, 150, 1, IDS_COLUMN_NAME},
    {ITEM_NUMBER, 150, 1, IDS_COLUMN_NUMBER},
};

using ValueName = sorrel::ColumnValueName;

// A stored value replaces the field; a missing one is written from the field.
void ReadOrStoreDefault(const SettingsKey& key, LPCSTR name, UINT& field) {
  DWORD stored;
  if (key.ReadDword(name, stored))
    field = stored;
  else
    key.WriteDword(name, field);
}

}  // namespace

CColumnInfos::CColumnInfos()
    : m_strRegKey("Software\\Tovik\\Marlow\\ListCtrl"),
      m_bAscending(1),
      m_nExtPBItemsFilledSimultaneously(0),
      m_bSurnamePositioned(0) {
  {
    SettingsKey key(m_strRegKey, SettingsKey::kOpenOrCreate);
    for (const BaseColumn& base : kBaseColumns) {
      auto column = std::make_unique<ColumnInfo>();
      column->nID = base.nID;
      column->nIndexInCtrl = UINT(m_Columns.GetSize());
      column->nWidth = base.nWidth;
      column->nJustification = base.nJustification;
      ReadOrStoreDefault(key, ValueName(base.nID, "Width"), column->nWidth);
      ReadOrStoreDefault(key, ValueName(base.nID, "Justification"), column->nJustification);
      // The host's string table holds these captions.
      column->strCaption.LoadString(base.nCaptionID);
      m_Columns.Add(column.release());
    }
    DWORD ascending;
    if (key.ReadDword("AscendingSort", ascending))
      m_bAscending = int(ascending);
    else
      key.WriteDword("AscendingSort", 1);
  }
  SettingsKey key(m_strRegKey, SettingsKey::kOpenOrCreate);
  m_ColPositions.SetSize(4);
  for (UINT i = 0; i < 4; ++i) {
    UINT position = i;
    ReadOrStoreDefault(key, ValueName(m_Columns[i]->nID, "Position"), position);
    m_ColPositions[i] = position;
  }
}

CColumnInfos::~CColumnInfos() {
  if (m_Columns.GetSize() > 0) {
    SettingsKey key(m_strRegKey, SettingsKey::kOpen);
    for (INT_PTR i = 0; i < m_Columns.GetSize(); ++i) {
      std::unique_ptr<ColumnInfo> column(m_Columns[i]);
      if (key.IsOpen()) {
        if (i < m_ColPositions.GetSize()) key.WriteDword(ValueName(column->nID, "Position"), m_ColPositions[i]);
        key.WriteDword(ValueName(column->nID, "Width"), column->nWidth);
        key.WriteDword(ValueName(column->nID, "Justification"), column->nJustification);
        key.WriteDword("AscendingSort", DWORD(m_bAscending));
      }
    }
    key.Close();
    m_Columns.RemoveAll();
  }
  SaveSecondarySortKeys();
}

void CColumnInfos::AddColumn(UINT nID, UINT nWidth, UINT nJustification, UINT nMaxLen) {
  auto column = std::make_unique<ColumnInfo>();
  column->nID = nID;
  column->nIndexInCtrl = UINT(m_Columns.GetSize());
  // The library's caption; the base columns and item 28 have none.
  sorrel::LoadItemCaption(nID, column->strCaption);
  column->nWidth = nWidth;
  column->nJustification = nJustification;
  column->nMaxLen = nMaxLen;
  ColumnInfo* added = column.release();
  m_Columns.Add(added);

  UINT position = 0;
  if (!m_ColPositions.IsEmpty()) position = *std::max_element(m_ColPositions.begin(), m_ColPositions.end()) + 1;
  INT_PTR slot = m_ColPositions.Add(position);

  SettingsKey key(m_strRegKey, SettingsKey::kOpenOrCreate);
  DWORD stored;
  if (key.ReadDword(ValueName(nID, "Position"), stored)) {
    // A stored surname position, even a refused one, means the user placed it.
    if (nID == ITEM_SURNAME) m_bSurnamePositioned = 1;
    if (std::find(m_ColPositions.begin(), m_ColPositions.end(), stored) == m_ColPositions.end())
      m_ColPositions[slot] = stored;
  }
  if (key.ReadDword(ValueName(nID, "Width"), stored)) added->nWidth = stored;
  if (key.ReadDword(ValueName(nID, "Justification"), stored)) added->nJustification = stored;
}

int CColumnInfos::InsertColumns2Ctrl(CMarlowList& list) {
  if (m_Columns.IsEmpty()) return 0;
  for (ColumnInfo* column : m_Columns)
    if (list.InsertColumn(int(column->nIndexInCtrl), column->strCaption, LVCFMT_CENTER, int(column->nWidth), -1) < 0)
      return 0;
  SetColumnsPositions(list);
  return 1;
}

int CColumnInfos::SetColumnWidth(UINT nIndex, UINT nWidth) {
  ColumnInfo* column = FindColumnByIndexInCtrl(nIndex);
  if (!column) return 0;
  column->nWidth = nWidth;
  return 1;
}

void CColumnInfos::SetColumnsPositions(CMarlowList& list) {
  const INT_PTR n = m_ColPositions.GetSize();
  if (n == 0) return;

  // order[position] = index. A position out of range, or one an earlier column
  // already holds (a hand-edited store), would write outside the array or hide a
  // column: such columns are shown after the others, in index order.
  std::vector<int> order(size_t(n), -1);
  std::vector<int> misplaced;
  for (INT_PTR i = 0; i < n; ++i) {
    UINT position = m_ColPositions[i];
    if (position < UINT(n) && order[position] < 0)
      order[position] = int(i);
    else
      misplaced.push_back(int(i));
  }
  if (!misplaced.empty()) {
    std::erase(order, -1);
    order.insert(order.end(), misplaced.begin(), misplaced.end());
  }

  list.SetColumnOrderArray(int(n), order.data());
  LRESULT count = list.SendMessage(LVM_GETITEMCOUNT);
  if (count > 0) list.SendMessage(LVM_REDRAWITEMS, 0, count - 1);

  // Once per object the surname column takes the place right after the name.
  if (!m_bSurnamePositioned && FindColumnByID(ITEM_SURNAME)) {
    m_bSurnamePositioned = 1;
    UINT name = GetIndexInArrayByID(ITEM_NAME);
    if (name != kNotFound) MoveColumns(name + 1, GetIndexInArrayByID(ITEM_SURNAME), list);
  }
}

void CColumnInfos::MoveColumns(UINT nTarget, UINT nMoved, CMarlowList& list) {
  const UINT n = UINT(m_ColPositions.GetSize());
  if (n == 0 || nTarget >= n || nMoved >= n) return;
  const UINT target = m_ColPositions[nTarget];
  const UINT old = m_ColPositions[nMoved];
  m_ColPositions[nMoved] = target;
  for (UINT i = 0; i < n; ++i) {
    if (i == nMoved) continue;
    UINT& p = m_ColPositions[i];
    if (old > target) {
      if (target <= p && p < old) ++p;
    } else if (old < p && p <= target) {
      --p;
    }
  }
  SetColumnsPositions(list);
}

void CColumnInfos::DefragmentColumnsPositions() {
  const UINT n = UINT(m_ColPositions.GetSize());
  for (UINT v = 0; v < n; ++v) {
    // A stored 0xFFFFFFFF (a hand-edited -1) is a position like any other:
    // when it is the only one left above v it is lowered to v.
    UINT next = kNotFound;
    for (UINT p : m_ColPositions)
      if (p >= v && p < next) next = p;
    if (next == v) continue;
    for (UINT& p : m_ColPositions)
      if (p > v) p -= next - v;
  }
}

ColumnInfo* CColumnInfos::FindColumnByIndexInCtrl(UINT nIndex) {
  for (ColumnInfo* column : m_Columns)
    if (column->nIndexInCtrl == nIndex) return column;
  return nullptr;
}

ColumnInfo* CColumnInfos::FindColumnByPosInCtrl(UINT nPos) {
  const INT_PTR n = std::min(m_Columns.GetSize(), m_ColPositions.GetSize());
  for (INT_PTR i = 0; i < n; ++i)
    if (m_ColPositions[i] == nPos) return m_Columns[i];
  return nullptr;
}

ColumnInfo* CColumnInfos::FindColumnByID(UINT nID) {
  for (ColumnInfo* column : m_Columns)
    if (column->nID == nID) return column;
  return nullptr;
}

UINT CColumnInfos::GetIndexInArrayByID(UINT nID) {
  for (INT_PTR i = 0; i < m_Columns.GetSize(); ++i)
    if (m_Columns[i]->nID == nID) return UINT(i);
  return kNotFound;
}

UINT CColumnInfos::GetColMaxLen(UINT nID) {
  ColumnInfo* column = FindColumnByID(nID);
  return column ? column->nMaxLen : 0;
}

int CColumnInfos::IsIDBase(UINT nID) { return nID >= ITEM_POSITION && nID <= ITEM_NUMBER; }

UINT CColumnInfos::GetNExtColumns() {
  return UINT(std::count_if(m_Columns.begin(), m_Columns.end(),
                            [this](const ColumnInfo* column) { return !IsIDBase(column->nID); }));
}
