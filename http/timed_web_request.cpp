// The second attempt of a picture download: the exchange runs on a request thread of its own
// while the caller waits under an overall limit. The two threads share only a handoff record
// held by both through a shared_ptr, so an exchange the caller gave up on can finish (or be
// told to end) without ever touching the caller's data again.
#include "http/timed_web_request.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "http/cookies.h"
#include "http/curl_exchange.h"
#include "http/text_helpers.h"
#include "http/timed_request_threads.h"
#include "http/timed_url.h"

namespace picmove {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// The header block is read into a buffer of this size that starts out as spaces; a block that
// does not fit together with its terminating zero leaves the spaces as they are.
constexpr std::size_t kHeaderBuffer = 2048;

// How often a waiting caller looks at its run's pause and stop.
constexpr milliseconds kControlPoll{50};

std::atomic<int> running_threads{0};

struct Handoff {
  // Way in: copies, so that nothing of the caller is referenced.
  std::string url, verb, body_text, cookies, proxy, headers, user, password;
  bool want_cookies = false;
  bool want_headers = false;
  bool store_cookies = false;

  std::mutex mutex;
  std::condition_variable changed;
  // Set by the caller: mirrors the run's pause, and ends an exchange nobody waits for.
  bool paused = false;
  bool abandoned = false;
  // Way back, written whole under the mutex.
  bool finished = false;
  bool succeeded = false;
  std::string response_headers, received_cookies, body;
};

bool contains_ci(const std::string& text, std::string_view part) {
  return gbk_find(text, part, 0, true) != std::string_view::npos;
}

std::string without_spaces(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c != ' ') out += c;
  }
  return out;
}

void split_lines_into(const std::string& text, detail::CurlExchange& exchange) {
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    exchange.add_header_line(text.substr(pos, end - pos));
    pos = end + 2;
  }
}

// The request thread's whole work; the results go into the record at the very end.
void run_exchange(Handoff& h, milliseconds limit) {
  // The verb is recognised in any letter case and goes out as servers know it, upper-case.
  const std::string verb = detail::ascii_lower(h.verb) == "post"                    ? "POST"
                           : h.verb.empty() || detail::ascii_lower(h.verb) == "get" ? "GET"
                                                                                    : "";
  if (verb.empty()) return;  // neither GET nor POST: nothing is sent
  const detail::TimedUrl parts = detail::timed_url_parts(h.url);
  if (parts.refused) return;

  detail::CurlExchange exchange;
  if (!exchange.ok()) return;
  std::string address = "http://" + parts.host;
  if (parts.port != 0 && parts.port != 80) address += ":" + std::to_string(parts.port);
  address += detail::escape_for_request_line(parts.path);
  exchange.set_url(address);
  exchange.set_protocols("http");
  exchange.set_redirects(true);
  exchange.set_user_agent(kAgent);
  const std::string proxy = without_spaces(h.proxy);
  exchange.set_proxy(proxy);
  if (!without_spaces(h.user).empty()) {
    curl_easy_setopt(exchange.handle(), CURLOPT_USERNAME, h.user.c_str());
  }
  if (!without_spaces(h.password).empty()) {
    curl_easy_setopt(exchange.handle(), CURLOPT_PASSWORD, h.password.c_str());
  }
  // Only a backstop for a name lookup that hangs: the caller's limit is never longer.
  exchange.set_connect_limit(limit);
  exchange.set_hold([&h] {
    std::unique_lock lock(h.mutex);
    h.changed.wait(lock, [&h] { return !h.paused || h.abandoned; });
    return !h.abandoned;
  });

  // The cookie line goes to the request by itself, ahead of the header text. The process-wide
  // store joins in unless the caller's own cookies are meant to keep it out.
  const std::string cookies = trim_spaces(h.cookies);
  std::string cookie_line = cookies;
  if (cookies.empty() || h.store_cookies) {
    const std::string stored = cookie_store().cookies_for("http://" + parts.host);
    if (!stored.empty()) cookie_line += (cookie_line.empty() ? "" : "; ") + stored;
  }
  if (!cookie_line.empty()) exchange.add_header_line("Cookie: " + cookie_line);

  std::string text = h.headers;
  if (!contains_ci(text, "Accept: ")) text += std::string("Accept: ") + detail::kImageAccept + "\r\n";
  if (!contains_ci(text, "Referer: ")) text += "Referer: " + h.url + "\r\n";
  if (!contains_ci(text, "Accept-Language: ")) text += "Accept-Language: zh-cn\r\n";
  if (verb == "POST") {
    if (!h.body_text.empty()) {
      if (!contains_ci(text, "Content-Type: ")) {
        text += "Content-Type: application/x-www-form-urlencoded\r\n";
      }
      text += "Content-Length: " + std::to_string(h.body_text.size()) + "\r\n";
    } else if (!contains_ci(text, "Content-Type:")) {
      text += "Content-Type:\r\n";  // an empty POST carries no type of ours
    }
  }
  split_lines_into(text, exchange);
  exchange.set_request(verb, h.body_text, verb == "POST");

  if (!exchange.perform()) return;

  std::string block;
  std::string received;
  if (h.want_headers || h.want_cookies || h.store_cookies) {
    block.assign(kHeaderBuffer, ' ');
    if (exchange.header_block().size() < kHeaderBuffer) block = exchange.header_block();
    const bool sets_cookies = gbk_find(block, "Set-Cookie:") != std::string::npos;
    if (h.want_cookies && sets_cookies) cookies_rule_b(block, received);
    if (h.store_cookies && sets_cookies) store_received_cookies(block, parts.host);
    if (!h.want_headers) block.clear();
  }
  std::string body = exchange.take_body();

  std::lock_guard lock(h.mutex);
  h.succeeded = true;
  h.response_headers = std::move(block);
  h.received_cookies = std::move(received);
  h.body = std::move(body);
}

