// A fake of the platform's image-space services on 127.0.0.1, one server for all four hosts:
// the management page (sets the login cookies), the folder tree, the stream upload, the publish
// form, the protection query and the batch delete. It records every request it gets.
#pragma once

#include <chrono>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "imagespace/service_endpoints.h"
#include "support/local_http_server.h"

namespace picmove::test {

// Every service host at `base` (the fake service, or any local server standing in for one).
ServiceEndpoints endpoints_at(const std::string& base);
// Section "SERVICE" of an options file that points every host at `base`.
std::string service_section_at(const std::string& base);

// One scripted upload answer (UTF-8 body) and how long the service takes to give it.
struct FakeUploadAnswer {
  std::string body;
  std::chrono::milliseconds delay{0};
};

class FakeImageSpaceService {
 public:
  // The login cookie the management page sets and the folder tree asks for.
  static constexpr const char* kSessionCookie = "cookie2=good";
  static constexpr const char* kToken = "tok123";

  FakeImageSpaceService();

  std::string base_url() const { return server_.base_url(); }
  int port() const { return server_.port(); }
  ServiceEndpoints endpoints() const { return endpoints_at(base_url()); }
  std::string service_section() const { return service_section_at(base_url()); }

  // Folder tree answer (UTF-8) given to a request that carries the session cookie.
  void set_folder_tree(std::string utf8_json);
  // Upload answers used in order before the default one: a success whose file id is
  // "F" + n and whose url is "https://img.fake/p" + n + ".jpg" (n counts the uploads).
  void queue_upload_answers(std::vector<FakeUploadAnswer> answers);
  void set_upload_delay(std::chrono::milliseconds delay);
  // The item id the publish form answer names; empty: an answer without one.
  void set_item_id(std::string id);
  // Picture names (last path segment) the protection query does not pass.
  void protect(std::string picture_name);
  // When set, the protection query answers with an empty body.
  void set_empty_protection_answer(bool empty);

  static std::string success_answer(const std::string& file_id, const std::string& url);
  static std::string risk_answer();     // holds "风险"
  static std::string full_answer();     // holds "不足"

  std::vector<HttpExchange> exchanges() const { return server_.exchanges(); }
  // Requests whose target begins with `prefix`.
  std::vector<HttpExchange> requests(const std::string& prefix) const;
  int uploads() const;

 private:
  HttpReply answer(const HttpExchange& e);

  mutable std::mutex mutex_;
  std::string folder_tree_;
  std::deque<FakeUploadAnswer> upload_answers_;
  std::chrono::milliseconds upload_delay_{0};
  std::string item_id_ = "556677889900";
  std::set<std::string> protected_;
  bool empty_protection_ = false;
  int uploads_ = 0;
  LocalHttpServer server_;  // last: stops before the fields its handler reads go away
};

}  // namespace picmove::test
