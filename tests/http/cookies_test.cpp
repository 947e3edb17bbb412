#include "http/cookies.h"

#include <gtest/gtest.h>

#include <string>

namespace picmove {
namespace {

struct MergeCase {
  const char* name;
  std::string old_text, received, expected;
};

class MergeCookies : public ::testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookies, MergesByTable) {
  MergeCase c = GetParam();
  EXPECT_EQ(merge_cookies(c.old_text, c.received), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MergeCookies,
    ::testing::Values(MergeCase{"received_wins", "a=1; b=2", "a=3", "a=3; b=2"},
                      MergeCase{"deleted_removes_old", "a=1; b=2", "a=deleted", "b=2"},
                      MergeCase{"nothing_received", "a=1", "", "a=1"},
                      MergeCase{"deleted_received_dropped", "", "b=2; c=deleted", "b=2"},
                      MergeCase{"spaces_and_trailing_semicolon", "x = 1 ; y=2;", "", "x=1; y=2"},
                      MergeCase{"same_name_received_twice_kept", "", "a=1; a=2", "a=1; a=2"},
                      MergeCase{"exact_duplicates_once", "", "a=1; a=1", "a=1"},
                      MergeCase{"received_first", "b=2", "a=1", "a=1; b=2"},
                      MergeCase{"names_case_sensitive", "A=1", "a=2", "a=2; A=1"},
                      MergeCase{"old_same_name_twice_first_kept", "a=1; a=2", "", "a=1"},
                      MergeCase{"item_without_value", "flag; a=1", "", "flag; a=1"},
                      MergeCase{"all_deleted", "a=1", "a=deleted", ""},
                      MergeCase{"both_empty", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MergeCookies, RewritesBothInputsWithoutSpaces) {
  std::string old_text = "a = 1; b=2";
  std::string received = "c = 3 ; d=4";
  EXPECT_EQ(merge_cookies(old_text, received), "c=3; d=4; a=1; b=2");
  EXPECT_EQ(old_text, "a=1;b=2");
  EXPECT_EQ(received, "c=3;d=4");
}

struct RuleCase {
  const char* name;
  std::string block, rule_a, rule_b;
};

class CookieRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(CookieRules, BuildReceivedText) {
  const RuleCase& c = GetParam();
  EXPECT_EQ(cookies_rule_a(c.block), c.rule_a);
  std::string received;
  cookies_rule_b(c.block, received);
  EXPECT_EQ(received, c.rule_b);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CookieRules,
    ::testing::Values(
        RuleCase{"value_and_empty",
                 "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=\r\n\r\n",
                 "a=1; b=", "a=1"},
        RuleCase{"deleted_kept", "HTTP/1.1 200 OK\r\nSet-Cookie: c=deleted; path=/\r\n\r\n",
                 "c=deleted", "c=deleted"},
        RuleCase{"none", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", "", ""},
        // Rule B leaves out a cookie sent without any attribute; rule A keeps it.
        RuleCase{"no_attributes", "Set-Cookie: k=v\r\nSet-Cookie: m=n; HttpOnly", "k=v; m=n",
                 "m=n"},
        // Only the exact spelling counts: rule A's caller normalises the letter case first.
        RuleCase{"other_spelling_ignored", "set-cookie: a=1; path=/\r\n", "", ""},
        RuleCase{"spaces_trimmed", "Set-Cookie:   s=1  ; path=/\r\n", "s=1", "s=1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CookieRuleB, AppendsToTheTextPassed) {
  std::string received = "x=1";
  cookies_rule_b("Set-Cookie: a=2; path=/\r\n", received);
  EXPECT_EQ(received, "x=1; a=2");
  cookies_rule_b("Content-Type: text/html\r\n", received);
  EXPECT_EQ(received, "x=1; a=2");
}

TEST(CookieStore, KeepsCookiesPerAddressAndHonoursDeletion) {
  cookie_store().clear();
  store_received_cookies(
      "HTTP/1.1 200 OK\r\nSet-Cookie: sid=abc; path=/\r\nSet-Cookie: t=1\r\n\r\n", "Img.Example");
  EXPECT_EQ(cookie_store().cookies_for("http://img.example"), "sid=abc; t=1");
  EXPECT_EQ(cookie_store().cookies_for("http://other.example"), "");

  store_received_cookies("Set-Cookie: sid=deleted; path=/\r\nSet-Cookie: t=2; Max-Age=60\r\n",
                         "img.example");
  EXPECT_EQ(cookie_store().cookies_for("http://img.example"), "t=2");
  store_received_cookies("Set-Cookie: t=2; Max-Age=0\r\n", "img.example");
  EXPECT_EQ(cookie_store().cookies_for("http://img.example"), "");
  cookie_store().clear();
}

}  // namespace
}  // namespace picmove
