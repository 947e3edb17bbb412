// The protection query with its item id, the batch delete, and the publish form file.
#include <gtest/gtest.h>

#include "imagespace/protection.h"
#include "imagespace/publish_form.h"
#include "package/gbk.h"
#include "support/fake_image_space.h"
#include "support/temp_dir.h"

namespace picmove {
namespace {

const std::string kQueryTarget =
    "/auction/container/get_data.htm?_input_charset=utf-8&_output_charset=utf-8";

TEST(FormToken, IsTheValueOfTheTokenCookieUpToTheNextSemicolon) {
  struct Case {
    std::string cookies, token;
  };
  const Case cases[] = {
      {"a=1; _tb_token_=abc; b=2", "abc"},
      {"a=1;_tb_token_=abc;b=2", "abc"},
      {"a=1; _tb_token_=abc", ""},  // the last cookie has no ";" after it
      {"a=1; b=2", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(form_token(c.cookies), c.token) << c.cookies;
}

TEST(ImageIsProtected, LearnsTheItemIdOnceThenOnlyAsks) {
  test::FakeImageSpaceService service;
  service.protect("guarded.jpg");
  ImageSpaceLogin login;
  login.set_cookies("cookie2=good; _tb_token_=tok123; x=1");
  const ServiceEndpoints endpoints = test::endpoints_at(service.base_url());
  const std::string form = "a=" + gbk("中") + "&_tb_token_={token}&again={token}";

  EXPECT_FALSE(image_is_protected(login, endpoints, form, "https://img.fake/dir/abc.jpg"));
  EXPECT_TRUE(image_is_protected(login, endpoints, form, "https://img.fake/dir/guarded.jpg"));
  EXPECT_EQ(login.item_id(), "556677889900");

  const auto posted = service.requests("/auction/publish/publish.htm");
  ASSERT_EQ(posted.size(), 1u) << "the publish form goes out once per process";
  EXPECT_EQ(posted[0].method, "POST");
  EXPECT_EQ(posted[0].body, "a=中&_tb_token_=tok123&again=tok123") << "sent in UTF-8";
  const std::string host = "127.0.0.1:" + std::to_string(service.port());
  const std::vector<std::pair<std::string, std::string>> form_headers = {
      {"Content-Type", "application/x-www-form-urlencoded; charset=UTF-8"},
      {"Accept", "application/json, text/javascript, */*; q=0.01"},
      {"Accept-Language", "zh-CN"},
      {"User-Agent", "Mozilla/5.0 (Windows NT 6.1; WOW64; Trident/7.0; rv:11.0) like Gecko"},
      {"Host", host},
      {"Connection", "Keep-Alive"},
  };
  const auto queries = service.requests(kQueryTarget);
  ASSERT_EQ(queries.size(), 2u);
  for (const auto& request : {posted[0], queries[0], queries[1]}) {
    for (const auto& [name, value] : form_headers) {
      EXPECT_EQ(request.header(name), value) << request.target << " " << name;
    }
    EXPECT_NE(request.header("Cookie").find("cookie2=good"), std::string::npos);
  }
  EXPECT_EQ(queries[0].method, "POST");
  EXPECT_EQ(queries[0].body, "catId=50010850&module=imgProtect&itemId=556677889900&pos=0&pic=abc.jpg");
  EXPECT_EQ(queries[1].body,
            "catId=50010850&module=imgProtect&itemId=556677889900&pos=0&pic=guarded.jpg");
}

TEST(ImageIsProtected, WithoutAnItemIdAsksAgainNextTimeAndTheLastTokenIsEmpty) {
  test::FakeImageSpaceService service;
  service.set_item_id("");
  ImageSpaceLogin login;
  login.set_cookies("cookie2=good; _tb_token_=tok123");  // token last: no ";" after it
  const ServiceEndpoints endpoints = test::endpoints_at(service.base_url());

  EXPECT_FALSE(image_is_protected(login, endpoints, "_tb_token_={token}", "/a.jpg"));
  EXPECT_FALSE(image_is_protected(login, endpoints, "_tb_token_={token}", "/b.jpg"));
  EXPECT_TRUE(login.item_id().empty());
  const auto posted = service.requests("/auction/publish/publish.htm");
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].body, "_tb_token_=");
  const auto queries = service.requests(kQueryTarget);
  ASSERT_EQ(queries.size(), 2u);
  EXPECT_EQ(queries[1].body, "catId=50010850&module=imgProtect&itemId=&pos=0&pic=b.jpg");
}

TEST(ImageIsProtected, OnlyAnAnswerWithPassMeansNotProtected) {
  struct Case {
    std::string answer;
    bool is_protected;
  };
  const Case cases[] = {
      {R"({"status":"pass"})", false},
      {"bypassed", false},  // inside a longer word still counts
      {R"({"status":"protected"})", true},
      {"PASS", true},        // case is respected
      {std::string("pa\0ss", 5), true},  // only the text before a zero byte is read
      // No answer (a failed request) does not delete the seller's pictures.
      {"", false},
  };
  for (const Case& c : cases) {
    test::LocalHttpServer server([&](const test::HttpExchange&) {
      test::HttpReply reply;
      reply.body = c.answer;
      return reply;
    });
    ImageSpaceLogin login;
    login.set_item_id("1");
    EXPECT_EQ(image_is_protected(login, test::endpoints_at(server.base_url()), "", "/p/a.jpg"),
              c.is_protected)
        << c.answer;
  }
}

TEST(ImageIsProtected, AnUnreachableServiceIsNotTakenForProtection) {
  ImageSpaceLogin login;
  EXPECT_FALSE(image_is_protected(login, test::endpoints_at("http://127.0.0.1:1"), "f", "/a.jpg"));
}

TEST(BatchDelete, SendsTheFileIdWithTheManagementHeaders) {
  test::FakeImageSpaceService service;
  ImageSpaceLogin login;
  login.set_cookies("cookie2=good");
  batch_delete(login, test::endpoints_at(service.base_url()), "F42");
  const auto sent = service.requests("/redaction/redaction/json.json");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].method, "GET");
  EXPECT_EQ(sent[0].target,
            "/redaction/redaction/json.json?cmd=json_batch_delete&file_ids=F42&_input_charset=utf-8");
  const std::vector<std::pair<std::string, std::string>> headers = {
      {"Content-Type", "application/x-www-form-urlencoded; charset=UTF-8"},
      {"Accept", "application/json, text/javascript, */*; q=0.01"},
      {"Referer", service.base_url() + "/redaction/manager.htm?spm=686.1000925.a1zvx.d54.FsGLd1"},
      {"Accept-Language", "zh-CN"},
      {"Accept-Encoding", "gzip, deflate"},
      {"User-Agent", "Mozilla/5.0 (Windows NT 6.1; WOW64; Trident/7.0; rv:11.0) like Gecko"},
      {"Host", "127.0.0.1:" + std::to_string(service.port())},
      {"Connection", "Keep-Alive"},
      {"Cookie", "cookie2=good"},
  };
  for (const auto& [name, value] : headers) EXPECT_EQ(sent[0].header(name), value) << name;
}

TEST(PublishForm, AUsersFileTakesThePlaceOfTheBuiltInForm) {
  const std::string& builtin = builtin_publish_form();
  EXPECT_EQ(builtin.rfind("sellerActionBeginTime=", 0), 0u);
  EXPECT_NE(builtin.find("_fma.pu._0.ca=50010850"), std::string::npos);
  EXPECT_NE(builtin.find("action=upload%2FuploadAction"), std::string::npos);
  const std::string tail = "_tb_token_={token}";
  EXPECT_EQ(builtin.substr(builtin.size() - tail.size()), tail);

  test::TempDir dir;
  EXPECT_EQ(load_publish_form(dir.path()), builtin) << "no file";
  test::write_bytes(publish_form_path(dir.path()), "\r\n  \n");
  EXPECT_EQ(load_publish_form(dir.path()), builtin) << "a blank file";
  test::write_bytes(publish_form_path(dir.path()), "captured=1&_tb_token_={token}\r\n");
  EXPECT_EQ(load_publish_form(dir.path()), "captured=1&_tb_token_={token}");
}

}  // namespace
}  // namespace picmove
