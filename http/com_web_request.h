// The second, distinct request configuration used for the first attempt of every picture
// download: "Referrer" header, image Accept list, one time-out for every stage.
#pragma once

#include <string>

#include "http/run_control.h"

namespace picmove {

struct ComRequestArgs {
  std::string url{};
  std::string verb{};  // empty: GET
  std::string body_text{};
  std::string cookies{};                    // sent as "Cookie" when non-empty
  std::string* received_cookies = nullptr;  // when passed, rule B appends to it
  std::string proxy{};
  int timeout_seconds = 0;  // 0: 15 seconds
  std::string proxy_user{};
  std::string proxy_password{};
  std::string referrer{};  // empty: the url
  RunControl* control = nullptr;
};

std::string com_web_request(const ComRequestArgs& args);

// A GET of `url` with every default, as picture downloads use it.
std::string com_web_request(const std::string& url, RunControl* control = nullptr);

}  // namespace picmove
