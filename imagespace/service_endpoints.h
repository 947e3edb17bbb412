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

// Base URL + path (path begins with "/"); a "/" ending the base is not doubled.
std::string service_address(const std::string& base, const std::string& path);
// The host of a base URL as the "Host:" line names it (with its port when one is given).
std::string service_host(const std::string& base);

// The page the login window shows, and the agent it shows it with.
std::string management_page_address(const ServiceEndpoints& endpoints);
inline constexpr const char* kLoginBrowserAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/63.0.3239.150 Aef/5.18 Qianniu/7.00.08N Safari/537.36";

}  // namespace picmove
