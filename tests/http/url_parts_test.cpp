#include <gtest/gtest.h>

#include <string>

#include "http/timed_url.h"
#include "http/web_request.h"

namespace picmove {
namespace {

struct UrlCase {
  const char* name;
  std::string url, host_with_port, host;
  int port;
  std::string path;
};

class EngineUrlParts : public ::testing::TestWithParam<UrlCase> {};

TEST_P(EngineUrlParts, SplitsAsTheEngineDoes) {
  const UrlCase& c = GetParam();
  EXPECT_EQ(url_host(c.url, true), c.host_with_port);
  EXPECT_EQ(url_host(c.url, false), c.host);
  EXPECT_EQ(url_port(c.url), c.port);
  EXPECT_EQ(url_path(c.url), c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Table, EngineUrlParts,
    ::testing::Values(
        UrlCase{"no_scheme", "img/a/b?x=1", "img", "img", 80, "/a/b?x=1"},
        UrlCase{"https_port_nothing_after", "https://img:8443", "img:8443", "img", 8443, "/"},
        UrlCase{"https_default_port", "HTTPS://Img.Example/P/Q.jpg", "img.example", "img.example",
                443, "/P/Q.jpg"},
        UrlCase{"http_port", "http://127.0.0.1:8080/x", "127.0.0.1:8080", "127.0.0.1", 8080, "/x"},
        UrlCase{"host_only", "http://img", "img", "img", 80, "/"},
        UrlCase{"trailing_slash", "http://img/", "img", "img", 80, "/"},
        UrlCase{"empty_port_is_default", "http://img:/x", "img:", "img", 0, "/x"},
        // A host text that also occurs inside the scheme is found there.
        UrlCase{"host_inside_scheme", "http://tp/x", "tp", "tp", 80, "//tp/x"},
        UrlCase{"path_keeps_case_and_query", "http://IMG/A/B.JPG?Q=1", "img", "img", 80,
                "/A/B.JPG?Q=1"}),
    [](const auto& info) { return std::string(info.param.name); });

struct TimedCase {
  const char* name;
  std::string url;
  bool refused;
  std::string host;
  int port;
  std::string path;
};

class TimedUrlParts : public ::testing::TestWithParam<TimedCase> {};

TEST_P(TimedUrlParts, SplitsAsTheTimedRequestDoes) {
  const TimedCase& c = GetParam();
  const detail::TimedUrl parts = detail::timed_url_parts(c.url);
  EXPECT_EQ(parts.refused, c.refused);
  if (c.refused) return;
  EXPECT_EQ(parts.host, c.host);
  EXPECT_EQ(parts.port, c.port);
  EXPECT_EQ(parts.path, c.path);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TimedUrlParts,
    ::testing::Values(TimedCase{"plain", "http://Img.Example/a/B.jpg", false, "img.example", 80,
                                "/a/B.jpg"},
                      TimedCase{"no_scheme", "img:81/p?q", false, "img", 81, "/p?q"},
                      TimedCase{"no_path", "http://img", false, "img", 80, "/"},
                      TimedCase{"main_picture_item",
                                "0123456789abcdef0123456789abcdef:1:0:|http://Img:82/m.jpg", false,
                                "img", 82, "/m.jpg"},
                      TimedCase{"upper_case_scheme", "HTTP://img/x", false, "img", 80, "/x"},
                      TimedCase{"https_refused", "https://img/x", true, "", 0, ""},
                      TimedCase{"other_scheme_refused", "ftp://img/x", true, "", 0, ""},
                      TimedCase{"empty_host_refused", "http:///x", true, "", 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace picmove
