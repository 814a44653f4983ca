// The strings a host application supplies to the library from its own string
// table: the captions of the four base list columns and the two SMS labels. A
// host without a table of its own (the sorrel tool, the test host) registers
// these at start-up with SorrelRegisterSampleHostStrings().
#pragma once

#include <iterator>

#include "sorrel/Resources.h"

constexpr UINT IDS_SMS_FROM = 61576;  // the label of received messages (types 0 and 2)
constexpr UINT IDS_SMS_TO = 61562;    // the label of sent messages (type 1)

inline constexpr SorrelStringResource kSorrelSampleHostStrings[] = {
    {61462, "Pozice"},  // base column 1: the entry's position
    {61463, "Paměť"},   // base column 2: the phone memory
    {61464, "Jméno"},   // base column 3: the name
    {61465, "Číslo"},   // base column 4: the main number
    {IDS_SMS_FROM, "Od"},
    {IDS_SMS_TO, "Komu"},
};

inline void SorrelRegisterSampleHostStrings() {
  SorrelRegisterStringTable(kSorrelSampleHostStrings, std::size(kSorrelSampleHostStrings));
}
