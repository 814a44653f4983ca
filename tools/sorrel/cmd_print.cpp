// sorrel print: a phone book or an SMS list printed as the hosts print it, to a
// PDF file or a CUPS queue.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Book.h"
#include "Command.h"
#include "Table.h"

namespace {

const char kDescription[] =
    "Prints the phone book's entries in the book's order, each as its name line\n"
    "(\"Surname Name: number\") and its extended items (\"Caption: value\"), as the\n"
    "phone book application prints its list; or, with --sms, an SMS list instead of\n"
    "a book. Without -o or -P the job goes to the default CUPS queue.\n"
    "\n"
    "An SMS list is UTF-8 text, one message a line, five fields separated by tabs:\n"
    "  TYPE NUMBER NAME INFO TEXT\n"
    "TYPE is in (received), out (sent) or the record's type number; in NAME, INFO\n"
    "and TEXT \\n, \\r, \\t and \\\\ stand for a line break, a CR, a tab and a\n"
    "backslash. Empty lines and lines starting with # are skipped. A line that\n"
    "cannot be read is reported (file, line, reason) and left out; the rest prints.\n";

constexpr const char* kCommand = "print";
char kFontKey[] = "Print";  // the print font's name in the stored font settings

bool ParseNumbers(const std::string& text, std::vector<double>& out) {
  out.clear();
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    const std::string part = text.substr(start, end - start);
    char* stop = nullptr;
    errno = 0;
    const double v = std::strtod(part.c_str(), &stop);
    if (part.empty() || *stop != '\0' || errno != 0 || v < 0 || v > 1e6) return false;
    out.push_back(v);
    start = end + 1;
  }
  return true;
}

// "\n", "\r", "\t" and "\\" in a field of the SMS list.
bool Unescape(const std::string& in, std::string& out) {
  out.clear();
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\') {
      out += in[i];
      continue;
    }
    if (++i == in.size()) return false;
    switch (in[i]) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      default: return false;
    }
  }
  return true;
}

// The messages of an SMS list file; bad lines are reported and left out.
bool LoadSmsList(const std::string& path, std::vector<std::unique_ptr<CSMS>>& out, int& rejected,
                 std::string& error) {
  std::string data;
  if (!tool::ReadFile(path, data, error)) return false;
  size_t start = 0;
  int lineNumber = 0;
  while (start < data.size()) {
    size_t end = data.find('\n', start);
    if (end == std::string::npos) end = data.size();
    std::string line = data.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    size_t f = 0;
    while (true) {
      size_t tab = line.find('\t', f);
      fields.push_back(line.substr(f, tab == std::string::npos ? std::string::npos : tab - f));
      if (tab == std::string::npos) break;
      f = tab + 1;
    }
    auto reject = [&](const std::string& reason) {
      std::fprintf(stderr, "sorrel print: %s:%d: %s; line left out\n", path.c_str(), lineNumber, reason.c_str());
      ++rejected;
    };
    if (fields.size() != 5) {
      reject("needs 5 tab-separated fields (TYPE NUMBER NAME INFO TEXT), has " + std::to_string(fields.size()));
      continue;
    }
    unsigned type = 0;
    if (fields[0] == "in") {
      type = 0;
    } else if (fields[0] == "out") {
      type = 1;
    } else {
      char* stop = nullptr;
      unsigned long v = std::strtoul(fields[0].c_str(), &stop, 10);
      if (fields[0].empty() || *stop != '\0' || v > 0xFFFFFFFFul) {
        reject("type '" + fields[0] + "' is not in, out or a number");
        continue;
      }
      type = unsigned(v);
    }
    std::string name, info, text;
    if (!Unescape(fields[2], name) || !Unescape(fields[3], info) || !Unescape(fields[4], text)) {
      reject("a backslash that is not \\n, \\r, \\t or \\\\");
      continue;
    }
    CString ansi[4];
    std::string why;
    const std::string* texts[4] = {&fields[1], &name, &info, &text};
    bool encoded = true;
    for (int t = 0; t < 4 && encoded; ++t) encoded = tool::FromUtf8(*texts[t], ansi[t], why);
    if (!encoded) {
      reject(why);
      continue;
    }
    auto sms = std::make_unique<CSMS>();
    sms->SetType(type);
    sms->SetNumber(ansi[0]);
    sms->SetName(ansi[1]);
    sms->WasSeeked4Name(1);
    sms->SetInfoText(ansi[2]);
    sms->GetText() = ansi[3];
    sms->SetPos(unsigned(out.size() + 1));
    out.push_back(std::move(sms));
  }
  return true;
}

