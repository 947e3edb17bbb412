// The test server: a listening socket on 127.0.0.1 with an ephemeral port, an accept thread,
// and one thread per connection that reads one request, asks the handler for the reply and
// plays it out (delays, pieces, silence, reset) before closing the connection.
#include "support/local_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <list>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

namespace picmove::test {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

// Sends everything; false when the peer is gone or the server shut the socket down.
bool send_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

}  // namespace

std::string HttpExchange::header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (same_name(key, name)) return value;
  }
  return {};
}

bool HttpExchange::has_header(const std::string& name) const {
  return std::any_of(headers.begin(), headers.end(),
                     [&](const auto& h) { return same_name(h.first, name); });
}

struct LocalHttpServer::Impl {
  Handler handler;
  int listen_fd = -1;
  int port = 0;

  mutable std::mutex mutex;
  std::condition_variable stopping_cv;  // wakes delayed and silent replies
  bool stopping = false;
  std::vector<HttpExchange> exchanges;
  std::size_t connections = 0;
  std::set<int> open_fds;

  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::list<Worker> workers;  // touched by the accept thread and the destructor only
  std::thread acceptor;

  // Waits up to `duration`; false when the server is stopping.
  bool wait(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex);
    return !stopping_cv.wait_for(lock, duration, [this] { return stopping; });
  }

  void wait_until_stopping() {
    std::unique_lock lock(mutex);
    stopping_cv.wait(lock, [this] { return stopping; });
  }

  void accept_loop() {
    for (;;) {
      const int fd = ::accept(listen_fd, nullptr, nullptr);
      if (fd < 0) {
        if (errno == EINTR || errno == ECONNABORTED) continue;
        return;  // the listening socket was shut down
      }
      reap_finished_workers();
      {
        std::lock_guard lock(mutex);
        if (stopping) {
          ::close(fd);
          return;
        }
        ++connections;
        open_fds.insert(fd);
      }
      auto done = std::make_shared<std::atomic<bool>>(false);
      workers.push_back(Worker{std::thread([this, fd, done] {
                                 serve(fd);
                                 done->store(true);
                               }),
                               done});
    }
  }

  // Keeps the thread list short during long benchmark runs.
  void reap_finished_workers() {
    for (auto it = workers.begin(); it != workers.end();) {
      if (it->done->load()) {
        it->thread.join();
        it = workers.erase(it);
      } else {
        ++it;
      }
    }
  }

  void forget(int fd) {
    std::lock_guard lock(mutex);
    open_fds.erase(fd);
  }

  // Reads until `buffer` holds at least `size` bytes; false on end of stream.
  static bool read_at_least(int fd, std::string& buffer, std::size_t size) {
    char chunk[16384];
    while (buffer.size() < size) {
      const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      buffer.append(chunk, static_cast<std::size_t>(got));
    }
    return true;
  }

  static bool read_until(int fd, std::string& buffer, const std::string& marker, std::size_t from,
                         std::size_t& found) {
    char chunk[16384];
    for (;;) {
      found = buffer.find(marker, from);
      if (found != std::string::npos) return true;
      const ssize_t got = ::recv(fd, chunk, sizeof chunk, 0);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      buffer.append(chunk, static_cast<std::size_t>(got));
    }
  }

  // Reads one request; false when the client went away before it was complete.
  static bool read_request(int fd, HttpExchange& ex) {
    std::string buffer;
    std::size_t head_end = 0;
    if (!read_until(fd, buffer, "\r\n\r\n", 0, head_end)) return false;
    ex.raw_head = buffer.substr(0, head_end + 2);

    std::size_t line_end = ex.raw_head.find("\r\n");
    const std::string request_line = ex.raw_head.substr(0, line_end);
    const auto sp1 = request_line.find(' ');
    const auto sp2 = request_line.rfind(' ');
    ex.method = request_line.substr(0, sp1);
    if (sp1 != std::string::npos && sp2 > sp1)
      ex.target = request_line.substr(sp1 + 1, sp2 - sp1 - 1);

    std::size_t pos = line_end + 2;
    while (pos < ex.raw_head.size()) {
      line_end = ex.raw_head.find("\r\n", pos);
      const std::string line = ex.raw_head.substr(pos, line_end - pos);
      pos = line_end + 2;
      const auto colon = line.find(':');
      if (colon == std::string::npos) {
        ex.headers.emplace_back(line, std::string());
      } else {
        ex.headers.emplace_back(line.substr(0, colon), trim(line.substr(colon + 1)));
      }
    }

    std::string rest = buffer.substr(head_end + 4);
    if (same_name(ex.header("Expect"), "100-continue")) {
      const std::string go = "HTTP/1.1 100 Continue\r\n\r\n";
      if (!send_all(fd, go.data(), go.size())) return false;
    }
    if (same_name(ex.header("Transfer-Encoding"), "chunked")) {
      std::size_t at = 0;
      for (;;) {
        std::size_t size_end = 0;
        if (!read_until(fd, rest, "\r\n", at, size_end)) return false;
        const std::size_t size = std::stoul(rest.substr(at, size_end - at), nullptr, 16);
        at = size_end + 2;
        if (!read_at_least(fd, rest, at + size + 2)) return false;
        if (size == 0) break;
        ex.body.append(rest, at, size);
        at += size + 2;
      }
    } else if (ex.has_header("Content-Length")) {
      const std::size_t length = std::stoul(ex.header("Content-Length"));
      if (!read_at_least(fd, rest, length)) return false;
      ex.body = rest.substr(0, length);
    }
    return true;
  }

  static std::string serialise(const HttpReply& reply) {
    if (!reply.raw.empty()) return reply.raw;
    bool has_length = false;
    bool has_connection = false;
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\n";
    for (const auto& [name, value] : reply.headers) {
      has_length = has_length || same_name(name, "Content-Length");
      has_connection = has_connection || same_name(name, "Connection");
      out += name + ": " + value + "\r\n";
    }
    if (!has_length) out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    if (!has_connection) out += "Connection: close\r\n";
    out += "\r\n";
    out += reply.body;
    return out;
  }

  void serve(int fd) {
    HttpExchange ex;
    const bool complete = read_request(fd, ex);
    if (complete) {
      {
        std::lock_guard lock(mutex);
        exchanges.push_back(ex);
      }
      HttpReply reply;
      try {
        reply = handler(ex);
      } catch (...) {
        reply = HttpReply{};
        reply.status = 500;
        reply.reason = "Handler Failed";
      }
      play(fd, reply);
    }
    forget(fd);
    ::close(fd);
  }

  void play(int fd, const HttpReply& reply) {
    if (reply.never_answer) {
      wait_until_stopping();
      return;
    }
    if (reply.delay_before.count() > 0 && !wait(reply.delay_before)) return;

    const std::string bytes = serialise(reply);
    const std::size_t limit = std::min(bytes.size(), reply.reset_after);
    const std::size_t piece = reply.chunk_size > 0 ? reply.chunk_size : limit;
    std::size_t sent = 0;
    while (sent < limit) {
      const std::size_t n = std::min(piece, limit - sent);
      if (!send_all(fd, bytes.data() + sent, n)) return;
      sent += n;
      if (sent < limit && reply.chunk_size > 0 && reply.chunk_delay.count() > 0 &&
          !wait(reply.chunk_delay)) {
        return;
      }
    }
    if (reply.reset_after < bytes.size()) {
      // A zero linger time makes close() send RST instead of an orderly end of stream.
      linger hard{1, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
      return;
    }
    // Orderly end: tell the client nothing more comes, then drain what it still sends so
    // that closing does not turn into a reset that could swallow the reply's tail.
    ::shutdown(fd, SHUT_WR);
    char sink[4096];
    timeval tv{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    while (::recv(fd, sink, sizeof sink, 0) > 0) {
    }
  }
};

LocalHttpServer::LocalHttpServer(Handler handler) : impl_(std::make_unique<Impl>()) {
  impl_->handler = std::move(handler);
  impl_->listen_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (impl_->listen_fd < 0) throw std::runtime_error("socket failed");
  const int yes = 1;
  ::setsockopt(impl_->listen_fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (::bind(impl_->listen_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(impl_->listen_fd, 128) != 0) {
    ::close(impl_->listen_fd);
    throw std::runtime_error("bind/listen on 127.0.0.1 failed");
  }
  socklen_t len = sizeof addr;
  ::getsockname(impl_->listen_fd, reinterpret_cast<sockaddr*>(&addr), &len);
  impl_->port = ntohs(addr.sin_port);
  impl_->acceptor = std::thread([impl = impl_.get()] { impl->accept_loop(); });
}

LocalHttpServer::~LocalHttpServer() {
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
    // Wakes every connection thread blocked in recv or send.
    for (const int fd : impl_->open_fds) ::shutdown(fd, SHUT_RDWR);
  }
  impl_->stopping_cv.notify_all();
  ::shutdown(impl_->listen_fd, SHUT_RDWR);  // wakes accept()
  impl_->acceptor.join();
  ::close(impl_->listen_fd);
  for (auto& worker : impl_->workers) worker.thread.join();
}

int LocalHttpServer::port() const { return impl_->port; }

std::string LocalHttpServer::base_url() const {
  return "http://127.0.0.1:" + std::to_string(impl_->port);
}

std::vector<HttpExchange> LocalHttpServer::exchanges() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->exchanges;
}

std::size_t LocalHttpServer::connection_count() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->connections;
}

}  // namespace picmove::test
