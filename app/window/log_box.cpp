#include "app/window/log_box.h"

#include <QMetaObject>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QThread>

#include "package/gbk.h"

namespace picmove::window {

LogBox::LogBox(QPlainTextEdit* box) : box_(box) {}

void LogBox::append(const std::string& line) {
  QPlainTextEdit* box = box_.data();
  if (!box) return;
  // Lines end in CR LF; the box keeps one paragraph per line.
  QString text = QString::fromStdString(gbk_to_utf8(line));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (QThread::currentThread() == box->thread()) {
    append_now(box, text);
    return;
  }
  // Queued calls from one thread run in the order they were posted, and posting is serialised,
  // so lines from several workers arrive whole and in call order.
  QPointer<QPlainTextEdit> guard = box_;
  QMetaObject::invokeMethod(
      box, [guard, text] {
        if (guard) append_now(guard.data(), text);
      },
      Qt::QueuedConnection);
}

void LogBox::append_now(QPlainTextEdit* box, const QString& text) {
  QScrollBar* bar = box->verticalScrollBar();
  const bool at_end = bar->value() == bar->maximum();
  QTextCursor cursor(box->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
  if (at_end) bar->setValue(bar->maximum());
}

}  // namespace picmove::window
