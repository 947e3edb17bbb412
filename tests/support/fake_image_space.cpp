#include "support/fake_image_space.h"

namespace picmove::test {

namespace {

bool starts_with(const std::string& text, const std::string& prefix) {
  return text.rfind(prefix, 0) == 0;
}

HttpReply text_reply(std::string body) {
  HttpReply reply;
  reply.headers = {{"Content-Type", "application/json;charset=UTF-8"}};
  reply.body = std::move(body);
  return reply;
}

}  // namespace

ServiceEndpoints endpoints_at(const std::string& base) { return {base, base, base, base, "tu"}; }

std::string service_section_at(const std::string& base) {
  return "[SERVICE]\r\nmanage=" + base + "\r\nupload=" + base + "\r\nmaterial=" + base +
         "\r\npublish=" + base + "\r\nappkey=tu\r\n";
}

FakeImageSpaceService::FakeImageSpaceService()
    : folder_tree_(R"({"success":true,"module":{"dirs":[)"
                   R"({"name":"全部图片","id":"0","open":true,"count":"12"},)"
                   R"({"name":"宝贝图片","id":"1001","open":false,"count":"3"}]}})"),
      server_([this](const HttpExchange& e) { return answer(e); }) {}

void FakeImageSpaceService::set_folder_tree(std::string utf8_json) {
  std::lock_guard lock(mutex_);
  folder_tree_ = std::move(utf8_json);
}

void FakeImageSpaceService::queue_upload_answers(std::vector<FakeUploadAnswer> answers) {
  std::lock_guard lock(mutex_);
  for (auto& a : answers) upload_answers_.push_back(std::move(a));
}

void FakeImageSpaceService::set_upload_delay(std::chrono::milliseconds delay) {
  std::lock_guard lock(mutex_);
  upload_delay_ = delay;
}

void FakeImageSpaceService::set_item_id(std::string id) {
  std::lock_guard lock(mutex_);
  item_id_ = std::move(id);
}

void FakeImageSpaceService::protect(std::string picture_name) {
  std::lock_guard lock(mutex_);
  protected_.insert(std::move(picture_name));
}

void FakeImageSpaceService::set_empty_protection_answer(bool empty) {
  std::lock_guard lock(mutex_);
  empty_protection_ = empty;
}

std::string FakeImageSpaceService::success_answer(const std::string& file_id,
                                                  const std::string& url) {
  return R"({"success":true,"module":{"fileId":")" + file_id +
         R"(","folderId":"1001","size":"2048","pix":"10x10","url":")" + url +
         R"(","fileName":"123.jpg"}})";
}

std::string FakeImageSpaceService::risk_answer() {
  return R"({"success":false,"message":"账号存在风险"})";
}

std::string FakeImageSpaceService::full_answer() {
  return R"({"success":false,"message":"图片空间不足"})";
}

std::vector<HttpExchange> FakeImageSpaceService::requests(const std::string& prefix) const {
  std::vector<HttpExchange> out;
  for (auto& e : server_.exchanges()) {
    if (starts_with(e.target, prefix)) out.push_back(e);
  }
  return out;
}

int FakeImageSpaceService::uploads() const {
  std::lock_guard lock(mutex_);
  return uploads_;
}

HttpReply FakeImageSpaceService::answer(const HttpExchange& e) {
  const std::string cookies = e.header("Cookie");
  const bool logged_in = cookies.find(kSessionCookie) != std::string::npos;
  std::lock_guard lock(mutex_);

  if (starts_with(e.target, "/redaction/manager.htm")) {
    HttpReply reply;
    reply.headers = {{"Set-Cookie", std::string(kSessionCookie) + "; Path=/; HttpOnly"},
                     {"Set-Cookie", std::string("_tb_token_=") + kToken + "; Path=/"}};
    reply.body = "<html>manager</html>";
    return reply;
  }
  if (starts_with(e.target, "/redaction/redaction/json.json?cmd=json_dirTree_query")) {
    return text_reply(logged_in ? folder_tree_ : R"({"success":false,"login":false})");
  }
  if (starts_with(e.target, "/redaction/redaction/json.json?cmd=json_batch_delete")) {
    return text_reply(R"({"success":true})");
  }
  if (starts_with(e.target, "//api/upload.api?")) {
    const int n = ++uploads_;
    FakeUploadAnswer next{success_answer("F" + std::to_string(n),
                                         "https://img.fake/p" + std::to_string(n) + ".jpg"),
                          upload_delay_};
    if (!upload_answers_.empty()) {
      next = upload_answers_.front();
      upload_answers_.pop_front();
    }
    HttpReply reply = text_reply(next.body);
    reply.delay_before = next.delay;
    // Every answer sets a cookie of its own, so callers must merge them back.
    reply.headers.push_back({"Set-Cookie", "up" + std::to_string(n) + "=" + std::to_string(n)});
    return reply;
  }
  if (starts_with(e.target, "/auction/publish/publish.htm")) {
    return text_reply(item_id_.empty() ? "<html>no item</html>"
                                       : "<a href=\"/x?itemId=" + item_id_ + "&catId=50010850\">");
  }
  if (starts_with(e.target, "/auction/container/get_data.htm?")) {
    if (empty_protection_) return text_reply("");
    const std::size_t pic = e.body.find("&pic=");
    const std::string name = pic == std::string::npos ? "" : e.body.substr(pic + 5);
    return text_reply(protected_.count(name) ? R"({"status":"protected"})"
                                             : R"({"status":"pass"})");
  }
  HttpReply missing;
  missing.status = 404;
  missing.reason = "Not Found";
  missing.body = "not here";
  return missing;
}

}  // namespace picmove::test
