// Item ids in the orders in which the entry operations visit them.
#pragma once

#include "sorrel/ExtendedItems.h"

namespace sorrel {

// The text items a user sees, in ascending id order: every text item but the
// synchronisation identifier (28), which is neither searched nor exported.
inline constexpr UINT kVisibleTextItems[] = {
    ITEM_OFFICE,       ITEM_MOBILE, ITEM_HOME,   ITEM_FAX,          ITEM_EMAIL,        ITEM_ADDRESS,
    ITEM_NOTE,         ITEM_COMPANY, ITEM_TITLE, ITEM_OTHER_NUMBER, ITEM_PAGER,        ITEM_EMAIL2,
    ITEM_CITY,         ITEM_STATE,  ITEM_ZIP,    ITEM_COUNTRY,      ITEM_INFO_NUMBER1, ITEM_INFO_NUMBER2,
    ITEM_INFO_NUMBER3, ITEM_INFO_NUMBER4, ITEM_URL, ITEM_NOTE2,     ITEM_FAX2};

// The items that hold phone numbers besides the main number: the ones that are
// renumbered and that become entries of their own when an entry is split. The
// second fax number (30) has never been among them.
inline constexpr UINT kNumberItems[] = {ITEM_OFFICE,       ITEM_MOBILE,       ITEM_HOME,         ITEM_FAX,
                                        ITEM_OTHER_NUMBER, ITEM_PAGER,        ITEM_INFO_NUMBER1, ITEM_INFO_NUMBER2,
                                        ITEM_INFO_NUMBER3, ITEM_INFO_NUMBER4};

}  // namespace sorrel
