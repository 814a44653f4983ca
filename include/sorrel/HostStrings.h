// The strings a host application supplies to the library from its own string
// table: the captions of the four base list columns and the two SMS labels. A
// host without a table of its own (the sorrel tool, the test host) registers
// these at start-up with SorrelRegisterSampleHostStrings().
#pragma once

#include <iterator>

#include "sorrel/ColumnInfos.h"
#include "sorrel/Resources.h"

constexpr UINT IDS_SMS_FROM = 61576;  // the label of received messages (types 0 and 2)
constexpr UINT IDS_SMS_TO = 61562;    // the label of sent messages (type 1)

inline constexpr SorrelStringResource kSorrelSampleHostStrings[] = {
    {IDS_COLUMN_POSITION, "Pozice"},  // base column 1: the entry's position
    {IDS_COLUMN_LOCATION, "Paměť"},   // base column 2: the phone memory
    {IDS_COLUMN_NAME, "Jméno"},       // base column 3: the name
    {IDS_COLUMN_NUMBER, "Číslo"},     // base column 4: the main number
    {IDS_SMS_FROM, "Od"},
    {IDS_SMS_TO, "Komu"},
};

inline void SorrelRegisterSampleHostStrings() {
  SorrelRegisterStringTable(kSorrelSampleHostStrings, std::size(kSorrelSampleHostStrings));
}
