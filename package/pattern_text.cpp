#include "package/pattern_text.h"

#include <algorithm>
#include <cctype>
#include <functional>

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
  if (find.empty()) return 0;
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  };
  const std::boyer_moore_horspool_searcher searcher(
      find.begin(), find.end(),
      [](char c) { return static_cast<std::size_t>(std::tolower(static_cast<unsigned char>(c))); },
      same);
  auto hit = std::search(text.cbegin(), text.cend(), searcher);
  if (hit == text.cend()) return 0;
  std::string out;
  out.reserve(text.size());
  auto copied = text.cbegin();
  std::size_t count = 0;
  while (hit != text.cend()) {
    out.append(copied, hit);
    copied = hit + static_cast<std::ptrdiff_t>(find.size());
    ++count;
    hit = std::search(copied, text.cend(), searcher);
  }
  out.append(copied, text.cend());
  text = std::move(out);
  return count;
}

}  // namespace picmove
