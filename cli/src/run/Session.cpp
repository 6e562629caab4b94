#include "run/Session.h"

#include <chrono>
#include <cstdio>

#include "input/Script.h"
#include "kokit/EventPump.h"
#include "quarlolink/QuarloApp.h"
#include "quarlolink/XmlRecordset.h"
#include "term/Interrupt.h"

namespace quarlocli {

namespace {

// Lets Ctrl+C cancel the requests made during the scope.
class CancelScope {
 public:
  CancelScope(bool& cancellable, bool& sent) : cancellable_(cancellable) {
    cancellable_ = true;
    sent = false;
  }
  ~CancelScope() { cancellable_ = false; }
  CancelScope(const CancelScope&) = delete;
  CancelScope& operator=(const CancelScope&) = delete;

 private:
  bool& cancellable_;
};

// "Time: 173.456 ms", followed by where the time went when every answer said where the server's
// time went: the desktop program's split, with the writing of the output as the display.
std::string TimingLine(double elapsedMs, const quarlolink::RequestTiming& spent) {
  char buf[192];
  if (auto s = spent.Split(elapsedMs)) {
    std::snprintf(buf, sizeof buf,
                  "Time: %.3f ms (database %.3f ms, server %.3f ms, network %.3f ms, display "
                  "%.3f ms)",
                  elapsedMs, s->databaseMs, s->serverMs, s->networkMs, s->clientMs);
  } else {
    std::snprintf(buf, sizeof buf, "Time: %.3f ms", elapsedMs);
  }
  return buf;
}

// The desktop program's wording of a statement's outcome.
std::string RowsAffectedLine(int64_t rows) {
  return "（所影响的行数为 " + std::to_string(rows < 0 ? 0 : rows) + " 行）";
}

}  // namespace

Session::Session(const Options& options, OutputFormat format, Streams streams)
    : options_(options),
      streams_(streams),
      messages_(format == OutputFormat::Table ? streams.out : streams.err),
      app_(quarlolink::QuarloApp::Create()),
      writer_(MakeResultWriter(format, streams.out, options.header)),
      progress_(streams.err, streams.progress) {
  writer_->SetBeforeWrite([this] { progress_.Erase(); });
  app_->SetWebSite(quarlolink::host::NormaliseWebSite(options.site));
  // The desktop shows Test's failure in a dialog with the link to try in a browser; here that
  // goes to standard error.
  app_->SetPromptHandler(
      [this](const std::string&, const std::string& message, const std::string& text) {
        streams_.err << "quarlo: " << message << " " << text << '\n';
      });
  // The library's waits run this every few milliseconds: the place where a Ctrl+C (only a flag
  // in the signal handler) becomes the connection's Cancel.
  kokit::SetEventPump([this] {
    if (cancellable_ && !cancelSent_ && Interrupted()) {
      cancelSent_ = true;
      app_->Cancel();
    }
  });
}

Session::~Session() {
  Close();
  kokit::SetEventPump({});
}

bool Session::ApplySettings() {
  if (options_.encKey) {
    app_->SetEncKey(*options_.encKey);
    if (app_->OptStatus() != 0) {
      streams_.err << "quarlo: --enc-key: " << app_->OptString() << '\n';
      return false;
    }
  }
  if (options_.openUrl) app_->SetOpenUrl(*options_.openUrl);
  if (options_.executeUrl) app_->SetExecuteUrl(*options_.executeUrl);
  if (options_.rowsPerComm) app_->SetRowsPerComm(*options_.rowsPerComm);
  if (options_.maxAnswerMb) app_->SetMaxAnswerMB(*options_.maxAnswerMb);
  // A new batch size comes into force with the next page-size let.
  if (options_.rowsPerPage || options_.rowsPerComm) {
    app_->SetRowsPerPage(options_.rowsPerPage.value_or(app_->RowsPerPage()));
  }
  if (options_.timeout) app_->SetCommandTimeout(*options_.timeout);
  if (options_.connectTimeout) app_->SetConnectionTimeout(*options_.connectTimeout);
  return true;
}

bool Session::Test() {
  CancelScope scope(cancellable_, cancelSent_);
  app_->Test();
  if (app_->OptStatus() != 0) return Failed();
  streams_.out << "连接测试成功" << std::endl;
  return true;
}

bool Session::Open(const std::string& connectionString) {
  CancelScope scope(cancellable_, cancelSent_);
  app_->OpenConn(connectionString);
  if (app_->OptStatus() != 0) return Failed();
  open_ = true;
  return true;
}

void Session::Close() {
  if (!open_) return;
  open_ = false;
  progress_.Erase();
  app_->CloseConn();
}

bool Session::Failed() {
  progress_.Erase();
  streams_.out.flush();
  streams_.err << "quarlo: " << app_->OptString() << std::endl;
  return false;
}

// A failure while Ctrl+C was pressed is the cancel's (its text says what the server did).
Session::Outcome Session::FailedOrInterrupted() {
  Failed();
  return Interrupted() ? Outcome::Interrupted : Outcome::Failed;
}

void Session::Message(const std::string& text) {
  progress_.Erase();
  messages_ << text << '\n';
  messages_.flush();
}

Session::Outcome Session::Run(const std::string& sql) {
  const auto start = std::chrono::steady_clock::now();
  const quarlolink::RequestTiming before = app_->Timing();
  CancelScope scope(cancellable_, cancelSent_);
  std::shared_ptr<quarlolink::XmlRecordset> rs = app_->Execute(PrepareStatement(sql));
  Outcome outcome = Outcome::Ok;
  if (app_->OptStatus() != 0 || !rs) outcome = FailedOrInterrupted();
  while (outcome == Outcome::Ok) {
    outcome = WalkResult(*rs);
    if (outcome != Outcome::Ok || !rs->IsNextRecordset()) break;
    if (Interrupted()) {
      outcome = Outcome::Interrupted;
      break;
    }
    rs = rs->NextRecordset();
    if (app_->OptStatus() != 0 || !rs) outcome = FailedOrInterrupted();
  }
  if (options_.timing && outcome != Outcome::OutputClosed) {
    std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - start;
    Message(TimingLine(ms.count(), app_->Timing() - before));
  }
  return outcome;
}

bool Session::MoveToPage(quarlolink::XmlRecordset& rs) {
  for (int32_t p = 1; p < *options_.page && !rs.Eof(); ++p) {
    rs.MoveNextPage();
    if (app_->OptStatus() != 0) return Failed();
  }
  return true;
}

Session::Outcome Session::WalkResult(quarlolink::XmlRecordset& rs) {
  auto fields = rs.Fields();
  if (!fields || fields->Count() == 0) {
    if (!options_.quiet) Message("执行命令成功\n" + RowsAffectedLine(rs.RowsAffected()));
    return Outcome::Ok;
  }
  std::vector<Column> columns;
  for (const auto& f : *fields) columns.push_back({f->Name(), f->DataType()});

  int64_t pageEnd = 0;
  if (options_.page) {
    if (!MoveToPage(rs)) return Interrupted() ? Outcome::Interrupted : Outcome::Failed;
    pageEnd = static_cast<int64_t>(*options_.page) * app_->RowsPerPage();
  }

  writer_->BeginResult(columns);
  progress_.Start();
  std::vector<std::string> values(columns.size());
  int64_t shown = 0;
  Outcome outcome = Outcome::Ok;
  while (!rs.Eof()) {
    if (Interrupted()) {
      outcome = Outcome::Interrupted;
      break;
    }
    if (options_.maxRows && shown >= *options_.maxRows) break;
    size_t i = 0;
    for (const auto& f : *fields) values[i++] = f->Value();
    writer_->Row(values);
    if (!streams_.out) {
      outcome = Outcome::OutputClosed;
      break;
    }
    ++shown;
    progress_.Update(shown);
    if (pageEnd && rs.CurrRowNo() >= pageEnd) break;
    rs.MoveNext();
  }
  writer_->EndResult();
  progress_.Erase();
  if (!streams_.out) return Outcome::OutputClosed;
  if (outcome == Outcome::Ok && app_->OptStatus() != 0) {
    // A batch could not be fetched: the rows shown so far stay, the statement failed.
    return FailedOrInterrupted();
  }
  if (!options_.quiet && outcome == Outcome::Ok) Message(RowsAffectedLine(shown));
  return outcome;
}

}  // namespace quarlocli
