// One picture of a run: obtaining its bytes, the failure test, its type and file name, and
// storing it in the picture folder.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "http/run_control.h"

namespace picmove {

// The 49-byte 1 x 1 GIF some servers hand out instead of a missing picture.
std::string_view placeholder_picture();

// The hexadecimal text the type test compares: the first 10 bytes, a zero byte as "00",
// every other byte in upper-case hex without a leading zero (0x0A is "A").
std::string byte_rendering(std::string_view bytes);

// "jpg", "tga", "gif", "png", "bmp", "tiff", "ico", "iff", "ani", or the first 10 characters of
// the rendering followed by ".JPG".
std::string picture_type(std::string_view bytes);

// Digits 9..24 of the lowercase MD5 hex of the address bytes (GBK), ".", the picture type.
std::string picture_file_name(std::string_view address, std::string_view bytes);

// Empty, "No input file specified.\n" or "404" before the first zero byte, or the placeholder.
bool download_failed(std::string_view bytes);

// The two request engines a picture download uses; replaceable for tests.
struct PictureEngines {
  using Engine = std::function<std::string(const std::string& url, RunControl* control)>;
  Engine first;   // com_web_request with every default
  Engine second;  // timed_web_request with every default
  static PictureEngines standard();
};

struct Picture {
  std::string bytes;
  std::string name;  // picture file name
};

// The key of a main-image address (text before the first ":") when it names a plain file:
// empty, a path separator or ".." make it unusable and the result is false.
bool main_image_key(std::string_view address, std::string& key);

// Reads main_picture_folder/<key>.tbi for a "#" entry; empty when the key is unusable or the
// file cannot be read.
std::string read_main_image(const std::filesystem::path& main_picture_folder,
                            std::string_view address);

// The first engine (or the main-image file for "#"), then the second engine once when the name
// comes out longer than 20 characters; the second result replaces the first.
Picture obtain_picture(const std::string& entry, const std::filesystem::path& main_picture_folder,
                       const PictureEngines& engines, RunControl* control);

struct StoreResult {
  bool ok = false;
  std::string error;  // reason when not ok (system text)
};

// Writes the bytes to a fresh temporary file in `folder` and renames it over folder/name, so
// that two rows storing the same name at once leave one whole copy.
StoreResult store_picture(const std::filesystem::path& folder, const std::string& name,
                          std::string_view bytes);

}  // namespace picmove
