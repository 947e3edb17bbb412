// picmove-cli folders --cookies FILE [--options FILE]
// Lists the image-space folders the cookies give access to: name, tab, id, in answer order.
#include <cstdio>

#include "app/options/service_settings.h"
#include "app/options/settings.h"
#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/cookie_login.h"
#include "imagespace/folder_tree.h"

namespace picmove::cli {

int folders_command(const std::vector<std::string>& args) {
  constexpr const char* kUsage = "usage: picmove-cli folders --cookies FILE [--options FILE]";
  ParsedArgs parsed;
  std::string error;
  if (!parse_args(args, {}, {"--cookies", "--options"}, parsed, error)) {
    return fail(kExitUsage, error);
  }
  std::optional<std::filesystem::path> cookie_file, options_file;
  for (const auto& [name, value] : parsed.flags) {
    if (name == "--cookies") cookie_file = value;
    if (name == "--options") options_file = value;
  }
  if (!parsed.positional.empty() || !cookie_file) return fail(kExitUsage, kUsage);

  std::string cookies;
  if (!read_cookie_file(*cookie_file, cookies, error)) return fail(kExitFailure, error);
  const ServiceEndpoints endpoints = read_service_endpoints(
      options_file ? *options_file : options_file_path(program_directory()));

  ImageSpaceLogin login;
  const FolderTree tree = refresh_folders(login, endpoints, cookies);
  if (tree.ids.empty()) {
    return fail(kExitFailure, "the service listed no folders: the cookies may have expired; log "
                              "in again and copy them anew");
  }
  // Paired by position, as the login window pairs the n-th name with the n-th id.
  for (std::size_t i = 0; i < tree.ids.size(); ++i) {
    print_line((i < tree.names.size() ? tree.names[i] : std::string()) + "\t" + tree.ids[i]);
  }
  if (tree.names.size() != tree.ids.size()) {
    std::fprintf(stderr,
                 "picmove-cli: the answer held %zu names for %zu ids (a folder without a name "
                 "shifts the pairs); check the ids before using one\n",
                 tree.names.size(), tree.ids.size());
  }
  return kExitOk;
}

}  // namespace picmove::cli
