// Pause gate and stop token shared by the workers of a run and the transfers they start.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace picmove {

class RunControl {
 public:
  void pause();
  void resume();
  void stop();  // also releases every paused waiter

  bool paused() const;
  bool stopped() const { return stopped_.load(std::memory_order_acquire); }

  // Blocks while the run is paused. Returns false when the run is stopped.
  bool pass_gate();

  // Waits up to `duration`, holding still while paused (pause time does not count).
  // Returns false as soon as the run is stopped.
  bool sleep_for(std::chrono::milliseconds duration);

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool paused_ = false;
  std::atomic<bool> stopped_{false};
};

}  // namespace picmove
