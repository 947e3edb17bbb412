#include "app/options/service_settings.h"

#include "app/options/profile_file.h"

namespace picmove {

ServiceEndpoints read_service_endpoints(const std::filesystem::path& file) {
  ServiceEndpoints endpoints;
  const auto read = [&](const char* key, std::string& value) {
    std::string text = read_profile_string(file, "SERVICE", key);
    if (!text.empty()) value = std::move(text);
  };
  read("manage", endpoints.manage);
  read("upload", endpoints.upload);
  read("material", endpoints.material);
  read("publish", endpoints.publish);
  read("appkey", endpoints.appkey);
  return endpoints;
}

}  // namespace picmove
