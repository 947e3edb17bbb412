// base64 with the rules the 5.36 packages need (no line breaks; decoding drops zero bytes).
#pragma once

#include <string>
#include <string_view>

namespace picmove {

std::string base64_encode(std::string_view bytes);
// Empty when the text is empty or its length is not a multiple of 4; zero bytes are dropped.
std::string base64_decode(std::string_view text);
// Only alphabet characters, "=" only at the end (at most two), length a multiple of 4.
bool is_valid_base64(std::string_view text);

}  // namespace picmove
