// marlow: the phone book manager. It starts as the phone book host does (the
// splash picture, the phone server's instance name, the wait dialog that starts
// the server), loads the phone's groups and entries, shows them in the list with
// the stored columns and sort order, lets the user edit, search, renumber,
// export and print them, and sends the changed entries back to the phone.
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include <sorrel/HostStrings.h>
#include <sorrel/Resources.h>

#include "ListPane.h"
#include "MainWindow.h"
#include "PhoneLink.h"
#include "Script.h"
#include "Startup.h"

namespace {

const char kUsage[] =
    "usage: marlow [--book FILE | --no-phone] [--script FILE] [--splash-screenshot FILE.png]\n"
    "              [--screenshot FILE.png] [--print-selected-to FILE.pdf --select ROWS [--two-columns]]\n"
    "\n"
    "The phone book manager. Without options it starts the phone server Quillon\n"
    "(from the current folder) through the wait dialog, or takes a running one\n"
    "that has no phone book client yet, and shows the phone's book.\n"
    "\n"
    "  --book FILE                 work on a phone book file instead of the phone\n"
    "  --no-phone                  start without a phone (as the wait dialog's\n"
    "                              \"work without a connected phone\")\n"
    "  --script FILE               run the commands of FILE in the window, then close\n"
    "                              (see tools/marlow/Script.h for the commands)\n"
    "  --splash-screenshot FILE    the screen as a picture while the splash is up\n"
    "  --screenshot FILE           the window as a picture once the book is shown, then close\n"
    "  --print-selected-to FILE    print the rows given with --select to a PDF file, then close\n"
    "  --select ROWS               rows of the list as shown, from 0: 0,3,4\n"
    "  --two-columns               print in two columns\n"
    "\n"
    "Column settings, sort order, print font and margins and the splash delay are\n"
    "kept per user in $XDG_CONFIG_HOME/sorrel/registry.sqlite3.\n"
    "Exit status: 0 done, 1 a script command failed, 2 usage or start-up error.\n";

// The host's own strings: the captions of the four base columns.
constexpr SorrelStringResource kMarlowStrings[] = {
    {61462, "Pozice"},
    {61463, "Paměť"},
    {61464, "Jméno"},
    {61465, "Číslo"},
};

struct Options {
  std::string book;
  bool noPhone = false;
  std::string script;
  std::string splashShot;
  std::string screenshot;
  std::string printTo;
  std::string select;
  bool twoColumns = false;
};

int Usage(const std::string& message) {
  std::fprintf(stderr, "marlow: %s (see --help)\n", message.c_str());
  return 2;
}

// 0 to go on, otherwise the exit status.
int Parse(const QStringList& args, Options& o, bool& help) {
  for (int i = 1; i < args.size(); ++i) {
    const std::string a = args[i].toStdString();
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i].toStdString();
      return true;
    };
    if (a == "--help" || a == "-h") {
      help = true;
    } else if (a == "--no-phone") {
      o.noPhone = true;
    } else if (a == "--two-columns") {
      o.twoColumns = true;
    } else if (a == "--book" || a == "--script" || a == "--splash-screenshot" || a == "--screenshot" ||
               a == "--print-selected-to" || a == "--select") {
      std::string& target = a == "--book"                ? o.book
                            : a == "--script"            ? o.script
                            : a == "--splash-screenshot" ? o.splashShot
                            : a == "--screenshot"        ? o.screenshot
                            : a == "--print-selected-to" ? o.printTo
                                                         : o.select;
      if (!value(target) || target.empty()) return Usage(a + " needs a value");
    } else {
      return Usage("unknown argument '" + a + "'");
    }
  }
  if (!o.book.empty() && o.noPhone) return Usage("--book and --no-phone exclude each other");
  if (!o.printTo.empty() && o.select.empty()) return Usage("--print-selected-to needs --select ROWS");
  return 0;
}

void Log(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Options options;
  bool help = false;
  if (int rc = Parse(QApplication::arguments(), options, help)) return rc;
  if (help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  SorrelRegisterStringTable(kMarlowStrings, std::size(kMarlowStrings));

  std::atomic<bool> splashGone{false};
  marlow::Splash splash;
  splash.Show(Log, [&splashGone] { splashGone = true; });
  if (!options.splashShot.empty()) {
    const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromStdString(options.splashShot));
    if (!saved) std::fprintf(stderr, "marlow: %s: the picture cannot be written\n", options.splashShot.c_str());
  }

  marlow::PhoneLink link;
  auto window = std::make_unique<marlow::MainWindow>(&link);
  std::string error;
  if (!options.book.empty()) {
    if (!window->OpenFile(options.book, error)) {
      std::fprintf(stderr, "marlow: %s\n", error.c_str());
      return 2;
    }
  } else if (!options.noPhone) {
    switch (marlow::StartPhone(link, Log, error)) {
      case marlow::PhoneStart::Connected:
        if (!window->LoadFromPhone(error)) {
          std::fprintf(stderr, "marlow: %s\n", error.c_str());
          return 2;
        }
        Log("book: " + std::to_string(window->GetBook().slotList.size()) + " slots from " + link.ServerName());
        break;
      case marlow::PhoneStart::WithoutPhone:
        Log("book: none, working without a phone");
        break;
      case marlow::PhoneStart::Failed:
        std::fprintf(stderr, "marlow: %s\n", error.c_str());
        if (options.script.empty()) QMessageBox::warning(nullptr, "Marlow", QString::fromStdString(error));
        break;
    }
  }
  window->SetUnattended(!options.script.empty() || !options.screenshot.empty() || !options.printTo.empty());
  window->show();

  int rc = 0;
  std::unique_ptr<marlow::Script> script;
  if (!options.script.empty()) {
    script = std::make_unique<marlow::Script>(window.get(), QString::fromStdString(options.script),
                                              [&splashGone] { return splashGone.load(); });
    QString reason;
    if (!script->Start(reason)) {
      std::fprintf(stderr, "marlow: %s\n", reason.toUtf8().constData());
      return 2;
    }
  } else if (!options.screenshot.empty() || !options.printTo.empty()) {
    QTimer::singleShot(0, window.get(), [&] {
      if (!options.printTo.empty()) {
        std::vector<int> rows;
        for (const QString& piece : QString::fromStdString(options.select).split(',', Qt::SkipEmptyParts))
          rows.push_back(piece.toInt());
        window->Pane().SelectRows(rows);
        std::string reason;
        if (!window->Print(options.twoColumns, true, options.printTo, reason)) {
          std::fprintf(stderr, "marlow: %s\n", reason.c_str());
          rc = 2;
        }
      }
      if (!options.screenshot.empty() && !window->grab().save(QString::fromStdString(options.screenshot))) {
        std::fprintf(stderr, "marlow: %s: the picture cannot be written\n", options.screenshot.c_str());
        rc = 2;
      }
      window->close();
    });
  }
  const int loop = app.exec();
  // The column model writes the settings back as the window goes.
  window.reset();
  splash.Finish();
  if (rc) return rc;
  return script ? script->ExitCode() : loop;
}
