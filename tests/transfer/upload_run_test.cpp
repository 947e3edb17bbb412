// Runs that upload into the image space, against a scripted image space.
#include <deque>
#include <set>

#include "run_fixture.h"
#include "imagespace/image_space.h"

namespace picmove::transfer_test {
namespace {

const std::string& risk_answer() {
  static const std::string s =
      gbk(" 图片上传失败，账号存在风险，请打开浏览器登陆图片空间上传一张图片并通过滑块验证！");
  return s;
}
const std::string& full_answer() {
  static const std::string s =
      gbk(" 图片上传失败，图片空间不足，请打开浏览器登陆图片空间腾出空间或购买空间！");
  return s;
}

// Answers for pictures whose bytes hold a key, in order; after them every upload succeeds with
// "fid_<key>,10,http://img.example/<key>.jpg". Addresses holding "prot" are protected.
class FakeImageSpace : public ImageSpace {
 public:
  void script(const std::string& key, std::vector<std::string> answers) {
    std::lock_guard lock(mutex_);
    scripts_[key] = std::deque<std::string>(answers.begin(), answers.end());
  }
  void answer_forever(const std::string& key, const std::string& answer) {
    std::lock_guard lock(mutex_);
    forever_[key] = answer;
  }

  std::string upload_picture(const std::string& bytes, const std::string& resize_width,
                             int worker, RunControl&) override {
    ++in_flight_;
    int seen = in_flight_.load();
    while (seen > max_in_flight_ && !max_in_flight_.compare_exchange_weak(seen, in_flight_)) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    --in_flight_;
    std::lock_guard lock(mutex_);
    ++calls_;
    workers_.insert(worker);
    for (auto& [key, answer] : forever_) {
      if (bytes.find(key) != std::string::npos) return answer;
    }
    for (auto& [key, answers] : scripts_) {
      if (bytes.find(key) == std::string::npos) continue;
      calls_by_key_[key]++;
      resize_by_key_[key] = resize_width;
      if (!answers.empty()) {
        std::string next = answers.front();
        answers.pop_front();
        return next;
      }
      return "fid_" + key + ",10,http://img.example/" + key + ".jpg";
    }
    return "fid,10,http://img.example/other.jpg";
  }
  bool image_is_protected(const std::string& new_address, RunControl&) override {
    return new_address.find("prot") != std::string::npos;
  }
  void batch_delete(const std::string& file_id, RunControl&) override {
    std::lock_guard lock(mutex_);
    deleted_.push_back(file_id);
  }

  int calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  int calls_for(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto it = calls_by_key_.find(key);
    return it == calls_by_key_.end() ? 0 : it->second;
  }
  std::string resize_for(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto it = resize_by_key_.find(key);
    return it == resize_by_key_.end() ? "" : it->second;
  }
  std::set<int> workers() const {
    std::lock_guard lock(mutex_);
    return workers_;
  }
  std::vector<std::string> deleted() const {
    std::lock_guard lock(mutex_);
    return deleted_;
  }
  int max_in_flight() const { return max_in_flight_; }

