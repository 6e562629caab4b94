#include "kokit/EventPump.h"

#include <memory>
#include <mutex>

namespace kokit {

namespace {

struct PumpSlot {
  std::mutex mutex;
  std::shared_ptr<const std::function<void()>> pump;
};

PumpSlot& Slot() {
  static PumpSlot slot;
  return slot;
}

}  // namespace

void SetEventPump(std::function<void()> pump) {
  auto next = pump ? std::make_shared<const std::function<void()>>(std::move(pump)) : nullptr;
  PumpSlot& slot = Slot();
  std::lock_guard lock(slot.mutex);
  slot.pump.swap(next);
  // The old pump is released after the lock; a pump that is running keeps its own copy.
}

void PumpEvents() {
  std::shared_ptr<const std::function<void()>> pump;
  {
    PumpSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    pump = slot.pump;
  }
  // Called outside the lock: the pump may re-enter a wait or install another pump.
  if (pump) (*pump)();
}

}  // namespace kokit
