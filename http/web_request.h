// The blocking request engine used for every image-space call.
#pragma once

#include <mutex>
#include <string>

#include "http/run_control.h"

namespace picmove {

// Largest body (after decompression) any request accepts; a larger answer is a failure.
inline constexpr std::size_t kMaxBodyBytes = 64u * 1024u * 1024u;

struct WebRequestArgs {
  std::string url{};  // "http://" assumed without a scheme
  int method = 0;     // 0 GET, 1 POST, 2 HEAD; anything else GET
  std::string body_text{};
  std::string* cookies = nullptr;           // in/out; nullptr means "not passed"
  std::string* received_cookies = nullptr;  // out (rule A)
  std::string headers{};                    // "\r\n"-separated, no line end after the last
  std::string* response_headers = nullptr;  // out: raw header block
  bool no_redirect = false;
  std::string body_bytes{};       // used instead of body_text when non-empty
  std::string proxy{};            // host:port; empty: the environment's proxy settings
  RunControl* control = nullptr;  // pause holds the transfer, stop aborts it
  // When several threads share one cookie text: the reads of *cookies and its replacement
  // happen under this lock, so each is whole and no thread's update is lost.
  std::mutex* cookies_lock = nullptr;
};

// Returns the response body; empty on any failure.
std::string web_request(const WebRequestArgs& args);

// URL parts as web_request derives them.
std::string url_host(const std::string& url, bool with_port);
int url_port(const std::string& url);
std::string url_path(const std::string& url);

}  // namespace picmove
