#include "http/text_helpers.h"

#include <vector>

namespace picmove {

namespace {

// "#引号" in GBK: lets callers write a double quote inside a marker.
constexpr std::string_view kQuoteWord = "#\xD2\xFD\xBA\xC5";

bool is_gbk_lead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Byte length of the character that starts at `i`: a lead byte takes its trail byte along.
std::size_t char_length(std::string_view text, std::size_t i) {
  return (is_gbk_lead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
}

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares `needle` with the text at `at`. Letter case is folded only for single-byte
// characters: a trail byte that happens to be a letter belongs to a double-byte character.
bool matches_at(std::string_view text, std::size_t at, std::string_view needle,
                bool case_insensitive) {
  if (text.size() - at < needle.size()) return false;
  for (std::size_t j = 0; j < needle.size();) {
    const std::size_t len = char_length(needle, j);
    if (len == 1 && case_insensitive) {
      if (ascii_lower(text[at + j]) != ascii_lower(needle[j])) return false;
    } else {
      if (text.compare(at + j, len, needle, j, len) != 0) return false;
    }
    j += len;
  }
  return true;
}

std::string replace_quote_word(std::string_view marker) {
  std::string out;
  out.reserve(marker.size());
  for (std::size_t i = 0; i < marker.size();) {
    if (marker.substr(i, kQuoteWord.size()) == kQuoteWord) {
      out += '"';
      i += kQuoteWord.size();
    } else {
      out += marker[i++];
    }
  }
  return out;
}

}  // namespace

std::size_t gbk_find(std::string_view haystack, std::string_view needle, std::size_t from,
                     bool case_insensitive) {
  // Character boundaries count from the start of the text, so that a start offset inside a
  // double-byte character moves on to the next whole character.
  std::size_t i = 0;
  while (i < from && i < haystack.size()) i += char_length(haystack, i);
  if (i < from) return std::string_view::npos;
  for (; i <= haystack.size(); i += (i < haystack.size() ? char_length(haystack, i) : 1)) {
    if (matches_at(haystack, i, needle, case_insensitive)) return i;
    if (i == haystack.size()) break;
  }
  return std::string_view::npos;
}

std::string text_between(std::string_view text, std::string_view left, std::string_view right,
                         int start, bool case_insensitive) {
  const std::string l = replace_quote_word(left);
  const std::string r = replace_quote_word(right);
  const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
  const std::size_t at = gbk_find(text, l, from, case_insensitive);
  if (at == std::string_view::npos) return {};
  const std::size_t value_start = at + l.size();
  const std::size_t end = gbk_find(text, r, value_start, case_insensitive);
  if (end == std::string_view::npos) return {};
  return std::string(text.substr(value_start, end - value_start));
}

std::string slice_between(std::string_view text, std::string_view left, std::string_view right) {
  if (left.empty() && right.empty()) return std::string(text);
  if (left.empty()) {
    const std::size_t end = gbk_find(text, right);
    return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end));
  }
  const std::size_t at = gbk_find(text, left);
  if (at == std::string_view::npos) return {};
  const std::string_view rest = text.substr(at + left.size());
  if (right.empty()) return std::string(rest);
  const std::size_t end = gbk_find(rest, right);
  return end == std::string_view::npos ? std::string() : std::string(rest.substr(0, end));
}

std::string text_after_last(std::string_view text, std::string_view marker) {
  if (marker.empty()) return {};
  std::size_t last = std::string_view::npos;
  for (std::size_t at = gbk_find(text, marker); at != std::string_view::npos;
       at = gbk_find(text, marker, at + char_length(text, at))) {
    last = at;
    if (at >= text.size()) break;
  }
  if (last == std::string_view::npos) return {};
  return std::string(text.substr(last + marker.size()));
}

std::string trim_spaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace picmove
