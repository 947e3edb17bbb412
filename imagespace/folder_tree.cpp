#include "imagespace/folder_tree.h"

#include "http/text_helpers.h"
#include "http/web_request.h"
#include "package/gbk.h"

namespace picmove {

namespace {

constexpr const char* kFolderAgent =
    "User-Agent:Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/63.0.3239.132 Safari/537.36";

// ASCII space and the full-width space of GBK, walked character by character so that the
// trail byte of one character and the lead byte of the next are never taken for a space.
std::string_view trim_blanks(std::string_view text) {
  std::size_t begin = 0, end = 0;
  bool seen = false;
  for (std::size_t at = 0; at < text.size();) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t width = lead >= 0x81 && at + 1 < text.size() ? 2 : 1;
    const std::string_view ch = text.substr(at, width);
    if (ch != " " && ch != "\xA1\xA1") {
      if (!seen) begin = at;
      seen = true;
      end = at + width;
    }
    at += width;
  }
  return seen ? text.substr(begin, end - begin) : std::string_view();
}

}  // namespace

std::vector<std::string> extract_all_between(std::string_view text, std::string_view left,
                                             std::string_view right) {
  std::vector<std::string> values;
  std::size_t from = 0;
  while (!left.empty()) {
    const std::size_t at = gbk_find(text, left, from);
    if (at == std::string_view::npos) break;
    const std::size_t value_start = at + left.size();
    const std::size_t end = gbk_find(text, right, value_start);
    if (end == std::string_view::npos) break;
    const std::string_view value = trim_blanks(text.substr(value_start, end - value_start));
    if (value.empty()) {
      from = value_start;
    } else {
      values.emplace_back(value);
      from = end;
    }
  }
  return values;
}

FolderTree read_folder_tree(std::string_view answer_gbk) {
  return {extract_all_between(answer_gbk, R"(name":")", R"(","id)"),
          extract_all_between(answer_gbk, R"(id":")", R"(","open)")};
}

FolderTree refresh_folders(ImageSpaceLogin& login, const ServiceEndpoints& endpoints,
                           const std::string& browser_cookies, RunControl* control) {
  login.set_cookies(browser_cookies);
  WebRequestArgs args;
  args.url = service_address(endpoints.manage,
                             "/redaction/redaction/json.json?cmd=json_dirTree_query&count=true");
  args.method = 0;
  args.cookies = login.cookie_slot();
  args.cookies_lock = login.cookie_lock();
  args.headers = kFolderAgent;
  args.control = control;
  const std::string body = web_request(args);
  FolderTree tree = read_folder_tree(utf8_to_gbk(std::string_view(body.c_str())));
  login.set_folders(tree.names, tree.ids);
  return tree;
}

const std::string& login_incomplete_message() {
  static const std::string message = gbk("未登陆或未选择图片上传存放的文件夹！");
  return message;
}

bool confirm_login(ImageSpaceLogin& login, std::optional<std::size_t> selected, bool public_flag,
                   bool watermark_flag) {
  if (login.cookies().empty() || !selected) return false;
  const std::vector<std::string> ids = login.folder_ids();
  if (*selected >= ids.size() || *selected >= login.folder_names().size()) return false;
  login.set_target({ids[*selected], public_flag ? "true" : "false",
                    watermark_flag ? "true" : "false"});
  return true;
}

}  // namespace picmove
