#include "package/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace picmove {
namespace {

// Bytes one character takes at `p` in the source encoding, for skipping what the target
// cannot hold.
using CharWidth = std::size_t (*)(const unsigned char* p, std::size_t left);

std::size_t utf8_width(const unsigned char* p, std::size_t left) {
  std::size_t width = 1;
  if (*p >= 0xF0) width = 4;
  else if (*p >= 0xE0) width = 3;
  else if (*p >= 0xC0) width = 2;
  // A broken sequence is skipped one byte at a time.
  for (std::size_t i = 1; i < width; ++i) {
    if (i >= left || (p[i] & 0xC0) != 0x80) return 1;
  }
  return width;
}

std::size_t utf16le_width(const unsigned char* p, std::size_t left) {
  if (left >= 4 && (p[1] & 0xFC) == 0xD8 && (p[3] & 0xFC) == 0xDC) return 4;
  return left >= 2 ? 2 : left;
}

std::size_t gbk_width(const unsigned char* p, std::size_t left) {
  return (is_gbk_lead_byte(*p) && left >= 2) ? 2 : 1;
}

// Converts in bulk; every character the target cannot hold (or the source cannot decode)
// becomes one "?", so nothing shifts and the count tells the caller what was lost.
std::string convert(const char* to, const char* from, std::string_view input, CharWidth width,
                    std::size_t* replaced) {
  std::size_t count = 0;
  std::string out;
  if (input.empty()) {
    if (replaced) *replaced = 0;
    return out;
  }
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    if (replaced) *replaced = 0;
    return out;
  }
  // GBK from UTF-8 or UTF-16 is never longer than its input, UTF-8 from GBK at most 1.5 times.
  out.resize(input.size() + input.size() / 2 + 16);
  char* in_ptr = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  std::size_t used = 0;
  while (in_left > 0) {
    char* out_ptr = out.data() + used;
    std::size_t out_left = out.size() - used;
    const std::size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    used = out.size() - out_left;
    if (rc != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ or EINVAL (a cut character at the end): one "?" for the one character.
    if (out.size() - used < 1) out.resize(out.size() * 2);
    out[used++] = '?';
    ++count;
    const std::size_t skip =
        width(reinterpret_cast<const unsigned char*>(in_ptr), in_left);
    in_ptr += skip;
    in_left -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  out.resize(used);
  if (replaced) *replaced = count;
  return out;
}

std::string cut_at_nul(std::string text) {
  const auto nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

}  // namespace

std::string utf8_to_gbk(std::string_view utf8, std::size_t* replaced) {
  return cut_at_nul(convert("GBK", "UTF-8", utf8, utf8_width, replaced));
}

std::string gbk_to_utf8(std::string_view gbk_text) {
  return convert("UTF-8", "GBK", gbk_text, gbk_width, nullptr);
}

std::string utf16le_to_gbk(std::string_view utf16, std::size_t* replaced) {
  if (utf16.size() >= 2 && static_cast<unsigned char>(utf16[0]) == 0xFF &&
      static_cast<unsigned char>(utf16[1]) == 0xFE) {
    utf16.remove_prefix(2);  // the byte-order mark has no GBK form
  }
  return cut_at_nul(convert("GBK", "UTF-16LE", utf16, utf16le_width, replaced));
}

std::string gbk(std::string_view utf8) { return utf8_to_gbk(utf8); }

}  // namespace picmove
