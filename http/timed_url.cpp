#include "http/timed_url.h"

#include "http/curl_exchange.h"
#include "http/text_helpers.h"

namespace picmove::detail {

namespace {

// The scheme an address starts with ("https" of "https://..."), empty when it has none.
std::string leading_scheme(const std::string& url) {
  const std::size_t sep = url.find("://");
  if (sep == std::string::npos || sep == 0) return {};
  for (std::size_t i = 0; i < sep; ++i) {
    const char c = url[i];
    const bool fits = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                      (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
    if (!fits) return {};
  }
  return ascii_lower(url.substr(0, sep));
}

}  // namespace

TimedUrl timed_url_parts(const std::string& url) {
  TimedUrl parts;
  // Only plain http travels this way. An address that names another scheme (https among
  // them) is refused before any name lookup, and "HTTP://" counts as http.
  const std::string scheme = leading_scheme(url);
  if (!scheme.empty() && scheme != "http") {
    parts.refused = true;
    return parts;
  }
  // Without a leading scheme the host starts after the first "http://" in the address, so a
  // main-picture item ("<name>:1:0:|http://host/...") asks the host of its web address rather
  // than a made-up host named after the picture file; with neither, at the first character.
  std::size_t host_start = scheme.empty() ? 0 : scheme.size() + 3;
  if (scheme.empty()) {
    const std::size_t inner = url.find("http://");
    if (inner != std::string::npos) host_start = inner + 7;
  }
  const std::size_t host_end = url.find('/', host_start);
  const std::string host_with_port = url.substr(
      host_start, host_end == std::string::npos ? std::string::npos : host_end - host_start);
  const std::size_t colon = host_with_port.find(':');
  parts.host = ascii_lower(host_with_port.substr(0, colon));
  if (parts.host.empty()) {
    parts.refused = true;
    return parts;
  }
  if (colon != std::string::npos) {
    // The digits after the first ":"; none (or too many) reads as 0, the default port.
    long port = 0;
    for (std::size_t i = colon + 1;
         i < host_with_port.size() && host_with_port[i] >= '0' && host_with_port[i] <= '9'; ++i) {
      port = port * 10 + (host_with_port[i] - '0');
      if (port > 65535) {
        port = 0;
        break;
      }
    }
    parts.port = static_cast<int>(port);
  }
  const std::size_t at = gbk_find(url, parts.host, 0, true);
  const std::size_t slash = at == std::string::npos ? std::string::npos : url.find('/', at);
  parts.path = slash == std::string::npos ? "/" : url.substr(slash);
  return parts;
}

}  // namespace picmove::detail
