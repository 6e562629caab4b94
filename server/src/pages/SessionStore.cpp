#include "SessionStore.h"

#include "Secrets.h"

namespace quarlopages {

SessionStore::Lease::Lease(SessionStore* store, std::shared_ptr<Session> session)
    : store_(store), session_(std::move(session)), lock_(session_->mutex) {}

SessionStore::Lease::Lease(Lease&& other) noexcept
    : store_(other.store_), session_(std::move(other.session_)), lock_(std::move(other.lock_)) {
  other.store_ = nullptr;
}

SessionStore::Lease& SessionStore::Lease::operator=(Lease&& other) noexcept {
  if (this == &other) return *this;
  Reset();
  store_ = other.store_;
  session_ = std::move(other.session_);
  lock_ = std::move(other.lock_);
  other.store_ = nullptr;
  return *this;
}

SessionStore::Lease::~Lease() { Reset(); }

void SessionStore::Lease::Reset() {
  if (!session_) return;
  std::string id = session_->id;
  lock_ = {};
  session_.reset();
  store_->Release(id);
}

void SessionStore::Release(const std::string& id) {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(id);
  if (it == entries_.end()) return;
  --it->second.busy;
  it->second.lastUsed = Clock::now();
}

std::vector<std::shared_ptr<Session>> SessionStore::TakeExpired(Clock::time_point now) {
  std::vector<std::shared_ptr<Session>> expired;
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (it->second.busy == 0 && now - it->second.lastUsed > timeout_) {
      expired.push_back(std::move(it->second.session));
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
  return expired;
}

SessionStore::Lease SessionStore::Find(const std::string& id) {
  std::shared_ptr<Session> session;
  std::vector<std::shared_ptr<Session>> expired;
  {
    std::lock_guard lock(mutex_);
    auto it = entries_.find(id);
    if (it == entries_.end()) return {};
    auto now = Clock::now();
    if (it->second.busy == 0 && now - it->second.lastUsed > timeout_) {
      expired.push_back(std::move(it->second.session));
      entries_.erase(it);
    } else {
      ++it->second.busy;
      it->second.lastUsed = now;
      session = it->second.session;
    }
  }
  if (!session) return {};  // `expired` closes its connection here, outside the lock
  return Lease(this, std::move(session));
}

std::shared_ptr<Session> SessionStore::Peek(const std::string& id) {
  std::lock_guard lock(mutex_);
  auto it = entries_.find(id);
  return it == entries_.end() ? nullptr : it->second.session;
}

SessionStore::Lease SessionStore::Create() {
  std::shared_ptr<Session> session;
  std::vector<std::shared_ptr<Session>> expired;
  {
    std::lock_guard lock(mutex_);
    auto now = Clock::now();
    if (entries_.size() >= maxSessions_) expired = TakeExpired(now);
    if (entries_.size() >= maxSessions_) return {};
    std::string id;
    do id = NewSessionId();
    while (entries_.count(id));
    session = std::make_shared<Session>(id);
    entries_[id] = Entry{session, now, 1};
  }
  return Lease(this, std::move(session));
}

size_t SessionStore::Sweep() {
  std::vector<std::shared_ptr<Session>> expired;
  {
    std::lock_guard lock(mutex_);
    expired = TakeExpired(Clock::now());
  }
  return expired.size();
}

void SessionStore::CancelAll() {
  std::vector<std::shared_ptr<Session>> all;
  {
    std::lock_guard lock(mutex_);
    for (auto& [id, entry] : entries_) all.push_back(entry.session);
  }
  for (auto& s : all) s->CancelRunning();
}

void SessionStore::RepeatStops() {
  std::vector<std::shared_ptr<Session>> all;
  {
    std::lock_guard lock(mutex_);
    for (auto& [id, entry] : entries_) all.push_back(entry.session);
  }
  for (auto& s : all) s->RepeatStop();
}

size_t SessionStore::CloseIdleCursors(std::chrono::seconds idle) {
  std::vector<std::shared_ptr<Session>> all;
  {
    std::lock_guard lock(mutex_);
    for (auto& [id, entry] : entries_) all.push_back(entry.session);
  }
  size_t closed = 0;
  for (auto& s : all) closed += s->CloseIdleCursor(idle) ? 1 : 0;
  return closed;
}

void SessionStore::CloseAll() {
  std::unordered_map<std::string, Entry> all;
  {
    std::lock_guard lock(mutex_);
    all.swap(entries_);
  }
}

size_t SessionStore::Size() {
  std::lock_guard lock(mutex_);
  return entries_.size();
}

}  // namespace quarlopages
