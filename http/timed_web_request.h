// A request on a thread of its own while the caller waits under an overall limit.
#pragma once

#include <string>

#include "http/run_control.h"

namespace picmove {

struct TimedRequestArgs {
  std::string url{};   // http only; "http://" may be left out
  std::string verb{};  // "GET" or "POST" after upper-casing; empty: GET
  std::string body_text{};
  std::string cookies{};                    // never updated
  std::string* received_cookies = nullptr;  // written only on success within the limit
  std::string proxy{};
  int timeout_seconds = 0;     // 0: 90 seconds
  bool pump_messages = false;  // kept for callers; there is no message loop here
  std::string headers{};       // lines each ending in "\r\n"
  std::string user{};
  std::string password{};
  std::string* response_headers = nullptr;  // written only on success within the limit
  bool store_cookies = false;
  RunControl* control = nullptr;  // stop makes the waiting caller return at once
};

std::string timed_web_request(const TimedRequestArgs& args);

// A GET of `url` with every default, as picture downloads use it.
std::string timed_web_request(const std::string& url, RunControl* control = nullptr);

}  // namespace picmove
