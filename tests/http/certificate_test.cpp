// A secure address whose certificate cannot be verified yields an empty body: nothing is
// silently downgraded. The server is `openssl s_server` on 127.0.0.1 with a self-signed
// certificate made for the test.
#include <arpa/inet.h>
#include <curl/curl.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "http/com_web_request.h"
#include "http/web_request.h"

namespace picmove {
namespace {

int free_local_port() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t len = sizeof addr;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  ::close(fd);
  return ntohs(addr.sin_port);
}

bool accepts_connections(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(fd);
  return ok;
}

std::size_t collect(char* data, std::size_t size, std::size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

class SelfSignedServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v openssl >/dev/null 2>&1") != 0) GTEST_SKIP() << "no openssl";
    char dir_template[] = "/tmp/picmove-tls-XXXXXX";
    ASSERT_NE(::mkdtemp(dir_template), nullptr);
    dir_ = dir_template;
    const std::string make_cert =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
        "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout " +
        dir_ + "/key.pem -out " + dir_ + "/cert.pem >/dev/null 2>&1";
    ASSERT_EQ(std::system(make_cert.c_str()), 0);

    port_ = free_local_port();
    const std::string accept = "127.0.0.1:" + std::to_string(port_);
    const std::string cert = dir_ + "/cert.pem";
    const std::string key = dir_ + "/key.pem";
    pid_ = ::fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      const int null_fd = ::open("/dev/null", O_RDWR);
      ::dup2(null_fd, 0);
      ::dup2(null_fd, 1);
      ::dup2(null_fd, 2);
      ::execlp("openssl", "openssl", "s_server", "-accept", accept.c_str(), "-cert", cert.c_str(),
               "-key", key.c_str(), "-www", "-quiet", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    for (int i = 0; i < 100 && !accepts_connections(port_); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(accepts_connections(port_));
  }

  void TearDown() override {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }

  std::string url() const { return "https://127.0.0.1:" + std::to_string(port_) + "/"; }

  std::string dir_;
  int port_ = 0;
  pid_t pid_ = -1;
};

TEST_F(SelfSignedServer, UnverifiedCertificateIsAnEmptyBody) {
  // The server itself answers: without the check, a page comes back.
  std::string unchecked;
  CURL* h = curl_easy_init();
  curl_easy_setopt(h, CURLOPT_URL, url().c_str());
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 0L);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &collect);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &unchecked);
  curl_easy_perform(h);
  curl_easy_cleanup(h);
  ASSERT_FALSE(unchecked.empty());

  std::string headers = "before";
  EXPECT_EQ(web_request({.url = url(), .response_headers = &headers}), "");
  EXPECT_EQ(headers, std::string(5000, ' '));
  ComRequestArgs args;
  args.url = url();
  args.timeout_seconds = 5;
  EXPECT_EQ(com_web_request(args), "");
}

}  // namespace
}  // namespace picmove
