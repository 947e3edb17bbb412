// The log box 编辑框2 as the core's log sink: whole lines, appended in call order from any
// thread, shown on the window's thread.
#pragma once

#include <QPointer>

#include "package/log_sink.h"

class QPlainTextEdit;

namespace picmove::window {

class LogBox : public LogSink {
 public:
  explicit LogBox(QPlainTextEdit* box);

  // `line` is GBK; converted here and queued to the box's thread (run in posting order).
  void append(const std::string& line) override;

  // Appends UTF-8 text at the end of the box; on the box's thread only.
  static void append_now(QPlainTextEdit* box, const QString& text);

 private:
  QPointer<QPlainTextEdit> box_;
};

}  // namespace picmove::window
