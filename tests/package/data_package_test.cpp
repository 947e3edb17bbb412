#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>

#include "package/data_package.h"
#include "package/gbk.h"
#include "package/log_sink.h"
#include "package/options_view.h"
#include "package/save_package.h"
#include "support/temp_dir.h"

namespace picmove {
namespace {

namespace fs = std::filesystem;
using test::read_bytes;
using test::TempDir;
using test::write_bytes;

TEST(ChoosePackage, SplitsThePathByItsLastSeparatorAndDot) {
  struct Case {
    std::string path;  // GBK, as in the path box
    bool ok;
    std::string kept_path, directory, base_name;  // file-system (UTF-8) names
  } cases[] = {
      {"/data/shop.old.csv", true, "/data/shop.old.csv", "/data/", "shop.old"},
      {"/data/shop", true, "/data/shop.csv", "/data/", "shop"},
      {"shop.csv", true, "shop.csv", "", "shop"},
      {"/data/shop.", true, "/data/shop.", "/data/", "shop"},
      {gbk("/数据/宝贝.csv"), true, "/数据/宝贝.csv", "/数据/", "宝贝"},
      // The only "." lies in a folder name: nothing is appended, the base name is empty.
      {"/a.b/shop", false, "", "/a.b/", ""},
      {"/data/.csv", false, "", "/data/", ""},
  };
  for (const auto& c : cases) {
    DataPackage package;
    package.text = "old text";
    package.loaded = true;
    package.refused = true;
    const ChooseResult result = choose_package(package, c.path);
    EXPECT_EQ(result.ok, c.ok) << c.path;
    EXPECT_EQ(package.path.string(), c.kept_path) << c.path;
    EXPECT_EQ(package.directory.string(), c.directory) << c.path;
    EXPECT_EQ(package.base_name, c.base_name) << c.path;
    EXPECT_EQ(result.message, c.ok ? "" : gbk("请检查文件名是否正确！")) << c.path;
    // The package text loaded earlier belongs to no chosen file any more.
    EXPECT_TRUE(package.text.empty());
    EXPECT_FALSE(package.loaded);
    EXPECT_FALSE(package.refused);
  }
}

TEST(ChoosePackage, FoldersDerivedFromDirectoryAndBaseName) {
  DataPackage package;
  ASSERT_TRUE(choose_package(package, fs::path("/srv/shop.csv")).ok);
  EXPECT_EQ(package.picture_folder(), fs::path("/srv/shop描述图片"));
  EXPECT_EQ(package.main_picture_folder(), fs::path("/srv/shop"));
}

TEST(LoadPackageText, ReadsUtf16WithByteOrderMarkAndEightBitText) {
  TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;
    std::string text;
    bool utf16, zero_byte;
    std::size_t replaced;
  } cases[] = {
      // Pure ASCII in UTF-16 comes out at half the size, without byte-order mark.
      {"utf16 ascii", std::string("\xFF\xFE" "a\0\t\0\r\0\n\0", 10), "a\t\r\n", true, false, 0},
      // 图 and an emoji: the emoji becomes "?" and is counted.
      {"utf16 with a character GBK lacks",
       std::string("\xFF\xFE" "\xFE\x56" "\x3D\xD8\x00\xDE" "x\0", 10), "\xCD\xBC?x", true,
       false, 1},
      {"utf16 ends at NUL", std::string("\xFF\xFE" "a\0\0\0b\0", 8), "a", true, false, 0},
      // UTF-8 (or any 8-bit text) is taken unchanged as if it were GBK.
      {"utf8 as is", "\xE5\x9B\xBE\r\nx", "\xE5\x9B\xBE\r\nx", false, false, 0},
      {"gbk as is", "\"\xCD\xBC\"\t\r\n", "\"\xCD\xBC\"\t\r\n", false, false, 0},
      {"lone FF is not a byte-order mark", "\xFF", "\xFF", false, false, 0},
      {"FE FF is not either", "\xFE\xFF" "ab", "\xFE\xFF" "ab", false, false, 0},
      // UTF-16 without byte-order mark: the text would stop at the first zero byte.
      {"zero byte", std::string("a\0b\0", 4), "a", false, true, 0},
      {"empty", "", "", false, false, 0},
  };
  for (const auto& c : cases) {
    write_bytes(dir / "p.csv", c.bytes);
    const LoadedText loaded = load_package_text(dir / "p.csv");
    EXPECT_TRUE(loaded.readable) << c.name;
    EXPECT_EQ(loaded.text, c.text) << c.name;
    EXPECT_EQ(loaded.utf16, c.utf16) << c.name;
    EXPECT_EQ(loaded.zero_byte, c.zero_byte) << c.name;
    EXPECT_EQ(loaded.replaced, c.replaced) << c.name;
  }
  const LoadedText missing = load_package_text(dir / "missing.csv");
  EXPECT_FALSE(missing.readable);
  EXPECT_TRUE(missing.text.empty());
  EXPECT_FALSE(load_package_text(fs::path()).readable);
}

TEST(WritePackageText, ReplacesTheFileWholeAndLeavesNoTemporaryFile) {
  TempDir dir;
  const fs::path file = dir / "shop.csv";
  write_bytes(file, std::string("\xFF\xFE" "o\0l\0d\0", 8));
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const std::string text = "version 1.00\r\n\"\xCD\xBC\"\t\"a\r\nb\"\r\n";
  const WriteResult result = write_package_text(file, text);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(read_bytes(file), text);  // GBK, no byte-order mark, line ends as they were
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(WritePackageText, BackupTakesTheOriginalAndTheFirstBackupIsKept) {
  TempDir dir;
  const fs::path file = dir / "shop.csv";
  const fs::path backup = dir / "shop_953备份.csv";
  write_bytes(file, "first");
  WriteResult result = write_package_text(file, "second", backup);
  ASSERT_TRUE(result.ok);
  EXPECT_TRUE(result.backup_written);
  EXPECT_EQ(read_bytes(backup), "first");
  EXPECT_EQ(read_bytes(file), "second");

  // A second save under the same backup name keeps the first backup.
  result = write_package_text(file, "third", backup);
  ASSERT_TRUE(result.ok);
  EXPECT_FALSE(result.backup_written);
  EXPECT_TRUE(result.backup_kept_existing);
  EXPECT_EQ(read_bytes(backup), "first");
  EXPECT_EQ(read_bytes(file), "third");

  // No original on disk: nothing to back up, the package is written.
  const fs::path fresh = dir / "fresh.csv";
  result = write_package_text(fresh, "new", dir / "fresh_1备份.csv");
  ASSERT_TRUE(result.ok);
  EXPECT_FALSE(fs::exists(dir / "fresh_1备份.csv"));
  EXPECT_EQ(read_bytes(fresh), "new");
}

// A write that fails half-way (here: the file-size limit, as a full disk would) leaves the
// package and its folder exactly as they were: no backup moved, no temporary file.
TEST(WritePackageText, FailedWriteMovesNothing) {
  TempDir dir;
  const fs::path file = dir / "shop.csv";
  write_bytes(file, "original");
  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const WriteResult result = write_package_text(file, std::string(100000, 'x'), dir / "b.csv");
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.error.empty());
  EXPECT_EQ(read_bytes(file), "original");
  EXPECT_FALSE(fs::exists(dir / "b.csv"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(WritePackageText, ReadOnlyFolderFailsAndKeepsTheOriginal) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempDir dir;
  const fs::path folder = dir / "ro";
  fs::create_directory(folder);
  write_bytes(folder / "shop.csv", "original");
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  const WriteResult result = write_package_text(folder / "shop.csv", "new", folder / "b.csv");
  fs::permissions(folder, fs::perms::owner_all);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(read_bytes(folder / "shop.csv"), "original");
  EXPECT_FALSE(fs::exists(folder / "b.csv"));
}

TEST(SavePackage, BackupNameHasNoLeadingZeros) {
  DataPackage package;
  ASSERT_TRUE(choose_package(package, fs::path("/srv/shop.old.csv")).ok);
  struct Case {
    int h, m, s;
    const char* name;
  } cases[] = {{9, 5, 3, "/srv/shop.old_953备份.csv"},
               {23, 59, 59, "/srv/shop.old_235959备份.csv"},
               {0, 0, 0, "/srv/shop.old_000备份.csv"},
               {10, 0, 7, "/srv/shop.old_1007备份.csv"}};
  for (const auto& c : cases) {
    std::tm t{};
    t.tm_hour = c.h;
    t.tm_min = c.m;
    t.tm_sec = c.s;
    EXPECT_EQ(backup_path(package, t), fs::path(c.name));
  }
}

std::string last_message(const MemoryLogSink& log) {
  const auto lines = log.lines();
  if (lines.empty()) return {};
  // The message follows the date-time text, which ends in a GBK "日"/"时"/"分"/"秒".
  const std::string& line = lines.back();
  const auto at = line.find("  ");
  return at == std::string::npos ? line : line.substr(at);
}

TEST(SavePackage, LogsSuccessOnlyWhenTheFileWasWritten) {
  TempDir dir;
  DataPackage package;
  ASSERT_TRUE(choose_package(package, dir / "shop.csv").ok);
  write_bytes(dir / "shop.csv", "on disk");
  PlainOptions options;
  options.backup_on = true;
  MemoryLogSink log;
  ASSERT_TRUE(save_package(package, "saved", options, log));
  EXPECT_EQ(last_message(log), gbk("  文件保存成功！\r\n"));
  EXPECT_EQ(read_bytes(dir / "shop.csv"), "saved");
  int backups = 0;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("shop_") && name.ends_with("备份.csv")) {
      ++backups;
      EXPECT_EQ(read_bytes(entry.path()), "on disk");
    }
  }
  EXPECT_EQ(backups, 1);

  // The folder is gone: the write fails and says so.
  DataPackage lost;
  ASSERT_TRUE(choose_package(lost, dir / "gone" / "shop.csv").ok);
  EXPECT_FALSE(save_package(lost, "x", PlainOptions{}, log));
  EXPECT_TRUE(last_message(log).starts_with(gbk("  文件保存失败：")));
  EXPECT_TRUE(last_message(log).ends_with("\r\n"));
}

TEST(SavePackage, RefusedPackageIsNeverWritten) {
  TempDir dir;
  DataPackage package;
  ASSERT_TRUE(choose_package(package, dir / "shop.csv").ok);
  write_bytes(dir / "shop.csv", std::string("a\0b", 3));
  package.refused = true;
  MemoryLogSink log;
  EXPECT_FALSE(save_package(package, "a", PlainOptions{}, log));
  EXPECT_EQ(read_bytes(dir / "shop.csv"), std::string("a\0b", 3));
  EXPECT_TRUE(last_message(log).starts_with(gbk("  文件保存失败：")));
  EXPECT_EQ(log.joined().find(gbk("文件保存成功")), std::string::npos);
}

}  // namespace
}  // namespace picmove
