#include "http/web_request.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "http/cookies.h"
#include "http_test_util.h"

namespace picmove {
namespace {

using test::HttpExchange;
using test::HttpReply;
using test::LocalHttpServer;

const std::string kAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

class WebRequest : public ::testing::Test {
 protected:
  LocalHttpServer server{[](const HttpExchange& ex) { return route(ex); }};

  static HttpReply route(const HttpExchange& ex) {
    const std::string& t = ex.target;
    if (t == "/cookies") {
      return test::reply_with("set", {{"Set-Cookie", "a=3; path=/"},
                                      {"set-cookie", "c=deleted; path=/"},
                                      {"SET-COOKIE", "d=4"}});
    }
    if (t == "/r/1") return test::redirect_to("/final");
    if (t.rfind("/loop/", 0) == 0) {
      const int n = std::stoi(t.substr(6));
      return n == 0 ? test::reply_with("end of chain")
                    : test::redirect_to("/loop/" + std::to_string(n - 1), 301);
    }
    if (t == "/to-file") return test::redirect_to("file:///etc/hostname");
    if (t == "/to-ftp") return test::redirect_to("ftp://127.0.0.1/x");
    if (t == "/final") return test::reply_with("final body", {{"X-Final", "yes"}});
    return test::reply_with("echo:" + ex.body);
  }

