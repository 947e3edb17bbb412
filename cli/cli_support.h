// What the commands of picmove-cli share: arguments, options, output in UTF-8.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/options/settings.h"
#include "package/options_view.h"

namespace picmove::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Writes a GBK text to stdout in UTF-8 followed by "\n".
void print_line(const std::string& gbk_text);
// One-line error on stderr: "picmove-cli: " + message (UTF-8).
int fail(int status, const std::string& utf8_message);

// The directory of the running program (its options live in options/options.ini below it).
std::filesystem::path program_directory();

// The options file's settings turned into the options a run reads.
PlainOptions options_from_settings(const PlainSettings& settings);

// Loads the options file into a plain settings record (also sets the failure policy).
PlainSettings load_settings_file(const std::optional<std::filesystem::path>& options_file);

// Simple flag parsing: returns false with a message on an unknown flag.
struct ParsedArgs {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> flags;  // "--name", value ("" for switches)
};
bool parse_args(const std::vector<std::string>& args, const std::vector<std::string>& switches,
                const std::vector<std::string>& valued, ParsedArgs& out, std::string& error);

}  // namespace picmove::cli
