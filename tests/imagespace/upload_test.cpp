// The stream upload: the request as it arrives at the service, the reading of its answers, the
// 1.4 s minimum and the login cookies shared by two uploading workers.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "http/gzip_bytes.h"
#include "imagespace/upload.h"
#include "package/gbk.h"
#include "support/fake_image_space.h"

namespace picmove {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kBoundary = "------WebKitFormBoundaryBW5dA7zLITBSSTOE";

long long ms_since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string picture_of(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
  return bytes;
}

TEST(UploadRequest, BodyIsTheFixedFormWithThePictureInside) {
  const std::string picture = picture_of(10000);
  const std::string body = upload_body(picture);
  ASSERT_EQ(body.size(), 10368u);
  EXPECT_EQ(body.substr(0, 2), "\r\n");
  EXPECT_EQ(body.substr(body.size() - kBoundary.size() - 2), kBoundary + "--");
  const std::string head =
      "\r\n" + kBoundary + "\r\nContent-Disposition: form-data; name=\"name\"\r\n\r\n123.jpg\r\n" +
      kBoundary + "\r\nContent-Disposition: form-data; name=\"ua\"\r\n\r\n\r\n" + kBoundary +
      "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"123.jpg\"\r\n"
      "Content-Type: image/jpeg\r\n\r\n";
  EXPECT_EQ(body, head + picture + "\r\n" + kBoundary + "--");
  // The picture may itself hold the placeholder's bytes: only the form's own is replaced.
  const std::string odd = gbk("[字节集]");
  EXPECT_EQ(upload_body(odd), head + odd + "\r\n" + kBoundary + "--");
  EXPECT_EQ(upload_body("").size(), 368u);
}

TEST(UploadRequest, AddressPutsTheQueryKeysInOrderWithResizeOnlyFor620) {
  const ServiceEndpoints endpoints = test::endpoints_at("https://up.example/");
  const UploadTarget target{"123", "true", "false"};
  EXPECT_EQ(upload_address(endpoints, target, "620"),
            "https://up.example//api/upload.api?appkey=tu&folderId=123&watermark=false"
            "&_input_charset=utf-8&compress=true&resizeWidth=620&isPublic=true");
  EXPECT_EQ(upload_address(endpoints, target, "0"),
            "https://up.example//api/upload.api?appkey=tu&folderId=123&watermark=false"
            "&_input_charset=utf-8&isPublic=true");
}

TEST(UploadAnswer, IsReadAsRiskFullOrTheThreeFields) {
  struct Case {
    const char* name;
    std::string answer_utf8;
    std::string expected;  // GBK
  };
  const Case cases[] = {
      {"success", test::FakeImageSpaceService::success_answer("9", "https://i.x/a.jpg"),
       "9,2048,https://i.x/a.jpg"},
      {"risk", test::FakeImageSpaceService::risk_answer(), upload_risk_message()},
      {"full", test::FakeImageSpaceService::full_answer(), upload_full_message()},
      {"both words: risk wins", "空间不足，账号存在风险", upload_risk_message()},
      {"verification redirect", "<html>/api/upload.api/_____tmd_____/punish?x=1</html>",
       upload_risk_message()},
      {"nothing known", "<html>busy</html>", ",,"},
      {"empty (failed request)", "", ",,"},
      // The caller takes the text after the last ",": here only "b.jpg".
      {"comma inside the url", test::FakeImageSpaceService::success_answer("9", "https://i.x/a,b.jpg"),
       "9,2048,https://i.x/a,b.jpg"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(read_upload_answer(utf8_to_gbk(c.answer_utf8)), c.expected) << c.name;
  }
  EXPECT_EQ(upload_risk_message(),
            gbk(" 图片上传失败，账号存在风险，请打开浏览器登陆图片空间上传一张图片并通过滑块验证！"));
  EXPECT_EQ(upload_full_message(),
            gbk(" 图片上传失败，图片空间不足，请打开浏览器登陆图片空间腾出空间或购买空间！"));
}

TEST(UploadPicture, SendsTheRequestByteForByteAndMergesTheAnswersCookies) {
  test::FakeImageSpaceService service;
  ImageSpaceLogin login;
  login.set_cookies("cookie2=good; _tb_token_=tok123");
  login.set_target({"1001", "false", "true"});
  const std::string picture = picture_of(5000);

  const std::string result = upload_picture(login, test::endpoints_at(service.base_url()), picture, "620");
  EXPECT_EQ(result, "F1,2048,https://img.fake/p1.jpg");

  const auto sent = service.requests("//api/upload.api");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].method, "POST");
  EXPECT_EQ(sent[0].target,
            "//api/upload.api?appkey=tu&folderId=1001&watermark=true&_input_charset=utf-8"
            "&compress=true&resizeWidth=620&isPublic=false");
  EXPECT_EQ(sent[0].body, upload_body(picture));
  const std::string host = "127.0.0.1:" + std::to_string(service.port());
  const std::vector<std::pair<std::string, std::string>> expected_headers = {
      {"Content-Type", "multipart/form-data; boundary=----WebKitFormBoundaryBW5dA7zLITBSSTOE"},
      {"User-Agent",
       "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
       "Chrome/63.0.3239.150 Aef/5.18 Qianniu/7.00.08N Safari/537.36"},
      {"Referer", service.base_url() + "/"},
      {"Accept-Language", "zh-CN"},
      {"Origin", service.base_url()},
      {"Accept-Encoding", "gzip, deflate"},
      {"Host", host},
      {"Connection", "Keep-Alive"},
      {"Cache-Control", "no-cache"},
      {"Cookie", "cookie2=good; _tb_token_=tok123"},
  };
  for (const auto& [name, value] : expected_headers) {
    EXPECT_EQ(sent[0].header(name), value) << name;
  }
  EXPECT_EQ(sent[0].header("Content-Length"), std::to_string(5368));
  // The answer's cookie joins the login's, received ones first.
  EXPECT_EQ(login.cookies(), "up1=1; cookie2=good; _tb_token_=tok123");
}

