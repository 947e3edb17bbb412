// The completion window "处理完成！": the totals of a run, shown without blocking and without an
// owner window; 按钮1 "确定" closes (and deletes) it.
#pragma once

#include <QDialog>

#include "transfer/run_statistics.h"

namespace picmove::window {

class CompletionWindow : public QDialog {
  Q_OBJECT

 public:
  // `texts` are GBK, computed once when the window opens.
  explicit CompletionWindow(const CompletionTexts& texts);
};

}  // namespace picmove::window
