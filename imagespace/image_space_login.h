// The seller's login to the image space: one per process, kept from one login to the next and
// from run to run. The workers of an uploading run share it, so every field sits behind one
// lock; requests copy the cookie text under it and merge their answer's cookies back under it.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace picmove {

// Where and how pictures are uploaded, as chosen at the last confirmed login.
struct UploadTarget {
  std::string folder_id;
  std::string public_flag = "false";     // "true" / "false"
  std::string watermark_flag = "false";  // "true" / "false"
};

class ImageSpaceLogin {
 public:
  // The login cookies (a cookie text). Never logged or written anywhere.
  std::string cookies() const;
  void set_cookies(std::string text);

  // What a request needs to send the cookies and merge its answer's cookies back
  // (WebRequestArgs::cookies and ::cookies_lock): the text and the lock that guards it.
  std::string* cookie_slot() { return &cookies_; }
  std::mutex* cookie_lock() { return &mutex_; }

  // Folder names and ids of the last folder-tree answer, in answer order.
  void set_folders(std::vector<std::string> names, std::vector<std::string> ids);
  std::vector<std::string> folder_names() const;
  std::vector<std::string> folder_ids() const;

  UploadTarget target() const;
  void set_target(UploadTarget target);

  // Item id for the protection query; empty until one was learnt, then kept for the process.
  std::string item_id() const;
  void set_item_id(std::string id);

 private:
  mutable std::mutex mutex_;
  std::string cookies_;
  std::vector<std::string> folder_names_;
  std::vector<std::string> folder_ids_;
  UploadTarget target_;
  std::string item_id_;
};

}  // namespace picmove
