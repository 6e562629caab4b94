#include "kokit/KoTimer.h"

#include <QTimer>
#include <cerrno>
#include <string>

#include "kokit/Error.h"

namespace kokit {

namespace {
constexpr int32_t kMaxInterval = 65535;
}

struct KoTimer::Impl {
  QTimer timer;
  bool enabled = true;
  std::function<void()> handler;

  Impl() {
    QObject::connect(&timer, &QTimer::timeout, [this] {
      // A copy, so that the handler may replace itself while it runs.
      auto run = handler;
      if (run) run();
    });
  }

  // The timer runs exactly while it is enabled with a non-zero interval.
  void Apply() {
    if (enabled && timer.interval() > 0) {
      if (!timer.isActive()) timer.start();
    } else {
      timer.stop();
    }
  }
};

KoTimer::KoTimer() : impl_(std::make_unique<Impl>()) {}
KoTimer::~KoTimer() = default;
KoTimer::KoTimer(KoTimer&&) noexcept = default;
KoTimer& KoTimer::operator=(KoTimer&&) noexcept = default;

int32_t KoTimer::Interval() const { return impl_->timer.interval(); }

void KoTimer::SetInterval(int32_t interval) {
  if (interval < 0 || interval > kMaxInterval) {
    throw Error(ERANGE, "Interval must be from 0 to " + std::to_string(kMaxInterval) +
                            " milliseconds, not " + std::to_string(interval));
  }
  // QTimer restarts an active timer with the new interval.
  impl_->timer.setInterval(interval);
  impl_->Apply();
}

bool KoTimer::Enabled() const { return impl_->enabled; }

void KoTimer::SetEnabled(bool enabled) {
  impl_->enabled = enabled;
  impl_->Apply();
}

void KoTimer::OnTimer(std::function<void()> handler) { impl_->handler = std::move(handler); }

}  // namespace kokit
