// How the timed request splits its address; its rules differ from the request engine's.
#pragma once

#include <string>

namespace picmove::detail {

struct TimedUrl {
  bool refused = false;  // another scheme than http: nothing is sent
  std::string host;      // lower-case, without port
  int port = 80;         // 0: the default port
  std::string path;
};

TimedUrl timed_url_parts(const std::string& url);

}  // namespace picmove::detail
