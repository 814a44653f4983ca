// Printing a phone book to PDF through CPrinting (rows measured and wrapped on
// the printer's font, pages laid out, text drawn through the device context),
// beside a floor that draws the same lines with QPainter::drawText into the same
// kind of PDF with no layout: the lines made beforehand, one under the other.
#include <QGuiApplication>
#include <QPainter>
#include <QPageSize>
#include <QPrinter>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Data.h"
#include "sorrel/Sorrel.h"

namespace {

int g_argc = 1;
char g_arg0[] = "sorrel-bench";
char* g_argv[] = {g_arg0, nullptr};

void EnsureGui() {
  if (QGuiApplication::instance() != nullptr) return;
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication* app = new QGuiApplication(g_argc, g_argv);
  (void)app;
  // The font database and the PDF engine are loaded once per process: not by
  // whichever benchmark happens to run first.
  const QString warm = QString::fromStdString((std::filesystem::temp_directory_path() / "sorrel-bench-warm.pdf").string());
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(warm);
  QPainter painter(&printer);
  painter.setFont(QFont(QStringLiteral("Arial")));
  painter.drawText(QPoint(100, 100), QStringLiteral("Xq"));
  painter.end();
  std::filesystem::remove(warm.toStdString());
}

std::string PdfPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string("sorrel-bench-") + name + ".pdf")).string();
}

// The book, the host's list over it and the column model with every text item.
struct PrintList {
  std::unique_ptr<gen::Book> book;
  std::unique_ptr<CColumnInfos> columns;
  CMarlowList list;
  std::vector<std::string> lines;  // the floor's lines, in UTF-8
};

PrintList& ListOf(std::size_t n) {
  static std::map<std::size_t, std::unique_ptr<PrintList>> cache;
  auto& p = cache[n];
  if (p) return *p;
  SorrelRegisterSampleHostStrings();
  p = std::make_unique<PrintList>();
  p->book = gen::MakeBook(17, n, false);
  p->columns = std::make_unique<CColumnInfos>();
  for (UINT id = 5; id <= 30; ++id)
    if (id != ITEM_SURNAME && id != ITEM_GROUP && id != ITEM_SYNC_ID) p->columns->AddColumn(id, 100, 0, NO_LIMIT);
  p->list.SetColumnInfos(p->columns.get());
  p->columns->InsertColumns2Ctrl(p->list);
  auto utf8 = [](const CString& s) {
    std::vector<char> out(size_t(s.GetLength()) * 3 + 1);
    std::vector<WCHAR> wide(size_t(s.GetLength()) + 1);
    int w = MultiByteToWideChar(CP_ACP, 0, s, s.GetLength(), wide.data(), int(wide.size()));
    int b = WideCharToMultiByte(CP_UTF8, 0, wide.data(), w, out.data(), int(out.size()), nullptr, nullptr);
    return std::string(out.data(), size_t(b));
  };
  for (const auto& e : p->book->entries) {
    int item = p->list.InsertItem(p->list.GetItemCount(), e->GetName());
    p->list.SetItemData(item, DWORD_PTR(e.get()));
    // The same texts as the rows print: the name line and "Caption: value".
    CString name = e->GetSurname();
    if (!name.IsEmpty()) name += ' ';
    name += e->GetName();
    if (!name.IsEmpty() && !e->GetNum().IsEmpty()) name += ": " + e->GetNum();
    p->lines.push_back(utf8(name));
    if (CExtendedItems* items = e->GetExtendedItems()) {
      for (INT_PTR pos = 0; pos < p->columns->GetColumnsArray()->GetSize(); ++pos) {
        ColumnInfo* c = p->columns->FindColumnByPosInCtrl(UINT(pos));
        if (c == nullptr || c->nID <= 4 || c->nID == ITEM_SYNC_ID) continue;
        CString v;
        items->GetValueByID(c->nID, v);
        if (!v.IsEmpty()) p->lines.push_back(utf8(c->strCaption + ": " + v));
      }
    }
  }
  return *p;
}

void PrintBook(benchmark::State& state) {
  EnsureGui();
  PrintList& p = ListOf(std::size_t(state.range(0)));
  const std::string pdf = PdfPath("print");
  CPrintDialog dialog(FALSE);
  dialog.SelectPrinter("PDF", "PDF", pdf.c_str());
  CString name("bench");
  LOGFONT font{};
  std::strcpy(font.lfFaceName, "Arial");
  for (auto _ : state) {
    CPrinting job(&p.list, 1, &name, &dialog);
    job.Print(&font, 100, 0, 0, RECT{1000, 1000, 1000, 1000});
  }
  state.counters["lines"] = double(p.lines.size());
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::filesystem::remove(pdf);
}

void PrintBook_floor(benchmark::State& state) {
  EnsureGui();
  PrintList& p = ListOf(std::size_t(state.range(0)));
  const std::string pdf = PdfPath("floor");
  for (auto _ : state) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf));
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPainter painter(&printer);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(printer.resolution() * 10 / 72);
    painter.setFont(font);
    const int step = QFontMetrics(font, &printer).height();
    const int bottom = printer.height() - step;
    int y = step;
    for (const std::string& line : p.lines) {
      if (y > bottom) {
        printer.newPage();
        y = step;
      }
      painter.drawText(QPoint(472, y), QString::fromUtf8(line.data(), int(line.size())));
      y += step;
    }
    painter.end();
  }
  state.counters["lines"] = double(p.lines.size());
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::filesystem::remove(pdf);
}

void PrintSizes(benchmark::internal::Benchmark* b) {
  b->Arg(2500)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(2);
}

}  // namespace

BENCHMARK(PrintBook)->Apply(PrintSizes);
BENCHMARK(PrintBook_floor)->Apply(PrintSizes);
