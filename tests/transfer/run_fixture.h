// Shared pieces of the run tests: a picture host on 127.0.0.1 that answers by path, a package in
// a temporary folder, an observer that records the ending, and log-line helpers.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "package/address_list.h"
#include "package/data_package.h"
#include "package/gbk.h"
#include "package/log_sink.h"
#include "package/options_view.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"
#include "transfer/failure_policy.h"
#include "transfer/processing_run.h"

namespace picmove::transfer_test {

inline std::string G(const char* utf8) { return gbk(utf8); }

inline const std::string& jpeg_head() {
  static const std::string head("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11);
  return head;
}

// Answers by the first path segment:
//   /jpg/..  /png/..  /tiff/..   a picture of that type whose bytes end with the path
//   /html    a page without "404"     /e404  a 404 page      /empty  200 with no body
//   /noinput "No input file specified.\n"   /placeholder  the 49-byte GIF
//   /reset   the connection dropped      /flaky/..  empty twice, then a JPEG
//   /slow/.. a JPEG after 300 ms         /hang/..   no answer until the server stops
class PictureHost {
 public:
  PictureHost() : server_([this](const test::HttpExchange& e) { return answer(e); }) {}

  std::string url(const std::string& path) const { return server_.base_url() + path; }
  int requests(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = counts_.find(path);
    return it == counts_.end() ? 0 : it->second;
  }
  int total_requests() const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& [path, count] : counts_) n += count;
    return n;
  }
  std::vector<std::string> targets() const {
    std::vector<std::string> out;
    for (const auto& e : server_.exchanges()) out.push_back(e.target);
    return out;
  }
  std::vector<test::HttpExchange> exchanges() const { return server_.exchanges(); }
  static std::string picture_for(const std::string& path);

 private:
  test::HttpReply answer(const test::HttpExchange& e);

  mutable std::mutex mutex_;
  std::map<std::string, int> counts_;
  test::LocalHttpServer server_;
};

class RecordingObserver : public RunObserver {
 public:
  void on_completion(const CompletionTexts& texts) override {
    std::lock_guard lock(mutex_);
    events_.push_back("completion");
    texts_ = texts;
  }
  void on_restore_controls() override {
    std::lock_guard lock(mutex_);
    events_.push_back("restore");
  }
  void on_progress(std::int32_t done, std::int32_t) override { progress_ = done; }

  std::vector<std::string> events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  CompletionTexts texts() const {
    std::lock_guard lock(mutex_);
    return texts_;
  }
  std::int32_t progress() const { return progress_; }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
  CompletionTexts texts_;
  std::atomic<std::int32_t> progress_{0};
};

// A package "shop.csv" in a fresh folder, loaded as add to list would leave it.
class RunFixture : public ::testing::Test {
 protected:
  void SetUp() override { set_failure_policy(2); }
  void TearDown() override { set_failure_policy(0); }

  // Writes the package text to disk and into the package record; `entries` become the rows.
  void use_package(const std::string& text, const std::vector<std::string>& entries,
                   const std::filesystem::path& folder = {});

  // The img tag that lists `url` with the marker '"'.
  static std::string img(const std::string& url) { return "<img src=\"\"" + url + "\"\">"; }

  std::string saved_text() const { return test::read_bytes(package.path); }
  std::string local_path(const std::string& address, const std::string& bytes) const;

  // Lines of the log that are a date-time text followed by exactly `message`.
  int count_lines(const std::string& message) const;
  // The same for a worker line: date-time text + " 线程：" + any worker number + `rest`.
  int count_worker_lines(const std::string& rest) const;

  // Polls `done` for up to 10 s.
  static bool eventually(const std::function<bool()>& done);

  test::TempDir dir;
  PictureHost host;
  DataPackage package;
  AddressList list;
  PlainOptions options;
  MemoryLogSink log;
  RecordingObserver observer;
};

}  // namespace picmove::transfer_test
