// One libcurl easy handle for one exchange, with what all three request operations share:
// http and https only (also after redirects), HTTP/1.1, certificate checks, no cookie engine,
// the body cap counted on the expanded body, the raw header block of the last response, and a
// progress hook where a paused run holds the transfer and a stopped one aborts it.
#pragma once

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "http/run_control.h"

namespace picmove::detail {

// The Accept list both picture-download requests send.
inline constexpr const char* kImageAccept =
    "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";

// Called about once a second while the transfer runs. Blocks while the run is paused and
// returns false when the transfer must end.
using HoldFn = std::function<bool()>;

class CurlExchange {
 public:
  CurlExchange();
  ~CurlExchange();
  CurlExchange(const CurlExchange&) = delete;
  CurlExchange& operator=(const CurlExchange&) = delete;

  // False when libcurl could not give us a handle; nothing else works then.
  bool ok() const { return handle_ != nullptr; }
  CURL* handle() { return handle_; }

  // Protocols allowed for the first request and for redirects ("http,https" or "http").
  void set_protocols(const char* protocols);
  void set_url(const std::string& url);
  void set_redirects(bool follow);           // follows at most 10
  void set_proxy(const std::string& proxy);  // host:port; empty: the environment's
  void set_user_agent(const std::string& agent);
  void add_header_line(const std::string& line);  // empty lines are skipped
  // Verb and body. The body is sent when `send_body` (also when it is empty: Content-Length 0),
  // except with HEAD, which carries none.
  void set_request(const std::string& verb, std::string body, bool send_body);
  void set_max_body(std::size_t bytes) { max_body_ = bytes; }
  // No byte moving in either direction for this long ends the transfer; paused time is not
  // counted. Zero: no such limit.
  void set_stall_limit(std::chrono::milliseconds limit) { stall_limit_ = limit; }
  void set_connect_limit(std::chrono::milliseconds limit);
  void set_hold(HoldFn hold) { hold_ = std::move(hold); }

  // Runs the exchange. True when it completed without any error; the body is then whole.
  bool perform();

  bool response_seen() const { return response_seen_; }
  const std::string& header_block() const { return header_block_; }
  std::string take_body() { return std::move(body_); }
  bool body_too_large() const { return too_large_; }
  CURLcode result() const { return result_; }

 private:
  static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* self);
  static int on_progress(void* self, curl_off_t dltotal, curl_off_t dlnow, curl_off_t ultotal,
                         curl_off_t ulnow);

  CURL* handle_ = nullptr;
  curl_slist* header_list_ = nullptr;
  std::vector<std::string> header_lines_;
  std::string request_body_;
  std::string body_;
  std::string header_block_;
  bool response_seen_ = false;
  bool too_large_ = false;
  std::size_t max_body_;
  std::chrono::milliseconds stall_limit_{0};
  HoldFn hold_;
  curl_off_t last_moved_ = -1;
  std::chrono::steady_clock::time_point last_activity_;
  CURLcode result_ = CURLE_OK;
};

// The hold of a run: waits at the pause gate, ends the transfer once the run is stopped.
inline HoldFn hold_for(RunControl* control) {
  if (control == nullptr) return {};
  return [control] { return control->pass_gate(); };
}

// Lower-cases ASCII letters.
std::string ascii_lower(std::string text);

// Spaces and control bytes cannot travel in a request line: they go as %XX.
std::string escape_for_request_line(const std::string& path);

}  // namespace picmove::detail
