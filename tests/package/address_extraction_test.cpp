#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "package/address_extraction.h"
#include "package/address_list.h"
#include "package/base64.h"
#include "package/data_package.h"
#include "package/description_codec.h"
#include "package/gbk.h"
#include "package/log_sink.h"
#include "package/options_view.h"
#include "support/temp_dir.h"

namespace picmove {
namespace {

using Entries = std::vector<std::string>;

std::vector<std::string> messages(const MemoryLogSink& log) {
  std::vector<std::string> out;
  for (const auto& line : log.lines()) out.push_back(line.substr(line.find("  ")));
  return out;
}

TEST(AddressPatterns, WhatEachContextGives) {
  struct Case {
    const char* name;
    std::string text;
    Entries plain;      // without the protected-image pattern
    Entries protected_; // with it
  } cases[] = {
      {"src in doubled quotes", R"(<img src=""http://h/p/a.jpg"" align=""absmiddle"">)",
       {"\"http://h/p/a.jpg"}, {"\"http://h/p/a.jpg"}},
      {"src in plain and single quotes", R"(<img src="https://h/a.jpg"><img SRC='http://h/b.gif'>)",
       {"\"https://h/a.jpg", "'http://h/b.gif"}, {"\"https://h/a.jpg", "'http://h/b.gif"}},
      {"between <img> and </img>", "<wapDesc><img>http://h/c.png</img><IMG>HTTP://h/d.png</IMG>",
       {">http://h/c.png", ">HTTP://h/d.png"}, {">http://h/c.png", ">HTTP://h/d.png"}},
      {"document order across both contexts",
       R"(<img>http://h/1.png</img><img src=""http://h/2.png""><img>http://h/3.png</img>)",
       {">http://h/1.png", "\"http://h/2.png", ">http://h/3.png"},
       {">http://h/1.png", "\"http://h/2.png", ">http://h/3.png"}},
      {"<img> without </img> is no picture", "<img>http://h/c.png<br>", {}, {}},
      {"local references a run wrote are never listed",
       R"(<img src=""FILE:///tmp/shop描述图片/a.jpg""><img>/tmp/shop描述图片/b.jpg</img>)", {}, {}},
      {"unquoted src is not listed", "<img src=http://h/a.jpg>", {}, {}},
      {"platform storage only with the protected pattern",
       R"(<img src=""https://img.alicdn.com/imgextra/i1/1/a.jpg""><img src=""http://gd3.alicdn.com/b.jpg"">)"
       R"(<img src=""http://img01.taobaocdn.com/c.jpg""><img>http://127.0.0.1:8000/imgextra/d.jpg</img>)"
       R"(<img src=""http://127.0.0.1:8000/bao/uploaded/e.jpg""><img src=""http://IMG.ALICDN.COM:80/f.jpg"">)",
       {},
       {"\"https://img.alicdn.com/imgextra/i1/1/a.jpg", "\"http://gd3.alicdn.com/b.jpg",
        "\"http://img01.taobaocdn.com/c.jpg", ">http://127.0.0.1:8000/imgextra/d.jpg",
        "\"http://127.0.0.1:8000/bao/uploaded/e.jpg", "\"http://IMG.ALICDN.COM:80/f.jpg"}},
      {"look-alikes of the platform storage are ordinary pictures",
       R"(<img src=""http://img.alicdn.com.example.com/a.jpg""><img src=""http://gd5.alicdn.com/b.jpg"">)"
       R"(<img src=""http://h/p/imgextra/c.jpg""><img src=""http://taobaocdn.com/d.jpg"">)",
       {"\"http://img.alicdn.com.example.com/a.jpg", "\"http://gd5.alicdn.com/b.jpg",
        "\"http://h/p/imgextra/c.jpg", "\"http://taobaocdn.com/d.jpg"},
       {"\"http://img.alicdn.com.example.com/a.jpg", "\"http://gd5.alicdn.com/b.jpg",
        "\"http://h/p/imgextra/c.jpg", "\"http://taobaocdn.com/d.jpg"}},
      {"main pictures from the file name up to the address",
       "\t\"abc123:1:0:|http://h/m1.jpg;def456:2:0:|http://h/m2.jpg;ghi:3:0:|;\"\t",
       {"#abc123:1:0:|http://h/m1.jpg", "#def456:2:0:|http://h/m2.jpg"},
       {"#abc123:1:0:|http://h/m1.jpg", "#def456:2:0:|http://h/m2.jpg"}},
      {"description pictures come before main pictures",
       "\t\"k:1:0:|http://h/m.jpg;\"\t\"<img src=\"\"http://h/d.jpg\"\">\"",
       {"\"http://h/d.jpg", "#k:1:0:|http://h/m.jpg"},
       {"\"http://h/d.jpg", "#k:1:0:|http://h/m.jpg"}},
      // Filters respect letter case.
      {"href and item.tao are filtered",
       R"(<img src=""http://h/a.jpg?href=1""><img src=""http://item.taobao.com/b.jpg"">)"
       R"(<img src=""http://ITEM.TAOBAO.com/c.jpg""><img src=""http://h/HREF.jpg"">)",
       {"\"http://ITEM.TAOBAO.com/c.jpg", "\"http://h/HREF.jpg"},
       {"\"http://ITEM.TAOBAO.com/c.jpg", "\"http://h/HREF.jpg"}},
      {"a marker character that is a quote of the address stays the marker",
       "<img src=\"\"http://h/a b.jpg\"\">", {"\"http://h/a b.jpg"}, {"\"http://h/a b.jpg"}},
  };
  for (const auto& c : cases) {
    const std::string text = gbk(c.text);
    Entries plain, with_protected;
    for (const auto& e : c.plain) plain.push_back(gbk(e));
    for (const auto& e : c.protected_) with_protected.push_back(gbk(e));
    EXPECT_EQ(extract_entries(text, false, false), plain) << c.name;
    EXPECT_EQ(extract_entries(text, false, true), with_protected) << c.name;
  }
}

TEST(AddressPatterns, Tmall536RemovesBackslashesAndListsEscapedAddresses) {
  const std::string text = R"(<img src=\"http:\/\/h\/a.jpg\"><img src=\"https:\/\/img.alicdn.com\/x.jpg\">)";
  EXPECT_EQ(extract_entries(text, true, false), Entries{"\"http://h/a.jpg"});
  EXPECT_EQ(extract_entries(text, true, true),
            (Entries{"\"http://h/a.jpg", "\"https://img.alicdn.com/x.jpg"}));
  // Without the 5.36 option the backslashes stay.
  EXPECT_EQ(extract_entries(text, false, false), Entries{R"("http:\/\/h\/a.jpg\)"});
}

class AddToList : public ::testing::Test {
 protected:
  std::filesystem::path write(const std::string& bytes, const std::string& name = "shop.csv") {
    const auto path = dir_ / name;
    test::write_bytes(path, bytes);
    choose_package(package_, path);
    return path;
  }
  ListResult run() { return add_to_list(package_, options_, list_, log_); }
  Entries rows() const {
    Entries out;
    for (const auto& row : list_.rows()) out.push_back(row.entry);
    return out;
  }

  test::TempDir dir_;
  DataPackage package_;
  PlainOptions options_;
  AddressList list_;
  MemoryLogSink log_;
};

std::string package_text(const std::string& description, const std::string& wireless = "\"\"",
                         const std::string& pictures = "\"\"") {
  return gbk("version 1.00\r\ntitle\tdescription\tpicture\twireless_desc\r\n"
             "宝贝名称\t宝贝描述\t新图片\t无线详情\r\n") +
         "\"t\"\t" + description + "\t" + pictures + "\t" + wireless + "\r\n";
}

TEST_F(AddToList, ListsDistinctEntriesAndLogsTheCount) {
  write(package_text(
      gbk("\"<p><img alt=\"\"马甲 3\"\" src=\"\"http://h/a.jpg\"\"></p>\r\n"
          "<p><img src=\"\"http://h/a.jpg\"\"><img src=\"\"http://h/A.jpg\"\"></p>\""),
      "\"<wapDesc><img>http://h/a.jpg</img></wapDesc>\"",
      "\"0123456789abcdef0123456789abcdef:1:0:|http://h/m.jpg;\""));
  list_.append("left over from an earlier run");
  const ListResult result = run();
  EXPECT_TRUE(result.ran);
  EXPECT_FALSE(result.refused);
  EXPECT_EQ(result.count, 4u);
  // The same address after a quote twice gives one row; after ">" it is another entry, and
  // letter case makes a third.
  EXPECT_EQ(rows(), (Entries{"\"http://h/a.jpg", "\"http://h/A.jpg", ">http://h/a.jpg",
                             "#0123456789abcdef0123456789abcdef:1:0:|http://h/m.jpg"}));
  EXPECT_EQ(messages(log_), (Entries{gbk("  开始提取待处理图片地址……\r\n"),
                                     gbk("  读取成功，成功提取了：  4  张不重复待处理图片\r\n")}));
  EXPECT_TRUE(package_.loaded);

  // Pressing the button again reads the file anew and lists the same rows.
  run();
  EXPECT_EQ(list_.count(), 4u);
}

TEST_F(AddToList, EmptyPathDoesNothingAndAMissingFileListsNothing) {
  list_.append("row");
  EXPECT_FALSE(run().ran);
  EXPECT_EQ(list_.count(), 1u);
  EXPECT_TRUE(log_.lines().empty());

  choose_package(package_, dir_ / "missing.csv");
  const ListResult result = run();
  EXPECT_TRUE(result.ran);
  EXPECT_EQ(result.count, 0u);
  EXPECT_EQ(list_.count(), 0u);
  EXPECT_EQ(messages(log_).back(), gbk("  读取成功，成功提取了：  0  张不重复待处理图片\r\n"));
}

TEST_F(AddToList, SpaceBeforeHttpIsNormalisedFirstAndExcludesTheSecondCase) {
  write(package_text(
      "\"<img src=\"\" HTTP://h/a.jpg\"\"><img data-ke-src=\"\"http://h/k.jpg\"\" "
      "src=\"\" http://h/b.jpg\"\">\""));
  run();
  // The search for the sequence respects letter case, its replacement does not.
  EXPECT_EQ(rows(), (Entries{"\"HTTP://h/a.jpg", "\"http://h/k.jpg", "\"http://h/b.jpg"}));
  EXPECT_NE(package_.text.find("src=\"\"HTTP://h/a.jpg"), std::string::npos);
  EXPECT_NE(package_.text.find("data-ke-src="), std::string::npos);
  const auto lines = messages(log_);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], gbk("  发现特殊代码，正在预处理……\r\n"));
  EXPECT_EQ(lines[2], gbk("  预处理完毕……\r\n"));
}

TEST_F(AddToList, DataKeSrcAttributesAreRemoved) {
  write(package_text(
      "\"<img data-ke-src=\"\"http://h/k.jpg\"\" src=\"\"http://h/b.jpg\"\">\"\t\"data-ke-src=\"\"\"",
      "\"keep\"\""));
  run();
  EXPECT_EQ(rows(), Entries{"\"http://h/b.jpg"});
  EXPECT_NE(package_.text.find("\"<img  src=\"\"http://h/b.jpg\"\">\""), std::string::npos);
  // An attribute whose value does not close in its field stays, and so does the next field.
  EXPECT_NE(package_.text.find("\"data-ke-src=\"\"\"\t\"\"\t\"keep\"\""), std::string::npos);
  const auto lines = messages(log_);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], gbk("  发现特殊代码2，正在预处理……\r\n"));
  EXPECT_EQ(lines[2], gbk("  预处理完毕……\r\n"));
}

