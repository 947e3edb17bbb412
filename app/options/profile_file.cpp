#include "app/options/profile_file.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

namespace picmove {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string trim(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && is_blank(text[begin])) ++begin;
  while (end > begin && is_blank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

std::optional<std::string> read_file(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Lines without their line ends; a final line end adds no empty line.
std::vector<std::string> split_lines(const std::string& content) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// "[name]" lines open a section; returns the name, or nothing for other lines.
std::optional<std::string> section_name(const std::string& line) {
  const std::string t = trim(line);
  if (t.size() < 2 || t.front() != '[') return std::nullopt;
  const std::size_t close = t.find(']');
  if (close == std::string::npos) return std::nullopt;
  return trim(std::string_view(t).substr(1, close - 1));
}

// "key=value" lines; returns the trimmed key.
std::optional<std::string> key_name(const std::string& line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string::npos) return std::nullopt;
  const std::string t = trim(std::string_view(line).substr(0, eq));
  if (t.empty() || t.front() == ';') return std::nullopt;
  return t;
}

std::string clean_value(std::string_view raw) {
  std::string value = trim(raw);
  // One pair of enclosing quotes goes, as the old profile functions did.
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  if (value.size() > kProfileValueLimit) value.resize(kProfileValueLimit);
  return value;
}

}  // namespace

std::string read_profile_string(const std::filesystem::path& file, const std::string& section,
                                const std::string& key, const std::string& fallback) {
  const auto content = read_file(file);
  if (!content) return fallback;
  bool in_section = false;
  for (const auto& line : split_lines(*content)) {
    if (auto name = section_name(line)) {
      in_section = same_name(*name, section);
      continue;
    }
    if (!in_section) continue;
    if (auto k = key_name(line); k && same_name(*k, key)) {
      return clean_value(std::string_view(line).substr(line.find('=') + 1));
    }
  }
  return fallback;
}

bool write_profile_string(const std::filesystem::path& file, const std::string& section,
                          const std::string& key, const std::string& value) {
  std::vector<std::string> lines;
  if (auto content = read_file(file)) lines = split_lines(*content);

  const std::string entry = key + "=" + value;
  std::optional<std::size_t> section_line;  // index of the section's header
  std::size_t last_content = 0;             // last non-blank line of the section
  bool written = false;
  for (std::size_t i = 0; i < lines.size() && !written; ++i) {
    if (auto name = section_name(lines[i])) {
      if (section_line) break;  // past our section
      if (same_name(*name, section)) {
        section_line = i;
        last_content = i;
      }
      continue;
    }
    if (!section_line) continue;
    if (!trim(lines[i]).empty()) last_content = i;
    if (auto k = key_name(lines[i]); k && same_name(*k, key)) {
      lines[i] = entry;  // replaced in place
      written = true;
    }
  }
  if (!written) {
    if (section_line) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last_content) + 1, entry);
    } else {
      lines.push_back("[" + section + "]");
      lines.push_back(entry);
    }
  }

  std::string out;
  for (const auto& line : lines) out += line + "\r\n";
  // The options folder is not created: a missing folder makes the write fail quietly.
  std::ofstream stream(file, std::ios::binary | std::ios::trunc);
  if (!stream) return false;
  stream.write(out.data(), static_cast<std::streamsize>(out.size()));
  stream.close();
  return static_cast<bool>(stream);
}

}  // namespace picmove
