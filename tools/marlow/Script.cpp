#include "Script.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "EntryDialog.h"
#include "ListPane.h"
#include "MainWindow.h"
#include "RenumberDialog.h"
#include "Text.h"

namespace marlow {

namespace {

void Say(const QString& text) {
  std::printf("%s\n", text.toUtf8().constData());
  std::fflush(stdout);
}

void Mouse(QWidget* target, QEvent::Type type, int x, int y, Qt::MouseButtons buttons) {
  const QPointF local(x, y);
  QMouseEvent event(type, local, target->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

bool WritePng(const QPixmap& picture, const QString& path, QString& error) {
  if (picture.isNull() || !picture.save(path, "PNG")) {
    error = path + ": the picture cannot be written";
    return false;
  }
  return true;
}

}  // namespace

Script::Script(MainWindow* window, const QString& path, std::function<bool()> splashGone)
    : m_window(window), m_path(path), m_splashGone(std::move(splashGone)) {}

bool Script::Start(QString& error) {
  QFile file(m_path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    error = m_path + ": " + file.errorString();
    return false;
  }
  m_lines = QString::fromUtf8(file.readAll()).split('\n');
  QTimer::singleShot(0, this, &Script::Next);
  return true;
}

void Script::Fail(const QString& reason) {
  std::fprintf(stderr, "marlow: %s:%d: %s\n", m_path.toUtf8().constData(), m_line, reason.toUtf8().constData());
  m_failed = true;
  m_window->close();
}

void Script::Next() {
  while (m_line < m_lines.size()) {
    const QString line = m_lines[m_line++].trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    Say("> " + line);
    QStringList words = line.split(' ', Qt::SkipEmptyParts);
    QString error;
    bool later = false;
    if (!Run(words, error, later)) {
      Fail(error);
      return;
    }
    if (later) return;
    // Let the window catch up (layout, painting) between commands.
    QTimer::singleShot(0, this, &Script::Next);
    return;
  }
  m_window->close();
}

bool Script::Run(const QStringList& words, QString& error, bool& later) {
  const QString command = words.value(0);
  const QString arg = words.value(1);
  ListPane& pane = m_window->Pane();
  auto number = [&](const QString& text, int& value) {
    bool ok = false;
    value = text.toInt(&ok);
    if (!ok || value < 0) error = "'" + text + "' is not a number";
    return ok && value >= 0;
  };
  int a = 0;
  int b = 0;
  if (command == "select") {
    std::vector<int> rows;
    for (const QString& piece : arg.split(',', Qt::SkipEmptyParts)) {
      if (!number(piece, a)) return false;
      if (a >= pane.List().GetItemCount()) {
        error = QString("row %1: the list has %2 rows").arg(a).arg(pane.List().GetItemCount());
        return false;
      }
      rows.push_back(a);
    }
    pane.SelectRows(rows);
    return true;
  }
  if (command == "drag-caption") return number(arg, a) && number(words.value(2), b) && DragCaption(a, b, error);
  if (command == "click-caption") return number(arg, a) && ClickCaption(a, error);
  if (command == "search") {
    m_window->findChild<QLineEdit*>("search")->setText(words.mid(1).join(' '));
    return true;
  }
  if (command == "edit") return number(arg, a) && Edit(a, words.mid(2), error);
  if (command == "send") {
    std::string report;
    if (!m_window->SendChanges(report)) error = QString::fromStdString(report);
    return error.isEmpty();
  }
  if (command == "print") {
    std::string reason;
    if (!m_window->Print(words.contains("two"), !words.contains("all"), arg.toStdString(), reason))
      error = QString::fromStdString(reason);
    return error.isEmpty();
  }
  if (command == "export") {
    const QString form = words.value(2);
    std::string reason;
    if (form != "21" && form != "10" && form != "csv") {
      error = "export needs the form 21, 10 or csv";
      return false;
    }
    if (!m_window->Export(arg.toStdString(), form == "csv" ? 0 : form.toInt(), reason))
      error = QString::fromStdString(reason);
    return error.isEmpty();
  }
  if (command == "columns") {
    std::vector<UINT> ids;
    for (const QString& piece : arg.split(',', Qt::SkipEmptyParts)) {
      if (!number(piece, a)) return false;
      ids.push_back(UINT(a));
    }
    m_window->SetExtColumns(ids);
    return true;
  }
  if (command == "dump") {
    QFile file(arg);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
      error = arg + ": " + file.errorString();
      return false;
    }
    QTextStream out(&file);
    for (const auto& row : pane.Rows()) {
      QStringList cells;
      for (const CString& cell : row) cells << ToQt(cell);
      out << cells.join('\t') << '\n';
    }
    return true;
  }
  if (command == "screenshot") return WritePng(m_window->grab(), arg, error);
  if (command == "picture-of") return PictureOf(words.mid(1), error);
  if (command == "screen") return WritePng(QGuiApplication::primaryScreen()->grabWindow(0), arg, error);
  if (command == "wait-splash" || command == "wait") {
    if (command == "wait" && !number(arg, a)) return false;
    const int limit = command == "wait" ? a : 20000;
    auto* timer = new QTimer(this);
    auto started = std::make_shared<qint64>(0);
    later = true;
    connect(timer, &QTimer::timeout, this, [this, timer, started, limit, command] {
      *started += 50;
      const bool done = command == "wait-splash" ? m_splashGone() : *started >= limit;
      if (!done && *started < limit) return;
      timer->deleteLater();
      if (!done) {
        Fail("the splash picture was still up after 20 s");
        return;
      }
      if (command == "wait-splash") Say("splash: gone");
      Next();
    });
    timer->start(50);
    return true;
  }
  if (command == "quit") {
    m_line = int(m_lines.size());
    return true;
  }
  error = "unknown command '" + command + "'";
  return false;
}

// Press on the caption at display position `from`, move, and release where the
// midpoint rule puts the caption at display position `to`.
bool Script::DragCaption(int from, int to, QString& error) {
  auto* header = qobject_cast<QHeaderView*>(m_window->Pane().HeaderWidget());
  if (!header || from >= header->count() || to >= header->count()) {
    error = QString("the header has no caption at position %1 or %2").arg(from).arg(to);
    return false;
  }
  QWidget* target = header->viewport();
  auto left = [&](int pos) { return header->sectionViewportPosition(header->logicalIndex(pos)); };
  auto width = [&](int pos) { return header->sectionSize(header->logicalIndex(pos)); };
  const int y = header->height() / 2;
  const int x0 = left(from) + width(from) / 2;
  // Moving right, the drop must pass the target's midpoint; moving left, it must
  // stay left of it.
  const int x1 = to > from ? left(to) + width(to) * 3 / 4 : left(to) + width(to) / 4;
  Mouse(target, QEvent::MouseButtonPress, x0, y, Qt::LeftButton);
  Mouse(target, QEvent::MouseMove, x0 + (x1 > x0 ? 5 : -5), y, Qt::LeftButton);
  Mouse(target, QEvent::MouseMove, x1, y, Qt::LeftButton);
  Mouse(target, QEvent::MouseButtonRelease, x1, y, Qt::NoButton);
  return true;
}

bool Script::ClickCaption(int pos, QString& error) {
  auto* header = qobject_cast<QHeaderView*>(m_window->Pane().HeaderWidget());
  if (!header || pos >= header->count()) {
    error = QString("the header has no caption at position %1").arg(pos);
    return false;
  }
  const int logical = header->logicalIndex(pos);
  const int x = header->sectionViewportPosition(logical) + header->sectionSize(logical) / 2;
  Mouse(header->viewport(), QEvent::MouseButtonPress, x, header->height() / 2, Qt::LeftButton);
  Mouse(header->viewport(), QEvent::MouseButtonRelease, x, header->height() / 2, Qt::NoButton);
  return true;
}

bool Script::PictureOf(const QStringList& words, QString& error) {
  const QString what = words.value(0);
  QDialog* dialog = nullptr;
  QString path = words.value(1);
  int row = 0;
  if (what == "edit") {
    row = words.value(1).toInt();
    path = words.value(2);
    if (row < 0 || row >= m_window->Pane().List().GetItemCount()) {
      error = QString("row %1: the list has %2 rows").arg(row).arg(m_window->Pane().List().GetItemCount());
      return false;
    }
    dialog = m_window->MakeEntryDialog(m_window->Pane().EntryAt(row));
  } else if (what == "renumber" || what == "prefix") {
    dialog = m_window->MakeRenumberDialog(what == "prefix");
  } else {
    error = "picture-of takes edit ROW, renumber or prefix";
    return false;
  }
  dialog->open();
  QApplication::processEvents();
  const bool ok = WritePng(dialog->grab(), path, error);
  dialog->reject();
  return ok;
}

bool Script::Edit(int row, const QStringList& fields, QString& error) {
  ListPane& pane = m_window->Pane();
  if (row >= pane.List().GetItemCount()) {
    error = QString("row %1: the list has %2 rows").arg(row).arg(pane.List().GetItemCount());
    return false;
  }
  EntryDialog* dialog = m_window->MakeEntryDialog(pane.EntryAt(row));
  dialog->open();
  for (const QString& field : fields) {
    const QString key = field.section('=', 0, 0);
    const QString value = field.section('=', 1).replace("\\s", " ");
    if (auto* edit = dialog->findChild<QLineEdit*>(key)) {
      edit->setText(value);
    } else if (auto* box = dialog->findChild<QComboBox*>(key)) {
      box->setCurrentIndex(box->findData(value.toUInt()));
    } else if (auto* check = dialog->findChild<QCheckBox*>(key)) {
      check->setChecked(value == "1");
    } else {
      dialog->reject();
      error = "the entry dialog has no field '" + key + "'";
      return false;
    }
  }
  dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  if (dialog->isVisible()) {
    error = "the entry dialog did not take the values";
    dialog->reject();
    return false;
  }
  return true;
}

}  // namespace marlow
