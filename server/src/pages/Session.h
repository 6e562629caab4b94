#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include "Cursor.h"
#include "db/Backend.h"

namespace quarlopages {

// What the pages keep between the requests of one client: the issued key, the open database
// connection with its statement time-out, and the current statement. Requests of one session
// run one at a time (`mutex`).
struct Session {
  explicit Session(std::string sessionId) : id(std::move(sessionId)) {}
  ~Session() { Close(); }

  // Drops the statement, then the connection it belongs to.
  void Close() {
    DropCursor();
    SetConnection(nullptr);
  }
  void SetConnection(std::unique_ptr<db::Connection> next) {
    std::unique_ptr<db::Connection> old;
    {
      std::lock_guard lock(cursorMutex);
      old = std::move(connection);
      connection = std::move(next);
    }
  }
  void DropCursor() {
    std::unique_ptr<Cursor> old;
    {
      std::lock_guard lock(cursorMutex);
      old = std::move(cursor);
    }
  }
  void SetCursor(std::unique_ptr<Cursor> next) {
    std::lock_guard lock(cursorMutex);
    cursor = std::move(next);
  }
  // Marks the run of a statement (executing it and reading its rows) for the life of the scope,
  // so that StopStatement can reach it.
  class StatementRun {
   public:
    explicit StatementRun(Session& session) : s_(session) {
      std::lock_guard lock(s_.cursorMutex);
      s_.running = true;
      s_.stopRequested = false;
    }
    ~StatementRun() {
      std::lock_guard lock(s_.cursorMutex);
      s_.running = false;
    }
    StatementRun(const StatementRun&) = delete;
    StatementRun& operator=(const StatementRun&) = delete;
    // Raised by StopStatement; the loop that reads the rows checks it.
    const std::atomic<bool>& StopFlag() const { return s_.stopRequested; }

   private:
    Session& s_;
  };

  // From a cancel request of the client, without waiting for `mutex` (the running request holds
  // it): stops the statement being run, which then fails with the database's text, and keeps the
  // connection. False when no statement runs.
  bool StopStatement() {
    std::lock_guard lock(cursorMutex);
    if (!running) return false;
    stopRequested = true;
    if (connection) connection->CancelStatement();
    return true;
  }

  // A database ignores a cancel that comes before it has started the statement; the stop is
  // repeated (once a second) until the run ends.
  void RepeatStop() {
    std::lock_guard lock(cursorMutex);
    if (running && stopRequested && connection) connection->CancelStatement();
  }

  // From the sweep: closes the statement's open cursor when it has been idle for `idle`, unless a
  // request holds the session. True when it did.
  bool CloseIdleCursor(std::chrono::seconds idle) {
    std::unique_lock hold(mutex, std::try_to_lock);
    if (!hold) return false;
    // Only a request holding `mutex` replaces the cursor, so it stays while we use it.
    Cursor* current = nullptr;
    {
      std::lock_guard lock(cursorMutex);
      current = cursor.get();
    }
    return current && current->CloseIfIdle(idle);
  }

  // From another thread, at shutdown: stops the statement being run or read, if any. The
  // connection is of no further use afterwards.
  void CancelRunning() {
    std::lock_guard lock(cursorMutex);
    if (cursor) cursor->Cancel();
    if (connection) connection->Cancel();
  }

  const std::string id;
  std::mutex mutex;
  std::string issuedKey;
  int commandTimeoutSeconds = 120;

  // Set and reset only by the request holding `mutex`, under cursorMutex, so that
  // CancelRunning and StopStatement can reach them from another thread.
  std::mutex cursorMutex;
  std::unique_ptr<db::Connection> connection;
  std::unique_ptr<Cursor> cursor;
  bool running = false;
  std::atomic<bool> stopRequested{false};
};

}  // namespace quarlopages
