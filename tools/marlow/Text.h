// Entry texts are 8-bit, in the process's ANSI code page; the widgets speak
// Unicode. These turn one into the other through the library's code-page
// functions, so the list, the dialogs and the files agree byte for byte.
#pragma once

#include <QString>
#include <string>

#include <sorrel/CString.h>

namespace marlow {

QString ToQt(const CString& text);
QString ToQt(const std::string& text);
// Characters the code page lacks become close letters or '?', as the library
// converts them everywhere else.
CString FromQt(const QString& text);

}  // namespace marlow
