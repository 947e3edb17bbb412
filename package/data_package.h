// The data package: choosing the file, reading it whole as one GBK text, writing it back.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace picmove {

struct DataPackage {
  std::filesystem::path path;       // the package file (the path box)
  std::filesystem::path directory;  // the folder of the package file
  std::string base_name;            // file name without its last extension (file-system bytes)
  std::string text;                 // the whole package, GBK
  bool loaded = false;              // `text` was loaded by add to list from `path`
  bool refused = false;             // the file cannot be written back faithfully: never save it

  // directory / (base name + "描述图片"): where pictures are stored locally.
  std::filesystem::path picture_folder() const;
  // directory / base name: the package's own main-picture files (<key>.tbi).
  std::filesystem::path main_picture_folder() const;
};

struct ChooseResult {
  bool ok = false;
  std::string message;  // GBK refusal text when not ok ("请检查文件名是否正确！")
};

// Applies the path rules of the 选择 button: ".csv" appended when the path has no "." at all,
// directory up to the last separator, base name cut before its last ".". Empties the text.
// `path_text` is the path box's text (GBK). When the base name comes out empty the path is
// cleared (directory and base name keep what was computed) and the refusal is returned.
ChooseResult choose_package(DataPackage& package, const std::string& path_text);
// The same rules on a file-system path (the command line's argument).
ChooseResult choose_package(DataPackage& package, const std::filesystem::path& path);

struct LoadedText {
  std::string text;               // GBK
  bool readable = false;          // the file could be opened and read
  bool utf16 = false;             // began with FF FE
  std::size_t replaced = 0;       // UTF-16 characters GBK could not hold, now "?"
  bool zero_byte = false;         // 8-bit content held a zero byte: the text stops before it
};

LoadedText load_package_text(const std::filesystem::path& path);

struct WriteResult {
  bool ok = false;
  std::string error;                  // GBK reason when not ok
  bool backup_written = false;        // the original file now lies at the backup name
  bool backup_kept_existing = false;  // the backup name was taken: that first backup is kept
};

// Writes `gbk_text` to a temporary file in the same folder and renames it over `path`, so a
// crash or a full disk never leaves a half-written package. When `backup` is not empty, the
// original file is moved there after the temporary file was written and before the rename;
// an existing file of that name is never replaced. A failed write moves nothing.
WriteResult write_package_text(const std::filesystem::path& path, const std::string& gbk_text,
                               const std::filesystem::path& backup = {});

// Converts a path (file-system bytes, UTF-8 on this platform) to GBK text and back.
std::string path_to_gbk(const std::filesystem::path& path);
std::filesystem::path path_from_gbk(const std::string& gbk_text);

}  // namespace picmove
