#include "model/Captions.h"

#include <iterator>

#include "platform/Resources.h"
#include "sorrel/ExtendedItems.h"

namespace {

// The captions of the extended items (Czech), strings 1 to 26: ids 5 to 27, then
// 29 to 31 (sorrel::ItemCaptionID).
constexpr SorrelStringResource kItemCaptions[] = {
    {1, "Kancelář"},     {2, "Mobil"},         {3, "Domů"},          {4, "Fax"},
    {5, "E-mail"},       {6, "Adresa"},        {7, "Poznámka"},      {8, "Příjmení"},
    {9, "Firma"},        {10, "Funkce"},       {11, "Další číslo"},  {12, "Pager"},
    {13, "E-mail 2"},    {14, "Město"},        {15, "Stát"},         {16, "PSČ"},
    {17, "Země"},        {18, "Info číslo 1"}, {19, "Info číslo 2"}, {20, "Info číslo 3"},
    {21, "Info číslo 4"}, {22, "Skupina"},     {23, "URL"},          {24, "Poznámka 2"},
    {25, "Fax 2"},       {26, "Narozeniny"},
};
static_assert(std::size(kItemCaptions) == sorrel::ItemCaptionID(ITEM_BIRTHDAY));

// The captions are the library's string table from the moment it is loaded, as
// a resource section would be.
const bool g_captionsInPlace = (sorrel::SetLibraryStringTable(kItemCaptions, std::size(kItemCaptions)), true);

}  // namespace

namespace sorrel {

int LoadItemCaption(UINT nID, CString& caption) {
  (void)g_captionsInPlace;
  return LoadCaption(ItemCaptionID(nID), caption);
}

}  // namespace sorrel