TEST_F(AddToList, WebpSuffixGoesFromTheWholeText) {
  write(package_text("\"<img src=\"\"http://h/a.jpg_.webp\"\"><p>b.png_.WEBP</p>\""));
  run();
  EXPECT_EQ(rows(), Entries{"\"http://h/a.jpg"});
  EXPECT_EQ(package_.text.find("_.webp"), std::string::npos);
  EXPECT_NE(package_.text.find("<p>b.png</p>"), std::string::npos);
}

TEST_F(AddToList, LongEntryIsListedWhole) {
  const std::string address = "http://h/" + std::string(1200, 'a') + ".jpg";
  write(package_text("\"<img src=\"\"" + address + "\"\">\""));
  run();
  ASSERT_EQ(list_.count(), 1u);
  EXPECT_EQ(list_.text(0), "\"" + address);
  EXPECT_EQ(entry_address(list_.text(0)).size(), 1000u);
}

TEST_F(AddToList, ProtectedPatternOnlyWithTheOption) {
  write(package_text(
      "\"<img src=\"\"http://h/a.jpg\"\"><img src=\"\"https://img.alicdn.com/imgextra/b.jpg\"\">\""));
  run();
  EXPECT_EQ(list_.count(), 1u);
  options_.protected_on = true;
  run();
  EXPECT_EQ(rows(), (Entries{"\"http://h/a.jpg", "\"https://img.alicdn.com/imgextra/b.jpg"}));
}

