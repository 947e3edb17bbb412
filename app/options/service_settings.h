// Section "SERVICE" of the options file: the platform's base URLs and the upload key.
#pragma once

#include <filesystem>

#include "imagespace/service_endpoints.h"

namespace picmove {

// Every missing or empty key keeps its default.
ServiceEndpoints read_service_endpoints(const std::filesystem::path& options_file);

}  // namespace picmove
