// The blocking request engine of every image-space call: one exchange on the calling thread,
// the caller's cookie text sent and merged with what the server set.
#include "http/web_request.h"

#include "http/cookies.h"
#include "http/curl_exchange.h"
#include "http/text_helpers.h"

namespace picmove {

namespace {

constexpr const char* kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// The header block is read into a buffer of this size that starts out as spaces; a block that
// does not fit together with its terminating zero leaves the spaces as they are.
constexpr std::size_t kHeaderBuffer = 5000;

bool contains(const std::string& text, std::string_view part, bool case_insensitive = false) {
  return gbk_find(text, part, 0, case_insensitive) != std::string_view::npos;
}

// A caller that names its own agent gets it; the line itself is sent as well.
std::string user_agent(const std::string& headers) {
  if (!contains(headers, "User-Agent:", true)) return kDefaultAgent;
  std::string agent = trim_spaces(text_between(headers, "User-Agent:", "\r\n"));
  if (agent.empty()) {
    const std::size_t colon = headers.find(':');
    if (colon != std::string::npos)
      agent = trim_spaces(std::string_view(headers).substr(colon + 1));
  }
  // The agent is one header value: whatever follows a line break is not part of it.
  return agent.substr(0, agent.find_first_of("\r\n"));
}

std::string header_text(const WebRequestArgs& args, const std::string& cookie_line) {
  std::string text = args.headers;
  if (text.empty()) {
    text = "Accept: */*";
  } else if (!contains(text, "Accept:")) {
    text += "\r\nAccept: */*";
  }
  if (!contains(text, "Referer:")) text += "\r\nReferer: " + args.url;
  if (!contains(text, "Accept-Language:")) text += "\r\nAccept-Language: zh-cn";
  if (!contains(text, "Content-Type:")) {
    text += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
  if (!cookie_line.empty()) text += "\r\nCookie: " + cookie_line;
  return text;
}

std::string normalise_set_cookie(std::string block) {
  static constexpr std::string_view kWord = "Set-Cookie";
  for (std::size_t at = gbk_find(block, kWord, 0, true); at != std::string::npos;
       at = gbk_find(block, kWord, at + kWord.size(), true)) {
    block.replace(at, kWord.size(), kWord);
  }
  return block;
}

std::string read_cookies(const WebRequestArgs& args) {
  if (args.cookies_lock == nullptr) return *args.cookies;
  std::lock_guard lock(*args.cookies_lock);
  return *args.cookies;
}

}  // namespace

std::string web_request(const WebRequestArgs& args) {
  // A stopped run starts nothing; a paused one waits here before the connection is opened.
  if (args.control != nullptr && !args.control->pass_gate()) return {};

  const char* verb = args.method == 1 ? "POST" : args.method == 2 ? "HEAD" : "GET";
  const bool secure = detail::ascii_lower(args.url.substr(0, 5)) == "https";
  const std::string host = url_host(args.url, false);
  const int port = url_port(args.url);
  std::string address = (secure ? "https://" : "http://") + host;
  if (port != 0) address += ":" + std::to_string(port);
  address += detail::escape_for_request_line(url_path(args.url));

  detail::CurlExchange exchange;
  if (!exchange.ok()) return {};
  exchange.set_url(address);
  exchange.set_user_agent(user_agent(args.headers));
  // A proxy given with an http address is meant for http ("http=" + proxy in WinINet's proxy
  // text), with a secure address for every scheme. Either way this request goes through
  // host:port, and libcurl takes one proxy per request, so both come to the same setting; a
  // redirect to https is then tunnelled through that proxy as well.
  exchange.set_proxy(args.proxy);
  exchange.set_redirects(!args.no_redirect);
  exchange.set_hold(detail::hold_for(args.control));

  // A caller that passes a cookie text (even an empty one) keeps every other cookie out of the
  // exchange; without one, the process-wide store speaks for this host.
  const std::string cookie_line =
      args.cookies != nullptr ? read_cookies(args) : cookie_store().cookies_for("http://" + host);
  const std::string headers = header_text(args, cookie_line);
  for (std::size_t pos = 0; pos <= headers.size();) {
    std::size_t end = headers.find("\r\n", pos);
    if (end == std::string::npos) end = headers.size();
    exchange.add_header_line(headers.substr(pos, end - pos));
    pos = end + 2;
  }
  if (args.method == 1 || args.method == 2) {
    exchange.set_request(verb, args.body_bytes.empty() ? args.body_text : args.body_bytes, true);
  } else {
    exchange.set_request(verb, {}, false);
  }

  exchange.perform();

  std::string block(kHeaderBuffer, ' ');
  if (exchange.response_seen() && exchange.header_block().size() < kHeaderBuffer) {
    block = normalise_set_cookie(exchange.header_block());
  }
  std::string received = cookies_rule_a(block);
  if (args.cookies != nullptr) {
    // Merged against the text as it is now: another thread may have replaced it meanwhile.
    if (args.cookies_lock != nullptr) {
      std::lock_guard lock(*args.cookies_lock);
      *args.cookies = merge_cookies(*args.cookies, received);
    } else {
      *args.cookies = merge_cookies(*args.cookies, received);
    }
  }
  if (args.response_headers != nullptr) *args.response_headers = std::move(block);
  if (args.received_cookies != nullptr) *args.received_cookies = std::move(received);
  return exchange.take_body();
}

}  // namespace picmove
