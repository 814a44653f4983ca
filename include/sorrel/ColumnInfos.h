// The columns of the host's phone book list view (their captions, widths,
// alignment codes and display order, kept per user in the registry) and the
// chain of sort keys by which the list's entries are compared.
#pragma once

#include "sorrel/CArray.h"
#include "sorrel/CObject.h"
#include "sorrel/CString.h"
#include "sorrel/Entry.h"
#include "sorrel/Groups.h"
#include "sorrel/ListCtrl.h"

// One list column. Column ids are the item ids; 1 to 4 are the base columns.
struct ColumnInfo {
  UINT nID = 0;
  UINT nIndexInCtrl = 0;   // place in the column array and in the list control
  CString strCaption;
  UINT nWidth = 0;         // pixels
  UINT nJustification = 0; // the host's alignment code, kept but never interpreted
  UINT nMaxLen = 0;        // 0 for the base columns
};

// The host strings that caption the four base columns.
constexpr UINT IDS_COLUMN_POSITION = 61462;
constexpr UINT IDS_COLUMN_LOCATION = 61463;
constexpr UINT IDS_COLUMN_NAME = 61464;
constexpr UINT IDS_COLUMN_NUMBER = 61465;

class SORREL_API CColumnInfos : public CObject {
 public:
  // Loads the four base columns, their positions and the sort direction, storing
  // the defaults of whatever is missing.
  CColumnInfos();
  // Writes every column's position, width and alignment code, the direction and
  // the sort chain back.
  ~CColumnInfos() override;
  CColumnInfos(const CColumnInfos&) = delete;
  CColumnInfos& operator=(const CColumnInfos&) = delete;

  // ---- the columns -----------------------------------------------------------
  // 1 when every column went into the control.
  int InsertColumns2Ctrl(CMarlowList& list);
  void AddColumn(UINT nID, UINT nWidth, UINT nJustification, UINT nMaxLen);
  // By index, not by id; 0 when no column has that index.
  int SetColumnWidth(UINT nIndex, UINT nWidth);
  void SetColumnsPositions(CMarlowList& list);
  // Shows the column at index nMoved where the column at index nTarget is shown.
  void MoveColumns(UINT nTarget, UINT nMoved, CMarlowList& list);
  void DefragmentColumnsPositions();

  ColumnInfo* FindColumnByIndexInCtrl(UINT nIndex);
  ColumnInfo* FindColumnByPosInCtrl(UINT nPos);
  ColumnInfo* FindColumnByID(UINT nID);
  UINT GetIndexInArrayByID(UINT nID);
  UINT GetColMaxLen(UINT nID);
  int IsIDBase(UINT nID);
  UINT GetNExtColumns();
  void SetNExtPBItemsFilledSimultaneously(UINT n) { m_nExtPBItemsFilledSimultaneously = n; }
  UINT GetNExtPBItemsFilledSimultaneously() { return m_nExtPBItemsFilledSimultaneously; }
  // The arrays themselves; the records stay owned by this object.
  CArray<ColumnInfo*, ColumnInfo*>* GetColumnsArray() { return &m_Columns; }
  CArray<UINT, UINT>* GetColPositions() { return &m_ColPositions; }

  // ---- sorting -----------------------------------------------------------------
  // The ascending relation of the two entries under the key chain: negative when
  // the first sorts before the second. pGroups may be null.
  int CompareEntries(CEntry& first, CEntry& second, CGroups* pGroups);
  int IsSortAscending() { return m_bAscending; }
  void SetSortingDirection(int bAscending) { m_bAscending = bAscending; }
  CArray<UINT, UINT>* GetSortKeys() { return &m_SortKeys; }
  UINT GetColumnIDByPriority(UINT nPriority);
  UINT GetColumnPriorityByID(UINT nID);
  void ChangeSortKeyPriority(UINT nPriority1, UINT nPriority2);
  // The chain for primary column nPrimaryID; 0xFFFFFFFF restores the one saved last.
  void LoadSecondarySortKeys(UINT nPrimaryID);
  void SaveSecondarySortKeys();
  void CorrectSecondarySortKeys(UINT nPrimaryID);

 private:
  CString m_strRegKey;
  CArray<ColumnInfo*, ColumnInfo*> m_Columns;
  CArray<UINT, UINT> m_ColPositions;
  CArray<UINT, UINT> m_SortKeys;
  int m_bAscending;
  UINT m_nExtPBItemsFilledSimultaneously;
  int m_bSurnamePositioned;
};
