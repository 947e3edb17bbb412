// picmove-cli: the processing core without a window, for batch work, scripts and tests.
#include <malloc.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli_support.h"
#include "cli/commands.h"

namespace {

const char* kUsage =
    "usage: picmove-cli list PACKAGE.csv [--options FILE] [--tmall536] [--protected]\n"
    "       picmove-cli run PACKAGE.csv [--options FILE] [--policy 1|2|3] [--backup] [--tmall536]\n"
    "                   [--links keep|remove|replace:TEXT] [--clear-main-links] [--clear-alt]\n"
    "                   [--protected]\n"
    "                   [--upload --cookies FILE --folder-id ID [--public] [--watermark]]\n"
    "       picmove-cli folders --cookies FILE [--options FILE]\n";

}  // namespace

int main(int argc, char** argv) {
  // Workers allocate and free picture bodies all run long; with an arena per thread the freed
  // memory stays with the workers while the package text needs room of its own. One arena lets
  // the large texts reuse it, keeping the peak near twice the package size.
  mallopt(M_ARENA_MAX, 1);
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return picmove::cli::kExitUsage;
  }
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "list") return picmove::cli::list_command(args);
  if (command == "run") return picmove::cli::run_command(args);
  if (command == "folders") return picmove::cli::folders_command(args);
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return picmove::cli::kExitOk;
  }
  std::fputs(kUsage, stderr);
  return picmove::cli::fail(picmove::cli::kExitUsage, "unknown command " + command);
}