// Shows, on a terminal, that a long job is still going.
class Ticker {
 public:
  explicit Ticker(size_t rows) {
    if (!isatty(STDERR_FILENO)) return;
    m_thread = std::thread([this, rows] {
      const auto begin = std::chrono::steady_clock::now();
      std::unique_lock lock(m_mutex);
      while (!m_cv.wait_for(lock, std::chrono::milliseconds(250), [this] { return m_done; })) {
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (s < 1) continue;
        std::fprintf(stderr, "\rsorrel print: laying out and drawing %zu rows... %.0f s", rows, s);
        m_shown = true;
      }
      if (m_shown) std::fprintf(stderr, "\r\033[K");
    });
  }
  ~Ticker() {
    {
      std::lock_guard lock(m_mutex);
      m_done = true;
    }
    m_cv.notify_all();
    if (m_thread.joinable()) m_thread.join();
  }

 private:
  std::thread m_thread;
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_done = false;
  bool m_shown = false;
};

struct Options {
  std::string book, output, queue, sms, png, title, font;
  bool twoColumns = false, save = false;
  bool haveSize = false, haveMargins = false;
  double size = 0;
  std::vector<double> margins;
  std::vector<double> selected;
  std::vector<UINT> columns;
  bool haveColumns = false;
};

int ReadArgs(const tool::Args& args, Options& o) {
  if (!args.Operands().empty()) o.book = args.Operands()[0];
  o.output = args.Value("-o");
  o.queue = args.Value("-P");
  o.sms = args.Value("--sms");
  o.png = args.Value("--png");
  o.title = args.Value("--title");
  o.twoColumns = args.Has("--two-columns");
  o.save = args.Has("--save");
  if (args.Has("--font")) {
    o.font = args.Value("--font");
    if (o.font.empty() || o.font.size() >= LF_FACESIZE) return tool::Usage(kCommand, "--font: a face name of 1 to 31 bytes");
  }
  if (args.Has("--size")) {
    const std::string v = args.Value("--size");
    std::vector<double> n;
    if (!ParseNumbers(v, n) || n.size() != 1 || n[0] < 1 || n[0] > 1000)
      return tool::Usage(kCommand, "--size: a number of points from 1 to 1000, not '" + v + "'");
    o.size = n[0];
    o.haveSize = true;
  }
  if (args.Has("--margins")) {
    const std::string v = args.Value("--margins");
    if (!ParseNumbers(v, o.margins) || o.margins.size() != 4)
      return tool::Usage(kCommand, "--margins: four millimetre figures L,T,R,B, not '" + v + "'");
    o.haveMargins = true;
  }
  if (args.Has("--selected")) {
    const std::string v = args.Value("--selected");
    bool whole = ParseNumbers(v, o.selected);
    for (double p : o.selected) whole = whole && p == double(UINT(p));
    if (!whole) return tool::Usage(kCommand, "--selected: positions as 3,17,40, not '" + v + "'");
  }
  if (args.Has("--columns")) {
    std::string error;
    if (!tool::ParseColumnList(args.Value("--columns"), o.columns, error)) return tool::Usage(kCommand, "--columns: " + error);
    o.haveColumns = true;
  }
  if (!o.output.empty() && !o.queue.empty()) return tool::Usage(kCommand, "-o and -P: choose one");
  if (o.sms.empty() == o.book.empty())
    return tool::Usage(kCommand, o.sms.empty() ? "needs a BOOK or --sms FILE"
                                               : "--sms prints an SMS list instead of a book: give one of them");
  return tool::kOk;
}

// The chosen printer, checked before the job: a name that does not exist is an
// error here, never a job on another printer.
int ChoosePrinter(const Options& o, CPrintDialog& dialog, std::string& target) {
  if (!o.output.empty()) {
    dialog.SelectPrinter("PDF", "PDF", o.output.c_str());
    target = o.output;
  } else if (!o.queue.empty()) {
    dialog.SelectPrinter("CUPS", o.queue.c_str(), "");
    target = "queue " + o.queue;
  } else {
    if (!dialog.GetDefaults())
      return tool::Fail(kCommand, "no default printer; give -P QUEUE or -o FILE.pdf");
    target = "queue " + std::string(dialog.GetDeviceName().GetString()) + " (the default)";
  }
  CDC probe;
  if (!probe.CreateDC(dialog.GetDriverName(), dialog.GetDeviceName(), dialog.GetPortName(), nullptr)) {
    if (!o.output.empty()) return tool::Fail(kCommand, "cannot write " + o.output + ": no such folder or no permission");
    return tool::Fail(kCommand, "printer '" + std::string(dialog.GetDeviceName().GetString()) +
                                    "' does not exist (lpstat -p lists the queues); nothing printed");
  }
  return tool::kOk;
}

