// The settings page "配置": tab 选择夹2 "设置" with the options controls and 按钮4 "保存配置".
// It is the window's side of SettingsControls (load and save the options file) and the source
// of the WindowOptions copies the workers read.
#pragma once

#include <QWidget>

#include <filesystem>

#include "app/options/settings.h"
#include "app/window/message_boxes.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace picmove::window {

class WindowOptions;

class SettingsPage : public QWidget, public SettingsControls {
  Q_OBJECT

 public:
  SettingsPage(std::filesystem::path options_file, const MessageAsker& ask,
               QWidget* parent = nullptr);

  // Fills the controls from the options file (once, at start-up).
  void load();
  // 按钮4 "保存配置".
  void save();

  void bind(WindowOptions& options);

  QCheckBox* upload_box() const { return upload_; }

  // SettingsControls, texts in GBK.
  std::string policy_text() const override;
  void select_policy_entry(int entry) override;
  bool backup() const override;
  void set_backup(bool on) override;
  int link_choice() const override;
  void set_link_choice(int choice) override;
  std::string link_text() const override;
  void set_link_text(const std::string& text) override;
  bool clear_main_links() const override;
  void set_clear_main_links(bool on) override;
  bool clear_alt() const override;
  void set_clear_alt(bool on) override;
  bool protected_pictures() const override;
  void set_protected_pictures(bool on) override;
  bool tmall536() const override;
  void set_tmall536(bool on) override;
  void show_message(const std::string& text, const std::string& caption) override;

 private:
  std::filesystem::path options_file_;
  const MessageAsker& ask_;

  QComboBox* policy_ = nullptr;       // 组合框1
  QCheckBox* backup_ = nullptr;       // 选择框1
  QButtonGroup* links_ = nullptr;     // 单选框1..3
  QRadioButton* link_buttons_[3] = {};
  QLineEdit* link_text_ = nullptr;    // 编辑框1
  QCheckBox* main_links_ = nullptr;   // 选择框4
  QCheckBox* alt_ = nullptr;          // 选择框5
  QCheckBox* upload_ = nullptr;       // 选择框2
  QCheckBox* protected_ = nullptr;    // 选择框6
  QCheckBox* tmall536_ = nullptr;     // 选择框3
  QPushButton* save_button_ = nullptr;  // 按钮4
};

}  // namespace picmove::window
