#include "run_fixture.h"

#include "transfer/picture.h"

namespace picmove::transfer_test {

std::string PictureHost::picture_for(const std::string& path) {
  if (path.rfind("/png/", 0) == 0) return std::string("\x89PNG\r\n\x1A\n\x00\x00", 10) + path;
  if (path.rfind("/tiff/", 0) == 0) return std::string("II*\x00\x08\x00\x00\x00", 8) + path;
  return jpeg_head() + path;
}

test::HttpReply PictureHost::answer(const test::HttpExchange& e) {
  const std::string path = e.target;
  int seen = 0;
  {
    std::lock_guard lock(mutex_);
    seen = ++counts_[path];
  }
  test::HttpReply reply;
  reply.headers = {{"Content-Type", "image/jpeg"}};
  auto starts = [&](const char* prefix) { return path.rfind(prefix, 0) == 0; };
  if (starts("/html")) {
    reply.body = "<html><body>shop</body></html>";
  } else if (starts("/e404")) {
    reply.status = 404;
    reply.reason = "Not Found";
    reply.body = "<html><title>404 Not Found</title></html>";
  } else if (starts("/empty")) {
    reply.body.clear();
  } else if (starts("/noinput")) {
    reply.body = "No input file specified.\n";
  } else if (starts("/placeholder")) {
    reply.body = std::string(placeholder_picture());
  } else if (starts("/reset")) {
    reply.reset_after = 0;
  } else if (starts("/flaky/")) {
    if (seen > 2) reply.body = picture_for(path);
  } else if (starts("/slow/")) {
    reply.delay_before = std::chrono::milliseconds(300);
    reply.body = picture_for(path);
  } else if (starts("/hang/")) {
    reply.never_answer = true;
  } else {
    reply.body = picture_for(path);
  }
  return reply;
}

void RunFixture::use_package(const std::string& text, const std::vector<std::string>& entries,
                             const std::filesystem::path& folder) {
  const std::filesystem::path where = folder.empty() ? dir.path() : folder;
  package.path = where / "shop.csv";
  package.directory = where;
  package.base_name = "shop";
  package.text = text;
  package.loaded = true;
  if (std::filesystem::is_directory(where)) test::write_bytes(package.path, text);
  list.assign(entries);
}

std::string RunFixture::local_path(const std::string& address, const std::string& bytes) const {
  return path_to_gbk(std::filesystem::absolute(package.picture_folder()) /
                     picture_file_name(address, bytes));
}

namespace {

bool is_date_time_prefix(const std::string& prefix) {
  if (prefix.size() < 8 || prefix[0] < '1' || prefix[0] > '9') return false;
  static const std::string units[] = {gbk("日"), gbk("时"), gbk("分"), gbk("秒")};
  for (const auto& unit : units) {
    if (prefix.compare(prefix.size() - unit.size(), unit.size(), unit) == 0) return true;
  }
  return false;
}

}  // namespace

int RunFixture::count_lines(const std::string& message) const {
  int n = 0;
  for (const auto& line : log.lines()) {
    if (line.size() > message.size() &&
        line.compare(line.size() - message.size(), message.size(), message) == 0 &&
        is_date_time_prefix(line.substr(0, line.size() - message.size()))) {
      ++n;
    }
  }
  return n;
}

int RunFixture::count_worker_lines(const std::string& rest) const {
  int n = 0;
  for (int j = 1; j <= 5; ++j) n += count_lines(G(" 线程：") + std::to_string(j) + rest);
  return n;
}

bool RunFixture::eventually(const std::function<bool()>& done) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < until) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return done();
}

}  // namespace picmove::transfer_test
