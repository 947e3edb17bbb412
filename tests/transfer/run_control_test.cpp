// Pausing, resuming and stopping a run; saving the 5.36 variant; a save that fails.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <random>

#include "package/base64.h"
#include "package/description_codec.h"
#include "run_fixture.h"
#include "transfer/picture.h"

namespace picmove::transfer_test {
namespace {

using RunControlTest = RunFixture;

std::vector<std::string> rows_of(const AddressList& list) {
  std::vector<std::string> out;
  for (const auto& row : list.rows()) out.push_back(row.entry);
  return out;
}

TEST_F(RunControlTest, PauseHoldsEveryWorkerAndResumeFinishesTheRun) {
  std::vector<std::string> entries;
  std::string text = "item\t\"";
  for (int k = 0; k < 12; ++k) {
    const std::string url = host.url("/slow/" + std::to_string(k));
    entries.push_back("\"" + url);
    text += img(url);
  }
  use_package(text + "\"\r\n", entries);
  ProcessingRun run(package, list, options, log, observer);
  ASSERT_EQ(run.start().status, StartStatus::started);
  run.pause();
  EXPECT_TRUE(run.paused());
  // Transfers already under way are held, and no worker takes a new row.
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  const int requests = host.total_requests();
  const std::int32_t downloaded = run.statistics().downloaded;
  EXPECT_LE(requests, 5);
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_EQ(host.total_requests(), requests);
  EXPECT_EQ(run.statistics().downloaded, downloaded);
  EXPECT_TRUE(run.running());
  EXPECT_TRUE(observer.events().empty());

  run.resume();
  EXPECT_FALSE(run.paused());
  const RunResult result = run.wait();
  EXPECT_EQ(result.ending, RunEnding::completed);
  EXPECT_EQ(result.statistics.downloaded, 12);
  EXPECT_EQ(observer.events(), (std::vector<std::string>{"completion", "restore"}));
}

TEST_F(RunControlTest, StopWithoutSavingEndsHangingTransfersAndWritesNothing) {
  std::vector<std::string> entries;
  std::string text = "item\t\"";
  for (int k = 0; k < 8; ++k) {
    const std::string url = host.url("/hang/" + std::to_string(k));
    entries.push_back("\"" + url);
    text += img(url);
  }
  use_package(text + "\"\r\n", entries);
  ProcessingRun run(package, list, options, log, observer);
  ASSERT_EQ(run.start().status, StartStatus::started);
  ASSERT_TRUE(eventually([&] { return host.total_requests() == 5; }));
  const std::size_t lines_before = log.lines().size();

  EXPECT_EQ(run.stop_without_saving(), StopStatus::stopped);
  EXPECT_FALSE(run.running());
  const RunResult result = run.wait();
  EXPECT_EQ(result.ending, RunEnding::stopped_unsaved);
  EXPECT_FALSE(result.save_attempted);
  EXPECT_EQ(observer.events(), (std::vector<std::string>{"restore"}));
  EXPECT_EQ(saved_text(), text + "\"\r\n");
  EXPECT_EQ(rows_of(list), entries);
  EXPECT_EQ(log.lines().size(), lines_before);
  EXPECT_EQ(run.stop_without_saving(), StopStatus::not_running);
  EXPECT_EQ(run.stop_and_save(), StopStatus::not_running);
}

TEST_F(RunControlTest, StopWithSavingKeepsTheWorkDoneAndTheRowsLeft) {
  std::vector<std::string> entries;
  std::string text = "item\t\"<a href=\"\"http://shop.example/\"\">x</a>";
  for (int k = 0; k < 8; ++k) {
    const std::string url = host.url((k < 3 ? "/jpg/" : "/hang/") + std::to_string(k));
    entries.push_back("\"" + url);
    text += img(url);
  }
  text += "\"\r\n";
  options.links = LinkMode::remove;  // not applied: a stopped run does not clean
  use_package(text, entries);
  ProcessingRun run(package, list, options, log, observer);
  ASSERT_EQ(run.start().status, StartStatus::started);
  ASSERT_TRUE(eventually([&] { return run.statistics().downloaded == 3 && host.total_requests() == 8; }));
  run.pause();

  EXPECT_EQ(run.stop_and_save(), StopStatus::stopped);
  const RunResult result = run.wait();
  EXPECT_EQ(result.ending, RunEnding::stopped_saved);
  EXPECT_TRUE(result.saved);
  EXPECT_EQ(observer.events(), (std::vector<std::string>{"completion", "restore"}));

  std::string expected = text;
  for (int k = 0; k < 3; ++k) {
    const std::string url = host.url("/jpg/" + std::to_string(k));
    const std::string path = local_path(url, PictureHost::picture_for("/jpg/" + std::to_string(k)));
    expected.replace(expected.find(url), url.size(), "FILE:///" + path.substr(1));
  }
  EXPECT_EQ(saved_text(), expected);
  EXPECT_EQ(rows_of(list), std::vector<std::string>(entries.begin() + 3, entries.end()));
  EXPECT_EQ(count_lines(G("  中途停止，总数：8张，已处理3张，下次可以选择该文接继续处理，已处理地址将不会再列出！ 正在保存文件...\r\n")),
            1);
  EXPECT_EQ(result.statistics.failures, 0);
  EXPECT_EQ(observer.texts().failure_line, G("下载失败： 0"));
  EXPECT_EQ(observer.texts().success_line, G("成功下载： 3"));
  EXPECT_EQ(observer.texts().policy_note, "");
}

TEST_F(RunControlTest, AStopRacingTheNaturalEndGivesExactlyOneEnding) {
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    RecordingObserver recorder;
    MemoryLogSink round_log;
    std::vector<std::string> entries;
    std::string text = "item\t\"";
    for (int k = 0; k < 6; ++k) {
      const std::string url = host.url("/jpg/race" + std::to_string(round) + "_" + std::to_string(k));
      entries.push_back("\"" + url);
      text += img(url);
    }
    use_package(text + "\"\r\n", entries);
    ProcessingRun run(package, list, options, round_log, recorder);
    ASSERT_EQ(run.start().status, StartStatus::started);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
    const StopStatus stop = run.stop_and_save();
    const RunResult result = run.wait();
    if (stop == StopStatus::stopped) {
      EXPECT_EQ(result.ending, RunEnding::stopped_saved);
    } else {
      EXPECT_EQ(result.ending, RunEnding::completed);
    }
    EXPECT_EQ(recorder.events(), (std::vector<std::string>{"completion", "restore"}));
    // Whatever ended the run, the saved file and the list agree on what was done.
    const std::string saved = saved_text();
    for (const auto& entry : entries) {
      const bool rewritten = saved.find(entry) == std::string::npos;
      bool listed = false;
      for (const auto& row : rows_of(list)) listed = listed || row == entry;
      EXPECT_NE(rewritten, listed) << entry;
    }
  }
}

// A 5.36 description: the base64 of its UTF-8 HTML between tabs.
std::string description_utf8(const std::string& src) {
  return "<p>\xE5\xAE\x9D\xE8\xB4\x9D\xE6\x8F\x8F\xE8\xBF\xB0</p><p><img src=\"" + src +
         "\" /></p><p>" + std::string(400, 'x') + "</p>";
}

TEST_F(RunControlTest, ATmall536PackageIsSavedEncodedAgain) {
  options.tmall536_on = true;
  const std::string url = host.url("/jpg/t536");
  const std::string file_text = "title\tdescription\r\nitem\t" + base64_encode(description_utf8(url)) + "\tend\r\n";
  std::string decoded = file_text;
  decode_encoded_descriptions(decoded);
  ASSERT_NE(decoded.find(std::string(kDescriptionMarker)), std::string::npos);
  use_package(decoded, {"\"" + url});
  test::write_bytes(package.path, file_text);

  ProcessingRun run(package, list, options, log, observer);
  ASSERT_EQ(run.start().status, StartStatus::started);
  const RunResult result = run.wait();
  ASSERT_TRUE(result.saved);
  const std::string path = local_path(url, PictureHost::picture_for("/jpg/t536"));
  EXPECT_EQ(saved_text(), "title\tdescription\r\nitem\t" +
                              base64_encode(description_utf8("FILE:///" + gbk_to_utf8(path).substr(1))) +
                              "\tend\r\n");
}

TEST_F(RunControlTest, ATmall536StopWithSavingEncodesAgainAndLogsIt) {
  options.tmall536_on = true;
  const std::string url = host.url("/hang/t536");
  const std::string file_text = "title\tdescription\r\nitem\t" + base64_encode(description_utf8(url)) + "\tend\r\n";
  std::string decoded = file_text;
  decode_encoded_descriptions(decoded);
  use_package(decoded, {"\"" + url});
  test::write_bytes(package.path, "something older");

  ProcessingRun run(package, list, options, log, observer);
  ASSERT_EQ(run.start().status, StartStatus::started);
  ASSERT_TRUE(eventually([&] { return host.total_requests() == 1; }));
  EXPECT_EQ(run.stop_and_save(), StopStatus::stopped);
  EXPECT_TRUE(run.wait().saved);
  // Nothing was done: the file comes back byte for byte.
  EXPECT_EQ(saved_text(), file_text);
  EXPECT_EQ(count_lines(G("  图片处理中止，正在进行助理5.36数据包加密处理（可能需要较长时间）……\r\n")), 1);
  EXPECT_EQ(count_lines(G("  加密处理完毕……\r\n")), 1);
}

// Makes a folder immutable, which stops even root from writing into it; undone on destruction.
class ImmutableFolder {
 public:
  explicit ImmutableFolder(const std::filesystem::path& folder) : folder_(folder) { set(true); }
  ~ImmutableFolder() {
    if (ok_) set(false);
  }
  bool ok() const { return ok_; }

