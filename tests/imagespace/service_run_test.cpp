// Uploading runs against the fake image-space service: the real client under the real run.
#include <gtest/gtest.h>

#include "imagespace/image_space_login.h"
#include "imagespace/service_image_space.h"
#include "imagespace/upload.h"
#include "support/fake_image_space.h"
#include "transfer/run_fixture.h"

namespace picmove::transfer_test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Stands for the login window or the cookie file: the login is already made.
class ReadyLogin : public LoginProvider {
 public:
  bool login() override {
    ++count;
    return false;
  }
  std::atomic<int> count{0};
};

class ServiceRunTest : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    options.upload_on = true;
    login.set_cookies("cookie2=good; _tb_token_=tok123; t=1");
    login.set_target({"1001", "false", "false"});
  }

  // A package of one item that shows `count` pictures, each listed once.
  std::vector<std::string> one_item(int count) {
    std::string text = "item\t\"";
    std::vector<std::string> entries, urls;
    for (int i = 0; i < count; ++i) {
      urls.push_back(host.url("/jpg/pic" + std::to_string(i)));
      text += img(urls.back());
      entries.push_back("\"" + urls.back());
    }
    use_package(text + "\"\r\n", entries);
    return urls;
  }

  RunResult run_to_end() {
    ProcessingRun run(package, list, options, log, observer, &space, &ready);
    EXPECT_EQ(run.start().status, StartStatus::started);
    return run.wait();
  }

  test::FakeImageSpaceService service;
  ServiceEndpoints endpoints = service.endpoints();
  ImageSpaceLogin login;
  ServiceImageSpace space{login, endpoints, "_tb_token_={token}"};
  ReadyLogin ready;
};

TEST_F(ServiceRunTest, RiskTwiceThenSuccessWaitsASecondAfterEachAnswer) {
  one_item(1);
  service.queue_upload_answers({{test::FakeImageSpaceService::risk_answer()},
                                {test::FakeImageSpaceService::risk_answer()}});
  const auto start = Clock::now();
  const RunResult result = run_to_end();
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);

  EXPECT_EQ(count_worker_lines(upload_risk_message() + "\r\n"), 2);
  EXPECT_EQ(count_worker_lines(G("  上传第1/1 张 图片到图片空间成功 \r\n")), 1);
  EXPECT_EQ(service.uploads(), 3);
  // Three calls of at least 1.4 s and two waits of 1 s between them.
  EXPECT_GE(took.count(), 3 * 1400 + 2 * 1000);
  EXPECT_EQ(result.statistics.downloaded, 1);
  EXPECT_EQ(result.statistics.upload_failures, 0);
  EXPECT_EQ(saved_text(), "item\t\"" + img("https://img.fake/p3.jpg") + "\"\r\n");
  EXPECT_EQ(list.count(), 0u);
  EXPECT_EQ(ready.count, 1);
}

TEST_F(ServiceRunTest, AFirstAnswerWithoutACommaIsTriedOnceMore) {
  one_item(1);
  service.queue_upload_answers({{"<html>try later</html>"}});
  const RunResult result = run_to_end();
  EXPECT_EQ(service.uploads(), 2);
  EXPECT_EQ(result.statistics.upload_failures, 0);
  EXPECT_EQ(result.statistics.downloaded, 1);
  EXPECT_EQ(saved_text(), "item\t\"" + img("https://img.fake/p2.jpg") + "\"\r\n");
}

TEST_F(ServiceRunTest, TwoFailedAttemptsKeepTheRowAndItsAddress) {
  const auto urls = one_item(1);
  const std::string before = saved_text();
  service.queue_upload_answers({{"<html>busy</html>"}, {R"({"fileId":"F9"})"}});
  const RunResult result = run_to_end();
  EXPECT_EQ(service.uploads(), 2);
  EXPECT_EQ(count_worker_lines(G("  第:1/1 张 图片 上传失败，已自动留在列表内，处理完后请点【开始处理】重试！\r\n")), 1);
  EXPECT_EQ(result.statistics.downloaded, 1);
  EXPECT_EQ(result.statistics.upload_failures, 1);
  EXPECT_EQ(saved_text(), before);
  ASSERT_EQ(list.count(), 1u);
  EXPECT_EQ(list.text(0), "\"" + urls[0]);
  EXPECT_TRUE(service.requests("/redaction/redaction/json.json").empty());
}

