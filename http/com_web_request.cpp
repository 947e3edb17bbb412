// The first attempt of every picture download: a request configured like the platform's
// scriptable request object, with its own header set and one time-out for every stage.
#include "http/com_web_request.h"

#include "http/cookies.h"
#include "http/curl_exchange.h"
#include "http/text_helpers.h"

namespace picmove {

namespace {

constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

}  // namespace

std::string com_web_request(const ComRequestArgs& args) {
  if (args.control != nullptr && !args.control->pass_gate()) return {};
  // This requester opens only full http(s) addresses. Anything else (a main-picture item such
  // as "<name>:1:0:|http://...") fails at once instead of being guessed into a host name that
  // would be looked up on the network.
  const std::string scheme = detail::ascii_lower(args.url.substr(0, 8));
  if (scheme.rfind("http://", 0) != 0 && scheme.rfind("https://", 0) != 0) return {};

  detail::CurlExchange exchange;
  if (!exchange.ok()) return {};

  const std::string verb = args.verb.empty() ? "GET" : args.verb;
  const std::string referrer = args.referrer.empty() ? args.url : args.referrer;
  exchange.set_url(detail::escape_for_request_line(args.url));
  exchange.set_user_agent(kAgent);
  if (!args.proxy.empty()) {
    exchange.set_proxy(args.proxy);
    if (!args.proxy_user.empty()) {
      curl_easy_setopt(exchange.handle(), CURLOPT_PROXYUSERNAME, args.proxy_user.c_str());
      curl_easy_setopt(exchange.handle(), CURLOPT_PROXYPASSWORD, args.proxy_password.c_str());
    }
  }
  exchange.set_redirects(true);
  exchange.set_hold(detail::hold_for(args.control));

  // Header name "Referrer" (sic) is what this requester has always sent.
  exchange.add_header_line("Referrer: " + referrer);
  exchange.add_header_line(std::string("Accept: ") + detail::kImageAccept);
  exchange.add_header_line("Accept-Language: zh-cn");
  exchange.add_header_line("Content-Type: application/x-www-form-urlencoded");
  if (!args.cookies.empty()) exchange.add_header_line("Cookie: " + args.cookies);

  // One limit for every stage. Name lookup and connect (with the TLS handshake) must finish
  // within it; after that it bounds silence, not the whole download: the transfer ends once no
  // byte went out or came in for that long, so a slow picture that keeps arriving completes.
  const std::chrono::milliseconds limit(1000L *
                                        (args.timeout_seconds > 0 ? args.timeout_seconds : 15));
  exchange.set_connect_limit(limit);
  exchange.set_stall_limit(limit);

  exchange.set_request(verb, args.body_text, !args.body_text.empty() || verb == "POST");

  exchange.perform();

  if (args.received_cookies != nullptr) {
    const std::string& block = exchange.header_block();
    if (gbk_find(block, "Set-Cookie") != std::string::npos) {
      cookies_rule_b(block, *args.received_cookies);
    }
  }
  return exchange.take_body();
}

std::string com_web_request(const std::string& url, RunControl* control) {
  ComRequestArgs args;
  args.url = url;
  args.control = control;
  return com_web_request(args);
}

}  // namespace picmove
