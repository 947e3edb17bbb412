// A small HTTP/1.1 server on 127.0.0.1 for tests and benchmarks: one thread per
// connection, one exchange per connection ("Connection: close"), scripted replies.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace picmove::test {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// One request as it arrived on the wire.
struct HttpExchange {
  std::string raw_head;  // request line and header lines exactly as received, up to the blank line
  std::string method;
  std::string target;    // as in the request line (path and query, or an absolute URL via a proxy)
  HeaderList headers;    // in arrival order, names as sent
  std::string body;      // by Content-Length (or chunked, decoded)

  // First header value whose name matches case-insensitively; empty when absent.
  std::string header(const std::string& name) const;
  bool has_header(const std::string& name) const;
};

// What the server does with one request.
struct HttpReply {
  int status = 200;
  std::string reason = "OK";
  HeaderList headers;  // Content-Length and Connection: close are added unless given
  std::string body;
  std::string raw;     // when non-empty: sent byte for byte instead of status/headers/body

  std::chrono::milliseconds delay_before{0};  // wait before the first byte
  std::size_t chunk_size = 0;                 // > 0: send in pieces of this size ...
  std::chrono::milliseconds chunk_delay{0};   // ... with this pause between them
  bool never_answer = false;                  // hold the connection silently until the server stops
  std::size_t reset_after = static_cast<std::size_t>(-1);  // abort the connection (RST) after so many bytes
};

class LocalHttpServer {
 public:
  using Handler = std::function<HttpReply(const HttpExchange&)>;

  explicit LocalHttpServer(Handler handler);
  ~LocalHttpServer();  // stops accepting, wakes every waiting reply, joins all threads
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  int port() const;
  std::string base_url() const;  // "http://127.0.0.1:<port>"
  std::vector<HttpExchange> exchanges() const;  // every request received so far, in order
  std::size_t connection_count() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace picmove::test
