#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace kokit {

// A periodic timer for callers without windows of their own, on a QTimer. It belongs to the
// thread that creates it, which must run a Qt event loop (normally the GUI thread); the Timer
// event is raised there, once per tick, while Enabled is true and Interval is above 0.
class KoTimer {
 public:
  KoTimer();
  ~KoTimer();
  KoTimer(const KoTimer&) = delete;
  KoTimer& operator=(const KoTimer&) = delete;
  KoTimer(KoTimer&&) noexcept;
  KoTimer& operator=(KoTimer&&) noexcept;

  // Milliseconds between ticks, 0 (the initial value) to 65535; 0 stops the timer. A value
  // outside that range throws kokit::Error (ERANGE) and changes nothing. Setting it while the
  // timer runs starts the next interval afresh.
  int32_t Interval() const;
  void SetInterval(int32_t interval);

  // True initially, as a window timer is: ticks start as soon as Interval is set above 0.
  bool Enabled() const;
  void SetEnabled(bool enabled);

  // The Timer event; an empty function removes the handler. The handler may change Interval,
  // Enabled or the handler itself.
  void OnTimer(std::function<void()> handler);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kokit
