// The processing options as workers read them: copies of the settings page's controls, updated
// on the window's thread from the controls' change signals. Workers never read a widget.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "package/options_view.h"

class QAbstractButton;
class QButtonGroup;
class QLineEdit;

namespace picmove::window {

class WindowOptions : public OptionsView {
 public:
  bool backup() const override { return backup_.load(); }
  bool upload() const override { return upload_.load(); }
  bool tmall536() const override { return tmall536_.load(); }
  bool clear_main_links() const override { return clear_main_links_.load(); }
  bool clear_alt() const override { return clear_alt_.load(); }
  bool protected_pictures() const override { return protected_.load(); }
  LinkMode link_mode() const override;
  std::string link_text() const override;

  // 1..3 for 单选框1..3, 0 when none is checked (read like the first choice).
  int link_choice() const { return link_choice_.load(); }

  // Follows the controls from now on (and copies their present state).
  void follow(QAbstractButton* backup, QAbstractButton* upload, QAbstractButton* tmall536,
              QAbstractButton* clear_main_links, QAbstractButton* clear_alt,
              QAbstractButton* protected_pictures, QButtonGroup* links, QLineEdit* link_text);

 private:
  std::atomic<bool> backup_{false}, upload_{false}, tmall536_{false}, clear_main_links_{false},
      clear_alt_{false}, protected_{false};
  std::atomic<int> link_choice_{0};
  mutable std::mutex text_mutex_;
  std::string link_text_;  // GBK
};

}  // namespace picmove::window
