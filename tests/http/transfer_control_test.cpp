// What all three request operations share: pause and stop of the run reach a transfer in
// flight, compressed answers are expanded, and no answer may grow past the body cap.
#include <gtest/gtest.h>

#include <functional>
#include <future>
#include <string>

#include "gzip_bytes.h"
#include "http/com_web_request.h"
#include "http/run_control.h"
#include "http/timed_web_request.h"
#include "http/web_request.h"
#include "http_test_util.h"

namespace picmove {
namespace {

using namespace std::chrono_literals;
using test::HttpExchange;
using test::HttpReply;
using test::LocalHttpServer;

// One request operation, called the way the run calls it. `limit_seconds` is the operation's
// own time-out where it has one (0: its default).
struct Engine {
  const char* name;
  std::function<std::string(const std::string&, RunControl*, int)> get;
};

void PrintTo(const Engine& engine, std::ostream* os) { *os << engine.name; }

const Engine kEngines[] = {
    {"web_request", [](const std::string& url, RunControl* control,
                       int) { return web_request({.url = url, .control = control}); }},
    {"com_web_request",
     [](const std::string& url, RunControl* control, int limit) {
       ComRequestArgs args;
       args.url = url;
       args.control = control;
       args.timeout_seconds = limit;
       return com_web_request(args);
     }},
    {"timed_web_request",
     [](const std::string& url, RunControl* control, int limit) {
       TimedRequestArgs args;
       args.url = url;
       args.control = control;
       args.timeout_seconds = limit;
       return timed_web_request(args);
     }},
};

const std::string& bomb() {
  // 65 MiB of zeros in a few hundred KB.
  static const std::string bytes = test::gzip_zeros(kMaxBodyBytes + 1024 * 1024);
  return bytes;
}

HttpReply route(const HttpExchange& ex) {
  const std::string& t = ex.target;
  if (t == "/gzip")
    return test::reply_with(test::gzip_stored("hello picture"), {{"Content-Encoding", "gzip"}});
  if (t == "/deflate")
    return test::reply_with(test::zlib_stored("hello picture"), {{"Content-Encoding", "deflate"}});
  if (t == "/bomb") return test::reply_with(bomb(), {{"Content-Encoding", "gzip"}});
  if (t == "/oversize") return test::reply_with(std::string(kMaxBodyBytes + 1, 'o'));
  if (t == "/trickle") return test::trickle(10, 1000, 50ms);
  if (t == "/endless") return test::trickle(200, 100, 100ms);
  if (t == "/silent") {
    HttpReply r;
    r.never_answer = true;
    return r;
  }
  return test::reply_with("plain");
}

class EachEngine : public ::testing::TestWithParam<Engine> {
 protected:
  LocalHttpServer server{route};
  std::string url(const std::string& path) const { return server.base_url() + path; }
};

TEST_P(EachEngine, CompressedAnswersAreExpanded) {
  EXPECT_EQ(GetParam().get(url("/gzip"), nullptr, 0), "hello picture");
  EXPECT_EQ(GetParam().get(url("/deflate"), nullptr, 0), "hello picture");
  // The request does not ask for compression; the server chose it.
  EXPECT_FALSE(server.exchanges().at(0).has_header("Accept-Encoding"));
}

TEST_P(EachEngine, AnswerPastTheCapIsAFailure) {
  EXPECT_EQ(GetParam().get(url("/oversize"), nullptr, 30), "");
  EXPECT_EQ(GetParam().get(url("/bomb"), nullptr, 30), "");
  EXPECT_EQ(GetParam().get(url("/plain"), nullptr, 0), "plain");  // and the next one works
}

TEST_P(EachEngine, PauseHoldsTheTransferAndResumeFinishesIt) {
  RunControl control;
  // A 1 s limit (where the operation has one) against a 1.5 s pause: paused time must not
  // count as silence or as waiting.
  auto result = test::run_async([&] { return GetParam().get(url("/trickle"), &control, 1); });
  std::this_thread::sleep_for(200ms);
  control.pause();
  // The server has sent everything by now; the transfer still holds where it stood.
  std::this_thread::sleep_for(1500ms);
  EXPECT_EQ(result.wait_for(0ms), std::future_status::timeout);
  control.resume();
  ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(result.get().size(), 10u * 1000u);
}

TEST_P(EachEngine, StopEndsATransferInFlight) {
  // One server keeps sending, the other never answers: the stop reaches both.
  for (const std::string path : {"/endless", "/silent"}) {
    RunControl control;
    auto result = test::run_async([&] { return GetParam().get(url(path), &control, 0); });
    std::this_thread::sleep_for(300ms);
    const auto stopped_at = std::chrono::steady_clock::now();
    control.stop();
    ASSERT_EQ(result.wait_for(5s), std::future_status::ready) << path;
    EXPECT_LT(test::seconds_since(stopped_at), 2.0) << path;
    EXPECT_EQ(result.get(), "") << path;
  }
}

TEST_P(EachEngine, StopReleasesAPausedTransfer) {
  RunControl control;
  auto result = test::run_async([&] { return GetParam().get(url("/endless"), &control, 0); });
  std::this_thread::sleep_for(300ms);
  control.pause();
  std::this_thread::sleep_for(300ms);
  control.stop();
  ASSERT_EQ(result.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(result.get(), "");
}

TEST_P(EachEngine, StoppedRunStartsNothing) {
  RunControl control;
  control.stop();
  EXPECT_EQ(GetParam().get(url("/plain"), &control, 0), "");
  EXPECT_EQ(server.connection_count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Http, EachEngine, ::testing::ValuesIn(kEngines),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BodyCap, AnAnswerOfExactlyTheCapIsWhole) {
  LocalHttpServer server(
      [](const HttpExchange&) { return test::reply_with(std::string(kMaxBodyBytes, 'c')); });
  EXPECT_EQ(web_request({.url = server.base_url() + "/"}).size(), kMaxBodyBytes);
}

}  // namespace
}  // namespace picmove

namespace picmove {
namespace {

using namespace std::chrono_literals;

// The waits of a run (1 s between risk answers, the rest of an upload's 1.4 s) stand still
// while the run is paused: a 600 ms wait paused for 1 s ends about 1.6 s after it began.
TEST(RunControlWait, PausedTimeDoesNotCountAndAStopEndsTheWait) {
  RunControl control;
  const auto start = std::chrono::steady_clock::now();
  std::future<bool> waited = std::async(std::launch::async, [&] { return control.sleep_for(600ms); });
  std::this_thread::sleep_for(100ms);
  control.pause();
  std::this_thread::sleep_for(1000ms);
  EXPECT_EQ(waited.wait_for(0ms), std::future_status::timeout) << "ended while paused";
  control.resume();
  EXPECT_TRUE(waited.get());
  EXPECT_GE(std::chrono::steady_clock::now() - start, 1500ms);

  RunControl stopping;
  std::future<bool> stopped =
      std::async(std::launch::async, [&] { return stopping.sleep_for(10000ms); });
  std::this_thread::sleep_for(100ms);
  stopping.stop();
  EXPECT_EQ(stopped.wait_for(2000ms), std::future_status::ready);
  EXPECT_FALSE(stopped.get());
}

}  // namespace
}  // namespace picmove
