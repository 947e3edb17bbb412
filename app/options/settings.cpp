#include "app/options/settings.h"

#include "app/options/profile_file.h"
#include "package/gbk.h"
#include "transfer/failure_policy.h"

namespace picmove {
namespace {

const std::string kDownload = "DL_PIC";
const std::string kProgram = "PR_INFO";

const std::string& yes_text() {
  static const std::string text = gbk("真");
  return text;
}
const std::string& no_text() {
  static const std::string text = gbk("假");
  return text;
}
const std::string& info_caption() {
  static const std::string text = gbk("信息：");
  return text;
}

std::string flag(bool on) { return on ? "1" : "0"; }

}  // namespace

std::filesystem::path options_file_path(const std::filesystem::path& program_directory) {
  return program_directory / "options" / "options.ini";
}

const std::string& policy_entry_text(int entry) {
  static const std::string texts[] = {gbk("保持不变"), gbk("删除图片"), gbk("重新下载 仍失败删除")};
  return texts[(entry >= 1 && entry <= 3) ? entry - 1 : 2];
}

void load_settings(SettingsControls& controls, const std::filesystem::path& file) {
  // Each key is read on its own, in this order.
  const std::string fall = read_profile_string(file, kDownload, "fall");
  if (fall.empty() || fall == "3") {
    controls.select_policy_entry(3);
    set_failure_policy(3);
  } else if (fall == "1" || fall == "2") {
    const int policy = fall == "1" ? 1 : 2;
    controls.select_policy_entry(policy);
    set_failure_policy(policy);
  }  // any other value changes neither the entry nor the policy

  controls.set_backup(read_profile_string(file, kProgram, "backups", no_text()) != no_text());

  const std::string qcl = read_profile_string(file, kDownload, "qcl");
  if (qcl.empty() || qcl == "1") {
    controls.set_link_choice(1);
  } else if (qcl == "2") {
    controls.set_link_choice(2);
  } else if (qcl == "3") {
    controls.set_link_choice(3);
  }

  controls.set_clear_main_links(read_profile_string(file, kDownload, "qztlj") == "1");
  controls.set_clear_alt(read_profile_string(file, kDownload, "qalt") == "1");
  controls.set_protected_pictures(read_profile_string(file, kDownload, "qchd") == "1");
  controls.set_tmall536(read_profile_string(file, kDownload, "tmsj") == "1");
  controls.set_link_text(read_profile_string(file, kDownload, "qcllr"));
}

bool save_settings(SettingsControls& controls, const std::filesystem::path& file) {
  const std::string policy = controls.policy_text();
  if (policy.empty()) {
    controls.show_message(gbk("请设置图片下载失败处理方式"), info_caption());
    return false;
  }
  for (int entry = 1; entry <= 3; ++entry) {
    if (policy == policy_entry_text(entry)) {
      write_profile_string(file, kDownload, "fall", std::to_string(entry));
      set_failure_policy(entry);
    }
  }  // a text typed by the user writes no "fall" and keeps the policy

  write_profile_string(file, kProgram, "backups", controls.backup() ? yes_text() : no_text());

  const int links = controls.link_choice();
  if (links == 1 || links == 2) {
    write_profile_string(file, kDownload, "qcl", std::to_string(links));
  } else {
    write_profile_string(file, kDownload, "qcl", "3");
    const std::string text = controls.link_text();
    if (text.empty()) {
      // What was written so far stays written; the checkbox keys are not touched.
      controls.show_message(gbk("请填写待替换链接！"), info_caption());
      return false;
    }
    write_profile_string(file, kDownload, "qcllr", text);
  }

  write_profile_string(file, kDownload, "qztlj", flag(controls.clear_main_links()));
  write_profile_string(file, kDownload, "qalt", flag(controls.clear_alt()));
  write_profile_string(file, kDownload, "qchd", flag(controls.protected_pictures()));
  write_profile_string(file, kDownload, "tmsj", flag(controls.tmall536()));
  controls.show_message(gbk("已经保存！"), gbk("提示"));
  return true;
}

}  // namespace picmove
