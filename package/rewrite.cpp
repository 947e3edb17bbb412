#include "package/rewrite.h"

#include "package/address_list.h"
#include "package/description_codec.h"
#include "package/gbk.h"
#include "package/pattern_text.h"

namespace picmove {

namespace {

bool is_main_image_entry(const std::string& entry) { return entry_marker(entry) == '#'; }

}  // namespace

void rewrite_to_uploaded_address(WorkingText& text, const std::string& entry,
                                 const std::string& new_address) {
  // A main-image entry ("#" + picture item) is never rewritten: its picture came from the
  // package's own file and the item keeps pointing at it.
  if (entry.empty() || is_main_image_entry(entry)) return;
  std::string replacement(1, entry[0]);
  replacement += new_address;
  text.replace_all(entry, replacement);
}

std::string local_reference(char marker, const std::string& gbk_path) {
  std::string reference(1, marker);
  if (marker == '>') {
    reference += gbk_path;  // between <img> and </img> the path stands as it is
    return reference;
  }
  reference += "FILE:///";
  reference.append(gbk_path, !gbk_path.empty() && gbk_path[0] == '/' ? 1 : 0);
  return reference;
}

void rewrite_to_local_file(WorkingText& text, const std::string& entry,
                           const std::string& gbk_path) {
  if (entry.empty() || is_main_image_entry(entry)) return;
  text.replace_all(entry, local_reference(entry[0], gbk_path));
}

void delete_address(WorkingText& text, const std::string& address) {
  text.replace_all(address, std::string_view());
}

// Every cleaning pattern stops at a tab and at a line break: those are the field and record
// boundaries of the package, and a lazy ".*?" that runs past them eats other fields and items
// when its closing text is missing. Values in doubled quotes ("" in the CSV form) are matched
// as [^"]*, which in a CSV field is the same as a lazy match up to the next "", and which in
// a decoded 5.36 description (plain HTML quotes) cannot run past the attribute's end.
void finish_descriptions(std::string& package_text, const OptionsView& options, LogSink& log) {
  static const std::string kSpecialStart = gbk("  正在清除特殊代码……\r\n");
  static const std::string kSpecialDone = gbk("  清除殊代码完毕\r\n");
  static const std::string kLinksStart = gbk("  根据设置，正在进行描述超链接处理……\r\n");
  static const std::string kLinksDone = gbk("  描述超链接处理完毕\r\n");
  static const std::string kMainStart = gbk("  根据设置，正在进行清除主图链接处理……\r\n");
  static const std::string kMainDone = gbk("  清除主图链接处理完毕\r\n");
  static const std::string kAltStart = gbk("  根据设置，正在进行清除图片ALT信息……\r\n");
  static const std::string kAltDone = gbk("  行清除图片ALT信息处理完毕\r\n");
  static const std::string kEncodeStart =
      gbk("  图片处理完成，正在进行助理5.36数据包加密处理（可能需要较长时间）……\r\n");
  static const std::string kEncodeDone = gbk("  加密处理完毕……\r\n");

  // The special code: a background attribute right after "<img ", value in doubled quotes.
  static const boost::regex kBackground =
      compile_pattern(R"(<img (background=""[^"\t\r\n]*""))");
  static const boost::regex kMceSrc = compile_pattern(R"(data-mce-src=""[^"\t\r\n]*"")");
  // Anchor tags only: "<a" followed by a space or ">" (not <abbr>, <area>, <audio>, ...).
  static const boost::regex kAnchorTags = compile_pattern(R"(<a(?: [^\t\r\n>]*)?>|</a>)");
  // A link target in doubled quotes (CSV form), or in plain double or single quotes (decoded
  // 5.36 descriptions; single quotes need no doubling in the CSV either).
  static const boost::regex kLinkTarget = compile_pattern(
      R"re(href=(?:""([^"\t\r\n]*)""|"([^"\t\r\n]*)"|'([^'\t\r\n]*)'))re");
  // A main picture keeps its "|" and loses the web address up to the first ".jpg", within its
  // own ";"-separated item.
  static const boost::regex kMainLink = compile_pattern(R"(\|http[^;\t\r\n]*?\.jpg)");
  static const boost::regex kAltDoubled = compile_pattern(R"(\balt=""[^"\t\r\n]*"")");
  // An ALT value in plain quotes goes with its quotes; an unquoted one ends at the first space
  // (removed with it) or before ">" or the end of the field or line.
  static const boost::regex kAltOther = compile_pattern(
      R"(\balt=(?:"[^"\t\r\n]*"|'[^'\t\r\n]*'|[^\s>"']*(?: |(?=[>\t\r\n])|$)))");
  static const boost::regex kEmptySrc = compile_pattern(R"(src="""")");
  static const std::string kEmptySrcText = R"(src="""")";

  WorkingText text;
  text.set(package_text);
  std::string().swap(package_text);  // one copy of a large package at a time
  // Leftovers of deleted pictures: an empty <img></img> pair, an empty src attribute.
  text.replace_all("<img></img>", "");
  text.replace_all(kEmptySrcText, "");
  package_text = text.take();

  if (package_text.find("<img background=") != std::string::npos) {
    write_log(log, kSpecialStart);
    replace_pattern(package_text, kBackground, "<img ");
    write_log(log, kSpecialDone);
  }
  replace_pattern(package_text, kMceSrc, "");

  const LinkMode links = options.link_mode();
  if (links != LinkMode::keep && package_text.find("href") != std::string::npos) {
    write_log(log, kLinksStart);
    if (links == LinkMode::remove) {
      replace_pattern(package_text, kAnchorTags, "");
    } else {
      const std::string target = options.link_text();
      replace_pattern_with(package_text, kLinkTarget,
                           [&](const boost::smatch& match, std::string& out) {
                             // Only the target between the quotes changes; it goes in literally.
                             int group = 1;
                             while (group < 3 && !match[group].matched) ++group;
                             out.append(match[0].first, match[group].first);
                             out.append(target);
                             out.append(match[group].second, match[0].second);
                           });
    }
    write_log(log, kLinksDone);
  }

  if (options.clear_main_links() && package_text.find("|http") != std::string::npos) {
    write_log(log, kMainStart);
    replace_pattern(package_text, kMainLink, "|");
    write_log(log, kMainDone);
  }

  if (options.clear_alt() && (package_text.find("alt=") != std::string::npos ||
                              package_text.find(kEmptySrcText) != std::string::npos)) {
    write_log(log, kAltStart);
    replace_pattern(package_text, kAltDoubled, "");
    replace_pattern(package_text, kAltOther, "");
    replace_pattern(package_text, kEmptySrc, "");
    write_log(log, kAltDone);
  }

  if (options.tmall536()) {
    write_log(log, kEncodeStart);
    encode_marked_descriptions(package_text);
    write_log(log, kEncodeDone);
  }
}

}  // namespace picmove
