// An INI ("profile") file read and written the way the settings have always been stored:
// GBK text, CRLF line ends, section and key names compared without regard to case, values
// trimmed with one pair of enclosing quotes removed, in-place replacement, new keys at the end
// of their section, new sections at the end of the file. The folder is never created.
#pragma once

#include <filesystem>
#include <string>

namespace picmove {

// Longest value a read returns, in bytes (the old read buffer held 10,240 with its zero).
inline constexpr std::size_t kProfileValueLimit = 10239;

// The value of `key` in `section`, or `fallback` when the file, section or key is missing.
// A key with nothing after "=" gives the empty text, not the fallback.
std::string read_profile_string(const std::filesystem::path& file, const std::string& section,
                                const std::string& key, const std::string& fallback = {});

// Writes one key; returns false when the file could not be written (callers may ignore it).
bool write_profile_string(const std::filesystem::path& file, const std::string& section,
                          const std::string& key, const std::string& value);

}  // namespace picmove