TEST(UploadPicture, ACompressedAnswerIsExpandedBeforeItIsRead) {
  test::LocalHttpServer service([](const test::HttpExchange&) {
    test::HttpReply reply;
    reply.headers = {{"Content-Encoding", "gzip"}};
    reply.body = test::gzip_stored(
        test::FakeImageSpaceService::success_answer("Z1", "https://img.fake/z.jpg"));
    return reply;
  });
  ImageSpaceLogin login;
  EXPECT_EQ(upload_picture(login, test::endpoints_at(service.base_url()), "x", "0"),
            "Z1,2048,https://img.fake/z.jpg");
  // The request advertises exactly what the service is told, once.
  int lines = 0;
  const auto sent = service.exchanges();
  ASSERT_EQ(sent.size(), 1u);
  for (const auto& [name, value] : sent[0].headers) {
    if (name == "Accept-Encoding") {
      ++lines;
      EXPECT_EQ(value, "gzip, deflate");
    }
  }
  EXPECT_EQ(lines, 1);
}

TEST(UploadPicture, EveryCallLastsAtLeastOnePointFourSeconds) {
  test::FakeImageSpaceService service;
  ImageSpaceLogin login;
  login.set_target({"1", "false", "false"});
  const ServiceEndpoints endpoints = test::endpoints_at(service.base_url());

  service.set_upload_delay(300ms);
  auto start = Clock::now();
  EXPECT_EQ(upload_picture(login, endpoints, "x", "0"), "F1,2048,https://img.fake/p1.jpg");
  EXPECT_GE(ms_since(start), 1400);

  // An answer later than 1.4 s is not waited on further (3.4 s would mean an extra wait).
  service.set_upload_delay(2000ms);
  start = Clock::now();
  EXPECT_EQ(upload_picture(login, endpoints, "x", "0"), "F2,2048,https://img.fake/p2.jpg");
  const long long slow = ms_since(start);
  EXPECT_GE(slow, 2000);
  EXPECT_LT(slow, 3300);

  // A failed request still takes its 1.4 s, and its parts are empty.
  ImageSpaceLogin nowhere;
  start = Clock::now();
  EXPECT_EQ(upload_picture(nowhere, test::endpoints_at("http://127.0.0.1:1"), "x", "0"), ",,");
  EXPECT_GE(ms_since(start), 1400);
}

