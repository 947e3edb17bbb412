// Runs that store pictures next to the package: rewriting, the end of the run, failure policies.
#include <set>

#include "run_fixture.h"
#include "transfer/picture.h"

namespace picmove::transfer_test {
namespace {

using RunTest = RunFixture;

TEST_F(RunTest, StoresEveryPictureRewritesEveryReferenceAndEndsOnce) {
  const std::string jpg = host.url("/jpg/a"), png = host.url("/png/b"), tiff = host.url("/tiff/c"),
                    html = host.url("/html");
  // An address longer than 1000 bytes: only its first 1000 are fetched and named.
  const std::string long_url = host.url("/jpg/" + std::string(1100, 'x'));
  const std::string long_address = long_url.substr(0, 1000);
  const std::string text = "title\tdescription\r\nitem\t\"" + img(jpg) + "<img>" + jpg + "</img>" +
                           img(png) + img(tiff) + img(html) + img(long_url) + img(jpg) + "\"\r\n";
  use_package(text, {"\"" + jpg, ">" + jpg, "\"" + png, "\"" + tiff, "\"" + html,
                     "\"" + long_url});

  ProcessingRun run(package, list, options, log, observer);
  ASSERT_EQ(run.start().status, StartStatus::started);
  const RunResult result = run.wait();

  EXPECT_EQ(result.ending, RunEnding::completed);
  EXPECT_TRUE(result.save_attempted);
  EXPECT_TRUE(result.saved);
  EXPECT_EQ(observer.events(), (std::vector<std::string>{"completion", "restore"}));
  EXPECT_EQ(result.statistics.total, 6);
  EXPECT_EQ(result.statistics.downloaded, 6);
  EXPECT_EQ(result.statistics.failures, 0);
  EXPECT_EQ(result.statistics.rewrites, 6);
  EXPECT_EQ(list.count(), 0u);

  // The same address under two markers is fetched for each row; a TIFF and an HTML page get
  // one more try with the second engine; the long address is cut at 1000 bytes.
  EXPECT_EQ(host.requests("/jpg/a"), 2);
  EXPECT_EQ(host.requests("/png/b"), 1);
  EXPECT_EQ(host.requests("/tiff/c"), 2);
  EXPECT_EQ(host.requests("/html"), 2);
  EXPECT_EQ(host.requests(long_address.substr(host.url("").size())), 1);

  const std::string jpg_bytes = PictureHost::picture_for("/jpg/a");
  const std::string jpg_path = local_path(jpg, jpg_bytes);
  ASSERT_EQ(jpg_path[0], '/');
  const std::string html_path = local_path(html, "<html><body>shop</body></html>");
  EXPECT_NE(html_path.find(".3C68746D6C.JPG"), std::string::npos);
  const std::string long_path = local_path(long_address, PictureHost::picture_for(long_address.substr(host.url("").size())));
  const std::string expected =
      "title\tdescription\r\nitem\t\"" + img("FILE:///" + jpg_path.substr(1)) + "<img>" + jpg_path +
      "</img>" + img("FILE:///" + local_path(png, PictureHost::picture_for("/png/b")).substr(1)) +
      img("FILE:///" + local_path(tiff, PictureHost::picture_for("/tiff/c")).substr(1)) +
      img("FILE:///" + html_path.substr(1)) + img("FILE:///" + long_path.substr(1)) +
      img("FILE:///" + jpg_path.substr(1)) + "\"\r\n";
  EXPECT_EQ(saved_text(), expected);
  EXPECT_EQ(package.text, expected);

  EXPECT_EQ(test::read_bytes(package.picture_folder() / picture_file_name(jpg, jpg_bytes)), jpg_bytes);
  EXPECT_EQ(test::read_bytes(package.picture_folder() / picture_file_name(tiff, PictureHost::picture_for("/tiff/c"))),
            PictureHost::picture_for("/tiff/c"));

  // One claim line per row, byte for byte, and one summary line.
  const std::vector<std::string> addresses = {jpg, jpg, png, tiff, html, long_address};
  for (std::size_t p = 1; p <= addresses.size(); ++p) {
    EXPECT_EQ(count_worker_lines(G("  正在下载第:") + std::to_string(p) + "/6" + G(" 张图片 ") +
                                 addresses[p - 1] + "\r\n"),
              1)
        << "row " << p;
  }
  int summaries = 0;
  for (int j = 1; j <= 5; ++j) {
    summaries += count_lines(G("  线程：") + std::to_string(j) +
                             G(" 处理完成！成功： 6 失败：0 正在保存文件...\r\n"));
  }
  EXPECT_EQ(summaries, 1);
  EXPECT_EQ(observer.texts().total_line, G("下载总数： 6"));
  EXPECT_EQ(observer.texts().success_line, G("成功下载： 6"));
  EXPECT_EQ(observer.texts().failure_line, G("下载失败： 0"));
  EXPECT_EQ(observer.texts().policy_note, "");
}

TEST_F(RunTest, ThreeRowsWithFiveWorkersAreEachDoneOnceAndTheRunEndsOnce) {
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE(round);
    RecordingObserver recorder;
    MemoryLogSink round_log;
    std::vector<std::string> entries;
    std::string text = "item\t\"";
    for (int k = 0; k < 3; ++k) {
      const std::string url = host.url("/jpg/r" + std::to_string(round) + "_" + std::to_string(k));
      entries.push_back("\"" + url);
      text += img(url);
    }
    use_package(text + "\"\r\n", entries);
    ProcessingRun run(package, list, options, round_log, recorder);
    ASSERT_EQ(run.start().status, StartStatus::started);
    const RunResult result = run.wait();
    EXPECT_EQ(result.ending, RunEnding::completed);
    EXPECT_EQ(recorder.events(), (std::vector<std::string>{"completion", "restore"}));
    EXPECT_EQ(result.statistics.downloaded, 3);
    EXPECT_EQ(recorder.progress(), 3);
    for (int k = 0; k < 3; ++k) {
      EXPECT_EQ(host.requests("/jpg/r" + std::to_string(round) + "_" + std::to_string(k)), 1);
    }
    EXPECT_EQ(saved_text().find("127.0.0.1"), std::string::npos);
  }
}

// One row of each kind of failure, and one good row, under each policy.
struct PolicyCase {
  std::int32_t policy;
  int keep_lines, again_lines, deleted_lines;
  std::int32_t downloaded, failures;
  std::size_t rows_left;
  const char* note;
};

class FailurePolicyTest : public RunFixture, public ::testing::WithParamInterface<PolicyCase> {};

TEST_P(FailurePolicyTest, AppliesThePolicyToEveryFailedRow) {
  const PolicyCase& c = GetParam();
  set_failure_policy(c.policy);
  const std::vector<std::string> paths = {"/jpg/ok",   "/e404",  "/empty",   "/reset",
                                          "/noinput", "/placeholder", "/flaky/f"};
  std::vector<std::string> entries;
  std::string text = "item\t\"";
  for (const auto& path : paths) {
    entries.push_back("\"" + host.url(path));
    text += img(host.url(path));
  }
  // A main-image entry whose picture file is missing. Its key makes no usable web address.
  const std::string main_item = "127.0.0.1:1:0:|http://127.0.0.1:1/m.jpg;";
  entries.push_back("#" + main_item);
  text += "\"\t" + main_item + "\r\n";
  use_package(text, entries);

  ProcessingRun run(package, list, options, log, observer);
  ASSERT_EQ(run.start().status, StartStatus::started);
  const RunResult result = run.wait();
  ASSERT_EQ(result.ending, RunEnding::completed);

  int keep = 0, again = 0, deleted = 0;
  std::vector<std::string> addresses;
  for (const auto& path : paths) addresses.push_back(host.url(path));
  addresses.push_back(main_item);
  for (std::size_t p = 1; p <= addresses.size(); ++p) {
    const std::string row = G("  第:") + std::to_string(p) + "/8";
    keep += count_worker_lines(row + G(" 张 描述图片 原图下载结果为空，已自动留在列表内，处理完后请点【开始处理】重试！") +
                               addresses[p - 1] + "\r\n");
    again += count_worker_lines(row + G(" 张 描述图片 原图下载结果为空 正在重新下载 ") +
                                addresses[p - 1] + "\r\n");
    deleted += count_worker_lines(row + G(" 张 描述图片 原图下载结果为空 已经删除 ") +
                                  addresses[p - 1] + "\r\n");
  }
  EXPECT_EQ(keep, c.keep_lines);
  EXPECT_EQ(again, c.again_lines);
  EXPECT_EQ(deleted, c.deleted_lines);
  EXPECT_EQ(result.statistics.downloaded, c.downloaded);
  EXPECT_EQ(result.statistics.failures, c.failures);
  EXPECT_EQ(list.count(), c.rows_left);
  EXPECT_EQ(observer.texts().failure_line, G("下载失败： ") + std::to_string(c.failures));
  EXPECT_EQ(observer.texts().policy_note, G(c.note));

  const std::string saved = saved_text();
  // The main-image item is never rewritten by a failure.
  EXPECT_NE(saved.find(main_item), std::string::npos);
  const bool kept = c.policy == 1;
  EXPECT_EQ(saved.find(host.url("/e404")) != std::string::npos, kept);
  EXPECT_EQ(saved.find(host.url("/placeholder")) != std::string::npos, kept);
  // Deleted references leave no empty src attribute behind.
  EXPECT_EQ(saved.find("src=\"\"\"\""), std::string::npos);
  if (c.policy == 3) {
    EXPECT_EQ(host.requests("/flaky/f"), 3);
    EXPECT_NE(saved.find(local_path(host.url("/flaky/f"), PictureHost::picture_for("/flaky/f")).substr(1)),
              std::string::npos);
  }
  if (c.policy == 0) {
    // Every failed picture went on as if it were good: only the main-image item keeps an address.
    EXPECT_EQ(saved.find("127.0.0.1:"), saved.find(main_item));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Policies, FailurePolicyTest,
    ::testing::Values(
        PolicyCase{1, 7, 0, 0, 1, 7, 7, "按搬家配置，下载失败的图片仍留在列表中，请再点开始处理进行重试！"},
        PolicyCase{2, 0, 0, 7, 1, 7, 0, "按搬家配置，下载失败的图片已被置空，文件已处理成功！"},
        PolicyCase{3, 0, 7, 6, 2, 6, 0, "按搬家配置，下载失败的图片已被置空，文件已处理成功！"},
        PolicyCase{0, 0, 0, 0, 8, 0, 0, ""}),
    [](const ::testing::TestParamInfo<PolicyCase>& info) {
      return "policy" + std::to_string(info.param.policy);
    });

TEST_F(RunTest, StartRefusesWithoutAListedPackage) {
  const std::string text = "item\t\"<a href=\"\"http://shop.example/x\"\">link</a>\"\r\n";
  use_package(text, {});
  {
    // Nothing listed and links left alone: nothing to do.
    ProcessingRun run(package, list, options, log, observer);
    const StartResult r = run.start();
    EXPECT_EQ(r.status, StartStatus::refused);
    EXPECT_EQ(r.message, G("还未选择数据包或未点添加到列表！"));
  }
  {
    // Another file chosen since add to list: refused whatever the link option.
    options.links = LinkMode::remove;
    package.loaded = false;
    list.assign({"\"" + host.url("/jpg/x")});
    ProcessingRun run(package, list, options, log, observer);
    const StartResult r = run.start();
    EXPECT_EQ(r.status, StartStatus::refused);
    EXPECT_EQ(r.message, G("还未选择数据包或未点添加到列表！"));
  }
  EXPECT_EQ(saved_text(), text);
  EXPECT_EQ(host.total_requests(), 0);
  EXPECT_FALSE(std::filesystem::exists(package.picture_folder()));
  EXPECT_TRUE(observer.events().empty());
}

TEST_F(RunTest, AnEmptyListWithALinkOptionStillCleansAndSaves) {
  options.links = LinkMode::remove;
  use_package("item\t\"<a href=\"\"http://shop.example/x\"\">link</a>\"\r\n", {});
  ProcessingRun run(package, list, options, log, observer);
  ASSERT_EQ(run.start().status, StartStatus::started);
  const RunResult result = run.wait();
  EXPECT_EQ(result.ending, RunEnding::completed);
  EXPECT_TRUE(result.saved);
  EXPECT_EQ(saved_text(), "item\t\"link\"\r\n");
  EXPECT_EQ(observer.events(), (std::vector<std::string>{"completion", "restore"}));
  EXPECT_EQ(observer.texts().total_line, G("下载总数： 0"));
  EXPECT_EQ(observer.texts().failure_line, G("下载失败： 0"));
}

TEST_F(RunTest, APictureThatCannotBeStoredKeepsItsRowAndItsAddress) {
  const std::string url = host.url("/jpg/w");
  use_package("item\t\"" + img(url) + "\"\r\n", {"\"" + url});
  // A file where the picture folder should be: every store fails.
  test::write_bytes(package.picture_folder(), "not a folder");
  ProcessingRun run(package, list, options, log, observer);
  ASSERT_EQ(run.start().status, StartStatus::started);
  const RunResult result = run.wait();
  EXPECT_EQ(result.statistics.downloaded, 0);
  EXPECT_EQ(result.statistics.store_failures, 1);
  EXPECT_EQ(result.statistics.failures, 1);
  EXPECT_EQ(list.count(), 1u);
  EXPECT_NE(saved_text().find(img(url)), std::string::npos);
  EXPECT_NE(log.joined().find(G("保存失败")), std::string::npos);
  EXPECT_EQ(log.joined().find("FILE:///"), std::string::npos);
}

}  // namespace
}  // namespace picmove::transfer_test
