#include "quarlolink/XmlRecordset.h"

#include <limits>
#include <utility>

#include "conn/BusyScope.h"
#include "conn/LibraryAccess.h"
#include "kokit/EventPump.h"
#include "quarlolink/QuarloApp.h"
#include "recordset/CutElement.h"
#include "recordset/ElementCutter.h"
#include "recordset/HeadValues.h"
#include "routines/Routines.h"
#include "settings/ClientSettings.h"

namespace quarlolink {

using internal::LibraryAccess;

namespace {

constexpr int32_t kSubscriptOutOfRange = 9;

// Status texts of fetches that cannot be made.
constexpr const char* kConnectionGone = "记录集的连接对象已经释放，不能再取数据";
constexpr const char* kNotCurrent =
    "记录集已不是连接的当前记录集（已执行新的语句或已转到下一个记录集），不能再取数据";

int32_t CeilDiv(int32_t a, int32_t b) {
  if (a <= 0 || b <= 0) return 0;
  return a / b + (a % b > 0 ? 1 : 0);
}

}  // namespace

struct XmlRecordset::Batch {
  internal::CutText answer;            // what is left of the latest answer after its header
  std::vector<std::string_view> rows;  // its RowValue texts, views into `answer`
  internal::CutText row;               // the current row while it is split into values

