// Small helpers shared by the request tests.
#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <vector>

#include "support/local_http_server.h"

namespace picmove::test {

// The image Accept list the picture downloads must send, written out here on its own.
inline const std::string kImageAccept =
    "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*";

// The request line and header lines of a request, without line ends.
inline std::vector<std::string> head_lines(const HttpExchange& ex) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < ex.raw_head.size()) {
    std::size_t end = ex.raw_head.find("\r\n", pos);
    if (end == std::string::npos) end = ex.raw_head.size();
    lines.push_back(ex.raw_head.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

inline HttpReply reply_with(std::string body, HeaderList headers = {}) {
  HttpReply r;
  r.body = std::move(body);
  r.headers = std::move(headers);
  return r;
}

inline HttpReply redirect_to(std::string location, int status = 302) {
  HttpReply r;
  r.status = status;
  r.reason = "Found";
  r.headers = {{"Location", std::move(location)}};
  r.body = "moved";
  return r;
}

// A reply that keeps sending `pieces` pieces of `piece` bytes, `gap` apart.
inline HttpReply trickle(std::size_t pieces, std::size_t piece, std::chrono::milliseconds gap) {
  HttpReply r;
  r.body = std::string(pieces * piece, 'p');
  r.chunk_size = piece;
  r.chunk_delay = gap;
  return r;
}

// Runs `call` on a thread of its own and hands back its future.
inline std::future<std::string> run_async(std::function<std::string()> call) {
  return std::async(std::launch::async, std::move(call));
}

inline double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace picmove::test
