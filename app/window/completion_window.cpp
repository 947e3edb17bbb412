#include "app/window/completion_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "package/gbk.h"

namespace picmove::window {
namespace {

QLabel* make_label(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromUtf8(name));
  label->setWordWrap(true);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QString from_gbk(const std::string& text) { return QString::fromStdString(gbk_to_utf8(text)); }

}  // namespace

CompletionWindow::CompletionWindow(const CompletionTexts& texts) : QDialog(nullptr) {
  setObjectName(QStringLiteral("completion_window"));
  setWindowTitle(QStringLiteral("处理完成！"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(make_label(this, "透明标签1", QStringLiteral("图片已下载完成：")));

  auto* lines = new QVBoxLayout;
  lines->setContentsMargins(32, 0, 0, 0);
  lines->addWidget(make_label(this, "透明标签4", from_gbk(texts.total_line)));
  lines->addWidget(make_label(this, "透明标签2", from_gbk(texts.success_line)));
  lines->addWidget(make_label(this, "透明标签3", from_gbk(texts.failure_line)));
  layout->addLayout(lines);

  auto* bottom = new QHBoxLayout;
  bottom->setContentsMargins(8, 0, 0, 0);
  QLabel* note = make_label(this, "透明标签5", from_gbk(texts.policy_note));
  note->setMinimumWidth(184);
  bottom->addWidget(note, 1, Qt::AlignTop);
  auto* ok = new QPushButton(QStringLiteral("确定"), this);
  ok->setObjectName(QStringLiteral("按钮1"));
  ok->setDefault(true);
  bottom->addWidget(ok, 0, Qt::AlignBottom);
  layout->addLayout(bottom);

  connect(ok, &QPushButton::clicked, this, &QDialog::close);

  setMinimumSize(341, 207);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace picmove::window
