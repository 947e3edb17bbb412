#include "http/text_helpers.h"

#include <gtest/gtest.h>

#include <string>

namespace picmove {
namespace {

// "#引号" and a few GBK characters as bytes: the core handles GBK, not UTF-8.
const std::string kQuoteWord = "#\xD2\xFD\xBA\xC5";
// A double-byte character whose trail byte is the letter "A" (0x41), and one with "a" (0x61).
const std::string kTrailUpperA = "\xB0\x41";
const std::string kTrailLowerA = "\xB0\x61";

struct BetweenCase {
  const char* name;
  std::string text, left, right;
  int start;
  bool case_insensitive;
  std::string expected;
};

class TextBetween : public ::testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetween, CutsBetweenMarkers) {
  const BetweenCase& c = GetParam();
  EXPECT_EQ(text_between(c.text, c.left, c.right, c.start, c.case_insensitive), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextBetween,
    ::testing::Values(
        BetweenCase{"quote_word", "name=\"v\"", "name=" + kQuoteWord, kQuoteWord, 1, false, "v"},
        BetweenCase{"right_only_before_left", "b;a=1", "a=", ";", 1, false, ""},
        BetweenCase{"left_missing", "x=1;", "a=", ";", 1, false, ""},
        BetweenCase{"right_missing", "a=1", "a=", ";", 1, false, ""},
        BetweenCase{"first_left_first_right", "a=1;a=2;", "a=", ";", 1, false, "1"},
        BetweenCase{"start_skips_earlier_left", "ab=1;ab=2;", "ab=", ";", 5, false, "2"},
        BetweenCase{"start_on_left_finds_it", "ab=1;ab=2;", "ab=", ";", 6, false, "2"},
        BetweenCase{"start_below_one_is_one", "ab=1;ab=2;", "ab=", ";", -3, false, "1"},
        BetweenCase{"start_past_end", "ab=1;", "ab=", ";", 50, false, ""},
        BetweenCase{"case_sensitive_default", "Name=1;", "name=", ";", 1, false, ""},
        BetweenCase{"case_insensitive_left_and_right", "NAME=1X", "name=", "x", 1, true, "1"},
        BetweenCase{"empty_value", "a=;", "a=", ";", 1, false, ""},
        // "AB" starting on the trail byte of a double-byte character is no match.
        BetweenCase{"no_match_inside_double_byte", kTrailUpperA + "B=1;AB=2;", "AB=", ";", 1, false,
                    "2"},
        // Letter case folds only single-byte characters, never a trail byte.
        BetweenCase{"trail_byte_not_folded", kTrailLowerA + "=1;" + kTrailUpperA + "=2;",
                    kTrailUpperA + "=", ";", 1, true, "2"},
        BetweenCase{"gbk_value_kept", "t=\xD6\xD0\xCE\xC4;", "t=", ";", 1, false,
                    "\xD6\xD0\xCE\xC4"}),
    [](const auto& info) { return std::string(info.param.name); });

struct SliceCase {
  const char* name;
  std::string text, left, right, expected;
};

class SliceBetween : public ::testing::TestWithParam<SliceCase> {};

TEST_P(SliceBetween, CutsByTable) {
  const SliceCase& c = GetParam();
  EXPECT_EQ(slice_between(c.text, c.left, c.right), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SliceBetween,
    ::testing::Values(SliceCase{"no_right_in_rest", "Set-Cookie: a=1", "=", ";", ""},
                      SliceCase{"empty_right_is_end", "Set-Cookie: a=1", "Set-Cookie:", "", " a=1"},
                      SliceCase{"both", "Set-Cookie: a=1; path=/", "=", ";", "1"},
                      SliceCase{"left_missing", "abc", "x", "c", ""},
                      SliceCase{"right_directly_after_left", "a=;", "=", ";", ""},
                      SliceCase{"right_only_before_left", ";a=1", "=", ";", ""},
                      SliceCase{"empty_left_is_start", "a=1;b", "", ";", "a=1"},
                      SliceCase{"empty_left_right_missing", "a=1", "", ";", ""},
                      SliceCase{"both_empty_whole_text", "a=1;b", "", "", "a=1;b"},
                      SliceCase{"left_missing_right_empty", "abc", "x", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextAfterLast, TakesTheRestAfterTheLastMarker) {
  EXPECT_EQ(text_after_last("a/b/c.jpg", "/"), "c.jpg");
  EXPECT_EQ(text_after_last("a,b", ","), "b");
  EXPECT_EQ(text_after_last("abc", "/"), "");
  EXPECT_EQ(text_after_last("a/b/", "/"), "");
  EXPECT_EQ(text_after_last("x--y--z", "--"), "z");
  // The trail byte 0x5C of a double-byte character is not a backslash.
  EXPECT_EQ(text_after_last("a\\b\x95\x5C"
                            "c",
                            "\\"),
            "b\x95\x5C"
            "c");
}

TEST(GbkFind, StepsOverDoubleByteCharacters) {
  const std::string text = kTrailUpperA + "AB";
  EXPECT_EQ(gbk_find(text, "AB"), 2u);
  EXPECT_EQ(gbk_find(text, "A"), 2u);
  // A start offset inside a double-byte character moves on to the next whole character.
  EXPECT_EQ(gbk_find(text, "A", 1), 2u);
  EXPECT_EQ(gbk_find(text, "B", 4), std::string::npos);
  EXPECT_EQ(gbk_find(text, "ab", 0, true), 2u);
}

TEST(TrimSpaces, RemovesOnlyOuterSpaces) {
  EXPECT_EQ(trim_spaces("  a b  "), "a b");
  EXPECT_EQ(trim_spaces("   "), "");
  EXPECT_EQ(trim_spaces("\ta "), "\ta");
}

}  // namespace
}  // namespace picmove
