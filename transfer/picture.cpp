#include "transfer/picture.h"

#include <openssl/evp.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "http/com_web_request.h"
#include "http/timed_web_request.h"
#include "package/address_list.h"

namespace picmove {
namespace {

constexpr unsigned char kPlaceholder[49] = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x91, 0x00, 0x00,
    0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x21,
    0xF9, 0x04, 0x01, 0x00, 0x00, 0x02, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01,
    0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x54, 0x01, 0x00, 0x3B};

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string read_whole_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::string();
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::string();
  return bytes;
}

}  // namespace

std::string_view placeholder_picture() {
  return std::string_view(reinterpret_cast<const char*>(kPlaceholder), sizeof kPlaceholder);
}

std::string byte_rendering(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  const std::size_t n = bytes.size() < 10 ? bytes.size() : 10;
  for (std::size_t i = 0; i < n; ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b == 0) {
      text += "00";
    } else {
      if (b >= 0x10) text += kHex[b >> 4];
      text += kHex[b & 0x0F];
    }
  }
  return text;
}

std::string picture_type(std::string_view bytes) {
  const std::string r = byte_rendering(bytes);
  if (starts_with(r, "FFD8")) return "jpg";
  if (starts_with(r, "0000100000")) return "tga";
  if (starts_with(r, "474946383961") || starts_with(r, "474946383761")) return "gif";
  if (starts_with(r, "89504E47")) return "png";
  if (starts_with(r, "424D")) return "bmp";
  if (starts_with(r, "4D4D") || starts_with(r, "4949")) return "tiff";
  if (starts_with(r, "00001001002020")) return "ico";
  if (starts_with(r, "464F524D")) return "iff";
  if (starts_with(r, "52494646")) return "ani";
  return r.substr(0, 10) + ".JPG";
}

std::string picture_file_name(std::string_view address, std::string_view bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  std::string hex;
  if (EVP_Digest(address.data(), address.size(), digest, &length, EVP_md5(), nullptr) == 1) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (unsigned int i = 0; i < length; ++i) {
      hex += kHex[digest[i] >> 4];
      hex += kHex[digest[i] & 0x0F];
    }
  }
  // Digits 9..24 of the 32.
  std::string name = hex.size() >= 24 ? hex.substr(8, 16) : hex;
  name += '.';
  name += picture_type(bytes);
  return name;
}

bool download_failed(std::string_view bytes) {
  if (bytes.empty()) return true;
  const std::string_view text = bytes.substr(0, bytes.find('\0'));
  if (text == "No input file specified.\n") return true;
  if (text.find("404") != std::string_view::npos) return true;
  return bytes == placeholder_picture();
}

PictureEngines PictureEngines::standard() {
  PictureEngines engines;
  engines.first = [](const std::string& url, RunControl* control) {
    return com_web_request(url, control);
  };
  engines.second = [](const std::string& url, RunControl* control) {
    return timed_web_request(url, control);
  };
  return engines;
}

bool main_image_key(std::string_view address, std::string& key) {
  const std::size_t colon = address.find(':');
  const std::string_view k = colon == std::string_view::npos ? std::string_view() : address.substr(0, colon);
  // The key becomes a file name next to the package; anything that could leave that folder is
  // not read.
  if (k.empty() || k.find('/') != std::string_view::npos ||
      k.find('\\') != std::string_view::npos || k.find("..") != std::string_view::npos ||
      k.find('\0') != std::string_view::npos) {
    return false;
  }
  key.assign(k);
  return true;
}

std::string read_main_image(const std::filesystem::path& main_picture_folder,
                            std::string_view address) {
  std::string key;
  if (!main_image_key(address, key)) return std::string();
  return read_whole_file(main_picture_folder / std::filesystem::path(key + ".tbi"));
}

Picture obtain_picture(const std::string& entry, const std::filesystem::path& main_picture_folder,
                       const PictureEngines& engines, RunControl* control) {
  const std::string address = entry_address(entry);
  Picture picture;
  if (entry_marker(entry) == '#') {
    picture.bytes = read_main_image(main_picture_folder, address);
  } else {
    picture.bytes = engines.first(address, control);
  }
  picture.name = picture_file_name(address, picture.bytes);
  // A name longer than 20 characters means an unknown or four-letter type: the second engine
  // gets one try, and its answer is taken even when it is worse.
  if (picture.name.size() > 20 && !(control && control->stopped())) {
    picture.bytes = engines.second(address, control);
    picture.name = picture_file_name(address, picture.bytes);
  }
  return picture;
}

StoreResult store_picture(const std::filesystem::path& folder, const std::string& name,
                          std::string_view bytes) {
  static std::atomic<unsigned long> counter{0};
  const std::filesystem::path target = folder / std::filesystem::path(name);
  const std::filesystem::path temp =
      folder / std::filesystem::path("." + name + "." + std::to_string(++counter) + ".part");

  StoreResult result;
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) {
    result.error = std::strerror(errno);
    return result;
  }
  bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  int saved_errno = written ? 0 : errno;
  if (std::fclose(file) != 0 && written) {
    written = false;
    saved_errno = errno;
  }
  std::error_code ec;
  if (!written) {
    std::filesystem::remove(temp, ec);
    result.error = std::strerror(saved_errno ? saved_errno : EIO);
    return result;
  }
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    result.error = ec.message();
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace picmove