 private:
  mutable std::mutex mutex_;
  std::map<std::string, std::deque<std::string>> scripts_;
  std::map<std::string, std::string> forever_;
  std::map<std::string, int> calls_by_key_;
  std::map<std::string, std::string> resize_by_key_;
  std::set<int> workers_;
  std::vector<std::string> deleted_;
  int calls_ = 0;
  std::atomic<int> in_flight_{0}, max_in_flight_{0};
};

class FakeLogin : public LoginProvider {
 public:
  bool login() override {
    ++count;
    return cancel;
  }
  std::atomic<int> count{0};
  bool cancel = false;
};

class UploadRunTest : public RunFixture {
 protected:
  void SetUp() override {
    RunFixture::SetUp();
    options.upload_on = true;
  }
  FakeImageSpace space;
  FakeLogin login;
};

TEST_F(UploadRunTest, UploadsWaitsOutRisksRetriesOnceAndDropsProtectedPictures) {
  options.protected_on = true;
  space.script("/jpg/risk", {risk_answer(), risk_answer(), full_answer()});
  space.script("/jpg/retry", {"no comma here"});
  space.script("/jpg/fail", {",,", ","});
  space.script("/jpg/prot", {});
  space.script("/jpg/plain", {});
  space.script("MAINPIC", {});
  const std::string risk = host.url("/jpg/risk"), retry = host.url("/jpg/retry"),
                    fail = host.url("/jpg/fail"), prot = host.url("/jpg/prot"),
                    plain = host.url("/jpg/plain");
  const std::string main_item = "mainpic:1:0:|http://127.0.0.1:1/m.jpg;";
  const std::string text = "item\t\"" + img(risk) + img(retry) + img(fail) + img(prot) + "<img>" +
                           plain + "</img>\"\t" + main_item + "\r\n";
  use_package(text, {"\"" + risk, "\"" + retry, "\"" + fail, "\"" + prot, ">" + plain,
                     "#" + main_item});
  std::filesystem::create_directory(package.main_picture_folder());
  test::write_bytes(package.main_picture_folder() / "mainpic.tbi", jpeg_head() + "MAINPIC");

  ProcessingRun run(package, list, options, log, observer, &space, &login);
  ASSERT_EQ(run.start().status, StartStatus::started);
  const RunResult result = run.wait();
  ASSERT_EQ(result.ending, RunEnding::completed);

  EXPECT_EQ(login.count, 1);
  EXPECT_FALSE(std::filesystem::exists(package.picture_folder()));
  EXPECT_LE(space.max_in_flight(), 2);
  for (int worker : space.workers()) EXPECT_TRUE(worker == 1 || worker == 2) << worker;

  // Three answers waited out, one line each; the retry and the failure used two attempts.
  EXPECT_EQ(count_worker_lines(risk_answer() + "\r\n"), 2);
  EXPECT_EQ(count_worker_lines(full_answer() + "\r\n"), 1);
  EXPECT_EQ(space.calls_for("/jpg/risk"), 4);
  EXPECT_EQ(space.calls_for("/jpg/retry"), 2);
  EXPECT_EQ(space.calls_for("/jpg/fail"), 2);
  EXPECT_EQ(space.resize_for("/jpg/plain"), "620");
  EXPECT_EQ(space.resize_for("/jpg/risk"), "0");
  EXPECT_EQ(space.resize_for("MAINPIC"), "0");

  EXPECT_EQ(count_worker_lines(G("  第:3/6 张 图片 上传失败，已自动留在列表内，处理完后请点【开始处理】重试！\r\n")), 1);
  EXPECT_EQ(count_worker_lines(G("  上传第4/6 张 图片有保护已置空 \r\n")), 1);
  int successes = 0;
  for (int p = 1; p <= 6; ++p) {
    successes += count_worker_lines(G("  上传第") + std::to_string(p) + G("/6 张 图片到图片空间成功 \r\n"));
  }
  EXPECT_EQ(successes, 5);
  EXPECT_EQ(space.deleted(), std::vector<std::string>{"fid_/jpg/prot"});

  EXPECT_EQ(saved_text(), "item\t\"" + img("http://img.example//jpg/risk.jpg") +
                              img("http://img.example//jpg/retry.jpg") + img(fail) + "<img >" +
                              "<img>http://img.example//jpg/plain.jpg</img>\"\t" + main_item +
                              "\r\n");
  EXPECT_EQ(list.count(), 1u);
  EXPECT_EQ(list.text(0), "\"" + fail);
  EXPECT_EQ(result.statistics.downloaded, 6);
  EXPECT_EQ(result.statistics.upload_failures, 1);
  EXPECT_EQ(result.statistics.failures, 0);
  EXPECT_EQ(observer.texts().success_line,
            G("成功下载： 6   其中上传失账： 1 请点开始处理重新上传！"));
  // Read when the window opens: with upload unticked by then, the short form.
  options.upload_on = false;
  EXPECT_EQ(run.completion_texts().success_line, G("成功下载： 6"));
}

TEST_F(UploadRunTest, ACancelledLoginStartsNothing) {
  login.cancel = true;
  const std::string url = host.url("/jpg/a");
  use_package("item\t\"" + img(url) + "\"\r\n", {"\"" + url});
  ProcessingRun run(package, list, options, log, observer, &space, &login);
  EXPECT_EQ(run.start().status, StartStatus::login_cancelled);
  EXPECT_FALSE(run.running());
  EXPECT_EQ(host.total_requests(), 0);
  EXPECT_EQ(list.count(), 1u);
  EXPECT_TRUE(observer.events().empty());
  EXPECT_EQ(run.wait().ending, RunEnding::none);
}

TEST_F(UploadRunTest, UploadingWithoutAnImageSpaceIsRefused) {
  const std::string url = host.url("/jpg/a");
  use_package("item\t\"" + img(url) + "\"\r\n", {"\"" + url});
  ProcessingRun run(package, list, options, log, observer);
  const StartResult r = run.start();
  EXPECT_EQ(r.status, StartStatus::refused);
  EXPECT_FALSE(r.message.empty());
  EXPECT_EQ(host.total_requests(), 0);
}

TEST_F(UploadRunTest, ResumingLogsInAgainFirst) {
  std::vector<std::string> entries;
  std::string text = "item\t\"";
  for (int k = 0; k < 4; ++k) {
    const std::string url = host.url("/slow/" + std::to_string(k));
    entries.push_back("\"" + url);
    text += img(url);
  }
  use_package(text + "\"\r\n", entries);
  ProcessingRun run(package, list, options, log, observer, &space, &login);
  ASSERT_EQ(run.start().status, StartStatus::started);
  run.pause();
  EXPECT_EQ(login.count, 1);
  run.resume();
  EXPECT_EQ(login.count, 2);
  const RunResult result = run.wait();
  EXPECT_EQ(result.ending, RunEnding::completed);
  EXPECT_EQ(result.statistics.downloaded, 4);
}

TEST_F(UploadRunTest, AStopEndsTheRiskWait) {
  space.answer_forever("/jpg/stuck", risk_answer());
  const std::string url = host.url("/jpg/stuck");
  const std::string text = "item\t\"" + img(url) + "\"\r\n";
  use_package(text, {"\"" + url});
  ProcessingRun run(package, list, options, log, observer, &space, &login);
  ASSERT_EQ(run.start().status, StartStatus::started);
  ASSERT_TRUE(eventually([&] { return count_worker_lines(risk_answer() + "\r\n") >= 2; }));
  EXPECT_EQ(run.stop_without_saving(), StopStatus::stopped);
  const int calls = space.calls();
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  EXPECT_EQ(space.calls(), calls);
  EXPECT_EQ(run.wait().ending, RunEnding::stopped_unsaved);
  EXPECT_EQ(saved_text(), text);
}

}  // namespace
}  // namespace picmove::transfer_test
