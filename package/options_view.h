// The processing options as the core reads them, at the moment of use. The window implements
// this over its controls (kept in atomics/locked copies); the command line over a plain record.
#pragma once

#include <mutex>
#include <string>

namespace picmove {

enum class LinkMode { keep = 1, remove = 2, replace = 3 };  // 单选框1 / 单选框2 / 单选框3

class OptionsView {
 public:
  virtual ~OptionsView() = default;
  virtual bool backup() const = 0;              // 选择框1
  virtual bool upload() const = 0;              // 选择框2
  virtual bool tmall536() const = 0;            // 选择框3
  virtual bool clear_main_links() const = 0;    // 选择框4
  virtual bool clear_alt() const = 0;           // 选择框5
  virtual bool protected_pictures() const = 0;  // 选择框6
  virtual LinkMode link_mode() const = 0;
  virtual std::string link_text() const = 0;    // 编辑框1, GBK
};

// A plain record; safe to read from any thread while nobody writes it.
struct PlainOptions : OptionsView {
  bool backup_on = false;
  bool upload_on = false;
  bool tmall536_on = false;
  bool clear_main_links_on = false;
  bool clear_alt_on = false;
  bool protected_on = false;
  LinkMode links = LinkMode::keep;
  std::string links_text;

  bool backup() const override { return backup_on; }
  bool upload() const override { return upload_on; }
  bool tmall536() const override { return tmall536_on; }
  bool clear_main_links() const override { return clear_main_links_on; }
  bool clear_alt() const override { return clear_alt_on; }
  bool protected_pictures() const override { return protected_on; }
  LinkMode link_mode() const override { return links; }
  std::string link_text() const override { return links_text; }
};

}  // namespace picmove