TEST_F(AddToList, ZeroByteInEightBitPackageIsRefused) {
  write(std::string("title\tdescription\r\n\"<img src=\"\"http://h/a.jpg\"\">\"\0tail", 52));
  const ListResult result = run();
  EXPECT_TRUE(result.refused);
  EXPECT_TRUE(package_.refused);
  EXPECT_EQ(list_.count(), 0u);
  const auto lines = messages(log_);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[1].find(gbk("已拒绝处理")), std::string::npos);
  // A later choice of a sound file clears the refusal.
  write(package_text("\"x\""), "other.csv");
  EXPECT_FALSE(run().refused);
  EXPECT_FALSE(package_.refused);
}

TEST_F(AddToList, Utf16PackageLogsCharactersGbkCannotHold) {
  // "<img src=""http://h/a.jpg""> 😀😀" in UTF-16LE with byte-order mark.
  const std::string utf8 = "\"<img src=\"\"http://h/a.jpg\"\"> \xF0\x9F\x98\x80\xF0\x9F\x98\x80\"";
  std::string utf16 = "\xFF\xFE";
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      utf16 += static_cast<char>(c);
      utf16 += '\0';
      ++i;
    } else {  // the emoji, U+1F600: D83D DE00
      utf16 += std::string("\x3D\xD8\x00\xDE", 4);
      i += 4;
    }
  }
  write(utf16);
  run();
  EXPECT_EQ(rows(), Entries{"\"http://h/a.jpg"});
  EXPECT_EQ(package_.text, "\"<img src=\"\"http://h/a.jpg\"\"> ??\"");
  const auto lines = messages(log_);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[1].find(" 2 "), std::string::npos);
  EXPECT_NE(lines[1].find(gbk("无法表示")), std::string::npos);
}

