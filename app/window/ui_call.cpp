#include "app/window/ui_call.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace picmove::window {

UiCall::UiCall(QObject* context) : context_(context), gate_(std::make_shared<Gate>()) {}

void UiCall::run_and_wait(std::function<void()> work) {
  if (QThread::currentThread() == context_->thread()) {
    if (!closed()) work();
    return;
  }
  auto gate = gate_;
  auto done = std::make_shared<bool>(false);  // guarded by gate->mutex
  {
    std::lock_guard lock(gate->mutex);
    if (gate->closed) return;
  }
  QMetaObject::invokeMethod(
      context_,
      [gate, done, work = std::move(work)] {
        bool closed = false;
        {
          std::lock_guard lock(gate->mutex);
          closed = gate->closed;
        }
        if (!closed) work();
        std::lock_guard lock(gate->mutex);
        *done = true;
        gate->changed.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(gate->mutex);
  gate->changed.wait(lock, [&] { return *done || gate->closed; });
}

void UiCall::close() {
  std::lock_guard lock(gate_->mutex);
  gate_->closed = true;
  gate_->changed.notify_all();
}

bool UiCall::closed() const {
  std::lock_guard lock(gate_->mutex);
  return gate_->closed;
}

}  // namespace picmove::window
