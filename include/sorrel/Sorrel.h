// Sorrel: phone book entries, their exchange formats and their presentation.
// This header brings in every public class and function of the library.
#pragma once

#include "sorrel/Types.h"
#include "sorrel/Rect.h"
#include "sorrel/CArray.h"
#include "sorrel/CObject.h"
#include "sorrel/COleDateTime.h"
#include "sorrel/CString.h"
#include "sorrel/CodePage.h"
#include "sorrel/Registry.h"
#include "sorrel/Resources.h"
#include "sorrel/ExtendedItems.h"
#include "sorrel/Groups.h"
#include "sorrel/Entry.h"
#include "sorrel/Wnd.h"
#include "sorrel/ListCtrl.h"
#include "sorrel/ColumnInfos.h"
#include "sorrel/HostStrings.h"
#include "sorrel/Gdi.h"
#include "sorrel/PrintSettings.h"
#include "sorrel/PrintDialog.h"
#include "sorrel/Printing.h"
#include "sorrel/Splash.h"
#include "sorrel/Sync.h"
#include "sorrel/VCardImport.h"
#include "sorrel/Dde.h"
#include "sorrel/DDEStuff.h"
#include "sorrel/DlgWait4Quillon.h"
#include "sorrel/Quillon.h"

#define SORREL_VERSION_MAJOR 1
#define SORREL_VERSION_MINOR 5
#define SORREL_VERSION_PATCH 0
