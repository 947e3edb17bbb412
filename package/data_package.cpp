#include "package/data_package.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "package/gbk.h"

namespace picmove {

namespace {

// The path rules of the 选择 button on one text (GBK or file-system bytes: "/" and "." are
// single bytes below every GBK trail byte, so both encodings split the same way).
struct PathParts {
  std::string path;
  std::string directory;  // up to and including the last "/"
  std::string base_name;  // after the last "/", cut before its last "."
};

PathParts split_path(std::string path) {
  PathParts parts;
  if (path.find('.') == std::string::npos) path += ".csv";
  const std::size_t slash = path.rfind('/');
  const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  parts.directory = path.substr(0, name_start);
  std::string name = path.substr(name_start);
  const std::size_t dot = name.rfind('.');
  // A name without "." (the only "." lies in a folder name) gives an empty base name.
  parts.base_name = dot == std::string::npos ? std::string() : name.substr(0, dot);
  parts.path = std::move(path);
  return parts;
}

ChooseResult apply_choice(DataPackage& package, const PathParts& parts) {
  static const std::string kRefusal = gbk("请检查文件名是否正确！");
  package.text.clear();
  package.text.shrink_to_fit();
  package.loaded = false;
  package.refused = false;
  package.directory = parts.directory;
  package.base_name = parts.base_name;
  ChooseResult result;
  if (parts.base_name.empty()) {
    package.path.clear();
    result.message = kRefusal;
    return result;
  }
  package.path = parts.path;
  result.ok = true;
  return result;
}

std::string errno_text(int error) { return std::strerror(error); }

}  // namespace

std::filesystem::path DataPackage::picture_folder() const {
  return directory / (base_name + "描述图片");
}

std::filesystem::path DataPackage::main_picture_folder() const { return directory / base_name; }

ChooseResult choose_package(DataPackage& package, const std::string& path_text) {
  PathParts parts = split_path(path_text);
  // The rules ran on the GBK text; the record keeps file-system names.
  parts.path = path_from_gbk(parts.path).string();
  parts.directory = path_from_gbk(parts.directory).string();
  parts.base_name = path_from_gbk(parts.base_name).string();
  return apply_choice(package, parts);
}

ChooseResult choose_package(DataPackage& package, const std::filesystem::path& path) {
  return apply_choice(package, split_path(path.string()));
}

LoadedText load_package_text(const std::filesystem::path& path) {
  LoadedText loaded;
  if (path.empty()) return loaded;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return loaded;
  std::string bytes;
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    bytes.resize(static_cast<std::size_t>(info.st_size));
  }
  // Read whole; a file that grows meanwhile is read to its end as well, without doubling the
  // buffer just to see the end of the file.
  std::size_t used = 0;
  bool failed = false;
  char probe[4096];
  for (;;) {
    const bool full = used == bytes.size();
    char* into = full ? probe : bytes.data() + used;
    const std::size_t room = full ? sizeof probe : bytes.size() - used;
    const ssize_t got = ::read(fd, into, room);
    if (got < 0) {
      if (errno == EINTR) continue;
      failed = true;
      break;
    }
    if (got == 0) break;
    if (full) {
      bytes.append(probe, static_cast<std::size_t>(got));
      bytes.resize(bytes.capacity());
    }
    used += static_cast<std::size_t>(got);
  }
  ::close(fd);
  if (failed) return loaded;
  bytes.resize(used);
  loaded.readable = true;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    loaded.utf16 = true;
    loaded.text = utf16le_to_gbk(bytes, &loaded.replaced);
    return loaded;
  }
  const std::size_t zero = bytes.find('\0');
  if (zero != std::string::npos) {
    loaded.zero_byte = true;
    bytes.resize(zero);
  }
  loaded.text = std::move(bytes);
  return loaded;
}

WriteResult write_package_text(const std::filesystem::path& path, const std::string& gbk_text,
                               const std::filesystem::path& backup) {
  WriteResult result;
  auto fail = [&](const std::string& what, int error) {
    result.ok = false;
    result.error = gbk(what) + errno_text(error);
    return result;
  };
  if (path.empty()) return fail("没有数据包路径：", ENOENT);

  // The temporary file lies beside the package, so the final rename stays on one file system.
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  std::string temp_name = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
  const int fd = mkstemp(temp_name.data());
  if (fd < 0) return fail("无法创建临时文件：", errno);

  // The new file keeps the permissions of the package it replaces.
  struct stat original {};
  if (stat(path.c_str(), &original) == 0) {
    fchmod(fd, original.st_mode & 07777);
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }

  const char* data = gbk_text.data();
  std::size_t left = gbk_text.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      ::unlink(temp_name.c_str());
      return fail("写入失败：", error);
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    const int error = errno;
    ::unlink(temp_name.c_str());
    return fail("写入失败：", error);
  }

  bool moved_to_backup = false;
  if (!backup.empty() && std::filesystem::exists(path)) {
    // Never over an existing backup: the first backup of a name is the one kept.
    int rc = ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, backup.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
      // A file system without RENAME_NOREPLACE: link refuses an existing name as well.
      rc = ::link(path.c_str(), backup.c_str());
      if (rc == 0) ::unlink(path.c_str());
    }
    moved_to_backup = rc == 0;
    result.backup_kept_existing = rc != 0 && errno == EEXIST;
  }

  if (std::rename(temp_name.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp_name.c_str());
    // Put the original back where it was, so a failed save leaves the package as it was.
    if (moved_to_backup) std::rename(backup.c_str(), path.c_str());
    return fail("无法替换数据包：", error);
  }
  result.ok = true;
  result.backup_written = moved_to_backup;
  return result;
}

std::string path_to_gbk(const std::filesystem::path& path) { return utf8_to_gbk(path.string()); }

std::filesystem::path path_from_gbk(const std::string& gbk_text) {
  return std::filesystem::path(gbk_to_utf8(gbk_text));
}

}  // namespace picmove
