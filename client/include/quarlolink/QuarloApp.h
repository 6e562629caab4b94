#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "quarlolink/RequestTiming.h"
#include "quarlolink/XmlRecordset.h"

namespace quarlolink {

// A conversation with one web site that carries the open page and the execute page: checks the
// site and key (Test), opens and closes a database connection on the server, runs statements
// (Execute) and hands out their recordsets. Every operation leaves its outcome in
// OptStatus()/OptString() and never throws. Recordsets refer back to their connection without
// keeping it alive, so the host keeps the QuarloApp for as long as it reads them.
class QuarloApp : public std::enable_shared_from_this<QuarloApp> {
  struct Tag {
    explicit Tag() = default;
  };

 public:
  // A modal text prompt: title, message, and an editable line preset to `text`. What the user
  // types is not used.
  using PromptHandler = std::function<void(const std::string& title, const std::string& message,
                                           const std::string& text)>;

  static std::shared_ptr<QuarloApp> Create();
  explicit QuarloApp(Tag);
  QuarloApp(const QuarloApp&) = delete;
  QuarloApp& operator=(const QuarloApp&) = delete;
  ~QuarloApp();

  std::string Title() const { return "Quarlo2"; }

  // Rows per page, always a whole number of batches (at least one).
  int32_t RowsPerPage() const { return rowsPerPage_; }
  void SetRowsPerPage(int32_t rows);

  // Settings of the library, shared by every QuarloApp of the process; a let saves at once.
  std::string SoftName() const;
  std::string SoftLang() const;
  std::string Version() const;
  std::string EncKey() const;
  void SetEncKey(const std::string& key);  // printable ASCII only, else -1 and unchanged
  bool IsRemoveSpace() const;
  void SetIsRemoveSpace(bool remove);
  int32_t RowsPerComm() const;
  void SetRowsPerComm(int32_t rows);  // in force from the next SetRowsPerPage
  std::string OpenUrl() const;
  void SetOpenUrl(const std::string& path);
  std::string ExecuteUrl() const;
  void SetExecuteUrl(const std::string& path);
  // The most one answer may have, in MiB (values below 1 count as 1); a larger answer is
  // refused and its transfer dropped as soon as it passes the mark.
  int32_t MaxAnswerMB() const;
  void SetMaxAnswerMB(int32_t megabytes);

  // Scheme and host of the site, without a trailing slash.
  const std::string& WebSite() const { return webSite_; }
  void SetWebSite(const std::string& site) { webSite_ = site; }
  int32_t ConnectionTimeout() const { return connectionTimeout_; }
  void SetConnectionTimeout(int32_t seconds) { connectionTimeout_ = seconds; }
  int32_t CommandTimeout() const { return commandTimeout_; }
  void SetCommandTimeout(int32_t seconds) { commandTimeout_ = seconds; }

  int32_t OptStatus() const { return optStatus_; }
  const std::string& OptString() const { return optString_; }
  void SetOptString(const std::string& text) { optString_ = text; }

  // Shows the failure prompt of Test; without a handler nothing is shown.
  void SetPromptHandler(PromptHandler handler) { prompt_ = std::move(handler); }

  void Test();
  void OpenConn(const std::string& ConnectionString);
  void CloseConn();

  // Runs SQL and returns its first result set positioned on the first row, or null on failure.
  // An empty SQL continues the current statement (what the recordsets use to fetch).
  std::shared_ptr<XmlRecordset> Execute(const std::string& SQL);

  // Stops the running operation: the one call the host may make from its events while an
  // operation waits (a recordset's fetch included). The request under way is dropped at once;
  // when it was a statement, the server is asked on a separate request with a short time-out to
  // stop it; the operation then returns with OptStatus -1 and a text saying that the user stopped
  // it (and what the server said). Outside an operation nothing happens but -1 and a text saying
  // so.
  void Cancel();

  // Where the time of this connection's requests went, summed since the object was made: every
  // request it sent (a recordset's fetches of further rows and pages included), the server's
  // figures where its answers carried them, and the time spent reading answers into recordsets.
  // Take it before and after what you measure and subtract (RequestTiming shows how).
  RequestTiming Timing() const;

 private:
  friend struct internal::LibraryAccess;
  struct Transport;

  template <class Body>
  void Run(const char* name, Body body, bool nested = false);
  bool FacadeOk();
  bool TestBody();
  void ShowTestPrompt();
  bool OpenBody(const std::string& connectionString);
  bool ExecuteBody(const std::string& sql, std::shared_ptr<XmlRecordset>& result);
  bool FinishCancelled();
  void Normalise();

  std::unique_ptr<Transport> transport_;
  PromptHandler prompt_;
  int32_t optStatus_ = 0;
  std::string optString_;
  std::string webSite_;
  int32_t connectionTimeout_ = 12;
  int32_t commandTimeout_ = 120;
  int32_t rowsPerPage_ = 50;
  int32_t batchSize_ = 25;  // RowsPerComm at the latest normalisation: what requests send

  std::shared_ptr<XmlRecordset> current_;
  std::string encodedSql_;
  int32_t beginRecordset_ = 0;
  int32_t shownRecordset_ = 0;
  int32_t moveRows_ = 0;
  int32_t noHead_ = 0;
  bool busy_ = false;           // an operation is running (the host's events may call in meanwhile)
  bool cancelled_ = false;      // Cancel() came during the running operation
  bool askServerStop_ = false;  // the running operation has sent a statement request
  double fillMs_ = 0;           // reading answers into recordsets, summed

  // Key issued by the latest accepted key check and the connection string of the latest open,
  // kept to open again when the server reports "SessionTimeout".
  std::string issuedKey_;
  std::string reopenString_;
};

}  // namespace quarlolink