  // Frees the answer before the next one is fetched, so two are never held at once. A fetch
  // starts with the current row at the last row loaded, where no loaded row is read again.
  void Release() {
    rows.clear();
    std::string().swap(answer.text);
    answer.start = 0;
  }
};

XmlRecordset::XmlRecordset(Tag, std::weak_ptr<QuarloApp> connection)
    : connection_(std::move(connection)),
      fields_(LibraryAccess::NewFields()),
      batch_(std::make_unique<Batch>()) {
  err_.SetUseIn(kokit::xpUseIn_Class);
  err_.SetModuleName("XmlRecordset");
  err_.SetLogFileName(settings::Text("LogFilePath"));
  err_.OnErrOcc([this] { OnError(); });
}

XmlRecordset::~XmlRecordset() = default;

// The frame of every operation: status 0 / "OK" on entry; a body that returns false or throws
// is a failure, raised through the reporter, whose handler puts the recordset at its end.
template <class Body>
bool XmlRecordset::Run(const char* name, Body body) {
  optStatus_ = 0;
  optString_ = "OK";
  err_.SetFunctionName(name);
  err_.SetRemark("");
  bool ok = false;
  try {
    ok = body();
    if (!ok) err_.RaiseError(kokit::NoSystemError(), 0, optString_);
  } catch (...) {
    err_.RaiseError(kokit::CurrentError(), 0, optString_);
  }
  err_.Clear();
  return ok;
}

void XmlRecordset::OnError() {
  serverEof_ = true;
  rowCount_ = 0;
  ApplyErrorStatus(err_, optStatus_, optString_);
}

int32_t XmlRecordset::RowsPerPageOrZero() const {
  auto conn = connection_.lock();
  return conn ? conn->RowsPerPage() : 0;
}

int32_t XmlRecordset::TotalPages() const { return CeilDiv(rowCount_, RowsPerPageOrZero()); }

int32_t XmlRecordset::CurrPageNo() const { return CeilDiv(currRow_, RowsPerPageOrZero()); }

bool XmlRecordset::Eof() const {
  if (currRow_ < rowCount_) return false;
  if (currRow_ == rowCount_) return rowCount_ <= 0;
  return serverEof_;
}

// Calls that the host's events make while this recordset fetches are refused without touching
// the rows being loaded.
bool XmlRecordset::RefuseWhileBusy() {
  if (!busy_) return false;
  optStatus_ = 10014;
  optString_ = kBusyText;
  return true;
}

void XmlRecordset::MovePrevPage() {
  if (RefuseWhileBusy()) return;
  internal::BusyScope busy(busy_);
  MovePage(CurrPageNo() - 1);
}

void XmlRecordset::MoveFristPage() {
  if (RefuseWhileBusy()) return;
  internal::BusyScope busy(busy_);
  MovePage(1);
}

void XmlRecordset::MoveNextPage() {
  if (RefuseWhileBusy()) return;
  internal::BusyScope busy(busy_);
  int32_t page = CurrPageNo();
  MovePage(page < std::numeric_limits<int32_t>::max() ? page + 1 : page);
}

// The connection, when this recordset may still fetch through it; otherwise the reason goes
// to this recordset's status text (and to the connection's, where hosts look after a fetch).
std::shared_ptr<QuarloApp> XmlRecordset::CurrentConnection() {
  auto conn = connection_.lock();
  if (!conn) {
    optString_ = kConnectionGone;
    return nullptr;
  }
  if (!LibraryAccess::IsCurrentRecordset(*conn, *this)) {
    optString_ = kNotCurrent;
    LibraryAccess::SetStatus(*conn, -1, kNotCurrent);
    return nullptr;
  }
  return conn;
}

void XmlRecordset::MovePage(int32_t pageNo) {
  Run("MovePage", [&] {
    auto conn = CurrentConnection();
    if (!conn) return false;
    int32_t pages = TotalPages();
    if (pageNo <= 0) {
      pageNo = 1;
    } else if (pageNo > pages) {
      pageNo = pages + 1;
    }
    int64_t first = static_cast<int64_t>(pageNo - 1) * conn->RowsPerPage();
    if (first > std::numeric_limits<int32_t>::max()) {
      throw kokit::Error(6, "Overflow");
    }
    currRow_ = rowCount_ = static_cast<int32_t>(first);
    batch_->Release();
    LibraryAccess::SetMoveRows(*conn, currRow_);
    conn->Execute("");
    // The outcome shows in the connection's status pair.
    return true;
  });
}

std::shared_ptr<XmlRecordset> XmlRecordset::NextRecordset() {
  if (RefuseWhileBusy()) return nullptr;
  internal::BusyScope busy(busy_);
  std::shared_ptr<XmlRecordset> result;
  Run("NextRecordset", [&] {
    if (!nextRecordset_) return true;
    auto conn = CurrentConnection();
    if (!conn) return false;
    LibraryAccess::SetBeginRecordset(*conn, LibraryAccess::BeginRecordset(*conn) + 1);
    result = conn->Execute("");
    return true;
  });
  return result;
}

void XmlRecordset::MoveNext() {
  if (RefuseWhileBusy()) return;
  internal::BusyScope busy(busy_);
  MoveNextFramed();
}

void XmlRecordset::MoveNextFramed() {
  Run("MoveNext", [&] {
    if (currRow_ < rowCount_) return ShowNextRow();
    if (serverEof_) {
      if (currRow_ < std::numeric_limits<int32_t>::max()) ++currRow_;
      return true;
    }
    return FetchNextBatch();
  });
}

// Splits the row after the current one into the fields' values. The batch holds rows
// rowCount_ - n + 1 .. rowCount_, so the row sits by its distance from the batch's start.
bool XmlRecordset::ShowNextRow() {
  int64_t p =
      static_cast<int64_t>(currRow_) - (rowCount_ - static_cast<int64_t>(batch_->rows.size()));
  if (p < 0 || p >= static_cast<int64_t>(batch_->rows.size())) {
    throw kokit::Error(kSubscriptOutOfRange, "Subscript out of range");
  }
  internal::CutText& row = batch_->row;
  row.Assign(batch_->rows[static_cast<std::size_t>(p)]);
  std::size_t c = 0;
  for (const auto& field : *fields_) {
    std::string& value = LibraryAccess::MutableValue(*field);
    if (!internal::CutElement(row, columnOpen_[c], columnClose_[c], value)) value.clear();
    ++c;
  }
  ++currRow_;
  return true;
}

bool XmlRecordset::FetchNextBatch() {
  auto conn = CurrentConnection();
  if (!conn) return false;
  batch_->Release();
  LibraryAccess::SetMoveRows(*conn, currRow_);
  conn->Execute("");
  if (conn->OptStatus() != 0) {
    optString_ = conn->OptString();
    return false;
  }
  return true;
}

void XmlRecordset::FillXmlText(std::string text) {
  Run("FillXmlText", [&] {
    internal::CutText answer{std::move(text)};
    if (firstFill_) {
      if (!ReadHeaderAndFields(answer)) return false;
    } else {
      std::string head = internal::CutElement(answer, "Head");
      serverEof_ = internal::HeadBoolean(internal::CutElement(head, "EOF"));
    }
    batch_->answer = std::move(answer);
    ReadRows();
    MoveNextFramed();
    return true;
  });
}

bool XmlRecordset::ReadHeaderAndFields(internal::CutText& text) {
  LibraryAccess::RemoveAllFields(*fields_);
  columnOpen_.clear();
  columnClose_.clear();
  batch_->rows.clear();
  rowCount_ = 0;
  currRow_ = 0;
  firstFill_ = false;

  using internal::CutElement;
  std::string head = CutElement(text, "Head");
  recordsAffected_ = internal::HeadInteger(CutElement(head, "RecordsAffected"));
  serverEof_ = internal::HeadBoolean(CutElement(head, "EOF"));
  nextRecordset_ = internal::HeadBoolean(CutElement(head, "IsNextRecordset"));

  std::string list = CutElement(text, "Fields");
  if (list.empty()) return false;  // no columns: a statement without rows

  for (int32_t i = 1;; ++i) {
    std::string f = CutElement(list, "Field");
    if (f.empty()) break;
    std::string name = CutElement(f, "Name");
    int32_t type = ToLongOrZero(CutElement(f, "Type"));
    int32_t size = ToLongOrZero(CutElement(f, "DefinedSize"));
    if (name.empty()) name = "Col" + std::to_string(i);
    LibraryAccess::AddField(*fields_, name, "", type, size);
    std::string tag = "~" + std::to_string(i - 1) + "_";
    columnOpen_.push_back("<" + tag + ">");
    columnClose_.push_back("</" + tag + ">");
  }
  return true;
}

// Collects the batch's rows as views into the held answer, in one pass over it.
void XmlRecordset::ReadRows() {
  batch_->rows.clear();
  internal::ElementCutter rows(batch_->answer.View(), "RowValue");
  for (;;) {
    kokit::PumpEvents();
    auto row = rows.Next();
    if (!row || row->empty()) break;
    batch_->rows.push_back(*row);
  }
  int64_t total = static_cast<int64_t>(rowCount_) + static_cast<int64_t>(batch_->rows.size());
  if (total > std::numeric_limits<int32_t>::max()) throw kokit::Error(6, "Overflow");
  rowCount_ = static_cast<int32_t>(total);
  // A server that sends no rows yet says more follow would be asked again and again.
  if (batch_->rows.empty()) serverEof_ = true;
}

}  // namespace quarlolink
