// Fetches the same pictures twice from one local server: with five threads through
// com_web_request, as a run's workers do, and with curl --parallel --parallel-max 5. Prints the
// wall time of each (best of several rounds) and their ratio.
//
//   picmove_bench_http [PICTURES] [ROUNDS]      (defaults 2000 and 3)
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "http/com_web_request.h"
#include "support/local_http_server.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Pictures of 5 to 50 KB that start like a JPEG file.
std::vector<std::string> make_pictures(int count) {
  std::mt19937 random(20240305);
  std::uniform_int_distribution<int> size(5 * 1024, 50 * 1024);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<std::string> pictures;
  for (int i = 0; i < count; ++i) {
    std::string p(static_cast<std::size_t>(size(random)), '\0');
    for (char& c : p) c = static_cast<char>(byte(random));
    p[0] = '\xFF';
    p[1] = '\xD8';
    pictures.push_back(std::move(p));
  }
  return pictures;
}

// Five workers claim pictures with one counter, as the run's workers claim rows.
double fetch_with_picmove(const std::vector<std::string>& urls, std::size_t expected_bytes) {
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> bytes{0};
  std::atomic<int> failures{0};
  const auto start = Clock::now();
  std::vector<std::thread> workers;
  for (int w = 0; w < 5; ++w) {
    workers.emplace_back([&] {
      for (std::size_t i = next++; i < urls.size(); i = next++) {
        const std::string body = picmove::com_web_request(urls[i]);
        if (body.empty()) ++failures;
        bytes += body.size();
      }
    });
  }
  for (auto& w : workers) w.join();
  const double took = seconds_since(start);
  if (failures != 0 || bytes != expected_bytes) {
    std::fprintf(stderr, "picmove: %d failures, %zu of %zu bytes\n", failures.load(), bytes.load(),
                 expected_bytes);
  }
  return took;
}

double fetch_with_curl(const std::string& config) {
  const std::string command =
      "curl --silent --no-progress-meter --fail --parallel --parallel-max 5 --config " + config;
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  const double took = seconds_since(start);
  if (status != 0) std::fprintf(stderr, "curl exited with %d\n", status);
  return took;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  const std::vector<std::string> pictures = make_pictures(count);
  std::size_t total = 0;
  for (const auto& p : pictures) total += p.size();

  picmove::test::LocalHttpServer server([&](const picmove::test::HttpExchange& ex) {
    picmove::test::HttpReply reply;
    const std::size_t index = std::strtoul(ex.target.c_str() + 3, nullptr, 10);  // "/p/N.jpg"
    if (index < pictures.size()) {
      reply.headers = {{"Content-Type", "image/jpeg"}};
      reply.body = pictures[index];
    } else {
      reply.status = 404;
      reply.reason = "Not Found";
    }
    return reply;
  });

  std::vector<std::string> urls;
  const std::string config = "/tmp/picmove-bench-http-" + std::to_string(::getpid()) + ".cfg";
  {
    std::ofstream out(config);
    for (int i = 0; i < count; ++i) {
      urls.push_back(server.base_url() + "/p/" + std::to_string(i) + ".jpg");
      out << "url = \"" << urls.back() << "\"\noutput = \"/dev/null\"\n";
    }
  }

  double best_picmove = 1e9;
  double best_curl = 1e9;
  for (int r = 0; r < rounds; ++r) {
    best_picmove = std::min(best_picmove, fetch_with_picmove(urls, total));
    best_curl = std::min(best_curl, fetch_with_curl(config));
  }
  std::remove(config.c_str());

  std::printf("pictures %d, %.1f MB, best of %d rounds\n", count, total / 1e6, rounds);
  std::printf("picmove com_web_request, 5 threads: %.3f s\n", best_picmove);
  std::printf("curl --parallel --parallel-max 5:   %.3f s\n", best_curl);
  std::printf("ratio picmove / curl:               %.2f\n", best_picmove / best_curl);
  return 0;
}
