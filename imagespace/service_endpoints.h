// The platform's hosts are settings, not constants, so tests can point them at a fake service.
#pragma once

#include <string>

namespace picmove {

struct ServiceEndpoints {
  std::string manage = "https://tadget.taobao.com";           // image-space management
  std::string upload = "https://stream-upload.taobao.com";    // stream upload
  std::string material = "https://tadget.taobao.com";         // image-space material
  std::string publish = "https://upload.taobao.com";          // item publish
  std::string appkey = "tu";                                  // upload application key
};

}  // namespace picmove
