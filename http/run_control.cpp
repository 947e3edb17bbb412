#include "http/run_control.h"

namespace picmove {

void RunControl::pause() {
  {
    std::lock_guard lock(mutex_);
    paused_ = true;
  }
  // A sleeper must learn of the pause now, or the paused time would count as waited.
  changed_.notify_all();
}

void RunControl::resume() {
  {
    std::lock_guard lock(mutex_);
    paused_ = false;
  }
  changed_.notify_all();
}

void RunControl::stop() {
  {
    std::lock_guard lock(mutex_);
    stopped_.store(true, std::memory_order_release);
  }
  changed_.notify_all();
}

bool RunControl::paused() const {
  std::lock_guard lock(mutex_);
  return paused_;
}

bool RunControl::pass_gate() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !paused_ || stopped_.load(); });
  return !stopped_.load();
}

bool RunControl::sleep_for(std::chrono::milliseconds duration) {
  using Clock = std::chrono::steady_clock;
  std::unique_lock lock(mutex_);
  auto remaining = duration;
  while (!stopped_.load()) {
    if (paused_) {
      changed_.wait(lock, [this] { return !paused_ || stopped_.load(); });
      continue;
    }
    if (remaining <= std::chrono::milliseconds::zero()) return true;
    const auto start = Clock::now();
    changed_.wait_for(lock, remaining, [this] { return paused_ || stopped_.load(); });
    remaining -= std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  }
  return false;
}

}  // namespace picmove
