// Running a piece of work on the window's thread from a worker and waiting for it, the way the
// last worker of a run opens the completion window. The wait gives up once the window is being
// torn down, so a worker can never hang on a window that will not answer any more.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace picmove::window {

class UiCall {
 public:
  // `context` lives on the window's thread and outlives every call made before close().
  explicit UiCall(QObject* context);
  UiCall(const UiCall&) = delete;
  UiCall& operator=(const UiCall&) = delete;

  // On the window's thread: runs `work` at once. Elsewhere: queues it to the window's thread and
  // blocks until it has run, or until close() was called (then it may never run).
  void run_and_wait(std::function<void()> work);

  // From now on run_and_wait returns at once and every waiting caller is released.
  void close();
  bool closed() const;

 private:
  struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool closed = false;
  };

  QObject* context_;
  std::shared_ptr<Gate> gate_;
};

}  // namespace picmove::window
