// The image space of a run: the platform's services reached with the seller's login.
#pragma once

#include <string>

#include "imagespace/image_space_login.h"
#include "imagespace/service_endpoints.h"
#include "imagespace/image_space.h"

namespace picmove {

class ServiceImageSpace : public ImageSpace {
 public:
  ServiceImageSpace(ImageSpaceLogin& login, ServiceEndpoints endpoints, std::string publish_form)
      : login_(login), endpoints_(std::move(endpoints)), publish_form_(std::move(publish_form)) {}

  std::string upload_picture(const std::string& bytes, const std::string& resize_width,
                             int worker, RunControl& control) override;
  bool image_is_protected(const std::string& new_address, RunControl& control) override;
  void batch_delete(const std::string& file_id, RunControl& control) override;

 private:
  ImageSpaceLogin& login_;
  const ServiceEndpoints endpoints_;
  const std::string publish_form_;
};

}  // namespace picmove
