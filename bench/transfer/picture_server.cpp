// Serves a JPEG-looking body of a fixed size for every path on 127.0.0.1, different per path.
// Prints the port on stdout, then serves until stdin is closed.
//   picmove_bench_picture_server [BYTES]
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>

#include "support/local_http_server.h"

int main(int argc, char** argv) {
  const std::size_t size = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 30000;
  picmove::test::LocalHttpServer server([size](const picmove::test::HttpExchange& e) {
    picmove::test::HttpReply reply;
    reply.headers = {{"Content-Type", "image/jpeg"}};
    std::string body("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11);
    const std::size_t seed = std::hash<std::string>{}(e.target);
    body.reserve(size);
    for (std::size_t i = 0; body.size() < size; ++i) {
      body += static_cast<char>((seed >> (i % 7 * 8)) + i * 31);
    }
    body.resize(size);
    reply.body = std::move(body);
    return reply;
  });
  std::cout << server.port() << std::endl;
  std::string ignored;
  while (std::getline(std::cin, ignored)) {
  }
  return 0;
}
