#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kokit/ErrString.h"
#include "quarlolink/XmlFields.h"

namespace quarlolink {

class QuarloApp;

namespace internal {
struct CutText;
}

// One result set of a statement run through QuarloApp::Execute, read one batch of rows at a
// time and shown one current row through Fields(). Operations never throw; a failed one leaves
// the recordset at its end. The recordset refers to its connection without keeping it alive.
class XmlRecordset {
  struct Tag {
    explicit Tag() = default;
  };

 public:
  // Made only by the library (QuarloApp::Execute).
  XmlRecordset(Tag, std::weak_ptr<QuarloApp> connection);
  XmlRecordset(const XmlRecordset&) = delete;
  XmlRecordset& operator=(const XmlRecordset&) = delete;
  ~XmlRecordset();

  // Pages up to the last loaded row, and the page of the current row (0 before the first).
  int32_t TotalPages() const;
  int32_t CurrPageNo() const;
  void MovePrevPage();
  void MoveFristPage();
  void MoveNextPage();

  bool IsNextRecordset() const { return nextRecordset_; }
  int32_t RowsAffected() const { return recordsAffected_; }

  // The statement's next result set, or null when there is none or it could not be fetched.
  std::shared_ptr<XmlRecordset> NextRecordset();

  // The end test (EOF is taken by the C library).
  bool Eof() const;
  int32_t CurrRowNo() const { return currRow_; }

  // The columns; their values are those of the current row.
  std::shared_ptr<XmlFields> Fields() const { return fields_; }

  // Advances to the next row, fetching the next batch when the loaded rows run out.
  void MoveNext();

  // Outcome of the latest operation on this recordset (0 and "OK" on success). Fetches report
  // through the connection's status pair too.
  int32_t OptStatus() const { return optStatus_; }
  const std::string& OptString() const { return optString_; }

 private:
  friend struct internal::LibraryAccess;

  void FillXmlText(std::string text);
  void MovePage(int32_t pageNo);
  void Reset() { currRow_ = rowCount_ = 0; }

  template <class Body>
  bool Run(const char* name, Body body);
  void OnError();
  bool RefuseWhileBusy();
  void MoveNextFramed();
  bool ReadHeaderAndFields(internal::CutText& text);
  void ReadRows();
  bool ShowNextRow();
  bool FetchNextBatch();
  std::shared_ptr<QuarloApp> CurrentConnection();
  int32_t RowsPerPageOrZero() const;

  std::weak_ptr<QuarloApp> connection_;
  std::shared_ptr<XmlFields> fields_;
  std::vector<std::string> columnOpen_;   // "<~0_>", "<~1_>", ... in column order
  std::vector<std::string> columnClose_;  // "</~0_>", ...
  kokit::ErrString err_;
  int32_t optStatus_ = 0;
  std::string optString_ = "OK";

  bool serverEof_ = false;
  int32_t rowCount_ = 0;
  int32_t currRow_ = 0;
  int32_t recordsAffected_ = 0;
  bool nextRecordset_ = false;
  bool firstFill_ = true;
  bool busy_ = false;  // a fetch is running (the host's events may call in meanwhile)

  // The latest answer and its rows: one batch at a time.
  struct Batch;
  std::unique_ptr<Batch> batch_;
};

}  // namespace quarlolink
