#include "http/curl_exchange.h"

#include <mutex>

#include "http/web_request.h"

namespace picmove::detail {

namespace {

void init_curl_once() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool has_header_named(const std::vector<std::string>& lines, const std::string& name) {
  const std::string wanted = ascii_lower(name) + ":";
  for (const std::string& line : lines) {
    if (ascii_lower(line.substr(0, wanted.size())) == wanted) return true;
  }
  return false;
}

}  // namespace

std::string ascii_lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string escape_for_request_line(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(path.size());
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

CurlExchange::CurlExchange() : max_body_(kMaxBodyBytes) {
  init_curl_once();
  handle_ = curl_easy_init();
  if (handle_ == nullptr) return;
  CURL* h = handle_;
  // Worker threads must never be hit by a signal from a name lookup time-out.
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  // HTTP/1.1 keeps header names as the server wrote them; the cookie rules look for the exact
  // spelling "Set-Cookie", which HTTP/2 would deliver in lower case.
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  // Certificates and host names are checked (libcurl's default, stated here on purpose).
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  // Expands gzip, deflate (and whatever else libcurl knows) before the body reaches us, so the
  // cap counts expanded bytes. The request does not advertise it: see perform().
  curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CurlExchange::on_body);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CurlExchange::on_header);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CurlExchange::on_progress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
}

CurlExchange::~CurlExchange() {
  if (handle_ != nullptr) curl_easy_cleanup(handle_);
  if (header_list_ != nullptr) curl_slist_free_all(header_list_);
}

void CurlExchange::set_protocols(const char* protocols) {
  curl_easy_setopt(handle_, CURLOPT_PROTOCOLS_STR, protocols);
  curl_easy_setopt(handle_, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
}

void CurlExchange::set_url(const std::string& url) {
  curl_easy_setopt(handle_, CURLOPT_URL, url.c_str());
}

void CurlExchange::set_redirects(bool follow) {
  curl_easy_setopt(handle_, CURLOPT_FOLLOWLOCATION, follow ? 1L : 0L);
  curl_easy_setopt(handle_, CURLOPT_MAXREDIRS, 10L);
}

void CurlExchange::set_proxy(const std::string& proxy) {
  if (proxy.empty()) return;  // libcurl then honours http_proxy / https_proxy / no_proxy
  const std::string address = proxy.find("://") == std::string::npos ? "http://" + proxy : proxy;
  curl_easy_setopt(handle_, CURLOPT_PROXY, address.c_str());
}

void CurlExchange::set_user_agent(const std::string& agent) {
  curl_easy_setopt(handle_, CURLOPT_USERAGENT, agent.c_str());
}

void CurlExchange::add_header_line(const std::string& line) {
  if (!line.empty()) header_lines_.push_back(line);
}

void CurlExchange::set_request(const std::string& verb, std::string body, bool send_body) {
  request_body_ = std::move(body);
  CURL* h = handle_;
  if (verb == "HEAD") {
    // libcurl sends no body with HEAD, and none is read after it.
    curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    return;
  }
  if (send_body) {
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request_body_.size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, request_body_.data());
    if (verb != "POST") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb.c_str());
  } else if (verb != "GET") {
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb.c_str());
  }
}

void CurlExchange::set_connect_limit(std::chrono::milliseconds limit) {
  curl_easy_setopt(handle_, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limit.count()));
}

bool CurlExchange::perform() {
  // libcurl would add "Expect: 100-continue" to larger bodies and wait for the server's go;
  // the requests of this system never carry it.
  if (!has_header_named(header_lines_, "Expect")) header_lines_.push_back("Expect:");
  // Decoding is on, but advertising it would change the request headers this system fixes;
  // a server that compresses anyway is still understood. A caller's own line wins.
  if (!has_header_named(header_lines_, "Accept-Encoding")) {
    header_lines_.push_back("Accept-Encoding:");
  }
  for (const std::string& line : header_lines_) {
    curl_slist* grown = curl_slist_append(header_list_, line.c_str());
    if (grown == nullptr) return false;
    header_list_ = grown;
  }
  curl_easy_setopt(handle_, CURLOPT_HTTPHEADER, header_list_);
  last_activity_ = std::chrono::steady_clock::now();
  result_ = curl_easy_perform(handle_);
  if (result_ != CURLE_OK) body_.clear();
  return result_ == CURLE_OK;
}

std::size_t CurlExchange::on_body(char* data, std::size_t size, std::size_t count, void* self) {
  auto* ex = static_cast<CurlExchange*>(self);
  const std::size_t n = size * count;
  if (n > ex->max_body_ - ex->body_.size()) {
    ex->too_large_ = true;
    ex->body_.clear();
    return 0;  // libcurl ends the transfer with a write error
  }
  ex->body_.append(data, n);
  ex->last_activity_ = std::chrono::steady_clock::now();
  return n;
}

std::size_t CurlExchange::on_header(char* data, std::size_t size, std::size_t count, void* self) {
  auto* ex = static_cast<CurlExchange*>(self);
  const std::size_t n = size * count;
  // Every response of a redirect chain (and a proxy's tunnel answer, and an interim 100)
  // starts with a status line; only the last response's block is kept.
  if (n >= 5 && std::string_view(data, 5) == "HTTP/") ex->header_block_.clear();
  ex->header_block_.append(data, n);
  ex->response_seen_ = true;
  ex->last_activity_ = std::chrono::steady_clock::now();
  return n;
}

int CurlExchange::on_progress(void* self, curl_off_t, curl_off_t dlnow, curl_off_t,
                              curl_off_t ulnow) {
  auto* ex = static_cast<CurlExchange*>(self);
  using Clock = std::chrono::steady_clock;
  if (ex->hold_) {
    const auto before = Clock::now();
    if (!ex->hold_()) return 1;  // aborts the transfer
    // Time spent paused is nobody's stall.
    ex->last_activity_ += Clock::now() - before;
  }
  const curl_off_t moved = dlnow + ulnow;
  if (moved != ex->last_moved_) {
    ex->last_moved_ = moved;
    ex->last_activity_ = Clock::now();
  }
  if (ex->stall_limit_.count() > 0 && Clock::now() - ex->last_activity_ > ex->stall_limit_) {
    return 1;
  }
  return 0;
}

}  // namespace picmove::detail
