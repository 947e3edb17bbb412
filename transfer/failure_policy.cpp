#include "transfer/failure_policy.h"

#include <atomic>

namespace picmove {
namespace {
std::atomic<std::int32_t> g_failure_policy{0};
}

std::int32_t failure_policy() { return g_failure_policy.load(); }
void set_failure_policy(std::int32_t policy) { g_failure_policy.store(policy); }

}  // namespace picmove
