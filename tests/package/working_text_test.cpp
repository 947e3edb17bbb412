#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "package/working_text.h"

namespace picmove {
namespace {

TEST(WorkingTextReplaceAll, ReplacesExactOccurrencesLeftToRight) {
  struct Case {
    const char* name;
    std::string text, find, replacement, expected;
    std::size_t count;
  } cases[] = {
      {"every occurrence", "a\"x.jpg b\"x.jpg", "\"x.jpg", "\"y.png", "a\"y.png b\"y.png", 2},
      {"letter case respected", "\"X.JPG \"x.jpg", "\"x.jpg", "\"n", "\"X.JPG \"n", 1},
      {"empty replacement deletes", "src=\"\"http://a\"\"", "http://a", "", "src=\"\"\"\"", 1},
      {"empty find changes nothing", "abc", "", "zz", "abc", 0},
      {"no occurrence", "abc", "d", "zz", "abc", 0},
      {"find longer than text", "ab", "abc", "z", "ab", 0},
      // The scan goes on after the replaced occurrence: "aaa" holds "aa" once, not twice.
      {"overlapping occurrences", "aaa", "aa", "b", "ba", 1},
      // Text a replacement produced is never searched again.
      {"replacement holds find", "ab", "a", "aa", "aab", 1},
      {"same length in place", "x1x1x", "x1", "y2", "y2y2x", 2},
      {"growing", "<a><a>", "<a>", "<abc>", "<abc><abc>", 2},
      {"bytes, not characters", std::string("\xCD\xBC" "A", 3), "\xBC" "A", "-",
       std::string("\xCD-", 2), 1},
      {"zero bytes are ordinary", std::string("a\0b\0b", 5), std::string("\0b", 2), "c",
       "acc", 2},
  };
  for (const auto& c : cases) {
    WorkingText text;
    text.set(c.text);
    EXPECT_EQ(text.replace_all(c.find, c.replacement), c.count) << c.name;
    EXPECT_EQ(text.get(), c.expected) << c.name;
  }
}

TEST(WorkingTextReplaceAll, TakeLeavesTheBufferForTheNextRun) {
  WorkingText text;
  text.set("one \"http://h/a.jpg two \"http://h/a.jpg");
  text.replace_all("\"http://h/a.jpg", "\"FILE:///tmp/a.jpg");
  EXPECT_EQ(text.take(), "one \"FILE:///tmp/a.jpg two \"FILE:///tmp/a.jpg");
  text.set("next");
  EXPECT_EQ(text.get(), "next");
}

// The whole text as one string, replaced the plain way: what the pieces and the index must match.
std::size_t reference_replace(std::string& text, const std::string& find, const std::string& with) {
  if (find.empty()) return 0;
  std::string out;
  std::size_t count = 0, from = 0;
  for (std::size_t hit; (hit = text.find(find, from)) != std::string::npos; from = hit + find.size()) {
    out.append(text, from, hit - from);
    out += with;
    ++count;
  }
  out.append(text, from, std::string::npos);
  text = out;
  return count;
}

TEST(WorkingTextIndex, ManyRewritesOfALargeTextMatchThePlainReplaceAll) {
  std::mt19937 random(20241210);
  std::vector<std::string> addresses;
  for (int i = 0; i < 300; ++i) {
    addresses.push_back("http://127.0.0.1:8000/p/ok_jpg/d" + std::to_string(100000 + i) + ".jpg");
  }
  // Rows with tabs and CR LF, each address in two contexts, some addresses only differing in
  // case, an address that is the prefix of a longer one, and long runs without separators.
  std::string text;
  for (int row = 0; row < 400; ++row) {
    const std::string& a = addresses[random() % addresses.size()];
    const std::string& b = addresses[random() % addresses.size()];
    text += "\"item\"\t\"<p><img src=\"\"" + a + "\"\"></p>\r\n<img>" + b + "</img>";
    text += std::string(random() % 3000, 'x') + "<img src=\"\"" + a + "_big.jpg\"\">";
    text += "<img src=\"\"HTTP://127.0.0.1:8000/P/OK_JPG/D100007.JPG\"\">\"\t0\r\n";
  }
  std::vector<std::string> finds;
  for (const auto& a : addresses) {
    finds.push_back("\"" + a);
    finds.push_back(">" + a);
    finds.push_back(a);
  }
  WorkingText working;
  working.set(text);
  working.index_finds(finds);
  std::string expected = text;

  for (int step = 0; step < 1500; ++step) {
    std::string find = finds[random() % finds.size()];
    std::string with;
    switch (random() % 6) {
      case 0: with = find.substr(0, 1) + "FILE:///tmp/shop/" + std::to_string(step) + ".jpg"; break;
      case 1: with = ""; break;                                   // delete
      case 2: with = finds[random() % finds.size()]; break;       // creates another find
      case 3: with = "a\tb\r\n"; break;                          // brings separators in
      case 4: find = "src=\"\"\"\""; break;                     // never indexed
      default: find = "\t0\r\n\"item"; with = "\t1\r\n\"item"; break;  // across pieces
    }
    ASSERT_EQ(working.replace_all(find, with), reference_replace(expected, find, with))
        << "step " << step << " find " << find;
    ASSERT_EQ(working.size(), expected.size()) << "step " << step;
  }
  EXPECT_EQ(working.get(), expected);
  EXPECT_EQ(working.take(), expected);
  EXPECT_EQ(working.get(), "");
}

// A find can come into being only where a replacement joins text: at every offset of its last
// 16 bytes across the join, the index must still find it.
TEST(WorkingTextIndex, FindsTextsThatAReplacementJoinsTogether) {
  const std::string find = "\"http://h/p/0123456789abcdef.jpg";
  for (std::size_t after = 1; after < 16; ++after) {
    for (const std::size_t middle : {std::size_t{0}, std::size_t{2}}) {
      SCOPED_TRACE("bytes after the join " + std::to_string(after) + ", middle " +
                   std::to_string(middle));
      const std::size_t cut = find.size() - after - middle;
      WorkingText text;
      text.set("a\t" + find.substr(0, cut) + "<ZAP>" + find.substr(cut + middle) + "\tb");
      text.index_finds({find});
      EXPECT_EQ(text.replace_all(find, "N"), 0u);
      EXPECT_EQ(text.replace_all("<ZAP>", find.substr(cut, middle)), 1u);
      EXPECT_EQ(text.replace_all(find, "N"), 1u);
      EXPECT_EQ(text.get(), "a\tN\tb");
    }
  }
}

}  // namespace
}  // namespace picmove
