#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace quarlopages::db::psqlodbc {

// psqlODBC ignores SQLCancel while SQLFetch waits on the server for the next rows of a cursor.
// PostgreSQL's pg_cancel_backend, sent over a second connection of the same login, stops that
// wait: SQLFetch then fails with 57014 and the connection stays usable.
class FetchCancel {
 public:
  // `connectionString` logs in as the connection being read; `backendPid` is its server process.
  FetchCancel(std::string connectionString, std::string backendPid);
  ~FetchCancel();  // waits for a cancel under way
  FetchCancel(const FetchCancel&) = delete;
  FetchCancel& operator=(const FetchCancel&) = delete;

  // Around each SQLFetch of the connection being read.
  void SetFetching(bool fetching) { fetching_ = fetching; }

  // From another thread, without waiting: cancels the fetch under way, if any. A cancel already
  // under way is not repeated.
  void Cancel();

 private:
  void Run();

  const std::string connectionString_;
  const std::string backendPid_;
  std::atomic<bool> fetching_{false};
  std::atomic<bool> running_{false};
  std::mutex mutex_;
  std::jthread worker_;  // last: joined before the members it uses go
};

}  // namespace quarlopages::db::psqlodbc
