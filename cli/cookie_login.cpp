#include "cli/cookie_login.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "imagespace/folder_tree.h"
#include "package/gbk.h"

namespace picmove::cli {

bool read_cookie_file(const std::filesystem::path& file, std::string& cookies,
                      std::string& error) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    error = "cannot read the cookie file " + file.string();
    return false;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.back())) text.pop_back();
  std::size_t first = 0;
  while (first < text.size() && blank(text[first])) ++first;
  text.erase(0, first);
  if (text.size() >= 7) {
    std::string head = text.substr(0, 7);
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) {
      return static_cast<char>(std::tolower(c));
    });
    if (head == "cookie:") {
      text.erase(0, 7);
      while (!text.empty() && blank(text.front())) text.erase(0, 1);
    }
  }
  if (text.empty()) {
    error = "the cookie file " + file.string() + " is empty";
    return false;
  }
  // Each request sends the text as one header line: a line break or zero byte would end it.
  if (text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
    error = "the cookie file " + file.string() +
            " must hold one line: the cookie text name=value; name=value; ...";
    return false;
  }
  cookies = std::move(text);
  return true;
}

bool CookieFileLogin::login() {
  if (confirmed_) return false;
  const FolderTree tree = refresh_folders(login_, endpoints_, cookies_);
  const bool known = std::find(tree.ids.begin(), tree.ids.end(), target_.folder_id) !=
                     tree.ids.end();
  if (login_.cookies().empty() || !known) {
    refusal_ = gbk_to_utf8(login_incomplete_message()) +
               (tree.ids.empty()
                    ? " (the service listed no folders: the cookies may have expired; log in "
                      "again and copy them anew)"
                    : " (folder id " + target_.folder_id + " is not one of the " +
                          std::to_string(tree.ids.size()) +
                          " folders; picmove-cli folders lists them)");
    return true;
  }
  login_.set_target(target_);
  confirmed_ = true;
  return false;
}

}  // namespace picmove::cli