void request_thread(std::shared_ptr<Handoff> h, milliseconds limit) {
  run_exchange(*h, limit);
  {
    std::lock_guard lock(h->mutex);
    h->finished = true;
  }
  h->changed.notify_all();
  running_threads.fetch_sub(1);
}

// Waits for the request thread. Paused time does not count against the limit, and a stop
// ends the wait at once. False when the exchange did not finish in time.
bool wait_for_exchange(Handoff& h, milliseconds limit, RunControl* control) {
  std::unique_lock lock(h.mutex);
  if (control == nullptr) {
    return h.changed.wait_for(lock, limit, [&h] { return h.finished; });
  }
  milliseconds waited{0};
  while (!h.finished) {
    if (control->stopped()) return false;
    const bool paused = control->paused();
    if (paused != h.paused) {
      h.paused = paused;
      h.changed.notify_all();
    }
    if (!paused && waited >= limit) return false;
    const milliseconds slice = paused ? kControlPoll : std::min(kControlPoll, limit - waited);
    const auto before = Clock::now();
    h.changed.wait_for(lock, slice);
    if (!paused) waited += std::chrono::duration_cast<milliseconds>(Clock::now() - before);
  }
  return true;
}

}  // namespace

namespace detail {

int timed_request_threads_running() { return running_threads.load(); }

}  // namespace detail

std::string timed_web_request(const TimedRequestArgs& args) {
  if (args.control != nullptr && !args.control->pass_gate()) return {};

  auto h = std::make_shared<Handoff>();
  h->url = args.url;
  h->verb = args.verb;
  h->body_text = args.body_text;
  h->cookies = args.cookies;
  h->want_cookies = args.received_cookies != nullptr;
  h->proxy = args.proxy;
  h->headers = args.headers;
  h->user = args.user;
  h->password = args.password;
  h->want_headers = args.response_headers != nullptr;
  h->store_cookies = args.store_cookies;

  const milliseconds limit(1000L * (args.timeout_seconds > 0 ? args.timeout_seconds : 90));
  running_threads.fetch_add(1);
  try {
    std::thread(request_thread, h, limit).detach();
  } catch (const std::system_error&) {
    running_threads.fetch_sub(1);
    return {};
  }

  if (!wait_for_exchange(*h, limit, args.control)) {
    // Nobody waits any more: the exchange ends at its next progress call and the thread
    // releases its handle and the record by itself.
    {
      std::lock_guard lock(h->mutex);
      h->abandoned = true;
    }
    h->changed.notify_all();
    return {};
  }

  std::lock_guard lock(h->mutex);
  if (!h->succeeded) return {};
  if (args.response_headers != nullptr) *args.response_headers = std::move(h->response_headers);
  if (args.received_cookies != nullptr) *args.received_cookies = std::move(h->received_cookies);
  return std::move(h->body);
}

std::string timed_web_request(const std::string& url, RunControl* control) {
  TimedRequestArgs args;
  args.url = url;
  args.control = control;
  return timed_web_request(args);
}

}  // namespace picmove
