// Loading the settings page from the options file and saving it back. The page implements
// SettingsControls over its widgets; picmove-cli over a plain record. Texts are GBK.
#pragma once

#include <filesystem>
#include <string>

namespace picmove {

class SettingsControls {
 public:
  virtual ~SettingsControls() = default;

  virtual std::string policy_text() const = 0;        // text shown in 组合框1
  virtual void select_policy_entry(int entry) = 0;    // 1..3

  virtual bool backup() const = 0;                    // 选择框1
  virtual void set_backup(bool on) = 0;

  virtual int link_choice() const = 0;                // 1..3 for 单选框1..3, 0 when none is checked
  virtual void set_link_choice(int choice) = 0;       // 1..3
  virtual std::string link_text() const = 0;          // 编辑框1
  virtual void set_link_text(const std::string& text) = 0;

  virtual bool clear_main_links() const = 0;          // 选择框4
  virtual void set_clear_main_links(bool on) = 0;
  virtual bool clear_alt() const = 0;                 // 选择框5
  virtual void set_clear_alt(bool on) = 0;
  virtual bool protected_pictures() const = 0;        // 选择框6
  virtual void set_protected_pictures(bool on) = 0;
  virtual bool tmall536() const = 0;                  // 选择框3
  virtual void set_tmall536(bool on) = 0;

  // A message box with one OK button.
  virtual void show_message(const std::string& text, const std::string& caption) = 0;
};

// The options file below a program directory: <dir>/options/options.ini.
std::filesystem::path options_file_path(const std::filesystem::path& program_directory);

// The three entries of 组合框1, in order (GBK).
const std::string& policy_entry_text(int entry);

// Fills the controls and sets the failure policy.
void load_settings(SettingsControls& controls, const std::filesystem::path& options_file);

// Writes the controls back (with the refusals of an empty policy text or an empty link text)
// and sets the failure policy. Returns true when "已经保存！" was shown.
bool save_settings(SettingsControls& controls, const std::filesystem::path& options_file);

// A plain record of every control, for the command line and tests. Messages are collected.
struct PlainSettings : SettingsControls {
  std::string policy = policy_entry_text(3);
  bool backup_on = false;
  int links = 0;
  std::string links_text;
  bool clear_main_links_on = false, clear_alt_on = false, protected_on = false,
       tmall536_on = false;
  std::string last_message, last_caption;

  std::string policy_text() const override { return policy; }
  void select_policy_entry(int entry) override { policy = policy_entry_text(entry); }
  bool backup() const override { return backup_on; }
  void set_backup(bool on) override { backup_on = on; }
  int link_choice() const override { return links; }
  void set_link_choice(int choice) override { links = choice; }
  std::string link_text() const override { return links_text; }
  void set_link_text(const std::string& text) override { links_text = text; }
  bool clear_main_links() const override { return clear_main_links_on; }
  void set_clear_main_links(bool on) override { clear_main_links_on = on; }
  bool clear_alt() const override { return clear_alt_on; }
  void set_clear_alt(bool on) override { clear_alt_on = on; }
  bool protected_pictures() const override { return protected_on; }
  void set_protected_pictures(bool on) override { protected_on = on; }
  bool tmall536() const override { return tmall536_on; }
  void set_tmall536(bool on) override { tmall536_on = on; }
  void show_message(const std::string& text, const std::string& caption) override {
    last_message = text;
    last_caption = caption;
  }
};

}  // namespace picmove
