// Puts one picture into the chosen image-space folder through the stream-upload interface.
#pragma once

#include <string>

#include "http/run_control.h"
#include "imagespace/image_space_login.h"
#include "imagespace/service_endpoints.h"

namespace picmove {

// The multipart body: the fixed form with the picture bytes in place of its placeholder
// (368 bytes + the picture; the file is always sent as "123.jpg", "image/jpeg").
std::string upload_body(const std::string& picture);
// The nine header lines, CR LF between them and none after the last.
std::string upload_headers(const ServiceEndpoints& endpoints);
// The upload address; `resize_width` "0" means no resize part.
std::string upload_address(const ServiceEndpoints& endpoints, const UploadTarget& target,
                           const std::string& resize_width);

// The two answers the run waits out (GBK, each beginning with a space).
const std::string& upload_risk_message();
const std::string& upload_full_message();

// The upload outcome read from an answer (GBK): the risk or full-space message, or
// "file id,size,address" with empty parts where the answer lacked them.
std::string read_upload_answer(const std::string& answer_gbk);

// Uploads the picture with the login's cookies (merged with the answer's) into its folder.
// Every call lasts at least 1.4 s; the wait holds while `control` is paused and ends on a stop.
std::string upload_picture(ImageSpaceLogin& login, const ServiceEndpoints& endpoints,
                           const std::string& picture, const std::string& resize_width,
                           RunControl* control = nullptr);

}  // namespace picmove
