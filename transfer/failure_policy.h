// The download-failure policy: one process-wide value, 0 until the settings are loaded or saved,
// then 1 keep, 2 delete, 3 download again then delete. Only the settings set it.
#pragma once

#include <cstdint>

namespace picmove {

std::int32_t failure_policy();
void set_failure_policy(std::int32_t policy);

}  // namespace picmove
