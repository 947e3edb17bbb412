// picmove-cli list PACKAGE.csv [--options FILE] [--tmall536] [--protected]
#include <fstream>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/progress_line.h"
#include "package/address_extraction.h"
#include "package/gbk.h"

namespace picmove::cli {

int list_command(const std::vector<std::string>& args) {
  ParsedArgs parsed;
  std::string error;
  if (!parse_args(args, {"--tmall536", "--protected"}, {"--options"}, parsed, error)) {
    return fail(kExitUsage, error);
  }
  if (parsed.positional.size() != 1) {
    return fail(kExitUsage, "usage: picmove-cli list PACKAGE.csv [--options FILE] [--tmall536] [--protected]");
  }
  std::optional<std::filesystem::path> options_file;
  bool tmall536 = false, protected_pictures = false;
  for (const auto& [name, value] : parsed.flags) {
    if (name == "--options") options_file = value;
    if (name == "--tmall536") tmall536 = true;
    if (name == "--protected") protected_pictures = true;
  }
  if (options_file && !std::ifstream(*options_file)) {
    return fail(kExitUsage, "cannot read the options file " + options_file->string());
  }

  PlainOptions options = options_from_settings(load_settings_file(options_file));
  options.tmall536_on = options.tmall536_on || tmall536;
  options.protected_on = options.protected_on || protected_pictures;

  DataPackage package;
  const ChooseResult chosen = choose_package(package, std::filesystem::path(parsed.positional[0]));
  if (!chosen.ok) return fail(kExitUsage, gbk_to_utf8(chosen.message));
  if (!std::ifstream(package.path, std::ios::binary)) {
    return fail(kExitFailure, "cannot read the package " + package.path.string());
  }

  AddressList list;
  ProgressLogSink log(false);  // log lines only: listing shows no progress line
  const ListResult result = add_to_list(package, options, list, log);
  if (result.refused) {
    return fail(kExitFailure, "the package was refused (see the log above); nothing was listed");
  }
  for (const auto& row : list.rows()) print_line(row.entry);
  std::fflush(stdout);
  return kExitOk;
}

}  // namespace picmove::cli
