#include "package/pattern_text.h"

#include <strings.h>

#include <cctype>
#include <cstring>

namespace picmove {

boost::regex compile_pattern(std::string_view pattern) {
  try {
    return boost::regex(pattern.begin(), pattern.end(),
                        boost::regex::perl | boost::regex::icase | boost::regex::mod_s);
  } catch (const boost::regex_error&) {
    return boost::regex();
  }
}

std::size_t replace_pattern_with(
    std::string& text, const boost::regex& pattern,
    const std::function<void(const boost::smatch&, std::string&)>& put) {
  if (pattern.empty()) return 0;
  try {
    boost::sregex_iterator it(text.cbegin(), text.cend(), pattern);
    const boost::sregex_iterator end;
    if (it == end) return 0;
    std::string out;
    out.reserve(text.size());
    auto copied = text.cbegin();
    std::size_t count = 0;
    for (; it != end; ++it) {
      const boost::smatch& match = *it;
      out.append(copied, match[0].first);
      put(match, out);
      copied = match[0].second;
      ++count;
    }
    out.append(copied, text.cend());
    text = std::move(out);
    return count;
  } catch (const std::runtime_error&) {
    // A match too complex for the engine: the text stays as it was.
    return 0;
  }
}

std::size_t replace_pattern(std::string& text, const boost::regex& pattern,
                            std::string_view replacement) {
  return replace_pattern_with(text, pattern, [&](const boost::smatch&, std::string& out) {
    out.append(replacement);
  });
}

std::size_t remove_ignoring_case(std::string& text, std::string_view find) {
  if (find.empty() || text.size() < find.size()) return 0;
  const auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
  const char first_lower = static_cast<char>(lower(find[0]));
  const char first_upper = static_cast<char>(std::toupper(static_cast<unsigned char>(find[0])));
  const std::string_view rest = find.substr(1);
  // Finds the next occurrence from `from`: memchr for the first byte (both letter cases), then
  // the rest compared ignoring ASCII case.
  auto next = [&](std::size_t from) -> std::size_t {
    const char* base = text.data();
    const std::size_t last = text.size() - find.size();
    while (from <= last) {
      const void* a = std::memchr(base + from, first_lower, last - from + 1);
      std::size_t at = a ? static_cast<std::size_t>(static_cast<const char*>(a) - base)
                         : std::string::npos;
      if (first_upper != first_lower) {
        const void* b = std::memchr(base + from, first_upper,
                                    (at == std::string::npos ? last + 1 : at) - from);
        if (b) at = static_cast<std::size_t>(static_cast<const char*>(b) - base);
      }
      if (at == std::string::npos) return std::string::npos;
      if (strncasecmp(base + at + 1, rest.data(), rest.size()) == 0) return at;
      from = at + 1;
    }
    return std::string::npos;
  };
  std::size_t hit = next(0);
  if (hit == std::string::npos) return 0;
  // Removal only shrinks the text: the kept bytes move down in place, no second buffer.
  std::size_t write = hit;
  std::size_t count = 0;
  while (hit != std::string::npos) {
    const std::size_t read = hit + find.size();
    ++count;
    hit = next(read);
    const std::size_t keep = (hit == std::string::npos ? text.size() : hit) - read;
    std::memmove(text.data() + write, text.data() + read, keep);
    write += keep;
  }
  text.resize(write);
  return count;
}

}  // namespace picmove
