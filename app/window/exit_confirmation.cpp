#include "app/window/exit_confirmation.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace picmove::window {

ExitConfirmation::ExitConfirmation(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("exit_confirmation"));
  setWindowTitle(QStringLiteral("退出程序？"));
  setModal(true);

  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("图形按钮1"));
  picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(40, 40));
  auto* text = new QLabel(QStringLiteral("你是否确定退出程序！"), this);
  text->setObjectName(QStringLiteral("标签1"));

  auto* yes = new QPushButton(QStringLiteral("确 定"), this);
  yes->setObjectName(QStringLiteral("按钮1"));
  yes->setDefault(true);
  auto* no = new QPushButton(QStringLiteral("取 消"), this);
  no->setObjectName(QStringLiteral("按钮2"));
  connect(yes, &QPushButton::clicked, this, &QDialog::accept);
  connect(no, &QPushButton::clicked, this, &QDialog::reject);

  auto* top = new QHBoxLayout;
  top->addWidget(picture);
  top->addSpacing(12);
  top->addWidget(text, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(yes);
  buttons->addWidget(no);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addStretch(1);
  layout->addLayout(buttons);
  setFixedSize(273, 163);
}

}  // namespace picmove::window
