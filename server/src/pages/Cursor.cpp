#include "Cursor.h"

namespace quarlopages {

Cursor::Cursor(std::unique_ptr<db::Statement> statement, std::string sql, CursorLimits limits)
    : sql_(std::move(sql)), limits_(std::move(limits)), statement_(std::move(statement)) {
  deadline_ = limits_.timeoutSeconds > 0
                  ? std::chrono::steady_clock::now() + std::chrono::seconds(limits_.timeoutSeconds)
                  : std::chrono::steady_clock::time_point::max();
}

Cursor::~Cursor() {
  std::lock_guard lock(statementMutex_);
  statement_.reset();
}

void Cursor::Cancel() {
  cancelled_ = true;
  std::lock_guard lock(statementMutex_);
  if (statement_) statement_->Cancel();
}

void Cursor::ReadCurrent(int number) {
  ResultSet rs;
  rs.number = number;
  rs.columns = statement_->Columns();
  rs.rows = std::make_unique<RowSpool>(limits_.spoolDir, limits_.maxSpoolBytes);
  if (rs.columns.empty()) {
    rs.recordsAffected = statement_->RowsAffected();
  } else {
    db::Row row;
    while (statement_->Fetch(row)) {
      if (cancelled_) throw db::DbError("语句已被取消");
      if (std::chrono::steady_clock::now() > deadline_) {
        throw db::DbError("语句运行超时（CommandTimeout " + std::to_string(limits_.timeoutSeconds) +
                          " 秒）");
      }
      rs.rows->Append(row);
    }
  }
  rs.hasNext = statement_->NextResult();
  finished_ = !rs.hasNext;
  current_ = std::move(rs);
}

const ResultSet& Cursor::Seek(int number) {
  if (number < current_.number) {
    throw Refusal("第 " + std::to_string(number) + " 个结果集已经读过，服务器不再保留（当前是第 " +
                  std::to_string(current_.number) + " 个），请重新执行语句");
  }
  while (current_.number < number) {
    if (current_.number > 0 && finished_) {
      throw Refusal("语句没有第 " + std::to_string(number) + " 个结果集（共 " +
                    std::to_string(current_.number) + " 个）");
    }
    // The spool of the result set being left goes at once.
    current_.rows.reset();
    ReadCurrent(current_.number + 1);
  }
  return current_;
}

}  // namespace quarlopages
