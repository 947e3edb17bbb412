// The commands of picmove-cli; each returns the process exit status.
#pragma once

#include <string>
#include <vector>

namespace picmove::cli {

int list_command(const std::vector<std::string>& args);
int run_command(const std::vector<std::string>& args);
int folders_command(const std::vector<std::string>& args);

}  // namespace picmove::cli
