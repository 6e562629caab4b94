#include "Cursor.h"

namespace quarlopages {

Cursor::Cursor(std::unique_ptr<db::Statement> statement, std::string sql, CursorLimits limits)
    : sql_(std::move(sql)), limits_(std::move(limits)), statement_(std::move(statement)) {}

Cursor::~Cursor() {
  std::lock_guard lock(statementMutex_);
  statement_.reset();
}

void Cursor::Cancel() {
  cancelled_ = true;
  std::lock_guard lock(statementMutex_);
  if (statement_) statement_->Cancel();
}

void Cursor::Run(const std::atomic<bool>& stop) {
  using Clock = std::chrono::steady_clock;
  auto deadline = limits_.timeoutSeconds > 0
                      ? Clock::now() + std::chrono::seconds(limits_.timeoutSeconds)
                      : Clock::time_point::max();
  auto check = [&] {
    if (cancelled_ || stop) throw db::DbError(db::kCancelledText);
    if (Clock::now() > deadline) {
      throw db::DbError("语句运行超时（CommandTimeout " + std::to_string(limits_.timeoutSeconds) +
                        " 秒）");
    }
  };
  spool_ = std::make_unique<RowSpool>(limits_.spoolDir, limits_.maxSpoolBytes);
  db::Row row;
  for (bool more = true; more;) {
    check();
    ResultSet rs;
    rs.number = static_cast<int>(resultSets_.size()) + 1;
    rs.columns = statement_->Columns();
    rs.firstRow = spool_->RowCount();
    if (rs.columns.empty()) {
      rs.recordsAffected = statement_->RowsAffected();
    } else {
      while (statement_->Fetch(row)) {
        check();
        const auto appendStart = Clock::now();
        spool_->Append(row);
        spoolMs_ += std::chrono::duration<double, std::milli>(Clock::now() - appendStart).count();
      }
    }
    rs.rowCount = spool_->RowCount() - rs.firstRow;
    more = statement_->NextResult();
    rs.hasNext = more;
    resultSets_.push_back(std::move(rs));
  }
  // Everything is read: the driver's statement (and its buffers) can go.
  std::lock_guard lock(statementMutex_);
  statement_.reset();
}

const ResultSet& Cursor::Seek(int number) {
  if (number < current_) {
    throw Refusal("第 " + std::to_string(number) + " 个结果集已经读过，服务器不再保留（当前是第 " +
                  std::to_string(current_) + " 个），请重新执行语句");
  }
  if (number > static_cast<int>(resultSets_.size())) {
    throw Refusal("语句没有第 " + std::to_string(number) + " 个结果集（共 " +
                  std::to_string(resultSets_.size()) + " 个）");
  }
  current_ = number;
  return resultSets_[static_cast<size_t>(number - 1)];
}

std::vector<db::Row> Cursor::Rows(const ResultSet& rs, int64_t first, int64_t count) {
  if (first >= rs.rowCount) return {};
  count = std::min(count, rs.rowCount - first);
  return spool_->Read(rs.firstRow + first, count);
}

}  // namespace quarlopages
