// Whether an uploaded picture takes part in the platform's picture protection, and the removal
// of such an upload.
#pragma once

#include <string>

#include "http/run_control.h"
#include "imagespace/image_space_login.h"
#include "imagespace/service_endpoints.h"

namespace picmove {

// The value of the cookie whose name ends in "token_" (up to the next ";"); empty when it is
// missing or is the last cookie of the text.
std::string form_token(const std::string& cookies);

// Asks whether the picture at `new_address` is protected. Learns an item id first by posting
// `publish_form` ("{token}" replaced by the form token) until the service names one. Any answer
// without "pass" means protected; no answer at all (a failed request) does not, so that a
// network failure never deletes the seller's pictures from the descriptions.
bool image_is_protected(ImageSpaceLogin& login, const ServiceEndpoints& endpoints,
                        const std::string& publish_form, const std::string& new_address,
                        RunControl* control = nullptr);

// Deletes an uploaded file from the image space; the answer is not looked at.
void batch_delete(ImageSpaceLogin& login, const ServiceEndpoints& endpoints,
                  const std::string& file_id, RunControl* control = nullptr);

}  // namespace picmove
