#include "http/cookies.h"

#include <algorithm>
#include <vector>

#include "http/text_helpers.h"

namespace picmove {

namespace {

std::vector<std::string_view> split_lines(std::string_view block) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t end = block.find("\r\n", pos);
    if (end == std::string_view::npos) {
      lines.push_back(block.substr(pos));
      return lines;
    }
    lines.push_back(block.substr(pos, end - pos));
    pos = end + 2;
  }
}

bool contains(std::string_view text, std::string_view part) {
  return gbk_find(text, part) != std::string_view::npos;
}

std::string without_spaces(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (c != ' ') out += c;
  }
  return out;
}

// Items of a cookie text split at ";": an empty text has none, an empty item between two ";"
// stays, a trailing ";" adds nothing.
std::vector<std::string> split_items(const std::string& text) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t end = text.find(';', pos);
    if (end == std::string::npos) {
      if (pos < text.size()) items.push_back(text.substr(pos));
      return items;
    }
    items.push_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
}

std::string cookie_name(const std::string& item) {
  return trim_spaces(std::string_view(item).substr(0, item.find('=')));
}

bool is_deleted(const std::string& item) {
  static constexpr std::string_view kDeleted = "=deleted";
  return item.size() >= kDeleted.size() &&
         item.compare(item.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0;
}

// Removes every "Set-Cookie:" in any letter case.
std::string without_set_cookie_word(std::string_view line) {
  static constexpr std::string_view kWord = "Set-Cookie:";
  std::string out;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t at = gbk_find(line, kWord, pos, true);
    if (at == std::string_view::npos) break;
    out.append(line.substr(pos, at - pos));
    pos = at + kWord.size();
  }
  out.append(line.substr(pos));
  return out;
}

}  // namespace

std::string cookies_rule_a(std::string_view header_block) {
  std::string result;
  for (const std::string_view line : split_lines(header_block)) {
    if (!contains(line, "Set-Cookie")) continue;
    std::string item;
    if (!contains(line, ";")) {
      item = trim_spaces(without_set_cookie_word(line));
    } else {
      item = trim_spaces(text_between(line, "Set-Cookie:", ";"));
    }
    result += item;
    result += "; ";
  }
  if (result.size() >= 2) result.resize(result.size() - 2);
  return result;
}

void cookies_rule_b(std::string_view header_block, std::string& received) {
  for (const std::string_view line : split_lines(header_block)) {
    if (!contains(line, "Set-Cookie")) continue;
    // Cookies without a value and lines without any attribute are left out.
    if (slice_between(line, "=", ";").empty()) continue;
    if (!received.empty()) received += "; ";
    received += trim_spaces(slice_between(line, "Set-Cookie:", ";"));
  }
}

std::string merge_cookies(std::string& old, std::string& received) {
  old = without_spaces(old);
  received = without_spaces(received);

  std::vector<std::string> merged = split_items(received);
  for (const std::string& item : split_items(old)) {
    const std::string name = cookie_name(item);
    const bool known = std::any_of(merged.begin(), merged.end(),
                                   [&](const std::string& m) { return cookie_name(m) == name; });
    if (!known) merged.push_back(item);
  }

  // A cookie received as deleted also removed the old one of that name above.
  std::vector<std::string> kept;
  for (const std::string& item : merged) {
    if (!is_deleted(item)) kept.push_back(item);
  }
  if (kept.empty()) return {};

  // Exact duplicates go; received items come first, so the first occurrence is kept.
  std::vector<std::string> unique;
  for (const std::string& item : kept) {
    if (std::find(unique.begin(), unique.end(), item) == unique.end()) unique.push_back(item);
  }
  std::string joined;
  for (std::size_t i = 0; i < unique.size(); ++i) {
    if (i > 0) joined += "; ";
    joined += unique[i];
  }
  return joined;
}

}  // namespace picmove
