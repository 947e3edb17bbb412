// The exit confirmation "退出程序？": 按钮1 "确 定" confirms, 按钮2 "取 消" or closing declines.
#pragma once

#include <QDialog>

namespace picmove::window {

class ExitConfirmation : public QDialog {
  Q_OBJECT

 public:
  explicit ExitConfirmation(QWidget* parent = nullptr);
};

}  // namespace picmove::window