void PrintJob(CListCtrl& list, UINT kind, const std::string& title, CPrintDialog& dialog, LOGFONT& font,
              UINT pointSize, bool twoColumns, bool selectedOnly, RECT margins) {
  CString name;
  std::string ignored;
  tool::FromUtf8(title, name, ignored);  // a title the code page cannot hold keeps what it can
  CPrinting job(&list, kind, &name, &dialog);
  Ticker ticker(size_t(selectedOnly ? list.GetSelectedCount() : UINT(list.GetItemCount())));
  job.Print(&font, pointSize, twoColumns ? 1 : 0, selectedOnly ? 1 : 0, margins);
}

// Every page of the PDF as DIR/page-N.png, by poppler's renderer.
int WritePngs(const std::string& pdf, const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) return tool::Fail(kCommand, "--png: cannot make " + dir + ": " + ec.message());
  const std::string command = "pdftoppm -png -r 60 '" + pdf + "' '" + dir + "/page' 2>&1";
  if (pdf.find('\'') != std::string::npos || dir.find('\'') != std::string::npos)
    return tool::Fail(kCommand, "--png: a path with a quote in it");
  if (std::system(command.c_str()) != 0)
    return tool::Fail(kCommand, "--png: pdftoppm (poppler-utils) could not render " + pdf);
  return tool::kOk;
}

// The toolkit wants a private runtime folder; a shell without a session (cron,
// ssh, CI) has none, and the toolkit would say so on stderr at every run.
void EnsureRuntimeDir() {
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  if (dir != nullptr && *dir != '\0') return;
  const std::string made = (std::filesystem::temp_directory_path() / ("sorrel-runtime-" + std::to_string(getuid()))).string();
  std::error_code ec;
  std::filesystem::create_directory(made, ec);
  std::filesystem::permissions(made, std::filesystem::perms::owner_all, ec);
  struct stat st;
  if (stat(made.c_str(), &st) == 0 && st.st_uid == getuid() && (st.st_mode & 077) == 0)
    setenv("XDG_RUNTIME_DIR", made.c_str(), 1);
}

