#include "app/window/message_boxes.h"

#include <QAbstractButton>
#include <QFileDialog>

namespace picmove::window {

QMessageBox::StandardButton ask_with_message_box(QWidget* parent, const MessageRequest& request) {
  QMessageBox box(request.icon, request.caption, request.text, request.buttons, parent);
  // The questions name their buttons (点< 是 >, 点< 否 >, 点<取消>): label them the same way
  // whatever translations are installed.
  const struct {
    QMessageBox::StandardButton button;
    const char* text;
  } labels[] = {{QMessageBox::Ok, "确定"},
                {QMessageBox::Yes, "是(&Y)"},
                {QMessageBox::No, "否(&N)"},
                {QMessageBox::Cancel, "取消"}};
  for (const auto& label : labels) {
    if (QAbstractButton* button = box.button(label.button)) {
      button->setText(QString::fromUtf8(label.text));
    }
  }
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
