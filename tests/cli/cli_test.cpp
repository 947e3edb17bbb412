// picmove-cli as scripts use it: arguments, exit status, stdout and stderr.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "package/gbk.h"
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
                         "run a.csv --options"};
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

}  // namespace
}  // namespace picmove