TEST(UploadPicture, TheMinimumWaitHoldsWhilePausedAndEndsOnAStop) {
  test::FakeImageSpaceService service;
  ImageSpaceLogin login;
  const ServiceEndpoints endpoints = test::endpoints_at(service.base_url());

  RunControl paused;
  std::string result;
  auto start = Clock::now();
  std::thread caller([&] { result = upload_picture(login, endpoints, "x", "0", &paused); });
  std::this_thread::sleep_for(200ms);
  paused.pause();
  std::this_thread::sleep_for(1800ms);
  paused.resume();
  caller.join();
  EXPECT_EQ(result, "F1,2048,https://img.fake/p1.jpg");
  EXPECT_GE(ms_since(start), 3000) << "paused time does not count (about 3.2 s)";

  RunControl stopping;
  start = Clock::now();
  std::thread stopped([&] { upload_picture(login, endpoints, "x", "0", &stopping); });
  std::this_thread::sleep_for(200ms);
  stopping.stop();
  stopped.join();
  EXPECT_LT(ms_since(start), 1300) << "a stop ends the wait";
}

TEST(UploadPicture, TwoWorkersShareTheLoginCookiesWithoutLosingAnUpdate) {
  test::FakeImageSpaceService service;
  ImageSpaceLogin login;
  login.set_cookies("cookie2=good; _tb_token_=tok123");
  const ServiceEndpoints endpoints = test::endpoints_at(service.base_url());
  constexpr int kPerWorker = 3;
  auto worker = [&] {
    for (int i = 0; i < kPerWorker; ++i) upload_picture(login, endpoints, "x", "0");
  };
  std::thread first(worker), second(worker);
  first.join();
  second.join();

  ASSERT_EQ(service.uploads(), 2 * kPerWorker);
  const std::string cookies = login.cookies();
  for (int n = 1; n <= 2 * kPerWorker; ++n) {
    const std::string item = "up" + std::to_string(n) + "=" + std::to_string(n);
    EXPECT_NE(cookies.find(item), std::string::npos) << item << " lost from " << cookies;
  }
  // Every request carried a whole cookie text: the login's cookies and only "upN=N" besides.
  for (const auto& request : service.requests("//api/upload.api")) {
    const std::string sent = request.header("Cookie");
    EXPECT_NE(sent.find("cookie2=good"), std::string::npos) << sent;
    EXPECT_NE(sent.find("_tb_token_=tok123"), std::string::npos) << sent;
  }
}

TEST(UploadPicture, CookiesNeverFollowARedirectToAnotherHost) {
  test::LocalHttpServer picture_host([](const test::HttpExchange&) {
    test::HttpReply reply;
    reply.body = "picture";
    return reply;
  });
  test::LocalHttpServer upload_host([&](const test::HttpExchange&) {
    test::HttpReply reply;
    reply.status = 302;
    reply.reason = "Found";
    reply.headers = {{"Location", picture_host.base_url() + "/elsewhere"}};
    return reply;
  });
  ImageSpaceLogin login;
  login.set_cookies("cookie2=secret");
  upload_picture(login, test::endpoints_at(upload_host.base_url()), "x", "0");
  ASSERT_EQ(upload_host.exchanges().size(), 1u);
  EXPECT_EQ(upload_host.exchanges()[0].header("Cookie"), "cookie2=secret");
  const auto followed = picture_host.exchanges();
  ASSERT_EQ(followed.size(), 1u) << "the redirect is followed";
  EXPECT_FALSE(followed[0].has_header("Cookie"));
  EXPECT_EQ(followed[0].raw_head.find("secret"), std::string::npos) << followed[0].raw_head;
}

}  // namespace
}  // namespace picmove
