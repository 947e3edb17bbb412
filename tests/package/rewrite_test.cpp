#include <gtest/gtest.h>

#include <boost/regex.hpp>
#include <string>
#include <vector>

#include "package/base64.h"
#include "package/description_codec.h"
#include "package/gbk.h"
#include "package/log_sink.h"
#include "package/options_view.h"
#include "package/rewrite.h"
#include "package/working_text.h"

namespace picmove {
namespace {

// The messages of the log lines, without their date-time text (every message starts with two
// spaces, which no GBK date-time text holds).
std::vector<std::string> messages(const MemoryLogSink& log) {
  std::vector<std::string> out;
  for (const auto& line : log.lines()) out.push_back(line.substr(line.find("  ")));
  return out;
}

// A cleaning pattern applied as first written ("." matching line breaks), to show its loss.
std::string literal(const std::string& text, const std::string& pattern,
                    const std::string& replacement) {
  const boost::regex re(pattern, boost::regex::perl | boost::regex::icase | boost::regex::mod_s);
  return boost::regex_replace(text, re, replacement, boost::regex_constants::format_literal);
}

TEST(Rewrites, ReplaceTheEntryTextWithTheNewReference) {
  WorkingText text;
  text.set(
      "<img src=\"\"http://h/a.jpg\"\"><img src=\"\"http://h/A.jpg\"\">"
      "<img>http://h/a.jpg</img>\t\"k:1:0:|http://h/a.jpg;\"");
  rewrite_to_uploaded_address(text, "\"http://h/a.jpg", "https://img.alicdn.com/imgextra/1.jpg");
  // Letter-case twins are separate entries; the ">" reference is a different entry.
  EXPECT_EQ(text.get(),
            "<img src=\"\"https://img.alicdn.com/imgextra/1.jpg\"\"><img src=\"\"http://h/A.jpg\"\">"
            "<img>http://h/a.jpg</img>\t\"k:1:0:|http://h/a.jpg;\"");
  rewrite_to_local_file(text, ">http://h/a.jpg", "/tmp/shop描述图片/ab.jpg");
  rewrite_to_local_file(text, "\"http://h/A.jpg", "/tmp/shop描述图片/cd.png");
  EXPECT_EQ(text.get(),
            "<img src=\"\"https://img.alicdn.com/imgextra/1.jpg\"\">"
            "<img src=\"\"FILE:///tmp/shop描述图片/cd.png\"\">"
            "<img>/tmp/shop描述图片/ab.jpg</img>\t\"k:1:0:|http://h/a.jpg;\"");
  // A main-image entry is never rewritten, whatever the text holds.
  const std::string before = text.get();
  rewrite_to_local_file(text, "#k:1:0:|http://h/a.jpg", "/tmp/x.jpg");
  rewrite_to_uploaded_address(text, "#k:1:0:|http://h/a.jpg", "https://x/y.jpg");
  EXPECT_EQ(text.get(), before);
}

TEST(Rewrites, LocalReferenceByMarker) {
  EXPECT_EQ(local_reference('"', "/home/u/shop描述图片/a.jpg"),
            "\"FILE:///home/u/shop描述图片/a.jpg");
  EXPECT_EQ(local_reference('\'', "/a.jpg"), "'FILE:///a.jpg");
  EXPECT_EQ(local_reference('>', "/home/u/a.jpg"), ">/home/u/a.jpg");
}

TEST(Rewrites, DeletedPictureLeavesWhatFinishingRemoves) {
  WorkingText text;
  text.set("<p><img src=\"\"http://h/a.jpg\"\" align=\"\"absmiddle\"\"></p>"
           "<wapDesc><img>http://h/a.jpg</img></wapDesc>");
  delete_address(text, "http://h/a.jpg");
  EXPECT_EQ(text.get(), "<p><img src=\"\"\"\" align=\"\"absmiddle\"\"></p>"
                        "<wapDesc><img></img></wapDesc>");
  std::string package = text.take();
  MemoryLogSink log;
  finish_descriptions(package, PlainOptions{}, log);
  EXPECT_EQ(package, "<p><img  align=\"\"absmiddle\"\"></p><wapDesc></wapDesc>");
  EXPECT_TRUE(log.lines().empty());
}

struct FinishCase {
  const char* name;
  PlainOptions options;
  std::string text, expected;
  std::vector<std::string> log;  // UTF-8 here, compared as GBK
};

PlainOptions with(void (*set)(PlainOptions&)) {
  PlainOptions o;
  set(o);
  return o;
}

TEST(FinishDescriptions, StepsWithTheirLogLines) {
  const std::string links_start = "  根据设置，正在进行描述超链接处理……\r\n";
  const std::string links_done = "  描述超链接处理完毕\r\n";
  const std::string alt_start = "  根据设置，正在进行清除图片ALT信息……\r\n";
  const std::string alt_done = "  行清除图片ALT信息处理完毕\r\n";
  const FinishCase cases[] = {
      {"special code", {}, "<img background=\"\"x.gif\"\" src=\"\"a\"\">", "<img  src=\"\"a\"\">",
       {"  正在清除特殊代码……\r\n", "  清除殊代码完毕\r\n"}},
      {"special code respects letter case", {}, "<IMG background=\"\"x.gif\"\">",
       "<IMG background=\"\"x.gif\"\">", {}},
      {"data-mce-src always", {}, "<img data-mce-src=\"\"http://a\"\" src=\"\"b\"\">",
       "<img  src=\"\"b\"\">", {}},
      {"links kept", {}, "<a href=\"\"http://x\"\">t</a>", "<a href=\"\"http://x\"\">t</a>", {}},
      {"links removed, text stays",
       with([](PlainOptions& o) { o.links = LinkMode::remove; }),
       "<a href=\"\"http://x\"\" target=\"\"_blank\"\">t</a><A>u</A><abbr>v</abbr>",
       "tu<abbr>v</abbr>", {links_start, links_done}},
      {"no href, no link lines", with([](PlainOptions& o) { o.links = LinkMode::remove; }),
       "<a name=\"\"top\"\">t</a>", "<a name=\"\"top\"\">t</a>", {}},
      {"link targets replaced literally",
       with([](PlainOptions& o) {
         o.links = LinkMode::replace;
         o.links_text = "http://shop/$1?a=(1)\\";
       }),
       "<a href=\"\"http://x\"\">t</a><a href=\"\"\"\">u</a>",
       "<a href=\"\"http://shop/$1?a=(1)\\\"\">t</a><a href=\"\"http://shop/$1?a=(1)\\\"\">u</a>",
       {links_start, links_done}},
      {"empty link text empties the targets",
       with([](PlainOptions& o) { o.links = LinkMode::replace; }),
       "<a href=\"\"http://x\"\">t</a>", "<a href=\"\"\"\">t</a>", {links_start, links_done}},
      {"link targets in plain quotes (decoded 5.36)",
       with([](PlainOptions& o) {
         o.links = LinkMode::replace;
         o.links_text = "L";
       }),
       "#1#a#b#3#<a href=\"http://x\">t</a><a href='y'>u</a><a href=\"\">v</a>#1#a#b#3#",
       "#1#a#b#3#<a href=\"L\">t</a><a href='L'>u</a><a href=\"L\">v</a>#1#a#b#3#",
       {links_start, links_done}},
      {"main-image links", with([](PlainOptions& o) { o.clear_main_links_on = true; }),
       "\"k1:1:0:|http://h/a.jpg;k2:2:0:|http://h/b.JPG;\"", "\"k1:1:0:|;k2:2:0:|;\"",
       {"  根据设置，正在进行清除主图链接处理……\r\n", "  清除主图链接处理完毕\r\n"}},
      {"alt texts", with([](PlainOptions& o) { o.clear_alt_on = true; }),
       "<img alt=\"\"马甲 3\"\" src=\"\"a\"\"><img alt=x src=\"\"b\"\"><img alt=y>",
       "<img  src=\"\"a\"\"><img src=\"\"b\"\"><img >", {alt_start, alt_done}},
      // Only the empty src attribute, left by an earlier step, starts the ALT step.
      {"empty src alone starts the alt step",
       with([](PlainOptions& o) { o.clear_alt_on = true; }), "src=src=\"\"\"\"\"\"\"\"", "",
       {alt_start, alt_done}},
      {"alt option without alt", with([](PlainOptions& o) { o.clear_alt_on = true; }),
       "<img src=\"\"a\"\">", "<img src=\"\"a\"\">", {}},
  };
  for (const auto& c : cases) {
    std::string text = gbk(c.text);
    MemoryLogSink log;
    finish_descriptions(text, c.options, log);
    EXPECT_EQ(text, gbk(c.expected)) << c.name;
    std::vector<std::string> expected_log;
    for (const auto& m : c.log) expected_log.push_back(gbk(m));
    EXPECT_EQ(messages(log), expected_log) << c.name;
  }
}

// Each cleaning pattern as first written can eat text across fields, items and lines; the
// fixtures show that loss, and that finishing now keeps the text.
TEST(FinishDescriptions, CleaningNeverCrossesFieldsLinesOrItems) {
  struct Case {
    const char* name;
    PlainOptions options;
    std::string text, expected;
    std::string literal_pattern, literal_replacement;
  } cases[] = {
      {"main link without .jpg keeps its item and the next",
       with([](PlainOptions& o) { o.clear_main_links_on = true; }),
       "\"k1:1:0:|http://h/a.png;k2:2:0:|http://h/b.jpg;\"",
       "\"k1:1:0:|http://h/a.png;k2:2:0:|;\"", R"(\|http.*?\.jpg)", "|"},
      {"main link never runs into the next line",
       with([](PlainOptions& o) { o.clear_main_links_on = true; }),
       "\"k1:1:0:|http://h/a.png;\"\t1\r\n\"title\"\t\"see a.jpg\"\r\n",
       "\"k1:1:0:|http://h/a.png;\"\t1\r\n\"title\"\t\"see a.jpg\"\r\n", R"(\|http.*?\.jpg)",
       "|"},
      {"alt in plain quotes goes whole", with([](PlainOptions& o) { o.clear_alt_on = true; }),
       "#1#a#b#3#<img alt=\"a b\" src=\"http://h/x.jpg\">#1#a#b#3#",
       "#1#a#b#3#<img  src=\"http://h/x.jpg\">#1#a#b#3#", "alt=.*? ", ""},
      {"alt in single quotes goes whole", with([](PlainOptions& o) { o.clear_alt_on = true; }),
       "<img alt='a b c' src=\"\"x\"\">", "<img  src=\"\"x\"\">", "alt=.*? ", ""},
      {"unquoted alt before > at the end of a line",
       with([](PlainOptions& o) { o.clear_alt_on = true; }),
       "\"<img alt=x>\r\n<p>next line</p>\"\t\"a b\"", "\"<img >\r\n<p>next line</p>\"\t\"a b\"",
       "alt=.*? ", ""},
      {"empty alt in decoded HTML keeps the src",
       with([](PlainOptions& o) { o.clear_alt_on = true; }),
       "#1#a#b#3#<img alt=\"\" src=\"http://h/x.jpg\"><img alt=\"\" src=\"http://h/y.jpg\">"
       "#1#a#b#3#",
       "#1#a#b#3#<img  src=\"http://h/x.jpg\"><img  src=\"http://h/y.jpg\">#1#a#b#3#",
       R"(alt="".*?"")", ""},
      {"alt= inside a word is not an attribute",
       with([](PlainOptions& o) { o.clear_alt_on = true; }), "\"salt=5 g\"", "\"salt=5 g\"",
       "alt=.*? ", ""},
      {"anchor pattern stops at the field", with([](PlainOptions& o) { o.links = LinkMode::remove; }),
       "\"x <a \"\t\"5 > 3 href\"", "\"x <a \"\t\"5 > 3 href\"", "<a(.+?)>|</a>", ""},
      {"link target stops at the field",
       with([](PlainOptions& o) {
         o.links = LinkMode::replace;
         o.links_text = "L";
       }),
       "#1#a#b#3#<a href=\"\">t</a>#1#a#b#3#\t\"\"\t\"keep me\"\"\"",
       "#1#a#b#3#<a href=\"L\">t</a>#1#a#b#3#\t\"\"\t\"keep me\"\"\"", R"(href=""([\s\S]*?)"")",
       "href=\"\"L\"\""},
      {"data-mce-src stops at the field", {},
       "#1#a#b#3#<img data-mce-src=\"\" src=\"http://h/x.jpg\">#1#a#b#3#\t\"\"\t1",
       "#1#a#b#3#<img data-mce-src=\"\" src=\"http://h/x.jpg\">#1#a#b#3#\t\"\"\t1",
       R"(data-mce-src="".*?"")", ""},
      {"background stops at the field", {},
       "\"<img background=\"\"a.gif\"\t\"\"\t\"x\"\"\"", "\"<img background=\"\"a.gif\"\t\"\"\t\"x\"\"\"",
       R"(<img (background="".*?""))", "<img "},
  };
  for (const auto& c : cases) {
    std::string text = c.text;
    MemoryLogSink log;
    finish_descriptions(text, c.options, log);
    EXPECT_EQ(text, c.expected) << c.name;
    EXPECT_NE(literal(c.text, c.literal_pattern, c.literal_replacement), c.expected) << c.name;
  }
}

TEST(FinishDescriptions, ReEncodesThe536DescriptionsLast) {
  const std::string html = "<p><img alt=\"a b\" src=\"http://h/x.jpg\"></p>" + std::string(300, 'p');
  std::string text = "x\t" + std::string(kDescriptionMarker) + html +
                     std::string(kDescriptionMarker) + "\t1\r\n";
  PlainOptions options;
  options.tmall536_on = true;
  options.clear_alt_on = true;
  MemoryLogSink log;
  finish_descriptions(text, options, log);
  EXPECT_EQ(text, "x\t" + base64_encode("<p><img  src=\"http://h/x.jpg\"></p>" +
                                        std::string(300, 'p')) + "\t1\r\n");
  const auto lines = messages(log);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[2], gbk("  图片处理完成，正在进行助理5.36数据包加密处理（可能需要较长时间）……\r\n"));
  EXPECT_EQ(lines[3], gbk("  加密处理完毕……\r\n"));
}

}  // namespace
}  // namespace picmove
