#include "package/address_extraction.h"

#include <cstring>
#include <string_view>
#include <unordered_set>

#include "package/description_codec.h"
#include "package/gbk.h"
#include "package/pattern_text.h"

namespace picmove {

namespace {

// Building blocks of the patterns (all compiled case-insensitively, "." matching line breaks).
// In 5.36 descriptions slashes may be written as "\/", so "/" may have a backslash before it.
//
// A web address: http or https, up to the quote, tag bracket, tab or line break that ends it.
const std::string kAddress = R"(https?:[^"'\t\r\n<>]+)";
// The platform's own picture storage, which any shop may use as it is: the hosts
// img.alicdn.com, gd1-gd4.alicdn.com and *.taobaocdn.com, and, on any host (the image space
// serves its pictures so, a test service on 127.0.0.1 too), a path that starts with
// /imgextra/ or /bao/uploaded/.
const std::string kPlatformHost =
    R"((?:(?:img|gd[1-4])\.alicdn\.com|[^/\\\s"'<>:?#]+\.taobaocdn\.com)(?::\d+)?(?=[/\\"'<>\s?#]|$))";
const std::string kPlatformPath = R"([^/\\\s"'<>]*\\?/(?:imgextra|bao\\?/uploaded)\\?/)";
const std::string kPlatform =
    R"(https?:\\?/\\?/(?:)" + kPlatformHost + "|" + kPlatformPath + ")";

// (1) Description pictures outside the platform's storage, in two contexts:
//   - a src attribute in quotes (doubled in the CSV form, plain in decoded 5.36 HTML, or
//     written \" in escaped 5.36 markup): the capture is the quote before the address + the
//     address, so the quote is the marker and deleting the address leaves the empty src
//     attribute that the end of a run removes;
//   - an address between "<img>" and "</img>" (wireless descriptions): the capture is ">" +
//     the address, marker ">", and deleting it leaves "<img></img>".
// Only http(s) addresses match, so local references a run wrote (FILE:///..., /home/...) and
// uploaded copies (platform storage) are never listed again. A branch reset keeps both
// contexts in group 1 and the matches in the order they stand in the text.
const std::string kDescriptionPattern = R"((?|\bsrc\s*=\s*\\?"?(["'](?!)" + kPlatform + ")" +
                                        kAddress + R"()|<img(>(?!)" + kPlatform + ")" + kAddress +
                                        R"()</img>))";

// (2) Main pictures: an item of the picture column, "<name>:<n>:<n>:|<web address>", after the
// field's quote (or tab) or a ";" and up to the next ";". The capture runs from the file name
// up to and including the address; it holds "|", so it is listed as a "#" entry and its picture
// is read from <package dir>/<base name>/<name>.tbi.
const std::string kMainPicturePattern =
    R"((?<=[\t";])([^\s"';:|<>/\\]+:\d+:\d+:\|https?:[^;"'\s<>|]+))";

// (3) The protected-image pattern (last, used only with the protected-picture option):
// description pictures in the platform's storage, same contexts and markers as (1), so that
// they are uploaded, checked for protection and removed when protected.
const std::string kProtectedPattern = R"((?|\bsrc\s*=\s*\\?"?(["'](?=)" + kPlatform + ")" +
                                      kAddress + R"()|<img(>(?=)" + kPlatform + ")" + kAddress +
                                      R"()</img>))";

constexpr std::size_t kMainPictureIndex = 1;

const std::vector<boost::regex>& compiled_patterns() {
  static const std::vector<boost::regex> compiled = [] {
    std::vector<boost::regex> list;
    for (const auto& pattern : address_pattern_list()) list.push_back(compile_pattern(pattern));
    return list;
  }();
  return compiled;
}

std::string trim_spaces(std::string text) {
  static const std::string kWideSpace = gbk("　");
  bool changed = true;
  while (changed && !text.empty()) {
    changed = false;
    if (text.front() == ' ') {
      text.erase(0, 1);
      changed = true;
    } else if (text.compare(0, kWideSpace.size(), kWideSpace) == 0) {
      text.erase(0, kWideSpace.size());
      changed = true;
    }
    if (!text.empty() && text.back() == ' ') {
      text.pop_back();
      changed = true;
    } else if (text.size() >= kWideSpace.size() &&
               text.compare(text.size() - kWideSpace.size(), kWideSpace.size(), kWideSpace) ==
                   0) {
      text.erase(text.size() - kWideSpace.size());
      changed = true;
    }
  }
  return text;
}

void take_candidate(const boost::smatch& match, bool tmall536, std::vector<std::string>& entries) {
  const auto& group = match[1];
  if (!group.matched || group.first == group.second) return;
  std::string candidate(group.first, group.second);
  // Links to items and link attributes are not pictures (letter case respected).
  if (candidate.find("href") != std::string::npos ||
      candidate.find("item.tao") != std::string::npos) {
    return;
  }
  if (tmall536) std::erase(candidate, '\\');
  if (candidate.find('|') != std::string::npos) candidate.insert(0, 1, '#');
  entries.push_back(std::move(candidate));
}

void append_candidates(const std::string& text, const boost::regex& pattern, bool tmall536,
                       std::vector<std::string>& entries) {
  if (pattern.empty()) return;
  try {
    for (boost::sregex_iterator it(text.cbegin(), text.cend(), pattern), end; it != end; ++it) {
      take_candidate(*it, tmall536, entries);
    }
  } catch (const std::runtime_error&) {
    // A pattern the engine cannot finish contributes the rows found so far.
  }
}

// The main-picture pattern tried at every quote, tab and ";" of a large package is slow, and
// its matches hold neither tabs, line breaks nor quotes, and always hold ":|". So it runs only
// over the pieces of text between those boundaries that contain ":|", each with the boundary
// before it for its look-behind: the same matches, in the same order, as one search over the
// whole text.
void append_main_picture_candidates(const std::string& text, const boost::regex& pattern,
                                    bool tmall536, std::vector<std::string>& entries) {
  if (pattern.empty()) return;
  constexpr std::string_view kAnchor = ":|";
  auto is_boundary = [](char c) { return c == '\t' || c == '\r' || c == '\n' || c == '"'; };
  const char* base = text.data();
  std::size_t from = 0;
  try {
    while (from < text.size()) {
      const void* hit = memmem(base + from, text.size() - from, kAnchor.data(), kAnchor.size());
      if (hit == nullptr) break;
      const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(hit) - base);
      std::size_t start = at;
      while (start > from && !is_boundary(base[start - 1])) --start;
      std::size_t stop = at + kAnchor.size();
      while (stop < text.size() && !is_boundary(base[stop])) ++stop;
      // The boundary before the piece is searched too (no match can start on it), so that
      // the look-behind sees it.
      if (start > 0) --start;
      const auto flags = start > 0 ? boost::match_prev_avail : boost::match_default;
      const auto first = text.cbegin() + static_cast<std::ptrdiff_t>(start);
      const auto last = text.cbegin() + static_cast<std::ptrdiff_t>(stop);
      for (boost::sregex_iterator it(first, last, pattern, flags), end; it != end; ++it) {
        take_candidate(*it, tmall536, entries);
      }
      from = stop;
    }
  } catch (const std::runtime_error&) {
  }
}

}  // namespace

const std::vector<std::string>& address_pattern_list() {
  static const std::vector<std::string> list = {kDescriptionPattern, kMainPicturePattern,
                                                kProtectedPattern};
  return list;
}

std::vector<std::string> extract_entries(const std::string& package_text, bool tmall536,
                                         bool protected_pictures) {
  std::vector<std::string> entries;
  const auto& patterns = compiled_patterns();
  for (std::size_t i = 0; i < patterns.size(); ++i) {
    if (i + 1 == patterns.size() && !protected_pictures) break;
    if (i == kMainPictureIndex) {
      append_main_picture_candidates(package_text, patterns[i], tmall536, entries);
    } else {
      append_candidates(package_text, patterns[i], tmall536, entries);
    }
  }
  return entries;
}

// Keeps the first of identical entries (letter case respected), in order; one hash look-up
// per entry.
static std::vector<std::string> without_duplicates(std::vector<std::string> entries) {
  std::unordered_set<std::string_view> seen;
  seen.reserve(entries.size() * 2);
  std::vector<bool> keep(entries.size(), false);
  std::size_t kept_count = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (seen.insert(entries[i]).second) {
      keep[i] = true;
      ++kept_count;
    }
  }
  std::vector<std::string> kept;
  kept.reserve(kept_count);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (keep[i]) kept.push_back(std::move(entries[i]));
  }
  return kept;
}

ListResult add_to_list(DataPackage& package, const OptionsView& options, AddressList& list,
                       LogSink& log) {
  static const std::string kStart = gbk("  开始提取待处理图片地址……\r\n");
  static const std::string kSpecial = gbk("  发现特殊代码，正在预处理……\r\n");
  static const std::string kSpecial2 = gbk("  发现特殊代码2，正在预处理……\r\n");
  static const std::string kPrepared = gbk("  预处理完毕……\r\n");
  static const std::string kDecodeStart =
      gbk("  正在进行助理5.36数据包的解密处理（可能需要较长时间）……\r\n");
  static const std::string kDecodeDone = gbk("  解密处理完毕……\r\n");
  static const std::string kCountStart = gbk("  读取成功，成功提取了：  ");
  static const std::string kCountEnd = gbk("  张不重复待处理图片\r\n");
  static const std::string kZeroByte = gbk(
      "  数据包中含有零字节（可能是没有字节顺序标记的UTF-16文件），无法完整读入，已拒绝处理，"
      "不会写回该文件\r\n");
  static const std::string kReplacedStart = gbk("  注意：数据包从UTF-16转换为GBK时，有 ");
  static const std::string kReplacedEnd =
      gbk(" 个字符GBK无法表示，已替换为“?”，保存后这些字符将丢失\r\n");
  static const std::string kKeptStart = gbk("  注意：有 ");
  static const std::string kKeptEnd =
      gbk(" 个加密描述含有GBK无法表示的字符或无法原样还原，保持加密原样，其中的图片不会处理\r\n");
  static const boost::regex kSpaceBeforeHttp = compile_pattern(R"("\x20(?=http))");
  // The data-ke-src attribute with its value in doubled quotes, within its field and line.
  static const boost::regex kKeSrc = compile_pattern(R"(data-ke-src=""[^"\t\r\n]*"")");

