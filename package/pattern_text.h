// Regular expressions over the package text: compiled the one way the system uses them (Perl
// syntax, letter case ignored, "." also matching line breaks) and replaced in one pass.
#pragma once

#include <boost/regex.hpp>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace picmove {

// A pattern that does not compile gives an empty regex (which matches nothing).
boost::regex compile_pattern(std::string_view pattern);

// Replaces every match by `replacement`, inserted literally; the text between matches is
// copied unchanged. The text is rebuilt only when something matched. Returns the match count.
std::size_t replace_pattern(std::string& text, const boost::regex& pattern,
                            std::string_view replacement);

// Like replace_pattern, but `put` writes what takes each match's place.
std::size_t replace_pattern_with(
    std::string& text, const boost::regex& pattern,
    const std::function<void(const boost::smatch&, std::string&)>& put);

// Case-insensitive (ASCII) removal of every occurrence of `find`, one pass.
std::size_t remove_ignoring_case(std::string& text, std::string_view find);

}  // namespace picmove
