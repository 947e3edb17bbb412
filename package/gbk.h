// Text conversions. Inside the core every text is GBK bytes; these are the only places where
// GBK meets UTF-8 and UTF-16LE. Characters GBK cannot hold become "?".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace picmove {

// UTF-8 bytes to GBK; the result ends at the first NUL character.
std::string utf8_to_gbk(std::string_view utf8, std::size_t* replaced = nullptr);

// GBK to UTF-8; bytes that are not valid GBK become "?".
std::string gbk_to_utf8(std::string_view gbk);

// UTF-16LE bytes (a leading byte-order mark is dropped) to GBK. `replaced` counts the
// characters that became "?"; the result ends at the first NUL character.
std::string utf16le_to_gbk(std::string_view utf16, std::size_t* replaced = nullptr);

// A GBK text written in the source as UTF-8, converted once per call site:
// static const std::string& kLine = gbk_literal(u8"...") style use via the macro below.
std::string gbk(std::string_view utf8);

// Is `byte` the first byte of a GBK double-byte character?
inline bool is_gbk_lead_byte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

}  // namespace picmove