int Run(const tool::Args& args) {
  Options o;
  if (int rc = ReadArgs(args, o); rc != tool::kOk) return rc;
  EnsureRuntimeDir();
  SorrelRegisterSampleHostStrings();  // the tool is the host: its strings label columns and messages

  // The stored settings, the given ones over them.
  int storedSize = 100;
  RECT margins{0, 0, 0, 0};
  LoadPrintSettingsFromRegistry(&storedSize, &margins);
  LOGFONT font;
  LoadFontFromRegistry(kFontKey, &font);
  if (!o.font.empty()) {
    std::memset(font.lfFaceName, 0, LF_FACESIZE);
    std::memcpy(font.lfFaceName, o.font.data(), o.font.size());
  }
  if (o.haveSize) storedSize = int(o.size * 10 + 0.5);
  if (o.haveMargins)
    margins = RECT{LONG(o.margins[0] * 100 + 0.5), LONG(o.margins[1] * 100 + 0.5), LONG(o.margins[2] * 100 + 0.5),
                   LONG(o.margins[3] * 100 + 0.5)};
  if (o.save) {
    SaveFont2Registry(kFontKey, &font);
    SavePrintSettings2Registry(storedSize, margins);
  }

  CPrintDialog dialog(FALSE);
  std::string target;
  if (int rc = ChoosePrinter(o, dialog, target); rc != tool::kOk) return rc;

  // The list the host would print from.
  tool::PhoneBook book;
  std::vector<std::unique_ptr<CSMS>> messages;
  int rejected = 0;
  std::unique_ptr<CColumnInfos> columns;
  CMarlowList list;
  std::string error;
  UINT kind = 1;
  std::string source = o.book;
  if (!o.sms.empty()) {
    kind = 2;
    source = o.sms;
    if (!LoadSmsList(o.sms, messages, rejected, error)) return tool::Fail(kCommand, error);
    for (auto& m : messages) {
      int item = list.InsertItem(list.GetItemCount(), "");
      list.SetItemData(item, DWORD_PTR(m.get()));
      for (double p : o.selected)
        if (UINT(p) == m->GetPos()) list.SetItemState(item, LVIS_SELECTED, LVIS_SELECTED);
    }
  } else {
    if (!book.Load(o.book, error)) return tool::Fail(kCommand, error);
    columns = std::make_unique<CColumnInfos>();
    if (!o.haveColumns)
      for (UINT id = 5; id <= 30; ++id)
        if (id != ITEM_SURNAME && id != ITEM_GROUP && id != ITEM_SYNC_ID) o.columns.push_back(id);
    for (UINT id : o.columns) columns->AddColumn(id, 100, LVCFMT_LEFT, NO_LIMIT);
    list.SetColumnInfos(columns.get());
    columns->InsertColumns2Ctrl(list);
    for (const tool::Slot& slot : book.slots) {
      if (slot.entry->IsEmpty()) continue;
      int item = list.InsertItem(list.GetItemCount(), slot.entry->GetName());
      list.SetItemData(item, DWORD_PTR(slot.entry.get()));
      for (double p : o.selected)
        if (UINT(p) == slot.entry->GetPos()) list.SetItemState(item, LVIS_SELECTED, LVIS_SELECTED);
    }
  }
  const bool selectedOnly = !o.selected.empty();
  if (selectedOnly) {
    // A position that names nothing is a mistake in the command line, not a choice.
    for (double p : o.selected) {
      bool found = false;
      for (int i = 0; i < list.GetItemCount() && !found; ++i) {
        const DWORD_PTR data = list.GetItemData(i);
        found = kind == 1 ? reinterpret_cast<CEntry*>(data)->GetPos() == UINT(p)
                          : reinterpret_cast<CSMS*>(data)->GetPos() == UINT(p);
      }
      if (!found)
        return tool::Fail(kCommand, "--selected: no " + std::string(kind == 1 ? "entry" : "message") +
                                        " at position " + std::to_string(UINT(p)) + " in " + source);
    }
  }
  const size_t rows = selectedOnly ? list.GetSelectedCount() : size_t(list.GetItemCount());
  if (rows == 0) {
    std::fprintf(stderr, "sorrel print: %s: nothing to print\n", source.c_str());
    return tool::kFindings;
  }
  const std::string title = o.title.empty() ? std::filesystem::path(source).filename().string() : o.title;

  if (!o.output.empty()) std::filesystem::remove(o.output);
  PrintJob(list, kind, title, dialog, font, UINT(storedSize), o.twoColumns, selectedOnly, margins);
  if (!o.output.empty()) {
    std::error_code ec;
    if (std::filesystem::file_size(o.output, ec) == 0 || ec)
      return tool::Fail(kCommand, "nothing was written to " + o.output);
  }

  if (!o.png.empty()) {
    std::string pdf = o.output;
    std::string temporary;
    if (pdf.empty()) {
      // The queue's pages again, into a file of their own to render.
      temporary = (std::filesystem::temp_directory_path() / ("sorrel-print-" + std::to_string(getpid()) + ".pdf")).string();
      CPrintDialog file(FALSE);
      file.SelectPrinter("PDF", "PDF", temporary.c_str());
      PrintJob(list, kind, title, file, font, UINT(storedSize), o.twoColumns, selectedOnly, margins);
      pdf = temporary;
    }
    const int rc = WritePngs(pdf, o.png);
    if (!temporary.empty()) std::filesystem::remove(temporary);
    if (rc != tool::kOk) return rc;
  }
  std::fprintf(stderr, "sorrel print: %zu %s printed to %s\n", rows, kind == 1 ? "entries" : "messages",
               target.c_str());
  return rejected > 0 ? tool::kFindings : tool::kOk;
}


const tool::CommandSpec kSpec{
    "print", "print a phone book or an SMS list to a PDF file or a CUPS queue", "[BOOK]", 0, 1, kDescription,
    {{"-o", "FILE.pdf", "write an A4 PDF file"},
     {"-P", "QUEUE", "print to this CUPS queue (one that does not exist is an error)"},
     {"--two-columns", nullptr, "two columns a page, with a rule between them"},
     {"--selected", "LIST", "only the entries at these positions (\"3,17,40\"), in the book's\norder; a position counts in every memory"},
     {"--columns", "IDS", "the extended items to print, in this order (\"6,9,10\");\ndefault: every text item"},
     {"--font", "NAME", "font face (default: the stored print font, Arial)"},
     {"--size", "PT", "font size in points; whole points are used (default: stored, 10)"},
     {"--margins", "L,T,R,B", "page margins in millimetres (default: stored, 0)"},
     {"--save", nullptr, "store the given font, size and margins as the defaults"},
     {"--sms", "FILE", "print the SMS list FILE instead of a phone book"},
     {"--png", "DIR", "also write each page as DIR/page-N.png"},
     {"--title", "TEXT", "the job's name (default: the file's name)"}},
    "Exit status: 0 printed, 1 printed with SMS lines left out or nothing to print,\n"
    "2 usage or I/O error, or a printer that does not exist.\n",
    &Run};

}  // namespace

SORREL_COMMAND(kSpec);
