// The process-wide cookie store: what requests that bring no cookie text of their own send,
// and where the timed request writes received cookies when asked to.
#include <string_view>

#include "http/cookies.h"
#include "http/text_helpers.h"

namespace picmove {

namespace {

std::string lower_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The value a request sends: the stored text up to its first attribute.
std::string bare_value(const std::string& value) {
  return trim_spaces(value.substr(0, value.find(';')));
}

// A server deletes a cookie by sending it as "deleted" or with a maximum age of zero or less.
bool deletes(const std::string& value) {
  if (bare_value(value) == "deleted") return true;
  const std::string lower = lower_ascii(value);
  const std::size_t at = lower.find("max-age=");
  if (at == std::string::npos) return false;
  const std::string age = trim_spaces(std::string_view(lower).substr(at + 8));
  return !age.empty() && (age[0] == '-' || age[0] == '0');
}

}  // namespace

void CookieStore::set(const std::string& address, const std::string& name,
                      const std::string& value) {
  std::lock_guard lock(mutex_);
  if (deletes(value)) {
    auto it = cookies_.find(address);
    if (it != cookies_.end()) it->second.erase(name);
    return;
  }
  cookies_[address][name] = value;
}

std::string CookieStore::cookies_for(const std::string& address) const {
  std::lock_guard lock(mutex_);
  const auto it = cookies_.find(address);
  if (it == cookies_.end()) return {};
  std::string text;
  for (const auto& [name, value] : it->second) {
    if (!text.empty()) text += "; ";
    text += name + "=" + bare_value(value);
  }
  return text;
}

void CookieStore::clear() {
  std::lock_guard lock(mutex_);
  cookies_.clear();
}

CookieStore& cookie_store() {
  // Never destroyed: a request thread abandoned by its caller may still write to it while the
  // process exits.
  static CookieStore* store = new CookieStore;
  return *store;
}

void store_received_cookies(std::string_view header_block, const std::string& host) {
  static constexpr std::string_view kWord = "Set-Cookie:";
  const std::string address = "http://" + lower_ascii(host);
  std::size_t pos = 0;
  while (pos <= header_block.size()) {
    std::size_t end = header_block.find("\r\n", pos);
    if (end == std::string_view::npos) end = header_block.size();
    const std::string_view line = header_block.substr(pos, end - pos);
    pos = end + 2;
    const std::size_t at = gbk_find(line, kWord);
    if (at == std::string_view::npos) continue;
    // The cookie follows "Set-Cookie:" and its space; the value keeps its attributes.
    const std::string cookie = trim_spaces(line.substr(at + kWord.size()));
    const std::size_t eq = cookie.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    cookie_store().set(address, cookie.substr(0, eq), cookie.substr(eq + 1));
  }
}

}  // namespace picmove
