// What the upload stage of a run needs from the image space, and the login before a run.
// ServiceImageSpace is the real one; tests use fakes.
#pragma once

#include <string>

#include "http/run_control.h"

namespace picmove {

class ImageSpace {
 public:
  virtual ~ImageSpace() = default;

  // Uploads one picture into the chosen folder. Returns "file id,size,address" (parts may be
  // empty), or a text holding "风险" (risk check) or "不足" (space full), GBK. `control` lets a
  // pause hold the transfer and a stop abort it.
  virtual std::string upload_picture(const std::string& bytes, const std::string& resize_width,
                                     int worker, RunControl& control) = 0;

  // Whether the uploaded picture takes part in picture protection.
  virtual bool image_is_protected(const std::string& new_address, RunControl& control) = 0;

  // Deletes an uploaded file; the answer is not looked at.
  virtual void batch_delete(const std::string& file_id, RunControl& control) = 0;
};

class LoginProvider {
 public:
  virtual ~LoginProvider() = default;
  // Shows the login (a window, or a cookie file read) and returns when it is done. Returns true
  // when the user cancelled it.
  virtual bool login() = 0;
};

}  // namespace picmove
