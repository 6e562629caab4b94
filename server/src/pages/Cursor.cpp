#include "Cursor.h"

namespace quarlopages {

Cursor::Cursor(std::unique_ptr<db::Statement> statement, std::string sql, CursorLimits limits,
               Path path)
    : sql_(std::move(sql)),
      limits_(std::move(limits)),
      path_(path),
      statement_(std::move(statement)),
      spool_(std::make_unique<RowSpool>(
          limits_.spoolDir, limits_.maxSpoolBytes,
          path == Path::Streamed ? RowSpool::WhenFull::DropOldest : RowSpool::WhenFull::Refuse)) {}

Cursor::~Cursor() { CloseStatement(); }

void Cursor::CloseStatement() {
  std::unique_ptr<db::Statement> old;
  {
    std::lock_guard lock(statementMutex_);
    old = std::move(statement_);
  }
  // Freed outside the lock: closing a database cursor is a round trip.
}

void Cursor::Cancel() {
  cancelled_ = true;
  std::lock_guard lock(statementMutex_);
  if (statement_) statement_->Cancel();
}

void Cursor::Check(Clock::time_point deadline, const std::atomic<bool>& stop) const {
  if (cancelled_ || stop) throw db::DbError(db::kCancelledText);
  if (Clock::now() > deadline) {
    throw db::DbError("语句运行超时（CommandTimeout " + std::to_string(limits_.timeoutSeconds) +
                      " 秒）");
  }
}

namespace {
Cursor::Clock::time_point DeadlineFor(int timeoutSeconds) {
  return timeoutSeconds > 0 ? Cursor::Clock::now() + std::chrono::seconds(timeoutSeconds)
                            : Cursor::Clock::time_point::max();
}
}  // namespace

void Cursor::Start(const std::atomic<bool>& stop) {
  const auto deadline = DeadlineFor(limits_.timeoutSeconds);
  db::Row row;
  for (bool more = true; more;) {
    Check(deadline, stop);
    ResultSet rs;
    rs.number = static_cast<int>(resultSets_.size()) + 1;
    rs.columns = statement_->Columns();
    rs.firstRow = spool_->RowCount();
    if (rs.columns.empty()) {
      rs.recordsAffected = statement_->RowsAffected();
    } else if (path_ == Path::Streamed) {
      rs.complete = false;
      resultSets_.push_back(std::move(rs));
      return;
    } else {
      while (statement_->Fetch(row)) {
        Check(deadline, stop);
        const auto appendStart = Clock::now();
        spool_->Append(row);
        spoolMs_ += std::chrono::duration<double, std::milli>(Clock::now() - appendStart).count();
      }
    }
    rs.rowCount = spool_->RowCount() - rs.firstRow;
    more = path_ == Path::Spooled && statement_->NextResult();
    rs.hasNext = more;
    resultSets_.push_back(std::move(rs));
  }
  // Everything is read: the driver's statement (and its buffers) can go.
  CloseStatement();
}

bool Cursor::NeedsRows(int64_t end) const {
  const ResultSet& rs = resultSets_.back();
  return path_ == Path::Streamed && !rs.complete && closedIdle_.count() == 0 && rs.rowCount < end;
}

void Cursor::ReadTo(int64_t end, int64_t keepFrom, const std::atomic<bool>& stop) {
  lastUse_ = Clock::now();
  if (!NeedsRows(end)) return;
  ResultSet& rs = resultSets_.back();
  if (keepFrom < spool_->FirstRow()) Rows(rs, keepFrom, 1);  // refuses
  const auto deadline = DeadlineFor(limits_.timeoutSeconds);
  db::Row row;
  while (rs.rowCount < end) {
    Check(deadline, stop);
    if (!statement_->Fetch(row)) {
      rs.complete = true;
      // The cursor is exhausted: it holds nothing the session still needs.
      CloseStatement();
      break;
    }
    spool_->Append(row, keepFrom);
    ++rs.rowCount;
  }
  lastUse_ = Clock::now();
}

const ResultSet& Cursor::Seek(int number) {
  lastUse_ = Clock::now();
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
  if (first < rs.rowCount && rs.firstRow + first < spool_->FirstRow()) {
    throw Refusal("第 " + std::to_string(first + 1) +
                  " 行起的这一页已不在服务器上：结果太大，服务器只保留最近读过的 " +
                  std::to_string(limits_.maxSpoolBytes >> 20) +
                  " MB 行数据，更早的页已经删除。请重新执行语句");
  }
  if (!rs.complete && closedIdle_.count() > 0 && first + count > rs.rowCount) {
    throw Refusal("这条语句的游标空闲超过 " + std::to_string(closedIdle_.count()) +
                  " 秒，服务器已经把它关闭（已读的前 " + std::to_string(rs.rowCount) +
                  " 行仍可翻看）；要看后面的行，请重新执行语句");
  }
  if (first >= rs.rowCount) return {};
  count = std::min(count, rs.rowCount - first);
  return spool_->Read(rs.firstRow + first, count);
}

bool Cursor::CloseIfIdle(std::chrono::seconds idle) {
  if (path_ != Path::Streamed || Clock::now() - lastUse_ < idle) return false;
  {
    std::lock_guard lock(statementMutex_);
    if (!statement_) return false;
  }
  closedIdle_ = idle;
  CloseStatement();
  return true;
}

}  // namespace quarlopages