TEST_F(AddToList, Tmall536DecodesDescriptionsFirst) {
  std::string html = "<p><img src=\"http://h/a.jpg\" align=\"absmiddle\"></p>";
  html += "<p><img src=\"http:\\/\\/h\\/b.jpg\"></p>";
  while (html.size() < 400) html += "<p>\xE9\x9D\xA2\xE6\x96\x99</p>";  // 面料
  const std::string emoji_html = html + "\xF0\x9F\x98\x80";
  write(package_text(base64_encode(html), "\"\"", base64_encode(emoji_html)));
  options_.tmall536_on = true;
  run();
  EXPECT_EQ(rows(), (Entries{"\"http://h/a.jpg", "\"http://h/b.jpg"}));
  EXPECT_NE(package_.text.find(std::string(kDescriptionMarker) + utf8_to_gbk(html)),
            std::string::npos);
  EXPECT_NE(package_.text.find(base64_encode(emoji_html)), std::string::npos);
  const auto lines = messages(log_);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1], gbk("  正在进行助理5.36数据包的解密处理（可能需要较长时间）……\r\n"));
  EXPECT_EQ(lines[2], gbk("  解密处理完毕……\r\n"));
  EXPECT_NE(lines[3].find(gbk("保持加密原样")), std::string::npos);
  EXPECT_EQ(lines[4], gbk("  读取成功，成功提取了：  2  张不重复待处理图片\r\n"));
}

}  // namespace
}  // namespace picmove
