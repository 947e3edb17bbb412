#include "package/working_text.h"

#include <cstring>

namespace picmove {

namespace {

// memmem keeps the scan linear (glibc uses a two-way / shift-table search, no backtracking).
const char* find_bytes(const char* from, const char* end, std::string_view needle) {
  if (static_cast<std::size_t>(end - from) < needle.size()) return nullptr;
  return static_cast<const char*>(memmem(from, static_cast<std::size_t>(end - from),
                                         needle.data(), needle.size()));
}

}  // namespace

std::size_t WorkingText::replace_all(std::string_view find, std::string_view replacement) {
  if (find.empty() || text_.size() < find.size()) return 0;
  const char* begin = text_.data();
  const char* end = begin + text_.size();
  const char* hit = find_bytes(begin, end, find);
  if (hit == nullptr) return 0;

  std::size_t count = 0;
  if (find.size() == replacement.size()) {
    // Same length: overwrite in place, no second buffer.
    char* base = text_.data();
    while (hit != nullptr) {
      std::memcpy(base + (hit - begin), replacement.data(), replacement.size());
      ++count;
      hit = find_bytes(hit + find.size(), end, find);
    }
    return count;
  }

  // One left-to-right pass into a new buffer; the scan goes on after each replaced occurrence,
  // so text produced by a replacement is never searched again.
  std::string out;
  out.reserve(replacement.size() > find.size() ? text_.size() + (text_.size() / 8)
                                                : text_.size());
  const char* copied = begin;
  while (hit != nullptr) {
    out.append(copied, static_cast<std::size_t>(hit - copied));
    out.append(replacement);
    ++count;
    copied = hit + find.size();
    hit = find_bytes(copied, end, find);
  }
  out.append(copied, static_cast<std::size_t>(end - copied));
  text_ = std::move(out);
  return count;
}

}  // namespace picmove
