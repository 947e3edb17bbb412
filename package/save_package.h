// Saving the package: optional backup of the file on disk, then the write, then one log line.
#pragma once

#include <ctime>
#include <filesystem>
#include <string>

#include "package/data_package.h"
#include "package/log_sink.h"
#include "package/options_view.h"

namespace picmove {

// directory / (base name + "_" + H + M + S + "备份.csv"), numbers without leading zeros.
std::filesystem::path backup_path(const DataPackage& package, const std::tm& local_time);

// Logs "  文件保存成功！" or "  文件保存失败：" + reason. Returns whether the package was written.
bool save_package(const DataPackage& package, const std::string& package_text,
                  const OptionsView& options, LogSink& log);

}  // namespace picmove
