// picmove-cli as scripts use it: arguments, exit status, stdout and stderr.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <algorithm>
#include <fcntl.h>
#include <string>
#include <vector>

#include "package/gbk.h"
#include "support/fake_image_space.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"

namespace picmove {
namespace {

using test::HttpExchange;
using test::HttpReply;
using test::LocalHttpServer;
using test::read_bytes;
using test::TempDir;
using test::write_bytes;

struct CliResult {
  int status = -1;
  std::string out, err;
};

std::string quoted(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

CliResult run_cli(const TempDir& dir, const std::string& args) {
  const std::string cli = std::string(PICMOVE_BINARY_DIR) + "/bin/picmove-cli";
  const auto out = dir / "stdout.txt", err = dir / "stderr.txt";
  const std::string command = quoted(cli) + " " + args + " >" + quoted(out.string()) + " 2>" +
                              quoted(err.string()) + " </dev/null";
  const int raw = std::system(command.c_str());
  CliResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = read_bytes(out);
  result.err = read_bytes(err);
  return result;
}

// A GBK package in the shop's layout with two description pictures, a link and a main picture.
std::string package_text(const std::string& base) {
  return gbk("version 1.00\r\ntitle\tdescription\tpicture\r\n宝贝名称\t宝贝描述\t新图片\r\n"
             "\"衬衫\"\t\"<p><img src=\"\"" + base + "/ok/a.jpg\"\"><a href=\"\"http://shop/x\"\">看</a>"
             "<img src=\"\"" + base + "/missing/b.jpg\"\"></p>\"\t"
             "\"0123456789abcdef0123456789abcdef:1:0:|" + base + "/main/m.jpg;\"\r\n");
}

HttpReply picture_reply(const HttpExchange& exchange) {
  HttpReply reply;
  if (exchange.target.rfind("/ok/", 0) == 0) {
    reply.body = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(200, 'j');
  } else {
    reply.status = 404;
    reply.reason = "Not Found";
    reply.body = "<html>404 Not Found</html>";
  }
  return reply;
}

TEST(CliUsage, MistakesGiveStatusTwoAndOneLine) {
  TempDir dir;
  const char* cases[] = {"", "frobnicate x.csv", "list", "list a.csv b.csv",
                         "list a.csv --bogus", "run a.csv --policy 5", "run a.csv --links sometimes",
                         "run a.csv --options", "run a.csv --upload",
                         "run a.csv --upload --cookies c.txt",
                         "run a.csv --cookies c.txt --folder-id 1",
                         "run a.csv --upload --cookies c.txt --folder-id '1&isPublic=true'",
                         "folders", "folders --options o.ini"};
  for (const char* args : cases) {
    SCOPED_TRACE(args);
    const CliResult r = run_cli(dir, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(r.err.empty());
    EXPECT_TRUE(r.out.empty());
  }
}

TEST(CliList, PrintsEntriesInUtf8AndTheLogOnStderr) {
  LocalHttpServer server(picture_reply);
  TempDir dir;
  write_bytes(dir / "shop.csv", package_text(server.base_url()));
  const CliResult r = run_cli(dir, quoted((dir / "shop.csv").string()));
  ASSERT_EQ(r.status, 2) << "a path alone is no command";

  const CliResult listed = run_cli(dir, "list " + quoted((dir / "shop.csv").string()));
  ASSERT_EQ(listed.status, 0) << listed.err;
  const std::string base = server.base_url();
  EXPECT_EQ(listed.out, "\"" + base + "/ok/a.jpg\n\"" + base + "/missing/b.jpg\n#" +
                            "0123456789abcdef0123456789abcdef:1:0:|" + base + "/main/m.jpg\n");
  EXPECT_NE(listed.err.find("开始提取待处理图片地址"), std::string::npos);
  EXPECT_NE(listed.err.find("读取成功，成功提取了：  3  张不重复待处理图片"), std::string::npos);
  // Listing reads only: the package and its folder stay as they were.
  EXPECT_EQ(read_bytes(dir / "shop.csv"), package_text(base));
  EXPECT_TRUE(server.exchanges().empty());
}

TEST(CliList, UnreadablePackageIsAnError) {
  TempDir dir;
  const CliResult r = run_cli(dir, "list " + quoted((dir / "absent.csv").string()));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("absent.csv"), std::string::npos);
}

TEST(CliRun, StoresPicturesRewritesAndReportsTotals) {
  LocalHttpServer server(picture_reply);
  TempDir dir;
  const auto package = dir / "shop.csv";
  write_bytes(package, package_text(server.base_url()));
  // The main picture comes from the package's own folder, not from the network.
  std::filesystem::create_directory(dir / "shop");
  write_bytes(dir / "shop" / "0123456789abcdef0123456789abcdef.tbi",
              std::string("\xFF\xD8\xFF\xE0", 4) + "main picture");
  // An options file of our own keeps the test away from anything next to the program.
  write_bytes(dir / "options.ini", "[DL_PIC]\r\nfall=1\r\n");

  const CliResult r = run_cli(dir, "run " + quoted(package.string()) + " --options " +
                                       quoted((dir / "options.ini").string()) +
                                       " --policy 2 --backup --links remove");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "下载总数： 3\n成功下载： 2\n下载失败： 1\n"
                   "按搬家配置，下载失败的图片已被置空，文件已处理成功！\n");
  EXPECT_NE(r.err.find("文件保存成功！"), std::string::npos);

  const std::string saved = gbk_to_utf8(read_bytes(package));
  const auto folder = dir / (std::string("shop") + "描述图片");
  EXPECT_NE(saved.find("\"FILE:///" + folder.string().substr(1) + "/"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("/missing/b.jpg"), std::string::npos) << "policy 2 deletes the failed address";
  EXPECT_EQ(saved.find("<a "), std::string::npos) << "links removed";
  EXPECT_NE(saved.find("看"), std::string::npos) << "the linked text stays";

  int stored = 0, backups = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    EXPECT_EQ(entry.path().extension(), ".jpg");
    ++stored;
  }
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    if (name.find("备份.csv") != std::string::npos) {
      ++backups;
      EXPECT_EQ(read_bytes(entry.path()), package_text(server.base_url()));
    }
  }
  EXPECT_EQ(stored, 2);
  EXPECT_EQ(backups, 1);
}

TEST(CliRun, EmptyListWithoutLinkOptionLeavesTheFileAlone) {
  TempDir dir;
  const std::string text = gbk("version 1.00\r\ntitle\r\n\"无图\"\r\n");
  write_bytes(dir / "plain.csv", text);
  const CliResult r = run_cli(dir, "run " + quoted((dir / "plain.csv").string()) + " --options " +
                                       quoted((dir / "none.ini").string()));
  EXPECT_EQ(r.status, 2) << "a missing options file given on purpose is a usage error";
  write_bytes(dir / "none.ini", "");
  const CliResult ok = run_cli(dir, "run " + quoted((dir / "plain.csv").string()) + " --options " +
                                        quoted((dir / "none.ini").string()));
  EXPECT_EQ(ok.status, 0) << ok.err;
  EXPECT_EQ(read_bytes(dir / "plain.csv"), text);
}

// A run in the background, for stopping it the way a user at a terminal does.
class BackgroundCli {
 public:
  BackgroundCli(const TempDir& dir, std::vector<std::string> args) : dir_(dir) {
    const std::string cli = std::string(PICMOVE_BINARY_DIR) + "/bin/picmove-cli";
    args.insert(args.begin(), cli);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, (dir / "stdout.txt").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, (dir / "stderr.txt").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn(&pid_, cli.c_str(), &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
  }
  ~BackgroundCli() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  void interrupt() { kill(pid_, SIGINT); }
  CliResult wait() {
    int raw = 0;
    waitpid(pid_, &raw, 0);
    pid_ = -1;
    CliResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = read_bytes(dir_ / "stdout.txt");
    result.err = read_bytes(dir_ / "stderr.txt");
    return result;
  }
  // Waits until stderr holds `text` (the run has come that far).
  bool wait_for_log(const std::string& text, int occurrences = 1) const {
    for (int i = 0; i < 200; ++i) {
      const std::string err = read_bytes(dir_ / "stderr.txt");
      int found = 0;
      for (std::size_t at = err.find(text); at != std::string::npos; at = err.find(text, at + 1)) ++found;
      if (found >= occurrences) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

 private:
  const TempDir& dir_;
  pid_t pid_ = -1;
};

// Two pictures answer at once, the rest only after the test has stopped the run.
struct StopFixture {
  LocalHttpServer server{[](const HttpExchange& exchange) {
    HttpReply reply;
    reply.body = std::string("\xFF\xD8\xFF\xE0", 4) + "picture";
    if (exchange.target.rfind("/slow/", 0) == 0) reply.delay_before = std::chrono::seconds(20);
    return reply;
  }};
  TempDir dir;
  std::string original;

  StopFixture() {
    std::string text = "version 1.00\r\ntitle\tdescription\r\n";
    const char* paths[] = {"/fast/1.jpg", "/fast/2.jpg", "/slow/3.jpg", "/slow/4.jpg",
                           "/slow/5.jpg", "/slow/6.jpg", "/slow/7.jpg"};
    for (const char* path : paths) {
      text += "\"item\"\t\"<img src=\"\"" + server.base_url() + path + "\"\">\"\r\n";
    }
    original = gbk(text);
    write_bytes(dir / "shop.csv", original);
    write_bytes(dir / "options.ini", "");
  }
  std::vector<std::string> run_args() const {
    return {"run", (dir / "shop.csv").string(), "--options", (dir / "options.ini").string(),
            "--policy", "2"};
  }
};

TEST(CliStop, FirstCtrlCSavesTheWorkDone) {
  StopFixture f;
  BackgroundCli cli(f.dir, f.run_args());
  ASSERT_TRUE(cli.wait_for_log("/slow/", 5)) << "five rows in flight";
  ASSERT_TRUE(cli.wait_for_log("/slow/7.jpg"));
  cli.interrupt();
  const CliResult r = cli.wait();
  EXPECT_EQ(r.status, 130) << r.err;
  EXPECT_NE(r.err.find("中途停止，总数：7张，已处理2张"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "下载总数： 7\n成功下载： 2\n下载失败： 0\n");
  const std::string saved = gbk_to_utf8(read_bytes(f.dir / "shop.csv"));
  EXPECT_EQ(saved.find("/fast/"), std::string::npos) << "the two done rows point at local files";
  EXPECT_NE(saved.find("/slow/3.jpg"), std::string::npos) << "rows not done keep their address";
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 9);
}

TEST(CliStop, SecondCtrlCStopsWithoutSaving) {
  StopFixture f;
  BackgroundCli cli(f.dir, f.run_args());
  ASSERT_TRUE(cli.wait_for_log("/slow/7.jpg"));
  cli.interrupt();
  ASSERT_TRUE(cli.wait_for_log("Ctrl-C again"));
  cli.interrupt();
  const CliResult r = cli.wait();
  EXPECT_EQ(r.status, 130) << r.err;
  EXPECT_NE(r.err.find("without saving"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(read_bytes(f.dir / "shop.csv"), f.original);
}

// Uploading from the command line, against the fake image-space service.
struct UploadCliFixture {
  UploadCliFixture() {
    write_bytes(dir / "options.ini", service.service_section());
    write_bytes(dir / "cookies.txt", "Cookie: cookie2=good; _tb_token_=tok123; secret=s3cr3tvalue\r\n");
  }
  std::string options() const { return " --options " + quoted((dir / "options.ini").string()); }
  std::string cookies() const { return " --cookies " + quoted((dir / "cookies.txt").string()); }

  // Every file below the folder other than the cookie file itself, holding the secret.
  std::vector<std::string> files_holding_the_secret() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
      if (!entry.is_regular_file() || entry.path().filename() == "cookies.txt") continue;
      if (read_bytes(entry.path()).find("s3cr3tvalue") != std::string::npos) {
        found.push_back(entry.path().string());
      }
    }
    return found;
  }

  TempDir dir;
  test::FakeImageSpaceService service;
};

TEST(CliFolders, ListsNamesAndIdsOrSaysTheCookiesWereRefused) {
  UploadCliFixture f;
  const CliResult r = run_cli(f.dir, "folders" + f.cookies() + f.options());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "全部图片\t0\n宝贝图片\t1001\n");
  const auto asked = f.service.requests("/redaction/redaction/json.json");
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].header("Cookie"), "cookie2=good; _tb_token_=tok123; secret=s3cr3tvalue")
      << "the \"Cookie:\" of a copied header line is not part of the text";