  std::string url(const std::string& path) const { return server.base_url() + path; }
  std::string host() const { return "127.0.0.1:" + std::to_string(server.port()); }
};

TEST_F(WebRequest, DefaultHeaderTextGoesOutInOrder) {
  const std::string address = url("/a/b?x=1");
  EXPECT_EQ(web_request({.url = address}), "echo:");
  ASSERT_EQ(server.exchanges().size(), 1u);
  // Nothing else: no Accept-Encoding, no Expect, no Cookie.
  EXPECT_EQ(server.exchanges()[0].raw_head,
            "GET /a/b?x=1 HTTP/1.1\r\n"
            "Host: " +
                host() +
                "\r\n"
                "User-Agent: " +
                kAgent +
                "\r\n"
                "Accept: */*\r\n"
                "Referer: " +
                address +
                "\r\n"
                "Accept-Language: zh-cn\r\n"
                "Content-Type: application/x-www-form-urlencoded\r\n");
}

TEST_F(WebRequest, AddressWithoutSchemeIsHttpAndRefersToItselfUnchanged) {
  const std::string address = host() + "/a/b?x=1";
  EXPECT_EQ(web_request({.url = address, .method = 5}), "echo:");
  const HttpExchange ex = server.exchanges().at(0);
  EXPECT_EQ(ex.method, "GET");
  EXPECT_EQ(ex.target, "/a/b?x=1");
  EXPECT_EQ(ex.header("Referer"), address);
}

TEST_F(WebRequest, CallerLinesComeFirstAndOnlyExactSpellingsCount) {
  std::string cookies = "k=v; s=1";
  const std::string body = web_request({.url = url("/post"),
                                        .method = 1,
                                        .body_text = "a=1&b=2",
                                        .cookies = &cookies,
                                        .headers = "X-One: 1\r\naccept: text/html\r\n"
                                                   "Referer: http://ref.example/\r\n"
                                                   "Cookie: mine=1"});
  EXPECT_EQ(body, "echo:a=1&b=2");
  const std::vector<std::string> lines = test::head_lines(server.exchanges().at(0));
  const std::vector<std::string> expected = {
      "POST /post HTTP/1.1",
      "Host: " + host(),
      "User-Agent: " + kAgent,
      "X-One: 1",
      "accept: text/html",
      "Referer: http://ref.example/",
      "Cookie: mine=1",
      "Accept: */*",  // the lower-case line does not count
      "Accept-Language: zh-cn",
      "Content-Type: application/x-www-form-urlencoded",
      "Cookie: k=v; s=1",  // added although a Cookie line is there
      "Content-Length: 7"};
  EXPECT_EQ(lines, expected);
}

TEST_F(WebRequest, UserAgentLineOfTheCallerIsTheAgent) {
  web_request({.url = url("/ua"), .headers = "User-Agent: picmove-test/1\r\nX-A: 1"});
  const HttpExchange ex = server.exchanges().at(0);
  EXPECT_EQ(ex.header("User-Agent"), "picmove-test/1");
  EXPECT_EQ(ex.raw_head.find("MSIE"), std::string::npos);
}

TEST_F(WebRequest, BodyBytesTravelByteForByteAndWinOverText) {
  std::string multipart =
      "--XyZ\r\nContent-Disposition: form-data; name=\"file\"; filename=\"a.jpg\"\r\n"
      "Content-Type: image/jpeg\r\n\r\n";
  multipart += std::string("\xFF\xD8\xFF\x00\x01\x02\r\n\x00\xFF", 11);
  multipart += "\r\n--XyZ--\r\n";
  const std::string answer =
      web_request({.url = url("/up"),
                   .method = 1,
                   .body_text = "ignored",
                   .headers = "Content-Type: multipart/form-data; boundary=XyZ",
                   .body_bytes = multipart});
  EXPECT_EQ(answer, "echo:" + multipart);
  const HttpExchange ex = server.exchanges().at(0);
  EXPECT_EQ(ex.body, multipart);
  EXPECT_EQ(ex.header("Content-Length"), std::to_string(multipart.size()));
  EXPECT_EQ(ex.header("Content-Type"), "multipart/form-data; boundary=XyZ");
}

TEST_F(WebRequest, HeadReadsNoBody) {
  std::string headers;
  // Our server sends a body even to HEAD; it must not be read as the answer.
  EXPECT_EQ(web_request(
                {.url = url("/h"), .method = 2, .body_text = "q=1", .response_headers = &headers}),
            "");
  const HttpExchange ex = server.exchanges().at(0);
  EXPECT_EQ(ex.method, "HEAD");
  EXPECT_EQ(ex.body, "");  // libcurl sends no body with HEAD
  EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
}

TEST_F(WebRequest, CookiesComeBackMergedAndHeadersNormalised) {
  std::string cookies = "a=1; b=2; c=9";
  std::string received;
  std::string headers;
  EXPECT_EQ(web_request({.url = url("/cookies"),
                         .cookies = &cookies,
                         .received_cookies = &received,
                         .response_headers = &headers}),
            "set");
  EXPECT_EQ(server.exchanges().at(0).header("Cookie"), "a=1; b=2; c=9");
  EXPECT_NE(headers.find("\r\nSet-Cookie: c=deleted; path=/\r\n"), std::string::npos);
  EXPECT_NE(headers.find("\r\nSet-Cookie: d=4\r\n"), std::string::npos);
  EXPECT_EQ(headers.substr(headers.size() - 4), "\r\n\r\n");
  EXPECT_EQ(received, "a=3;c=deleted;d=4");
  EXPECT_EQ(cookies, "a=3; d=4; b=2");
}

TEST_F(WebRequest, EmptyCookieTextSendsNoCookieButReceivesOnes) {
  cookie_store().set("http://127.0.0.1", "stored", "1");
  std::string cookies;
  web_request({.url = url("/cookies"), .cookies = &cookies});
  EXPECT_FALSE(server.exchanges().at(0).has_header("Cookie"));
  EXPECT_EQ(cookies, "a=3; d=4");

  // Without a cookie text of its own the request speaks with the process-wide store.
  web_request({.url = url("/plain")});
  EXPECT_EQ(server.exchanges().at(1).header("Cookie"), "stored=1");
  cookie_store().clear();
}

TEST_F(WebRequest, RedirectsAreFollowedUnlessForbidden) {
  std::string headers;
  EXPECT_EQ(web_request({.url = url("/r/1"), .response_headers = &headers}), "final body");
  EXPECT_EQ(headers.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);  // only the last response's block
  EXPECT_NE(headers.find("X-Final: yes"), std::string::npos);
  EXPECT_EQ(headers.find("Location"), std::string::npos);
  ASSERT_EQ(server.exchanges().size(), 2u);
  EXPECT_EQ(server.exchanges()[1].target, "/final");

  EXPECT_EQ(web_request({.url = url("/r/1"), .response_headers = &headers, .no_redirect = true}),
            "moved");
  EXPECT_EQ(headers.rfind("HTTP/1.1 302 Found\r\n", 0), 0u);
  EXPECT_EQ(server.exchanges().size(), 3u);
}

TEST_F(WebRequest, AtMostTenRedirects) {
  EXPECT_EQ(web_request({.url = url("/loop/10")}), "end of chain");
  EXPECT_EQ(server.exchanges().size(), 11u);
  EXPECT_EQ(web_request({.url = url("/loop/11")}), "");
  EXPECT_EQ(server.exchanges().size(), 22u);  // the eleventh redirect is not followed
}

TEST_F(WebRequest, RedirectToAnotherSchemeIsRefused) {
  EXPECT_EQ(web_request({.url = url("/to-file")}), "");
  EXPECT_EQ(web_request({.url = url("/to-ftp")}), "");
  EXPECT_EQ(server.exchanges().size(), 2u);
}

TEST_F(WebRequest, ProxyGetsTheAbsoluteAddress) {
  // The proxy is our server; the target host is never looked up by us.
  EXPECT_EQ(web_request({.url = "http://pictures.invalid:8081/p/1.jpg?s=2", .proxy = host()}),
            "echo:");
  const HttpExchange ex = server.exchanges().at(0);
  EXPECT_EQ(ex.target, "http://pictures.invalid:8081/p/1.jpg?s=2");
  EXPECT_EQ(ex.header("Host"), "pictures.invalid:8081");

  // A secure address goes through the proxy as a tunnel; our server refuses to open one.
  EXPECT_EQ(web_request({.url = "https://pictures.invalid/x", .proxy = host()}), "");
  EXPECT_EQ(server.exchanges().at(1).method, "CONNECT");
  EXPECT_EQ(server.exchanges().at(1).target, "pictures.invalid:443");
}

// Builds a reply whose header block is exactly `size` bytes long.
HttpReply header_block_of(std::size_t size) {
  std::string head =
      "HTTP/1.1 200 OK\r\nSet-Cookie: big=1; path=/\r\nContent-Length: 4\r\n"
      "Connection: close\r\nX-Pad: ";
  const std::size_t fixed = head.size() + 4;  // "\r\n\r\n"
  head += std::string(size - fixed, 'p') + "\r\n\r\n";
  HttpReply r;
  r.raw = head + "body";
  return r;
}

TEST(WebRequestHeaderBlock, LongerThanTheBufferIsNotDelivered) {
  for (const std::size_t size : {4999u, 5000u, 5001u}) {
    LocalHttpServer server([size](const HttpExchange&) { return header_block_of(size); });
    std::string cookies = "old=1";
    std::string received = "untouched";
    std::string headers;
    EXPECT_EQ(web_request({.url = server.base_url() + "/",
                           .cookies = &cookies,
                           .received_cookies = &received,
                           .response_headers = &headers}),
              "body")
        << size;
    if (size < 5000) {
      EXPECT_EQ(headers.size(), size);
      EXPECT_EQ(received, "big=1");
      EXPECT_EQ(cookies, "big=1; old=1");
    } else {
      // The buffer, room for the terminating zero included, holds 5000 bytes: only spaces.
      EXPECT_EQ(headers, std::string(5000, ' ')) << size;
      EXPECT_EQ(received, "");
      EXPECT_EQ(cookies, "old=1");
    }
  }
}

TEST(WebRequestFailures, RefusedConnectionStillWritesOutArguments) {
  int port = 0;
  {
    LocalHttpServer gone([](const HttpExchange&) { return HttpReply{}; });
    port = gone.port();
  }
  std::string cookies = "a = 1; a=1; x=deleted";
  std::string received = "before";
  std::string headers = "before";
  EXPECT_EQ(web_request({.url = "http://127.0.0.1:" + std::to_string(port) + "/",
                         .cookies = &cookies,
                         .received_cookies = &received,
                         .response_headers = &headers}),
            "");
  EXPECT_EQ(headers, std::string(5000, ' '));
  EXPECT_EQ(received, "");
  EXPECT_EQ(cookies, "a=1");  // only normalised
}

TEST(WebRequestFailures, NothingSetUpLeavesOutArgumentsAlone) {
  LocalHttpServer server([](const HttpExchange&) { return test::reply_with("x"); });
  RunControl stopped;
  stopped.stop();
  std::string cookies = "a = 1";
  std::string received = "before";
  std::string headers = "before";
  EXPECT_EQ(web_request({.url = server.base_url() + "/",
                         .cookies = &cookies,
                         .received_cookies = &received,
                         .response_headers = &headers,
                         .control = &stopped}),
            "");
  EXPECT_EQ(cookies, "a = 1");
  EXPECT_EQ(received, "before");
  EXPECT_EQ(headers, "before");
  EXPECT_EQ(server.connection_count(), 0u);
}

TEST(WebRequestFailures, ResetInTheMiddleOfTheBodyIsAnEmptyBody) {
  LocalHttpServer server([](const HttpExchange&) {
    HttpReply r = test::reply_with(std::string(200000, 'x'));
    r.chunk_size = 1000;
    r.reset_after = 50000;
    return r;
  });
  std::string headers;
  EXPECT_EQ(web_request({.url = server.base_url() + "/big", .response_headers = &headers}), "");
}

TEST(WebRequestSharedCookies, ConcurrentMergesKeepEveryUpdate) {
  LocalHttpServer server([](const HttpExchange& ex) {
    return test::reply_with("ok", {{"Set-Cookie", "n" + ex.target.substr(1) + "=1; path=/"}});
  });
  std::mutex lock;
  std::string cookies = "login=1";
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      web_request({.url = server.base_url() + "/" + std::to_string(i),
                   .cookies = &cookies,
                   .cookies_lock = &lock});
    });
  }
  for (auto& t : threads) t.join();
  for (int i = 0; i < 8; ++i) {
    EXPECT_NE(cookies.find("n" + std::to_string(i) + "=1"), std::string::npos) << cookies;
  }
  EXPECT_NE(cookies.find("login=1"), std::string::npos);
}

}  // namespace
}  // namespace picmove
