#include "imagespace/publish_form.h"

#include <fstream>
#include <iterator>

namespace picmove {

std::filesystem::path publish_form_path(const std::filesystem::path& options_directory) {
  return options_directory / "publish_form.txt";
}

std::string load_publish_form(const std::filesystem::path& options_directory) {
  std::ifstream in(publish_form_path(options_directory), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return builtin_publish_form();
  const std::size_t last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace picmove
