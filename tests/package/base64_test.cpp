#include <gtest/gtest.h>

#include <string>

#include "package/base64.h"

namespace picmove {
namespace {

TEST(Base64, EncodesWithFillCharactersAndNoLineBreaks) {
  struct Case {
    std::string bytes, expected;
  } cases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
      {std::string("\xFF\xFE\x00", 3), "//4A"},
      {"\xE5\x9B\xBE", "5Zu+"},
  };
  for (const auto& c : cases) EXPECT_EQ(base64_encode(c.bytes), c.expected) << c.bytes;
  const std::string long_text(3000, 'x');
  const std::string encoded = base64_encode(long_text);
  EXPECT_EQ(encoded.size(), 4000u);
  EXPECT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
}

TEST(Base64, DecodesByTheRulesOfThePackages) {
  struct Case {
    const char* name;
    std::string text, expected;
  } cases[] = {
      {"empty", "", ""},
      {"length 6 is not a multiple of 4", "Zm9vYm", ""},
      {"length 5", "Zm9vY", ""},
      {"length 8, two fill characters: four bytes", "Zm9vYg==", "foob"},
      {"one fill character", "Zm9vYmE=", "fooba"},
      {"no fill", "Zm9vYmFy", "foobar"},
      {"zero bytes of the data are left out", "AGEAYgBj", "abc"},
      {"UTF-8 bytes pass", "5Zu+", "\xE5\x9B\xBE"},
      // "=" elsewhere than the last two places is outside the alphabet and decoded anyway.
      {"fill in the middle is meaningless but decoded", "Zg==Zg==", "f\x0F\xFF" "f"},
  };
  for (const auto& c : cases) EXPECT_EQ(base64_decode(c.text), c.expected) << c.name;
}

TEST(Base64, ValidityAcceptsOnlyWhatEncodingCanProduce) {
  struct Case {
    std::string text;
    bool valid;
  } cases[] = {
      {"Zm9vYmFy", true}, {"Zm9vYg==", true}, {"Zm9vYmE=", true}, {"", true},
      {"Zm9vYm", false},        // length
      {"Zm9v\tmFy", false},     // a tab: two fields of a greedy capture
      {"Zm9vYm=y", false},      // fill before the end
      {"Zg===", false},         // length 5
      {"Z===", false},          // three fill characters
      {"Zm9v#1#a", false},      // a description marker
      {"Zm9v Ym\r\n", false},   // white space
      {"Zm:vYmFy", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_valid_base64(c.text), c.valid) << c.text;
}

}  // namespace
}  // namespace picmove
