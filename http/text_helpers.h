// Marker-based text extraction on GBK texts. Positions are 1-based byte positions; searches
// step over a GBK double-byte character as one unit, so they never match inside one.
#pragma once

#include <string>
#include <string_view>

namespace picmove {

// Text between `left` and the next `right` after it; "#引号" in a marker stands for a double
// quote. Searching starts at `start` (1-based; below 1 means 1). Empty when a marker is missing.
std::string text_between(std::string_view text, std::string_view left, std::string_view right,
                         int start = 1, bool case_insensitive = false);

// Case-sensitive; an empty marker means the start or the end of the text.
std::string slice_between(std::string_view text, std::string_view left, std::string_view right);

// Everything after the last occurrence of `marker`; empty when it does not occur.
std::string text_after_last(std::string_view text, std::string_view marker);

// Removes leading and trailing ASCII spaces.
std::string trim_spaces(std::string_view text);

// GBK-aware search: first occurrence of `needle` at or after byte offset `from` (0-based),
// starting only on character boundaries. npos when absent.
std::size_t gbk_find(std::string_view haystack, std::string_view needle, std::size_t from = 0,
                     bool case_insensitive = false);

}  // namespace picmove
