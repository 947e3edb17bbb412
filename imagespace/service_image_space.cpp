#include "imagespace/service_image_space.h"

#include "imagespace/protection.h"
#include "imagespace/upload.h"

namespace picmove {

std::string ServiceImageSpace::upload_picture(const std::string& bytes,
                                              const std::string& resize_width, int /*worker*/,
                                              RunControl& control) {
  return picmove::upload_picture(login_, endpoints_, bytes, resize_width, &control);
}

bool ServiceImageSpace::image_is_protected(const std::string& new_address, RunControl& control) {
  return picmove::image_is_protected(login_, endpoints_, publish_form_, new_address, &control);
}

void ServiceImageSpace::batch_delete(const std::string& file_id, RunControl& control) {
  picmove::batch_delete(login_, endpoints_, file_id, &control);
}

}  // namespace picmove
