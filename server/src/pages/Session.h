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
  // CancelRunning can reach them from another thread.
  std::mutex cursorMutex;
  std::unique_ptr<db::Connection> connection;
  std::unique_ptr<Cursor> cursor;
};

}  // namespace quarlopages
