#include "package/save_package.h"

#include <string>

#include "package/gbk.h"

namespace picmove {

std::filesystem::path backup_path(const DataPackage& package, const std::tm& local_time) {
  // 9:05:03 gives "953": the numbers have no leading zeros.
  const std::string stamp = std::to_string(local_time.tm_hour) +
                            std::to_string(local_time.tm_min) +
                            std::to_string(local_time.tm_sec);
  return package.directory / (package.base_name + "_" + stamp + "备份.csv");
}

bool save_package(const DataPackage& package, const std::string& package_text,
                  const OptionsView& options, LogSink& log) {
  static const std::string kSaved = gbk("  文件保存成功！\r\n");
  static const std::string kFailed = gbk("  文件保存失败：");
  static const std::string kRefused =
      gbk("数据包含有零字节，读入的内容不完整，为免丢失数据不写回");

  if (package.refused) {
    write_log(log, kFailed + kRefused + "\r\n");
    return false;
  }
  std::filesystem::path backup;
  if (options.backup()) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    backup = backup_path(package, local);
  }
  const WriteResult written = write_package_text(package.path, package_text, backup);
  if (!written.ok) {
    write_log(log, kFailed + written.error + "\r\n");
    return false;
  }
  write_log(log, kSaved);
  return true;
}

}  // namespace picmove
