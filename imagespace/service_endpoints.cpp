#include "imagespace/service_endpoints.h"

#include "http/web_request.h"

namespace picmove {

std::string service_address(const std::string& base, const std::string& path) {
  std::string address = base;
  while (!address.empty() && address.back() == '/') address.pop_back();
  return address + path;
}

std::string service_host(const std::string& base) { return url_host(base, true); }

std::string management_page_address(const ServiceEndpoints& endpoints) {
  return service_address(endpoints.manage, "/redaction/manager.htm");
}

}  // namespace picmove