 private:
  void set(bool on) {
    const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    int flags = 0;
    if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ok_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0 && on;
    }
    ::close(fd);
  }
  std::filesystem::path folder_;
  bool ok_ = false;
};

TEST_F(RunControlTest, AFailedSaveIsReportedAndLeavesTheFileAsItWas) {
  options.links = LinkMode::remove;
  options.backup_on = true;
  const std::string text = "item\t\"<a href=\"\"http://shop.example/\"\">x</a>\"\r\n";
  const std::filesystem::path folder = dir / "locked";
  std::filesystem::create_directory(folder);
  use_package(text, {}, folder);
  std::filesystem::create_directory(package.picture_folder());
  ImmutableFolder locked(folder);
  if (!locked.ok()) GTEST_SKIP() << "cannot make a folder immutable here";

  ProcessingRun run(package, list, options, log, observer);
  ASSERT_EQ(run.start().status, StartStatus::started);
  const RunResult result = run.wait();
  EXPECT_EQ(result.ending, RunEnding::completed);
  EXPECT_TRUE(result.save_attempted);
  EXPECT_FALSE(result.saved);
  EXPECT_EQ(saved_text(), text);
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder)) ++files;
  EXPECT_EQ(files, 2);  // the package and the picture folder: no backup, no temporary file
  EXPECT_EQ(log.joined().find(G("  文件保存成功！")), std::string::npos);
  EXPECT_NE(log.joined().find(G("  文件保存失败：")), std::string::npos);
  // The run still ends as usual.
  EXPECT_EQ(observer.events(), (std::vector<std::string>{"completion", "restore"}));
}

TEST_F(RunControlTest, ASaveBelowARegularFileFails) {
  options.links = LinkMode::remove;
  test::write_bytes(dir / "blocker", "a file");
  use_package("item\t\"<a href=\"\"http://shop.example/\"\">x</a>\"\r\n", {}, dir / "blocker");
  ProcessingRun run(package, list, options, log, observer);
  ASSERT_EQ(run.start().status, StartStatus::started);
  const RunResult result = run.wait();
  EXPECT_FALSE(result.saved);
  EXPECT_EQ(test::read_bytes(dir / "blocker"), "a file");
  EXPECT_NE(log.joined().find(G("  文件保存失败：")), std::string::npos);
}

}  // namespace
}  // namespace picmove::transfer_test
