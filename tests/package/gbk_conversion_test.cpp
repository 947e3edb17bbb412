#include <gtest/gtest.h>

#include <ctime>

#include "package/address_list.h"
#include "package/gbk.h"
#include "package/log_sink.h"

namespace picmove {
namespace {

TEST(GbkConversion, RoundTripsAndCountsWhatGbkCannotHold) {
  // 图 is CD BC in GBK and E5 9B BE in UTF-8.
  EXPECT_EQ(utf8_to_gbk("\xE5\x9B\xBE"), "\xCD\xBC");
  EXPECT_EQ(gbk_to_utf8("\xCD\xBC"), "\xE5\x9B\xBE");
  EXPECT_EQ(gbk_to_utf8("plain ascii"), "plain ascii");

  std::size_t replaced = 99;
  // An emoji and a Hangul syllable have no GBK form: one "?" each, neighbours untouched.
  EXPECT_EQ(utf8_to_gbk("a\xF0\x9F\x98\x80" "b\xEA\xB0\x80" "c", &replaced), "a?b?c");
  EXPECT_EQ(replaced, 2u);

  // A broken UTF-8 byte is one "?" as well.
  EXPECT_EQ(utf8_to_gbk("x\xFFy"), "x?y");
  // The text ends at the first NUL character.
  EXPECT_EQ(utf8_to_gbk(std::string("ab\0cd", 5)), "ab");
}

TEST(GbkConversion, Utf16LittleEndianDropsTheByteOrderMark) {
  // FF FE, "A", 图, U+1F600 as a surrogate pair, "B".
  const std::string utf16("\xFF\xFE" "A\x00" "\xFE\x56" "\x3D\xD8\x00\xDE" "B\x00", 12);
  std::size_t replaced = 0;
  EXPECT_EQ(utf16le_to_gbk(utf16, &replaced), "A\xCD\xBC?B");
  EXPECT_EQ(replaced, 1u);
  // Conversion stops at a NUL character.
  EXPECT_EQ(utf16le_to_gbk(std::string("\xFF\xFE" "A\x00\x00\x00" "B\x00", 8)), "A");
  // A lone high surrogate and a cut last byte become "?" without losing the rest.
  EXPECT_EQ(utf16le_to_gbk(std::string("\x3D\xD8" "C\x00" "D", 5)), "?C?");
}

TEST(DateTimeText, ShortensFromTheRight) {
  struct Case {
    int h, m, s;
    const char* expected;
  } cases[] = {
      {14, 7, 9, "2024年3月5日14时7分9秒"},
      {14, 7, 0, "2024年3月5日14时7分"},
      {14, 0, 0, "2024年3月5日14时"},
      {0, 0, 0, "2024年3月5日"},
      {0, 0, 5, "2024年3月5日0时0分5秒"},
  };
  for (const auto& c : cases) {
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = c.h;
    t.tm_min = c.m;
    t.tm_sec = c.s;
    EXPECT_EQ(date_time_text(t), gbk(c.expected));
  }
}

TEST(AddressListRows, RemovingSelectedRowsFindsThemAgainByTextIgnoringCase) {
  AddressList list;
  list.assign({"\"http://a/X.jpg", "\"http://a/x.jpg", "\"http://b.jpg"});
  list.mark_selected(1);  // the lower of the two that differ only in case
  EXPECT_EQ(list.remove_selected_rows(), 2u);
  // The upper row goes instead; the selected one stays.
  EXPECT_EQ(list.text(0), "\"http://a/x.jpg");
  EXPECT_TRUE(list.selected(0));
  EXPECT_EQ(list.text(1), "\"http://b.jpg");

  // Nothing selected: nothing removed.
  AddressList other;
  other.assign({"a", "b"});
  EXPECT_EQ(other.remove_selected_rows(), 2u);
}

TEST(AddressListRows, EntryAddressIsAtMostThousandBytesAfterTheMarker) {
  EXPECT_EQ(entry_address(">" + std::string(1500, 'a')), std::string(1000, 'a'));
  EXPECT_EQ(entry_address("\"http://x"), "http://x");
  EXPECT_EQ(entry_address("#"), "");
  EXPECT_EQ(entry_marker("#k:1|http://x"), '#');
}

}  // namespace
}  // namespace picmove
