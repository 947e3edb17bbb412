// Message boxes and the open-file dialog of the window, behind one replaceable hook so that
// tests can answer them without a modal loop.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace picmove::window {

struct MessageRequest {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString caption;
  QString text;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// Shows the box and returns the button the user chose.
using MessageAsker = std::function<QMessageBox::StandardButton(QWidget* parent, const MessageRequest&)>;

// Returns the chosen file (empty when cancelled).
using FileAsker = std::function<QString(QWidget* parent, const QString& title, const QString& filter)>;

// A modal QMessageBox.
QMessageBox::StandardButton ask_with_message_box(QWidget* parent, const MessageRequest& request);

// A modal QFileDialog for one existing file.
QString ask_with_file_dialog(QWidget* parent, const QString& title, const QString& filter);

}  // namespace picmove::window
