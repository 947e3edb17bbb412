#include "app/options/profile_file.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace picmove {
namespace {

using test::read_bytes;
using test::TempDir;
using test::write_bytes;

struct ReadCase {
  const char* name;
  const char* content;
  const char* section;
  const char* key;
  const char* expected;
};

TEST(ProfileFileRead, ValuesAsTheOldProfileFunctionsGaveThem) {
  const ReadCase cases[] = {
      {"plain", "[A]\r\nk=v\r\n", "A", "k", "v"},
      {"blanks trimmed", "[A]\r\nk =  v w  \r\n", "A", "k", "v w"},
      {"one pair of double quotes removed", "[A]\r\nk=\"\"v\"\"\r\n", "A", "k", "\"v\""},
      {"single quotes removed", "[A]\r\nk='v'\r\n", "A", "k", "v"},
      {"unmatched quote kept", "[A]\r\nk=\"v\r\n", "A", "k", "\"v"},
      {"empty value is not the default", "[A]\r\nk=\r\n", "A", "k", ""},
      {"section and key ignore case", "[dl_pic]\r\nFALL=2\r\n", "DL_PIC", "fall", "2"},
      {"key of another section", "[A]\r\nx=1\r\n[B]\r\nk=2\r\n", "A", "k", "<default>"},
      {"missing section", "[B]\r\nk=1\r\n", "A", "k", "<default>"},
      {"LF line ends", "[A]\nk=v\n", "A", "k", "v"},
      {"first of two keys", "[A]\r\nk=1\r\nk=2\r\n", "A", "k", "1"},
      {"value holding =", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    write_bytes(dir / "o.ini", c.content);
    EXPECT_EQ(read_profile_string(dir / "o.ini", c.section, c.key, "<default>"), c.expected);
  }
  EXPECT_EQ(read_profile_string(dir / "missing.ini", "A", "k", "<default>"), "<default>");
}

TEST(ProfileFileRead, LongValuesAreCutTo10239Bytes) {
  TempDir dir;
  write_bytes(dir / "o.ini", "[A]\r\nk=" + std::string(12000, 'x') + "\r\n");
  EXPECT_EQ(read_profile_string(dir / "o.ini", "A", "k"), std::string(10239, 'x'));
}

TEST(ProfileFileWrite, ReplacesInPlaceAppendsKeysToTheirSectionAndSectionsToTheEnd) {
  TempDir dir;
  const auto file = dir / "o.ini";
  write_bytes(file, "; comment\r\n[A]\r\nk=1\r\nother=2\r\n\r\n[B]\r\nz=9\r\n");
  ASSERT_TRUE(write_profile_string(file, "a", "K", "new"));
  ASSERT_TRUE(write_profile_string(file, "A", "added", "3"));
  ASSERT_TRUE(write_profile_string(file, "C", "c", "4"));
  EXPECT_EQ(read_bytes(file),
            "; comment\r\n[A]\r\nK=new\r\nother=2\r\nadded=3\r\n\r\n[B]\r\nz=9\r\n[C]\r\nc=4\r\n");
}

TEST(ProfileFileWrite, DoesNotCreateTheFolder) {
  TempDir dir;
  const auto file = dir / "options" / "options.ini";
  EXPECT_FALSE(write_profile_string(file, "A", "k", "v"));
  EXPECT_FALSE(std::filesystem::exists(dir / "options"));
}

}  // namespace
}  // namespace picmove
