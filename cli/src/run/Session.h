#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "args/Options.h"
#include "output/ResultWriter.h"
#include "term/Terminal.h"

namespace quarlolink {
class QuarloApp;
class XmlRecordset;
}  // namespace quarlolink

namespace quarlocli {

enum ExitCode : int {
  kExitOk = 0,
  kExitStatementFailed = 1,
  kExitLoginFailed = 2,
  kExitUsage = 64,
  kExitInterrupted = 130,
};

// Where a session writes: data to `out`; messages to `out` with the table format and to `err`
// otherwise; failures always to `err`.
struct Streams {
  std::ostream& out;
  std::ostream& err;
  bool progress = false;  // show the progress line on `err`
};

// One connection through a site, and the statements run on it.
class Session {
 public:
  enum class Outcome { Ok, Failed, Interrupted, OutputClosed };

  // Installs the event pump through which Ctrl+C cancels a request under way.
  Session(const Options& options, OutputFormat format, Streams streams);
  ~Session();  // closes the connection when it was opened
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Applies the one-run settings; false (with the reason on err) when one is refused.
  bool ApplySettings();
  // The connection's Test; prints the outcome.
  bool Test();
  // Opens the database connection with the given connection string.
  bool Open(const std::string& connectionString);
  // Runs one statement and walks every result set it returns.
  Outcome Run(const std::string& sql);
  void Close();

 private:
  Outcome WalkResult(quarlolink::XmlRecordset& rs);
  bool MoveToPage(quarlolink::XmlRecordset& rs);
  void Message(const std::string& text);
  bool Failed();
  Outcome FailedOrInterrupted();

  const Options& options_;
  Streams streams_;
  std::ostream& messages_;
  std::shared_ptr<quarlolink::QuarloApp> app_;
  std::unique_ptr<ResultWriter> writer_;
  ProgressLine progress_;
  bool open_ = false;
  bool cancellable_ = false;  // Ctrl+C cancels the requests made now (not the closing one)
  bool cancelSent_ = false;
};

}  // namespace quarlocli
