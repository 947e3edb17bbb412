#include "app/options/settings.h"

#include <gtest/gtest.h>

#include "app/options/profile_file.h"
#include "app/options/service_settings.h"
#include "package/gbk.h"
#include "support/temp_dir.h"
#include "transfer/failure_policy.h"

namespace picmove {
namespace {

using test::read_bytes;
using test::TempDir;
using test::write_bytes;

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { set_failure_policy(0); }
  std::filesystem::path file() const { return dir_ / "options.ini"; }
  TempDir dir_;
};

TEST_F(SettingsTest, FirstStartWithoutAFileShowsTheDefaults) {
  PlainSettings s;
  s.policy = "";  // the page starts from its design state
  load_settings(s, file());
  EXPECT_EQ(s.policy, gbk("重新下载 仍失败删除"));
  EXPECT_EQ(failure_policy(), 3);
  EXPECT_FALSE(s.backup_on);
  EXPECT_EQ(s.links, 1);
  EXPECT_EQ(s.links_text, "");
  EXPECT_FALSE(s.clear_main_links_on || s.clear_alt_on || s.protected_on || s.tmall536_on);
}

TEST_F(SettingsTest, LoadReadsEveryKeyByItsOwnRule) {
  struct Case {
    const char* name;
    std::string ini;
    int policy;            // failure policy after loading
    int entry;             // combo entry shown (0: the initial entry kept)
    bool backup;
    int links;
  };
  const Case cases[] = {
      {"keep", "[DL_PIC]\r\nfall=1\r\nqcl=2\r\n", 1, 1, false, 2},
      {"delete", "[DL_PIC]\r\nfall=2\r\nqcl=3\r\n", 2, 2, false, 3},
      {"unusable fall and qcl change nothing", "[DL_PIC]\r\nfall=7\r\nqcl=9\r\n", 0, 0, false, 0},
      {"backups present but empty checks", "[PR_INFO]\r\nbackups=\r\n", 3, 3, true, 1},
      {"backups true", "[PR_INFO]\r\nbackups=" + gbk("真") + "\r\n", 3, 3, true, 1},
      {"backups false", "[PR_INFO]\r\nbackups=" + gbk("假") + "\r\n", 3, 3, false, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    set_failure_policy(0);
    write_bytes(file(), c.ini);
    PlainSettings s;
    s.policy = "initial";
    load_settings(s, file());
    EXPECT_EQ(failure_policy(), c.policy);
    EXPECT_EQ(s.policy, c.entry == 0 ? std::string("initial") : policy_entry_text(c.entry));
    EXPECT_EQ(s.backup_on, c.backup);
    EXPECT_EQ(s.links, c.links);
  }
}

TEST_F(SettingsTest, CheckboxesNeedExactlyOne) {
  write_bytes(file(), "[DL_PIC]\r\nqztlj=1\r\nqalt= 1 \r\nqchd=true\r\ntmsj=\"1\"\r\nqcllr=a$1\r\n");
  PlainSettings s;
  load_settings(s, file());
  EXPECT_TRUE(s.clear_main_links_on);
  EXPECT_TRUE(s.clear_alt_on);  // blanks are trimmed by the file reader
  EXPECT_FALSE(s.protected_on);
  EXPECT_TRUE(s.tmall536_on);   // one pair of quotes is removed
  EXPECT_EQ(s.links_text, "a$1");
}

TEST_F(SettingsTest, SaveFromScratchWritesTheKeysInTheirOrder) {
  PlainSettings s;
  s.links = 1;
  EXPECT_TRUE(save_settings(s, file()));
  EXPECT_EQ(read_bytes(file()),
            "[DL_PIC]\r\nfall=3\r\nqcl=1\r\nqztlj=0\r\nqalt=0\r\nqchd=0\r\ntmsj=0\r\n"
            "[PR_INFO]\r\nbackups=" + gbk("假") + "\r\n");
  EXPECT_EQ(s.last_message, gbk("已经保存！"));
  EXPECT_EQ(s.last_caption, gbk("提示"));
  EXPECT_EQ(failure_policy(), 3);

  // The third link choice adds qcllr at the end of its section.
  s.links = 3;
  s.links_text = "http://shop/?a=$1";
  s.backup_on = true;
  s.policy = policy_entry_text(1);
  EXPECT_TRUE(save_settings(s, file()));
  EXPECT_EQ(read_bytes(file()),
            "[DL_PIC]\r\nfall=1\r\nqcl=3\r\nqztlj=0\r\nqalt=0\r\nqchd=0\r\ntmsj=0\r\n"
            "qcllr=http://shop/?a=$1\r\n[PR_INFO]\r\nbackups=" + gbk("真") + "\r\n");
  EXPECT_EQ(failure_policy(), 1);
}

TEST_F(SettingsTest, EmptyPolicyTextWritesNothing) {
  PlainSettings s;
  s.policy = "";
  s.links = 1;
  EXPECT_FALSE(save_settings(s, file()));
  EXPECT_EQ(s.last_message, gbk("请设置图片下载失败处理方式"));
  EXPECT_EQ(s.last_caption, gbk("信息："));
  EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(SettingsTest, TypedPolicyTextSavesEverythingElseAndKeepsThePolicy) {
  set_failure_policy(2);
  PlainSettings s;
  s.policy = gbk("随便");
  s.links = 2;
  s.clear_alt_on = true;
  EXPECT_TRUE(save_settings(s, file()));
  EXPECT_EQ(failure_policy(), 2);
  EXPECT_EQ(read_profile_string(file(), "DL_PIC", "fall", "<none>"), "<none>");
  EXPECT_EQ(read_profile_string(file(), "DL_PIC", "qcl"), "2");
  EXPECT_EQ(read_profile_string(file(), "DL_PIC", "qalt"), "1");
}

TEST_F(SettingsTest, ReplaceChoiceWithoutTextStopsAfterQcl) {
  write_bytes(file(), "[DL_PIC]\r\nqztlj=1\r\nqcllr=old\r\n");
  PlainSettings s;
  s.links = 0;  // no radio checked counts as the third choice
  s.policy = policy_entry_text(2);
  EXPECT_FALSE(save_settings(s, file()));
  EXPECT_EQ(s.last_message, gbk("请填写待替换链接！"));
  EXPECT_EQ(read_profile_string(file(), "DL_PIC", "fall"), "2");
  EXPECT_EQ(read_profile_string(file(), "DL_PIC", "qcl"), "3");
  EXPECT_EQ(read_profile_string(file(), "DL_PIC", "qcllr"), "old");
  EXPECT_EQ(read_profile_string(file(), "DL_PIC", "qztlj"), "1");  // not rewritten as 0
  EXPECT_EQ(read_profile_string(file(), "PR_INFO", "backups"), gbk("假"));
}

TEST_F(SettingsTest, LongReplacementIsSavedWholeButReadBackCut) {
  PlainSettings s;
  s.links = 3;
  s.links_text = std::string(10300, 'u');
  ASSERT_TRUE(save_settings(s, file()));
  EXPECT_NE(read_bytes(file()).find(std::string(10300, 'u')), std::string::npos);
  PlainSettings loaded;
  load_settings(loaded, file());
  EXPECT_EQ(loaded.links_text, std::string(10239, 'u'));
}

TEST_F(SettingsTest, ServiceEndpointsDefaultAndOverride) {
  ServiceEndpoints defaults = read_service_endpoints(file());
  EXPECT_EQ(defaults.manage, "https://tadget.taobao.com");
  EXPECT_EQ(defaults.appkey, "tu");
  write_bytes(file(), "[service]\r\nUPLOAD=http://127.0.0.1:9/up\r\nappkey=\r\n");
  ServiceEndpoints e = read_service_endpoints(file());
  EXPECT_EQ(e.upload, "http://127.0.0.1:9/up");
  EXPECT_EQ(e.appkey, "tu");
  EXPECT_EQ(e.publish, "https://upload.taobao.com");
}

}  // namespace
}  // namespace picmove
