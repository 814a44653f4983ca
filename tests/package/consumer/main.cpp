// Reads a phone text line through the installed library and writes it back, and
// opens a printer context.
#include <sorrel/Sorrel.h>

#include <cstdio>
#include <cstring>

int main() {
  const char* line = "2,17,\"Jan\"\"Novak\",\"+420123456789\",5,\"222333444\",31,\"36526.000000\",3\n";
  CGroups groups;
  groups.FillFromText("3,\"Rodina\",12,0", 0);
  CObject* object = RUNTIME_CLASS(CEntry)->CreateObject();
  CEntry* entry = static_cast<CEntry*>(object);
  entry->FillFromText(line, 1, 1, 0, &groups);
  CString out;
  entry->GetAsText(out, 1, 0);
  // The installed header and the library's version block tell the same version.
  bool ok = std::strcmp(out, line) == 0 && std::strcmp(entry->GetRuntimeClass()->m_lpszClassName, "CEntry") == 0 &&
            std::strcmp(SorrelQueryVersionValue("ProductVersion"), SORREL_FILE_VERSION) == 0;
  // A printer context comes from the toolkit module installed beside the library.
  HDC pdf = CreateDCA("PDF", "", "/dev/null", nullptr);
  ok = ok && pdf != nullptr && DeleteDC(pdf);
  std::printf("%s", static_cast<const char*>(out));
  delete object;
  return ok ? 0 : 1;
}
