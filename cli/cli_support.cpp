#include "cli/cli_support.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "package/gbk.h"

namespace picmove::cli {
namespace {
std::mutex g_output_mutex;
}

void print_line(const std::string& gbk_text) {
  const std::string utf8 = gbk_to_utf8(gbk_text) + "\n";
  std::lock_guard lock(g_output_mutex);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

int fail(int status, const std::string& utf8_message) {
  std::lock_guard lock(g_output_mutex);
  std::fprintf(stderr, "picmove-cli: %s\n", utf8_message.c_str());
  return status;
}

std::filesystem::path program_directory() {
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::current_path() : exe.parent_path();
}

PlainOptions options_from_settings(const PlainSettings& s) {
  PlainOptions options;
  options.backup_on = s.backup_on;
  options.tmall536_on = s.tmall536_on;
  options.clear_main_links_on = s.clear_main_links_on;
  options.clear_alt_on = s.clear_alt_on;
  options.protected_on = s.protected_on;
  // With no radio button checked the run behaves as with the third (replace) choice.
  options.links = s.links == 1 ? LinkMode::keep : s.links == 2 ? LinkMode::remove : LinkMode::replace;
  options.links_text = s.links_text;
  return options;
}

PlainSettings load_settings_file(const std::optional<std::filesystem::path>& options_file) {
  PlainSettings settings;
  load_settings(settings, options_file ? *options_file : options_file_path(program_directory()));
  return settings;
}

bool parse_args(const std::vector<std::string>& args, const std::vector<std::string>& switches,
                const std::vector<std::string>& valued, ParsedArgs& out, std::string& error) {
  const auto is_one_of = [](const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0 || arg == "--") {
      out.positional.push_back(arg);
      continue;
    }
    std::string name = arg, value;
    const auto eq = arg.find('=');
    if (eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (is_one_of(switches, name) && eq == std::string::npos) {
      out.flags.emplace_back(name, "");
    } else if (is_one_of(valued, name)) {
      if (eq == std::string::npos) {
        if (i + 1 >= args.size()) {
          error = "option " + name + " needs a value";
          return false;
        }
        value = args[++i];
      }
      out.flags.emplace_back(name, value);
    } else {
      error = "unknown option " + arg;
      return false;
    }
  }
  return true;
}

}  // namespace picmove::cli