  ListResult result;
  if (trim_spaces(path_to_gbk(package.path)).empty()) return result;
  result.ran = true;

  list.clear();
  write_log(log, kStart);

  package.text.clear();
  package.loaded = false;
  package.refused = false;
  LoadedText loaded = load_package_text(package.path);
  if (loaded.zero_byte) {
    // The text would end before the zero byte and saving it would cut the file short.
    package.refused = true;
    result.refused = true;
    write_log(log, kZeroByte);
    return result;
  }
  if (loaded.replaced > 0) {
    write_log(log, kReplacedStart + std::to_string(loaded.replaced) + kReplacedEnd);
  }
  std::string& text = package.text;
  text = std::move(loaded.text);
  package.loaded = loaded.readable;

  if (text.find("\" http") != std::string::npos) {
    write_log(log, kSpecial);
    replace_pattern(text, kSpaceBeforeHttp, "\"");
    write_log(log, kPrepared);
  } else if (text.find("data-ke-src=") != std::string::npos) {
    write_log(log, kSpecial2);
    replace_pattern(text, kKeSrc, "");
    write_log(log, kPrepared);
  }

  if (options.tmall536()) {
    write_log(log, kDecodeStart);
    const DecodeResult decoded = decode_encoded_descriptions(text);
    write_log(log, kDecodeDone);
    if (decoded.kept_encoded > 0) {
      write_log(log, kKeptStart + std::to_string(decoded.kept_encoded) + kKeptEnd);
    }
  }

  remove_ignoring_case(text, "_.webp");

  std::vector<std::string> entries =
      without_duplicates(extract_entries(text, options.tmall536(), options.protected_pictures()));
  result.count = entries.size();
  list.assign(std::move(entries));
  write_log(log, kCountStart + std::to_string(result.count) + kCountEnd);
  return result;
}

}  // namespace picmove
