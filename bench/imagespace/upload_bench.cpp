// Uploads a package of N pictures with picmove-cli run --upload into the fake image-space
// service on 127.0.0.1 and compares the wall time with the floor the service's pace sets:
// two workers, at least 1.4 s per upload, so ceil(N / 2) * 1.4 s.
//   picmove_bench_upload [N=20] [SERVICE_DELAY_MS=100] [PICTURE_KB=50]
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "package/gbk.h"
#include "support/fake_image_space.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
  using namespace picmove;
  const int count = argc > 1 ? std::atoi(argv[1]) : 20;
  const int delay_ms = argc > 2 ? std::atoi(argv[2]) : 100;
  const int picture_kb = argc > 3 ? std::atoi(argv[3]) : 50;
  if (count <= 0 || delay_ms < 0 || picture_kb <= 0) {
    std::fprintf(stderr, "usage: picmove_bench_upload [N] [SERVICE_DELAY_MS] [PICTURE_KB]\n");
    return 2;
  }

  const std::string picture =
      std::string("\xFF\xD8\xFF\xE0", 4) + std::string(picture_kb * 1024, 'j');
  test::LocalHttpServer pictures([&](const test::HttpExchange&) {
    test::HttpReply reply;
    reply.body = picture;
    return reply;
  });
  test::FakeImageSpaceService service;
  service.set_upload_delay(std::chrono::milliseconds(delay_ms));

  test::TempDir dir;
  std::string text = "version 1.00\r\ntitle\r\n";
  for (int i = 0; i < count; ++i) {
    text += "\"<img src=\"\"" + pictures.base_url() + "/p/" + std::to_string(i) + ".jpg\"\">\"\r\n";
  }
  test::write_bytes(dir / "shop.csv", text);
  test::write_bytes(dir / "options.ini", service.service_section());
  test::write_bytes(dir / "cookies.txt", "cookie2=good; _tb_token_=tok123");

  const std::string command = std::string(PICMOVE_BINARY_DIR) + "/bin/picmove-cli run '" +
                              (dir / "shop.csv").string() + "' --options '" +
                              (dir / "options.ini").string() + "' --upload --cookies '" +
                              (dir / "cookies.txt").string() + "' --folder-id 1001 2>/dev/null";
  const auto start = std::chrono::steady_clock::now();
  const int status = std::system(command.c_str());
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);

  const double floor = ((count + 1) / 2) * 1.4;
  std::printf("pictures=%d service_delay_ms=%d picture_kb=%d exit=%d uploads=%d\n", count,
              delay_ms, picture_kb, WIFEXITED(status) ? WEXITSTATUS(status) : -1,
              service.uploads());
  std::printf("wall_s=%.2f floor_s=%.2f ratio=%.3f cpu_s=%.2f peak_rss_mb=%.1f\n", seconds, floor,
              seconds / floor,
              usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6,
              usage.ru_maxrss / 1024.0);
  return status == 0 && service.uploads() == count ? 0 : 1;
}
