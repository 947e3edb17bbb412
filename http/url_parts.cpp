// How the request engine splits an address into host, port and path. The rules are the
// engine's own (not a general URL parser): callers and stored addresses rely on them.
#include "http/curl_exchange.h"
#include "http/text_helpers.h"
#include "http/web_request.h"

namespace picmove {

std::string url_host(const std::string& url, bool with_port) {
  std::string lowered = detail::ascii_lower(url);
  if (lowered.empty() || lowered.back() != '/') lowered += '/';
  std::string host;
  if (lowered.rfind("https://", 0) == 0) {
    host = text_between(lowered, "https://", "/");
  } else {
    if (lowered.find("http://") == std::string::npos) lowered = "http://" + lowered;
    host = text_between(lowered, "http://", "/");
  }
  if (!with_port) host = host.substr(0, host.find(':'));
  return host;
}

int url_port(const std::string& url) {
  const std::string host = url_host(url, true);
  const std::size_t colon = host.rfind(':');
  if (colon == std::string::npos) {
    return detail::ascii_lower(url.substr(0, 5)) == "https" ? 443 : 80;
  }
  // The digits after the last ":"; anything else reads as 0, the service's default port.
  long port = 0;
  for (std::size_t i = colon + 1; i < host.size() && host[i] >= '0' && host[i] <= '9'; ++i) {
    port = port * 10 + (host[i] - '0');
    if (port > 65535) return 0;
  }
  return static_cast<int>(port);
}

std::string url_path(const std::string& url) {
  const std::string host = url_host(url, false);
  const std::size_t at = gbk_find(url, host, 0, true);
  if (at == std::string::npos) return "/";
  const std::size_t slash = url.find('/', at);
  if (slash == std::string::npos) return "/";
  return url.substr(slash);
}

}  // namespace picmove
