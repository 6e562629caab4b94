#pragma once

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
    connection.reset();
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
  // From another thread: stops the statement being read, if any.
  void CancelRunning() {
    std::lock_guard lock(cursorMutex);
    if (cursor) cursor->Cancel();
  }

  const std::string id;
  std::mutex mutex;
  std::string issuedKey;
  std::unique_ptr<db::Connection> connection;
  int commandTimeoutSeconds = 120;

  std::mutex cursorMutex;  // guards cursor against CancelRunning
  std::unique_ptr<Cursor> cursor;
};

}  // namespace quarlopages
