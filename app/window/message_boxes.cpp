#include "app/window/message_boxes.h"

#include <QFileDialog>

namespace picmove::window {

QMessageBox::StandardButton ask_with_message_box(QWidget* parent, const MessageRequest& request) {
  QMessageBox box(request.icon, request.caption, request.text, request.buttons, parent);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

QString ask_with_file_dialog(QWidget* parent, const QString& title, const QString& filter) {
  QFileDialog dialog(parent, title, QString(), filter);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace picmove::window