TEST_F(ServiceRunTest, AProtectedUploadIsDeletedAndItsReferencesRemoved) {
  options.protected_on = true;
  const auto urls = one_item(1);
  service.protect("p1.jpg");
  const RunResult result = run_to_end();

  EXPECT_EQ(count_worker_lines(G("  上传第1/1 张 图片有保护已置空 \r\n")), 1);
  const auto deleted = service.requests("/redaction/redaction/json.json?cmd=json_batch_delete");
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0].target,
            "/redaction/redaction/json.json?cmd=json_batch_delete&file_ids=F1&_input_charset=utf-8");
  EXPECT_EQ(saved_text().find(urls[0]), std::string::npos) << saved_text();
  EXPECT_EQ(saved_text().find("img.fake"), std::string::npos) << saved_text();
  EXPECT_EQ(result.statistics.downloaded, 1);
  EXPECT_EQ(list.count(), 0u);
  // The token went into the publish form; the item id was learnt once.
  const auto posted = service.requests("/auction/publish/publish.htm");
  ASSERT_EQ(posted.size(), 1u);
  EXPECT_EQ(posted[0].body, "_tb_token_=tok123");
}

TEST_F(ServiceRunTest, TwoWorkersUploadEveryPictureAndKeepEveryCookie) {
  const auto urls = one_item(4);
  const RunResult result = run_to_end();
  EXPECT_EQ(result.statistics.downloaded, 4);
  EXPECT_EQ(service.uploads(), 4);
  for (const auto& url : urls) EXPECT_EQ(saved_text().find(url), std::string::npos) << url;
  for (int n = 1; n <= 4; ++n) {
    const std::string item = "up" + std::to_string(n) + "=" + std::to_string(n);
    EXPECT_NE(login.cookies().find(item), std::string::npos) << login.cookies();
  }
  // Cookies go to the service only, never to the picture host.
  const auto fetched = host.exchanges();
  EXPECT_EQ(fetched.size(), 4u);
  for (const auto& request : fetched) {
    EXPECT_EQ(request.raw_head.find("cookie2"), std::string::npos) << request.raw_head;
  }
}

TEST_F(ServiceRunTest, PauseHoldsTheRiskWaitAndAStopEndsIt) {
  const auto urls = one_item(1);
  const std::string before = saved_text();
  std::vector<test::FakeUploadAnswer> risks(100, {test::FakeImageSpaceService::risk_answer()});
  service.queue_upload_answers(risks);

  ProcessingRun run(package, list, options, log, observer, &space, &ready);
  ASSERT_EQ(run.start().status, StartStatus::started);
  ASSERT_TRUE(eventually([&] { return count_worker_lines(upload_risk_message() + "\r\n") >= 1; }));
  run.pause();
  std::this_thread::sleep_for(1600ms);  // a call in flight ends its 1.4 s
  const int held = service.uploads();
  std::this_thread::sleep_for(2500ms);
  EXPECT_EQ(service.uploads(), held) << "no upload while paused";

  run.resume();
  EXPECT_EQ(ready.count, 2) << "resuming an uploading run asks for the login first";
  ASSERT_TRUE(eventually([&] { return service.uploads() > held; }));

  const auto stop_at = Clock::now();
  run.stop_without_saving();
  const RunResult result = run.wait();
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stop_at).count(),
            1500);
  EXPECT_EQ(result.ending, RunEnding::stopped_unsaved);
  EXPECT_EQ(saved_text(), before);
  EXPECT_EQ(list.count(), 1u);
}

}  // namespace
}  // namespace picmove::transfer_test
