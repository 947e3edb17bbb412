// The 5.36 variant: long descriptions stored as base64 of their UTF-8 HTML. Decoding puts each
// one between two description markers in GBK; encoding turns marked descriptions back.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace picmove {

inline constexpr std::string_view kDescriptionMarker = "#1#a#b#3#";

struct DecodeResult {
  std::size_t decoded = 0;  // fields now held as marked descriptions
  // Fields that look encoded (a tab, 301 or more base64 characters, a tab) but would not come
  // back byte for byte after encoding again: characters GBK cannot hold, bytes that are not
  // UTF-8, zero bytes, non-canonical padding, or a description marker inside. Left encoded.
  std::size_t kept_encoded = 0;
};

// Every tab-delimited field of 301 or more characters that is valid base64 of a description
// becomes marker + GBK description + marker. Identical fields are decoded once. Linear.
DecodeResult decode_encoded_descriptions(std::string& package_text);

// Every marker pair (paired left to right) becomes the base64 of the UTF-8 form of the text
// between them. Returns the number of descriptions encoded. Linear.
std::size_t encode_marked_descriptions(std::string& package_text);

}  // namespace picmove
