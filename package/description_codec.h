// The 5.36 variant: long descriptions stored as base64 of their UTF-8 HTML. Decoding puts each
// one between two description markers in GBK; encoding turns marked descriptions back.
#pragma once

#include <string>
#include <string_view>

namespace picmove {

inline constexpr std::string_view kDescriptionMarker = "#1#a#b#3#";

void decode_encoded_descriptions(std::string& package_text);
void encode_marked_descriptions(std::string& package_text);

}  // namespace picmove
