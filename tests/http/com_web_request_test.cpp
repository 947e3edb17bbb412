#include "http/com_web_request.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "http_test_util.h"

namespace picmove {
namespace {

using test::HttpExchange;
using test::HttpReply;
using test::LocalHttpServer;

using test::kImageAccept;

class ComWebRequest : public ::testing::Test {
 protected:
  LocalHttpServer server{[](const HttpExchange& ex) {
    if (ex.target == "/cookie") {
      return test::reply_with("c", {{"Set-Cookie", "a=1; path=/"}, {"Set-Cookie", "bare=1"}});
    }
    if (ex.target == "/moved") return test::redirect_to("/p.jpg");
    if (ex.target == "/to-file") return test::redirect_to("file:///etc/hostname");
    return test::reply_with("picture:" + ex.body);
  }};

  std::string url(const std::string& path) const { return server.base_url() + path; }
  std::string host() const { return "127.0.0.1:" + std::to_string(server.port()); }
};

TEST_F(ComWebRequest, OnlyTheAddressGivesTheImageRequest) {
  const std::string address = url("/p.jpg");
  EXPECT_EQ(com_web_request(address), "picture:");
  const std::vector<std::string> expected = {
      "GET /p.jpg HTTP/1.1",
      "Host: " + host(),
      "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
      "Referrer: " + address,  // this requester's own spelling; no Referer line
      "Accept: " + kImageAccept,
      "Accept-Language: zh-cn",
      "Content-Type: application/x-www-form-urlencoded"};
  EXPECT_EQ(test::head_lines(server.exchanges().at(0)), expected);
}

TEST_F(ComWebRequest, VerbBodyCookiesAndReferrerAreSent) {
  ComRequestArgs args;
  args.url = url("/form");
  args.verb = "POST";
  args.body_text = "k=v";
  args.cookies = "sid=1; t=2";
  args.referrer = "http://shop.example/item";
  EXPECT_EQ(com_web_request(args), "picture:k=v");
  const HttpExchange ex = server.exchanges().at(0);
  EXPECT_EQ(ex.method, "POST");
  EXPECT_EQ(ex.body, "k=v");
  EXPECT_EQ(ex.header("Referrer"), "http://shop.example/item");
  EXPECT_EQ(ex.header("Cookie"), "sid=1; t=2");
  const std::vector<std::string> lines = test::head_lines(ex);
  ASSERT_GE(lines.size(), 8u);
  EXPECT_EQ(lines[7], "Cookie: sid=1; t=2");  // after the four fixed lines
}

TEST_F(ComWebRequest, ReceivedCookiesAreAppendedOnlyWhenWanted) {
  std::string received = "x=9";
  ComRequestArgs args;
  args.url = url("/cookie");
  args.received_cookies = &received;
  EXPECT_EQ(com_web_request(args), "c");
  EXPECT_EQ(received, "x=9; a=1");  // the cookie without attributes is left out

  std::string empty;
  args.received_cookies = &empty;
  com_web_request(args);
  EXPECT_EQ(empty, "a=1");
}

TEST_F(ComWebRequest, FollowsRedirectsWithinHttp) {
  EXPECT_EQ(com_web_request(url("/moved")), "picture:");
  EXPECT_EQ(com_web_request(url("/to-file")), "");
  EXPECT_EQ(server.exchanges().size(), 3u);
}

TEST_F(ComWebRequest, ProxyWithCredentials) {
  ComRequestArgs args;
  args.url = "http://pictures.invalid/a.jpg";
  args.proxy = host();
  args.proxy_user = "u";
  args.proxy_password = "pw";
  EXPECT_EQ(com_web_request(args), "picture:");
  const HttpExchange ex = server.exchanges().at(0);
  EXPECT_EQ(ex.target, "http://pictures.invalid/a.jpg");
  EXPECT_EQ(ex.header("Proxy-Authorization"), "Basic dTpwdw==");
}

TEST_F(ComWebRequest, ProxyUserWithoutProxyIsIgnored) {
  ComRequestArgs args;
  args.url = url("/direct");
  args.proxy_user = "u";
  args.proxy_password = "pw";
  EXPECT_EQ(com_web_request(args), "picture:");
  const HttpExchange ex = server.exchanges().at(0);
  EXPECT_EQ(ex.target, "/direct");
  EXPECT_FALSE(ex.has_header("Proxy-Authorization"));
}

TEST_F(ComWebRequest, AddressBytesThatCannotTravelAreEscaped) {
  // Spaces would end the request line; GBK bytes go percent-encoded as they are.
  EXPECT_EQ(com_web_request(url("/a b/\xCD\xBC.jpg")), "picture:");
  std::string target = server.exchanges().at(0).target;
  for (char& c : target) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(target, "/a%20b/%cd%bc.jpg");
}

TEST_F(ComWebRequest, OnlyFullHttpAddressesAreOpened) {
  // A main-picture item and an address without its scheme are no addresses this requester
  // opens: they fail at once, and nothing reaches the server (or a name server).
  const std::string item = "ca9ff1d37a61c0081cb280bc2b012a91:1:0:|" + url("/p.jpg");
  EXPECT_EQ(com_web_request(item), "");
  EXPECT_EQ(com_web_request(host() + "/p.jpg"), "");
  EXPECT_TRUE(server.exchanges().empty());
  EXPECT_EQ(com_web_request("HTTP://" + host() + "/p.jpg"), "picture:");
}

TEST(ComWebRequestLimits, SilentServerEndsAfterTheTimeOut) {
  LocalHttpServer server([](const HttpExchange&) {
    HttpReply r;
    r.never_answer = true;
    return r;
  });
  std::string received = "kept";
  ComRequestArgs args;
  args.url = server.base_url() + "/p.jpg";
  args.timeout_seconds = 1;
  args.received_cookies = &received;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(com_web_request(args), "");
  const double took = test::seconds_since(start);
  EXPECT_GE(took, 0.9);
  EXPECT_LT(took, 4.0);
  EXPECT_EQ(received, "kept");
}

TEST(ComWebRequestLimits, SlowDownloadThatKeepsArrivingIsNotCut) {
  // 2.4 s in all, a piece every 200 ms, against a limit of 1 s.
  LocalHttpServer server(
      [](const HttpExchange&) { return test::trickle(12, 500, std::chrono::milliseconds(200)); });
  ComRequestArgs args;
  args.url = server.base_url() + "/slow.jpg";
  args.timeout_seconds = 1;
  EXPECT_EQ(com_web_request(args).size(), 12u * 500u);
}

TEST(ComWebRequestLimits, StallInTheMiddleEndsTheDownload) {
  LocalHttpServer server([](const HttpExchange&) {
    HttpReply r = test::reply_with(std::string(4000, 's'));
    r.chunk_size = 2000;
    r.chunk_delay = std::chrono::milliseconds(3000);
    return r;
  });
  ComRequestArgs args;
  args.url = server.base_url() + "/stall.jpg";
  args.timeout_seconds = 1;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(com_web_request(args), "");
  EXPECT_LT(test::seconds_since(start), 2.9);
}

}  // namespace
}  // namespace picmove
