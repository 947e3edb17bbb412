#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace picmove