  write_bytes(f.dir / "cookies.txt", "cookie2=expired; secret=s3cr3tvalue");
  const CliResult refused = run_cli(f.dir, "folders" + f.cookies() + f.options());
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("expired"), std::string::npos) << refused.err;
  EXPECT_EQ(refused.out, "");

  struct BadFile {
    const char* name;
    std::string content;  // nullopt-like: "\x01" means no file at all
  };
  const BadFile bad[] = {{"missing", "\x01"}, {"empty", " \r\n"}, {"two lines", "a=1\nb=2"}};
  for (const BadFile& b : bad) {
    std::filesystem::remove(f.dir / "cookies.txt");
    if (b.content != "\x01") write_bytes(f.dir / "cookies.txt", b.content);
    const CliResult e = run_cli(f.dir, "folders" + f.cookies() + f.options());
    EXPECT_EQ(e.status, 1) << b.name;
    EXPECT_NE(e.err.find("cookie file"), std::string::npos) << b.name << ": " << e.err;
    EXPECT_EQ(e.err.find("a=1"), std::string::npos) << "cookies are never echoed";
  }
}

TEST(CliRunUpload, UploadsEveryPictureAndNeverWritesTheCookies) {
  LocalHttpServer pictures(picture_reply);
  UploadCliFixture f;
  f.service.protect("p2.jpg");
  const auto package = f.dir / "shop.csv";
  const std::string base = pictures.base_url();
  write_bytes(package, gbk("version 1.00\r\ntitle\r\n\"<img src=\"\"" + base +
                           "/ok/a.jpg\"\"><img src=\"\"" + base + "/ok/b.jpg\"\">\"\r\n"));

  const CliResult r = run_cli(f.dir, "run " + quoted(package.string()) + f.options() +
                                         " --upload" + f.cookies() +
                                         " --folder-id 1001 --public --protected --backup");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "下载总数： 2\n成功下载： 2\n下载失败： 0\n");
  EXPECT_NE(r.err.find("张 图片到图片空间成功"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("张 图片有保护已置空"), std::string::npos) << r.err;

  const auto uploads = f.service.requests("//api/upload.api");
  ASSERT_EQ(uploads.size(), 2u);
  for (const auto& upload : uploads) {
    EXPECT_EQ(upload.target, "//api/upload.api?appkey=tu&folderId=1001&watermark=false"
                             "&_input_charset=utf-8&isPublic=true");
  }
  // One picture kept its new address, the protected one was deleted with its references.
  const std::string saved = gbk_to_utf8(read_bytes(package));
  const bool first_kept = saved.find("https://img.fake/p1.jpg") != std::string::npos;
  EXPECT_TRUE(first_kept) << saved;
  EXPECT_EQ(saved.find("img.fake/p2.jpg"), std::string::npos) << saved;
  EXPECT_EQ(saved.find(base), std::string::npos) << saved;
  ASSERT_EQ(f.service.requests("/redaction/redaction/json.json?cmd=json_batch_delete").size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(f.dir / "shop描述图片")) << "nothing is stored locally";

  // Cookies are secrets: not in the output, the log, the package, its backup or any other file.
  EXPECT_EQ(r.out.find("s3cr3tvalue"), std::string::npos);
  EXPECT_EQ(r.err.find("s3cr3tvalue"), std::string::npos);
  EXPECT_EQ(f.files_holding_the_secret(), std::vector<std::string>{});
  // And they went to the service only, never to the picture host.
  for (const auto& request : pictures.exchanges()) {
    EXPECT_EQ(request.raw_head.find("s3cr3tvalue"), std::string::npos) << request.raw_head;
  }
}

TEST(CliRunUpload, AnUnknownFolderIdStopsBeforeAnythingIsSent) {
  LocalHttpServer pictures(picture_reply);
  UploadCliFixture f;
  const auto package = f.dir / "shop.csv";
  const std::string text =
      gbk("version 1.00\r\ntitle\r\n\"<img src=\"\"" + pictures.base_url() + "/ok/a.jpg\"\">\"\r\n");
  write_bytes(package, text);
  const CliResult r = run_cli(f.dir, "run " + quoted(package.string()) + f.options() +
                                         " --upload" + f.cookies() + " --folder-id 999");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("未登陆或未选择图片上传存放的文件夹！"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("999"), std::string::npos) << r.err;
  EXPECT_EQ(read_bytes(package), text);
  EXPECT_TRUE(pictures.exchanges().empty());
  EXPECT_TRUE(f.service.requests("//api/upload.api").empty());
}

}  // namespace
}  // namespace picmove
