// The login's folder tree: reading folder records, asking the service, confirming a choice.
#include <gtest/gtest.h>

#include "http/web_request.h"
#include "imagespace/folder_tree.h"
#include "package/gbk.h"
#include "support/fake_image_space.h"

namespace picmove {
namespace {

using Strings = std::vector<std::string>;

TEST(ExtractAllBetween, TakesEveryNonBlankValueInOrder) {
  struct Case {
    const char* name;
    std::string text, left, right;
    Strings expected;
  };
  const std::string full_width = "\xA1\xA1";  // the GBK full-width space
  const Case cases[] = {
      {"three values", "<a>1</a><a>2</a><a>3</a>", "<a>", "</a>", {"1", "2", "3"}},
      {"spaces trimmed", "<a>  x y </a><a>" + full_width + "z" + full_width + "</a>", "<a>",
       "</a>", {"x y", "z"}},
      {"blank values left out", "<a> </a><a>" + full_width + "</a><a>k</a>", "<a>", "</a>",
       {"k"}},
      // The search goes on from the right marker, which can begin the next value.
      {"right marker begins the next", "|1|2|", "|", "|", {"1", "2"}},
      {"no right marker ends the list", "<a>1</a><a>2", "<a>", "</a>", {"1"}},
      {"case respected", "<A>1</A><a>2</a>", "<a>", "</a>", {"2"}},
      {"no left marker", "nothing here", "<a>", "</a>", {}},
      // "\xB0\xA1" ends in A1 and is followed by A1 B0: no full-width space is formed across.
      {"GBK trail bytes are not spaces", "<a>\xB0\xA1\xA1\xB0</a>", "<a>", "</a>",
       {"\xB0\xA1\xA1\xB0"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(extract_all_between(c.text, c.left, c.right), c.expected) << c.name;
  }
}

TEST(ReadFolderTree, PairsNamesAndIdsByTheirOwnMarkers) {
  struct Case {
    const char* name;
    std::string json;
    Strings names, ids;
  };
  const Case cases[] = {
      {"three folders in answer order",
       R"([{"name":"A","id":"1","open":true},{"name":"B","id":"2","open":false},)"
       R"({"name":"C","id":"3","open":false}])",
       {"A", "B", "C"},
       {"1", "2", "3"}},
      {"a blank name is left out, its id is kept",
       R"([{"name":" ","id":"1","open":true},{"name":"B","id":"2","open":false}])",
       {"B"},
       {"1", "2"}},
      // The id marker also matches the end of "pid": everything up to the next "open" field.
      {"pid before the record",
       R"([{"pid":"0","name":"A","id":"1","open":true}])",
       {"A"},
       {R"(0","name":"A","id":"1)"}},
      {"not logged in", R"({"success":false})", {}, {}},
  };
  for (const Case& c : cases) {
    const FolderTree tree = read_folder_tree(c.json);
    EXPECT_EQ(tree.names, c.names) << c.name;
    EXPECT_EQ(tree.ids, c.ids) << c.name;
  }
}

TEST(RefreshFolders, AsksWithTheBrowserCookiesAndKeepsTheFolders) {
  test::FakeImageSpaceService service;
  service.set_folder_tree(R"({"dirs":[{"name":"全部图片","id":"0","open":true},)"
                          R"({"name":"店铺装修","id":"77","open":false},)"
                          R"({"name":"宝贝图片","id":"1001","open":false}]})");
  ImageSpaceLogin login;

  // What the browser holds after the seller logged in on the management page.
  std::string browser_cookies;
  WebRequestArgs page;
  page.url = service.base_url() + "/redaction/manager.htm";
  page.cookies = &browser_cookies;
  web_request(page);
  ASSERT_NE(browser_cookies.find("cookie2=good"), std::string::npos) << browser_cookies;

  const FolderTree tree = refresh_folders(login, service.endpoints(), browser_cookies);
  EXPECT_EQ(tree.names, (Strings{gbk("全部图片"), gbk("店铺装修"), gbk("宝贝图片")}));
  EXPECT_EQ(tree.ids, (Strings{"0", "77", "1001"}));
  EXPECT_EQ(login.folder_names(), tree.names);

  const auto asked = service.requests("/redaction/redaction/json.json");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].method, "GET");
  EXPECT_EQ(asked[0].target, "/redaction/redaction/json.json?cmd=json_dirTree_query&count=true");
  EXPECT_EQ(asked[0].header("Cookie"), browser_cookies);
  EXPECT_EQ(asked[0].header("User-Agent"),
            "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
            "Chrome/63.0.3239.132 Safari/537.36");

  // Choosing the third folder stores the third id and the two options.
  EXPECT_TRUE(confirm_login(login, 2, true, false));
  EXPECT_EQ(login.target().folder_id, "1001");
  EXPECT_EQ(login.target().public_flag, "true");
  EXPECT_EQ(login.target().watermark_flag, "false");
}

TEST(RefreshFolders, WithoutALoginThereAreNoFoldersAndNoConfirmation) {
  test::FakeImageSpaceService service;
  ImageSpaceLogin login;
  login.set_target({"55", "false", "true"});
  const FolderTree tree = refresh_folders(login, service.endpoints(), "cookie2=expired");
  EXPECT_TRUE(tree.names.empty());
  EXPECT_TRUE(tree.ids.empty());
  EXPECT_FALSE(confirm_login(login, 0, false, false));
  EXPECT_EQ(login.target().folder_id, "55") << "a refused confirmation changes nothing";
  EXPECT_EQ(login.target().watermark_flag, "true");
}

TEST(ConfirmLogin, RefusesWithoutCookiesAChoiceOrAnIdAtThatPosition) {
  ImageSpaceLogin login;
  login.set_folders({"A", "B"}, {"1"});  // a blank name shifted the ids
  EXPECT_FALSE(confirm_login(login, 0, false, false)) << "no cookies yet";
  login.set_cookies("cookie2=good");
  EXPECT_FALSE(confirm_login(login, std::nullopt, false, false)) << "nothing chosen";
  EXPECT_FALSE(confirm_login(login, 1, false, false)) << "no id at the second position";
  EXPECT_TRUE(login.target().folder_id.empty());
  EXPECT_TRUE(confirm_login(login, 0, false, true));
  EXPECT_EQ(login.target().folder_id, "1");
  EXPECT_EQ(login.target().watermark_flag, "true");
  EXPECT_EQ(login_incomplete_message(), gbk("未登陆或未选择图片上传存放的文件夹！"));
}

}  // namespace
}  // namespace picmove
