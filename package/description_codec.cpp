#include "package/description_codec.h"

#include <unordered_map>

#include "package/base64.h"
#include "package/gbk.h"

namespace picmove {

namespace {

// The shortest encoded field: one non-space character and 300 more.
constexpr std::size_t kMinimumEncodedField = 301;

struct Decoded {
  bool faithful = false;
  std::string gbk;
};

// Where a text was first written into the output, so that a repeated field is copied from
// there instead of being held twice.
struct Placed {
  bool faithful = false;
  std::size_t offset = 0;
  std::size_t size = 0;
};

// Decodes one field and checks that encoding the result gives the field back exactly; a field
// that would not survive the round trip is left encoded, so saving never changes it.
Decoded decode_field(std::string_view field) {
  Decoded result;
  if (!is_valid_base64(field)) return result;
  const std::string bytes = base64_decode(field);
  std::size_t replaced = 0;
  std::string gbk_text = utf8_to_gbk(bytes, &replaced);
  if (replaced != 0 || gbk_text.find(kDescriptionMarker) != std::string::npos) return result;
  if (base64_encode(gbk_to_utf8(gbk_text)) != field) return result;
  result.faithful = true;
  result.gbk = std::move(gbk_text);
  return result;
}

}  // namespace

// The exported packages mark an encoded description by the field pattern
//   \t(\S[^:_"-]{300,})\t
// searched over the whole text. Its class admits tabs, so a greedy match can run over several
// fields; only the first field of such a match is the description. Taking each match's first
// field, resuming at the tab that ends it, and decoding only valid base64 comes down to this:
// a field between two tabs, at least 301 characters long, that is valid base64 (which already
// excludes ":", "_", '"', "-" and white space). So the fields are walked once, tab to tab, and
// each one is tested on its own; whatever is not decoded stays byte for byte as it was.
// Only whole fields are replaced: the same base64 text inside a longer field is not touched,
// since decoding part of a field would garble it once a rewrite changes the decoded part.
DecodeResult decode_encoded_descriptions(std::string& package_text) {
  DecodeResult result;
  const std::string& text = package_text;
  std::unordered_map<std::string_view, Placed> seen;
  std::string out;
  std::size_t copied = 0;
  std::size_t tab = text.find('\t');
  while (tab != std::string::npos) {
    const std::size_t start = tab + 1;
    const std::size_t next = text.find('\t', start);
    if (next == std::string::npos) break;
    if (next - start >= kMinimumEncodedField) {
      const std::string_view field(text.data() + start, next - start);
      auto it = seen.find(field);
      if (it != seen.end() && it->second.faithful) {
        out.append(text, copied, start - copied);
        out.append(kDescriptionMarker);
        out.append(out, it->second.offset, it->second.size);
        out.append(kDescriptionMarker);
        copied = next;
        ++result.decoded;
      } else if (it == seen.end()) {
        Decoded decoded = decode_field(field);
        Placed placed;
        if (decoded.faithful) {
          if (out.empty()) out.reserve(text.size());
          out.append(text, copied, start - copied);
          out.append(kDescriptionMarker);
          placed = {true, out.size(), decoded.gbk.size()};
          out.append(decoded.gbk);
          out.append(kDescriptionMarker);
          copied = next;
          ++result.decoded;
        } else if (is_valid_base64(field)) {
          ++result.kept_encoded;
        }
        seen.emplace(field, placed);
      } else if (is_valid_base64(field)) {
        ++result.kept_encoded;
      }
    }
    tab = next;
  }
  if (result.decoded > 0) {
    out.append(text, copied, std::string::npos);
    package_text = std::move(out);
  }
  return result;
}

// Markers pair up from the left: each pair, markers included, becomes the base64 text of what
// lies between them. An unpaired last marker stays. Identical descriptions are encoded once.
std::size_t encode_marked_descriptions(std::string& package_text) {
  const std::string& text = package_text;
  const std::size_t marker_size = kDescriptionMarker.size();
  std::unordered_map<std::string_view, Placed> seen;
  std::string out;
  std::size_t copied = 0;
  std::size_t count = 0;
  std::size_t open = text.find(kDescriptionMarker);
  while (open != std::string::npos) {
    const std::size_t close = text.find(kDescriptionMarker, open + marker_size);
    if (close == std::string::npos) break;
    const std::string_view description(text.data() + open + marker_size,
                                       close - open - marker_size);
    if (out.empty()) out.reserve(text.size() + text.size() / 2);
    out.append(text, copied, open - copied);
    auto it = seen.find(description);
    if (it != seen.end()) {
      out.append(out, it->second.offset, it->second.size);
    } else {
      const std::string encoded = base64_encode(gbk_to_utf8(description));
      seen.emplace(description, Placed{true, out.size(), encoded.size()});
      out.append(encoded);
    }
    copied = close + marker_size;
    ++count;
    open = text.find(kDescriptionMarker, copied);
  }
  if (count > 0) {
    out.append(text, copied, std::string::npos);
    package_text = std::move(out);
  }
  return count;
}

}  // namespace picmove
