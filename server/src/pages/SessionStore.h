#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "Session.h"

namespace quarlopages {

// Sessions by id, each living until it has been idle for the time-out. A session in use by a
// request never expires under it.
class SessionStore {
 public:
  using Clock = std::chrono::steady_clock;

  SessionStore(std::chrono::seconds timeout, size_t maxSessions)
      : timeout_(timeout), maxSessions_(maxSessions) {}
  ~SessionStore() { CloseAll(); }

  // Holds a session for one request: locks it and keeps it from expiring.
  class Lease {
   public:
    Lease() = default;
    Lease(SessionStore* store, std::shared_ptr<Session> session);
    ~Lease();
    Lease(Lease&& other) noexcept;
    Lease& operator=(Lease&& other) noexcept;
    Session* operator->() const { return session_.get(); }
    Session& operator*() const { return *session_; }
    explicit operator bool() const { return session_ != nullptr; }

   private:
    void Reset();
    SessionStore* store_ = nullptr;
    std::shared_ptr<Session> session_;
    std::unique_lock<std::mutex> lock_;
  };

  // The live session with this id, or an empty lease (unknown or expired).
  Lease Find(const std::string& id);
  // The live session with this id without locking it (null when unknown), for a request that
  // must reach it while another request holds it.
  std::shared_ptr<Session> Peek(const std::string& id);
  // A fresh session; an empty lease when the store is full.
  Lease Create();

  // Closes the sessions idle past the time-out; returns how many.
  size_t Sweep();
  // Asks every running statement to stop.
  void CancelAll();
  // Repeats the stop of every statement a client asked to stop that still runs.
  void RepeatStops();
  // Closes the open cursors idle for `idle` or longer; returns how many.
  size_t CloseIdleCursors(std::chrono::seconds idle);
  // Closes every session.
  void CloseAll();
  size_t Size();

 private:
  struct Entry {
    std::shared_ptr<Session> session;
    Clock::time_point lastUsed;
    int busy = 0;
  };
  void Release(const std::string& id);
  // Takes the expired sessions out; the caller destroys them outside the lock.
  std::vector<std::shared_ptr<Session>> TakeExpired(Clock::time_point now);

  std::chrono::seconds timeout_;
  size_t maxSessions_;
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
};

}  // namespace quarlopages
