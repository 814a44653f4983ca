// The scripted mode: a command file that drives the running window as a person
// would, for tests and demonstrations. Caption drags and clicks are real mouse
// events on the list's header, edits go through the real entry dialog; each
// command is logged on standard output, and the first failing one ends the run
// with a message naming the file, the line and the reason.
//
//   select ROW[,ROW...]        select rows of the list as shown (from 0)
//   drag-caption FROM TO       drag the caption at display position FROM to TO
//   click-caption POS          click the caption at display position POS
//   search TEXT                type TEXT into the search box (empty: clear it)
//   edit ROW KEY=VALUE...      open the entry dialog on ROW, set its fields
//                              (item3 name, item4 number, item12 surname, itemN,
//                              group=ID, vip=0|1) and press OK
//   send                       send the changed entries to the phone
//   print FILE.pdf [two] [all] print the selected rows (or all) to a PDF file
//   export FILE 21|10|csv      export the shown entries
//   columns ID[,ID...]         show these extended columns
//   dump FILE                  the list as shown: captions, then rows, tab-separated
//   screenshot FILE.png        the main window as a picture
//   screen FILE.png            the whole screen (what a person sees)
//   picture-of edit ROW|renumber|prefix FILE.png
//                              open that dialog, take its picture, cancel it
//   wait-splash                until the splash picture has been taken down
//   wait MS                    let the window run for MS milliseconds
//   quit                       close the window (column settings are written back)
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace marlow {

class MainWindow;

class Script : public QObject {
 public:
  // splashGone tells whether the splash thread has ended.
  Script(MainWindow* window, const QString& path, std::function<bool()> splashGone);
  // Reads the file and starts running it from the event loop; false with the
  // reason when it cannot be read.
  bool Start(QString& error);
  int ExitCode() const { return m_failed ? 1 : 0; }

 private:
  void Next();
  // Runs one command; false with the reason. `later` is set when the command
  // finishes by itself (waiting) and calls Next() then.
  bool Run(const QStringList& words, QString& error, bool& later);
  bool DragCaption(int from, int to, QString& error);
  bool ClickCaption(int pos, QString& error);
  bool Edit(int row, const QStringList& fields, QString& error);
  bool PictureOf(const QStringList& words, QString& error);
  void Fail(const QString& reason);

  MainWindow* m_window;
  QString m_path;
  std::function<bool()> m_splashGone;
  QStringList m_lines;
  int m_line = 0;
  bool m_failed = false;
};

}  // namespace marlow
