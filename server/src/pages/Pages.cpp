#include "Pages.h"

#include <algorithm>
#include <charconv>
#include <thread>

#include "AnswerWriter.h"
#include "QueryString.h"
#include "Secrets.h"
#include "Transport.h"
#include "kokit/Codepage.h"
#include "kokit/Error.h"
#include "quarlosql/SqlScan.h"

namespace quarlopages {
namespace {

// Driver texts are "STATE: message" records joined with "; ". Class 08 is a lost connection;
// 57P01..57P03 are the server shutting down or restarting, which ends the connection too.
bool IsConnectionLost(std::string_view text) {
  for (std::string_view state : {"08", "57P01", "57P02", "57P03"}) {
    if (text.starts_with(state)) return true;
    if (text.find("; " + std::string(state)) != std::string_view::npos) return true;
  }
  return false;
}

PageResponse Answer(const std::string& utf8, const std::string& outcome) {
  PageResponse r;
  r.body = kokit::ToLegacy(utf8);
  r.outcome = outcome;
  return r;
}

PageResponse Refuse(const std::string& utf8) { return Answer(utf8, "refused"); }

// The most one answer may carry; a client asking for more rows than fit gets a refusal rather
// than fewer rows, which it would take for the whole batch.
constexpr size_t kMaxAnswerBytes = 64u << 20;

// A whole decimal number ("-" allowed), or nothing.
std::optional<int64_t> ToInteger(const std::string& text) {
  int64_t v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

// The named number, `fallback` when absent; throws Refusal when it is not a number.
int64_t Number(const QueryString& query, const char* name, int64_t fallback) {
  auto text = query.Get(name);
  if (!text) return fallback;
  auto v = ToInteger(*text);
  if (!v) throw Refusal(std::string("参数 ") + name + " 必须是整数");
  return *v;
}

}  // namespace

Pages::Pages(const Config& config, std::filesystem::path mapPath, std::filesystem::path spoolDir)
    : config_(config),
      mapPath_(std::move(mapPath)),
      spoolDir_(std::move(spoolDir)),
      sessions_(std::chrono::seconds(config.sessionTimeoutSeconds),
                static_cast<size_t>(config.maxSessions)) {}

PageResponse Pages::Handle(const PageRequest& request) {
  PageResponse response;
  bool open = request.path == config_.openUrl;
  if (!open && request.path != config_.executeUrl) {
    response = Answer("Not Found", "not found");
    response.status = 404;
  } else if (request.head) {
    // The client's Test looks at the headers only: nothing is checked, issued or run.
    response = Answer("", "HEAD");
  } else {
    try {
      response = open ? Open(request) : Execute(request);
    } catch (const Refusal& e) {
      response = Refuse(e.what());
    } catch (const std::invalid_argument& e) {
      response = Refuse(e.what());
    } catch (const std::exception& e) {
      response = Answer(std::string("服务器内部错误：") + e.what(), "error");
    }
  }
  response.contentType = "text/html; charset=" + kokit::LegacyCodepage();
  return response;
}

PageResponse Pages::Open(const PageRequest& request) {
  QueryString query = QueryString::Parse(request.target);
  auto opt = query.Get("Opt");
  if (!opt || (*opt != "0" && *opt != "1" && *opt != "2" && *opt != "3")) {
    PageResponse r = Refuse("参数 Opt 缺少或无法识别（应为 0、1、2 或 3）");
    r.note = "Opt=?";
    return r;
  }
  PageResponse r;
  if (*opt == "0") {
    r = KeyCheck(request, query.Get("EncKey").value_or(""));
  } else if (*opt == "1") {
    r = OpenConnection(request, query);
  } else if (*opt == "3") {
    r = StopStatement(request);
  } else {
    if (!request.sessionCookie.empty()) {
      if (auto session = sessions_.Find(request.sessionCookie)) session->Close();
    }
    r = Answer("OK", "OK");
  }
  r.note = "Opt=" + *opt;
  return r;
}

PageResponse Pages::KeyCheck(const PageRequest& request, const std::string& encKey) {
  auto claimed = DecipherText(encKey, config_.key);
  if (!claimed || !ConstantTimeEquals(*claimed, config_.key)) {
    auto wait = throttle_.RecordFailure(request.clientAddress, FailureThrottle::Clock::now());
    if (wait.count() > 0) std::this_thread::sleep_for(wait);
    return Refuse("密钥验证失败：客户端的密钥与服务器的 ENC_KEY 不一致");
  }
  throttle_.RecordSuccess(request.clientAddress);

  SessionStore::Lease session;
  if (!request.sessionCookie.empty()) session = sessions_.Find(request.sessionCookie);
  bool created = false;
  if (!session) {
    session = sessions_.Create();
    if (!session) {
      return Refuse("服务器的会话数已达上限（" + std::to_string(config_.maxSessions) +
                    "），请稍后再试");
    }
    created = true;
  }
  session->issuedKey = NewIssuedKey();
  PageResponse r = Answer(
      "OK<EncKey>" + session->issuedKey + "</EncKey><MapPath>" + mapPath_.string() + "</MapPath>",
      "OK");
  if (created) r.setCookie = session->id;
  return r;
}

// Runs beside the session's execute request, which holds the session: the session is looked up
// without its lock.
PageResponse Pages::StopStatement(const PageRequest& request) {
  std::shared_ptr<Session> session;
  if (!request.sessionCookie.empty()) session = sessions_.Peek(request.sessionCookie);
  if (!session) return Answer("没有找到会话（可能已经过期），没有可以停止的语句", "no session");
  if (!session->StopStatement()) return Answer("这个会话现在没有正在执行的语句", "not running");
  return Answer("OK", "OK");
}

PageResponse Pages::OpenConnection(const PageRequest& request, const QueryString& query) {
  SessionStore::Lease session;
  if (!request.sessionCookie.empty()) session = sessions_.Find(request.sessionCookie);
  if (!session || session->issuedKey.empty()) {
    return Refuse("请先通过密钥验证（Opt=0）再打开数据库连接");
  }
  int64_t commandTimeout = Number(query, "CommandTimeout", 120);
  int64_t loginTimeout = Number(query, "ConnectionTimeout", 15);
  if (commandTimeout < 0 || loginTimeout < 0 || commandTimeout > 86400 || loginTimeout > 86400) {
    return Refuse("CommandTimeout 和 ConnectionTimeout 必须在 0 到 86400 秒之间");
  }
  auto connectionString =
      DecipherText(query.Get("ConnectionString").value_or(""), session->issuedKey);
  if (!connectionString || connectionString->empty()) {
    return Refuse("连接字符串无法解密：请重新进行密钥验证后再打开连接");
  }

  session->Close();
  db::ConnectOptions options;
  options.mapPath = mapPath_.string();
  options.allowAnyPath = config_.allowAnyPath;
  options.loginTimeoutSeconds = static_cast<int>(loginTimeout);
  options.sqliteDrivers = config_.sqliteDrivers;
  ServerTiming timing;
  try {
    TimeInto db(timing.dbMs);
    session->SetConnection(db::Connect(*connectionString, options));
  } catch (const db::DbError& e) {
    PageResponse r = Refuse(e.what());
    r.timing = timing;
    return r;
  }
  session->commandTimeoutSeconds = static_cast<int>(commandTimeout);
  PageResponse r = Answer("OK", "OK");
  r.timing = timing;
  return r;
}

PageResponse Pages::Execute(const PageRequest& request) {
  SessionStore::Lease session;
  if (!request.sessionCookie.empty()) session = sessions_.Find(request.sessionCookie);
  if (!session || !session->connection) {
    PageResponse r = Answer("SessionTimeout", "SessionTimeout");
    r.note = "sql=?";
    return r;
  }
  QueryString query = QueryString::Parse(request.target);
  std::string sqlBytes = query.Get("SQL").value_or("");
  std::string note = "sql=" + std::to_string(sqlBytes.size()) + "B";
  ServerTiming timing;
  auto refuse = [&](const std::string& text) {
    PageResponse r = Refuse(text);
    r.note = note;
    r.timing = timing;
    return r;
  };
  if (sqlBytes.size() > config_.maxSqlBytes) {
    return refuse("语句太长（" + std::to_string(sqlBytes.size()) + " 字节），服务器最多接受 " +
                  std::to_string(config_.maxSqlBytes) + " 字节");
  }
  if (sqlBytes.empty()) return refuse("没有要执行的 SQL 语句");
  int64_t rowsPerComm = Number(query, "RowsPerComm", 25);
  int64_t begin = Number(query, "BeginRecordset", 1);
  int64_t moveRows = Number(query, "MoveRows", 0);
  bool removeSpace = Number(query, "IsRemoveSpace", 0) != 0;
  bool noHead = Number(query, "IsNoHeadAndFields", 0) != 0;
  if (rowsPerComm < 1 || rowsPerComm > config_.maxRows) {
    return refuse("RowsPerComm 必须在 1 到 " + std::to_string(config_.maxRows) + " 之间");
  }
  if (begin < 1 || begin > 1000000) return refuse("BeginRecordset 必须是正整数");
  if (moveRows < 0) return refuse("MoveRows 不能是负数");

  size_t lost = std::string::npos;
  std::string sql = kokit::FromLegacy(sqlBytes, &lost);
  if (lost != std::string::npos) {
    // A client on another code page: running it would put "?" in place of its characters.
    return refuse("语句的第 " + std::to_string(lost + 1) + " 个字节不是代码页 " +
                  kokit::LegacyCodepage() + " 的字符，语句没有执行");
  }
  bool first = begin == 1 && moveRows == 0 && !noHead;
  if (!first && (!session->cursor || session->cursor->Sql() != sql)) {
    // Never run a statement for a later page, whether again or in place of the session's
    // current one: it may change data.
    return refuse("服务器上已没有这条语句的结果（会话已重建或语句已结束），请重新执行语句");
  }
  // The rows this answer needs, and one more so that EOF is exact.
  const int64_t readTo = moveRows + rowsPerComm + 1;
  try {
    if (first) {
      // The open cursor goes before the next statement runs: with one open, psqlODBC would
      // commit a write at once and make the server materialise the cursor.
      session->DropCursor();
      const bool streamed =
          quarlosql::CountStatements(sql) == 1 && session->connection->CanStream(sql);
      CursorLimits limits{spoolDir_, config_.maxSpoolBytes, session->commandTimeoutSeconds};
      Session::StatementRun run(*session);
      std::unique_ptr<db::Statement> statement;
      {
        TimeInto db(timing.dbMs);
        statement = session->connection->Execute(sql, session->commandTimeoutSeconds);
      }
      session->SetCursor(
          std::make_unique<Cursor>(std::move(statement), sql, limits,
                                   streamed ? Cursor::Path::Streamed : Cursor::Path::Spooled));
      // Fetching rows is the database's work too (SQLite runs a query as its rows are stepped);
      // writing them to the spool is ours.
      double runMs = 0;
      {
        TimeInto fetch(runMs);
        session->cursor->Start(run.StopFlag());
        session->cursor->ReadTo(readTo, moveRows, run.StopFlag());
      }
      timing.rowsMs += session->cursor->SpoolMs();
      timing.dbMs += runMs - session->cursor->SpoolMs();
    }
    Cursor& cursor = *session->cursor;
    const ResultSet& rs = [&]() -> const ResultSet& {
      TimeInto rows(timing.rowsMs);
      return cursor.Seek(static_cast<int>(begin));
    }();
    if (cursor.NeedsRows(readTo)) {
      Session::StatementRun run(*session);
      TimeInto fetch(timing.dbMs);
      cursor.ReadTo(readTo, moveRows, run.StopFlag());
    }
    int64_t count = std::max<int64_t>(0, std::min(rowsPerComm, rs.rowCount - moveRows));
    bool eof = rs.complete && moveRows + count >= rs.rowCount;
    AnswerWriter answer;
    if (noHead) {
      answer.ShortHead(eof);
    } else {
      answer.FullHead({rs.recordsAffected, eof, rs.hasNext}, rs.columns);
    }
    // A few rows at a time from the spool, so that one answer is the most a request holds.
    for (int64_t done = 0; done < rowsPerComm;) {
      std::vector<db::Row> rows;
      {
        TimeInto spool(timing.rowsMs);
        rows = cursor.Rows(rs, moveRows + done, std::min<int64_t>(256, rowsPerComm - done));
      }
      if (rows.empty()) break;
      for (const auto& row : rows) answer.Row(row, removeSpace);
      done += static_cast<int64_t>(rows.size());
      if (answer.Text().size() > kMaxAnswerBytes) {
        return refuse("这一批数据超过 " + std::to_string(kMaxAnswerBytes >> 20) +
                      " MB，请减少每次读取的行数（RowsPerComm）");
      }
    }
    // Rows read from the database so far: a streamed statement shows how little it read.
    PageResponse r = Answer(answer.Text(), "OK read=" + std::to_string(rs.rowCount));
    r.note = note;
    r.timing = timing;
    return r;
  } catch (const Refusal& e) {
    return refuse(e.what());
  } catch (const db::DbError& e) {
    session->DropCursor();
    // A lost connection is of no further use: the next request finds none
    // and answers "SessionTimeout", so the client opens a fresh one.
    if (IsConnectionLost(e.what())) session->SetConnection(nullptr);
    return refuse(e.what());
  } catch (const kokit::Error& e) {
    session->DropCursor();
    return refuse(std::string("服务器无法保存已读的行：") + e.what());
  } catch (const SpoolFull&) {
    session->DropCursor();
    return refuse("结果太大：已读的行超过了每个会话 " +
                  std::to_string(config_.maxSpoolBytes >> 20) + " MB 的缓存上限，请缩小查询范围");
  }
}

}  // namespace quarlopages
