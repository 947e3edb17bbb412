#include "imagespace/image_space_login.h"

namespace picmove {

std::string ImageSpaceLogin::cookies() const {
  std::lock_guard lock(mutex_);
  return cookies_;
}

void ImageSpaceLogin::set_cookies(std::string text) {
  std::lock_guard lock(mutex_);
  cookies_ = std::move(text);
}

void ImageSpaceLogin::set_folders(std::vector<std::string> names, std::vector<std::string> ids) {
  std::lock_guard lock(mutex_);
  folder_names_ = std::move(names);
  folder_ids_ = std::move(ids);
}

std::vector<std::string> ImageSpaceLogin::folder_names() const {
  std::lock_guard lock(mutex_);
  return folder_names_;
}

std::vector<std::string> ImageSpaceLogin::folder_ids() const {
  std::lock_guard lock(mutex_);
  return folder_ids_;
}

UploadTarget ImageSpaceLogin::target() const {
  std::lock_guard lock(mutex_);
  return target_;
}

void ImageSpaceLogin::set_target(UploadTarget target) {
  std::lock_guard lock(mutex_);
  target_ = std::move(target);
}

std::string ImageSpaceLogin::item_id() const {
  std::lock_guard lock(mutex_);
  return item_id_;
}

void ImageSpaceLogin::set_item_id(std::string id) {
  std::lock_guard lock(mutex_);
  item_id_ = std::move(id);
}

}  // namespace picmove
