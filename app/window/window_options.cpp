#include "app/window/window_options.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>

#include "package/gbk.h"

namespace picmove::window {

LinkMode WindowOptions::link_mode() const {
  switch (link_choice_.load()) {
    case 2:
      return LinkMode::remove;
    case 3:
      return LinkMode::replace;
    default:
      return LinkMode::keep;
  }
}

std::string WindowOptions::link_text() const {
  std::lock_guard lock(text_mutex_);
  return link_text_;
}

void WindowOptions::follow(QAbstractButton* backup, QAbstractButton* upload,
                           QAbstractButton* tmall536, QAbstractButton* clear_main_links,
                           QAbstractButton* clear_alt, QAbstractButton* protected_pictures,
                           QButtonGroup* links, QLineEdit* link_text) {
  const auto bind = [](QAbstractButton* box, std::atomic<bool>& copy) {
    copy = box->isChecked();
    QObject::connect(box, &QAbstractButton::toggled, box, [&copy](bool on) { copy = on; });
  };
  bind(backup, backup_);
  bind(upload, upload_);
  bind(tmall536, tmall536_);
  bind(clear_main_links, clear_main_links_);
  bind(clear_alt, clear_alt_);
  bind(protected_pictures, protected_);

  link_choice_ = links->checkedId() > 0 ? links->checkedId() : 0;
  QObject::connect(links, &QButtonGroup::idToggled, links, [this, links](int, bool) {
    link_choice_ = links->checkedId() > 0 ? links->checkedId() : 0;
  });

  const auto copy_text = [this](const QString& text) {
    std::string gbk_text = utf8_to_gbk(text.toStdString());
    std::lock_guard lock(text_mutex_);
    link_text_ = std::move(gbk_text);
  };
  copy_text(link_text->text());
  QObject::connect(link_text, &QLineEdit::textChanged, link_text, copy_text);
}

}  // namespace picmove::window
