#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"
#include "transfer/picture.h"

namespace picmove {
namespace {

std::string bytes_of(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(v);
  return s;
}

// A literal with its zero bytes.
template <std::size_t N>
std::string raw(const char (&s)[N]) {
  return std::string(s, N - 1);
}

TEST(PictureType, FollowsTheSignatureTableInOrder) {
  struct Case {
    const char* what;
    std::string bytes;
    std::string rendering;
    std::string type;
  };
  const std::vector<Case> cases = {
      {"jpeg", bytes_of({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46, 0x00}),
       "FFD8FFE000104A464946", "jpg"},
      {"png: 0x0A renders as A, zero as 00",
       bytes_of({0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00}),
       "89504E47DA1AA0000", "png"},
      {"gif89a", raw("GIF89a\x01\x00\x01\x00"), "474946383961100100", "gif"},
      {"gif87a", raw("GIF87a\x01\x00"), "474946383761100", "gif"},
      {"bmp", raw("BM\x36\x00"), "424D3600", "bmp"},
      {"tiff little endian", bytes_of({0x49, 0x49, 0x2A, 0x00}), "49492A00", "tiff"},
      {"tiff big endian", bytes_of({0x4D, 0x4D, 0x00, 0x2A}), "4D4D002A", "tiff"},
      {"tga", bytes_of({0x00, 0x00, 0x10, 0x00, 0x00}), "0000100000", "tga"},
      {"ico through its unpadded rendering", bytes_of({0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x20, 0x20}),
       "00001001002020", "ico"},
      {"iff", raw("FORM\x00\x00"), "464F524D0000", "iff"},
      {"every RIFF container, webp too", raw("RIFF\x10\x00\x00\x00WEBP"), "52494646100000005745", "ani"},
      {"html page", "<html><body>", "3C68746D6C3E3C626F64", "3C68746D6C.JPG"},
      {"short unknown", "ab", "6162", "6162.JPG"},
      {"empty", "", "", ".JPG"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(byte_rendering(c.bytes), c.rendering);
    EXPECT_EQ(picture_type(c.bytes), c.type);
  }
}

TEST(PictureFileName, IsDigitsNineToTwentyFourOfTheAddressDigestAndTheType) {
  // MD5("abc") = 900150983cd24fb0d6963f7d28e17f72; MD5("") = d41d8cd98f00b204e9800998ecf8427e.
  const std::string jpeg = bytes_of({0xFF, 0xD8, 0xFF, 0xE0});
  EXPECT_EQ(picture_file_name("abc", jpeg), "3cd24fb0d6963f7d.jpg");
  EXPECT_EQ(picture_file_name("", ""), "8f00b204e9800998..JPG");
  // The digest is of the GBK bytes of the address, not of the picture.
  EXPECT_EQ(picture_file_name("abc", "GIF89a"), "3cd24fb0d6963f7d.gif");
  EXPECT_EQ(picture_file_name("abc", bytes_of({0x49, 0x49, 0x2A, 0x00})).size(), 21u);
  EXPECT_EQ(picture_file_name("abc", jpeg).size(), 20u);
}

TEST(DownloadFailed, RecognisesEveryKindOfMissingPicture) {
  std::string placeholder(placeholder_picture());
  ASSERT_EQ(placeholder.size(), 49u);
  std::string almost = placeholder;
  almost[45] = 0x55;

  struct Case {
    const char* what;
    std::string bytes;
    bool failed;
  };
  const std::vector<Case> cases = {
      {"empty", "", true},
      {"no input file", "No input file specified.\n", true},
      {"no input file and more", "No input file specified.\nmore", false},
      {"no input file, more and 404", "No input file specified.\n404", true},
      {"404 page", "<html><title>404 Not Found</title></html>", true},
      {"404 after the first zero byte is not looked at", std::string("GIF89a\0\0" "404", 11), false},
      {"gif whose first bytes hold 404", std::string("GIF89a404\0", 10), true},
      {"placeholder", placeholder, true},
      {"a 49-byte gif one byte off", almost, false},
      {"html without 404", "<html>hello</html>", false},
      {"jpeg", bytes_of({0xFF, 0xD8, 0xFF, 0xE0, 0x00}), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(download_failed(c.bytes), c.failed);
  }
}

TEST(MainImageKey, ReadsOnlyPlainFileNamesNextToThePackage) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "shop");
  test::write_bytes(dir / "shop" / "k1.tbi", "main picture");
  test::write_bytes(dir / "secret.tbi", "outside");

  struct Case {
    std::string address;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"k1:1:0:|http://example.invalid/a.jpg", "main picture"},
      {"../secret:1:0:|http://example.invalid/a.jpg", ""},
      {"..\\secret:1:0:|x", ""},
      {"/etc/passwd:1:0:|x", ""},
      {"missing:1:0:|x", ""},
      {"no colon at all", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(read_main_image(dir / "shop", c.address), c.bytes);
  }
}

TEST(ObtainPicture, TriesTheSecondEngineOnceForLongNamesAndKeepsItsAnswer) {
  struct Calls {
    std::vector<std::string> first, second;
  } calls;
  const std::string jpeg = bytes_of({0xFF, 0xD8, 0xFF, 0xE0, 0x00});
  const std::string tiff = bytes_of({0x49, 0x49, 0x2A, 0x00, 0x08});
  PictureEngines engines;
  engines.first = [&](const std::string& url, RunControl*) {
    calls.first.push_back(url);
    return url.find("tiff") != std::string::npos ? tiff : url.find("html") != std::string::npos ? std::string("<html>") : jpeg;
  };
  engines.second = [&](const std::string& url, RunControl*) {
    calls.second.push_back(url);
    return url.find("html") != std::string::npos ? std::string() : tiff;
  };
  test::TempDir dir;

  Picture p = obtain_picture("\"http://h/a.jpg", dir.path(), engines, nullptr);
  EXPECT_EQ(p.bytes, jpeg);
  EXPECT_EQ(p.name, picture_file_name("http://h/a.jpg", jpeg));
  EXPECT_TRUE(calls.second.empty());

  p = obtain_picture(">http://h/b.tiff", dir.path(), engines, nullptr);
  EXPECT_EQ(calls.second, std::vector<std::string>{"http://h/b.tiff"});
  EXPECT_EQ(p.bytes, tiff);

  // The second answer replaces the first even when it is worse.
  p = obtain_picture("\"http://h/c.html", dir.path(), engines, nullptr);
  EXPECT_EQ(p.bytes, "");
  EXPECT_EQ(p.name, picture_file_name("http://h/c.html", ""));
  EXPECT_EQ(calls.second.size(), 2u);

  // A main-image entry is read from its file; a missing file still gets the second try.
  test::write_bytes(dir / "m.tbi", jpeg);
  calls = {};
  p = obtain_picture("#m:1:0:|http://h/d.jpg", dir.path(), engines, nullptr);
  EXPECT_EQ(p.bytes, jpeg);
  EXPECT_TRUE(calls.first.empty());
  EXPECT_TRUE(calls.second.empty());
  p = obtain_picture("#gone:1:0:|http://h/d.jpg", dir.path(), engines, nullptr);
  EXPECT_TRUE(calls.first.empty());
  EXPECT_EQ(calls.second.size(), 1u);
}

TEST(StorePicture, ConcurrentWritesOfOneNameLeaveOneWholeCopy) {
  test::TempDir dir;
  const std::string a(300000, 'a'), b(200000, 'b');
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 25; ++i) {
        EXPECT_TRUE(store_picture(dir.path(), "same.jpg", t % 2 ? a : b).ok);
      }
    });
  }
  for (auto& t : threads) t.join();
  const std::string stored = test::read_bytes(dir / "same.jpg");
  EXPECT_TRUE(stored == a || stored == b) << "stored " << stored.size() << " bytes";
  // No temporary file is left behind.
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1);
}

TEST(StorePicture, ReportsAFolderThatCannotBeWritten) {
  test::TempDir dir;
  test::write_bytes(dir / "blocker", "a file, not a folder");
  const StoreResult r = store_picture(dir / "blocker", "x.jpg", "bytes");
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.empty());
  EXPECT_EQ(test::read_bytes(dir / "blocker"), "a file, not a folder");
}

}  // namespace
}  // namespace picmove
