#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "quarlolink/QuarloApp.h"
#include "quarlolink/XmlField.h"
#include "quarlolink/XmlFields.h"
#include "quarlolink/XmlRecordset.h"

namespace quarlolink::internal {

// The library's own way into the internal operations of its public classes (what the
// recordset and the connection call on each other). Not installed; hosts never see it.
struct LibraryAccess {
  // Fields.
  static std::shared_ptr<XmlField> AddField(XmlFields& fields, const std::string& name,
                                            const std::string& value, int32_t dataType,
                                            int32_t definedSize) {
    return fields.Add(name, value, dataType, definedSize);
  }
  static void RemoveAllFields(XmlFields& fields) { fields.RemoveAll(); }
  static std::string& MutableValue(XmlField& field) { return field.value_; }
  static std::shared_ptr<XmlFields> NewFields() { return std::make_shared<XmlFields>(); }

  // Recordset.
  static std::shared_ptr<XmlRecordset> NewRecordset(std::weak_ptr<QuarloApp> connection) {
    return std::make_shared<XmlRecordset>(XmlRecordset::Tag{}, std::move(connection));
  }
  static void FillXmlText(XmlRecordset& rs, std::string text) { rs.FillXmlText(std::move(text)); }
  static void MovePage(XmlRecordset& rs, int32_t pageNo) { rs.MovePage(pageNo); }
  static void ResetRows(XmlRecordset& rs) { rs.Reset(); }

  // Connection.
  static int32_t BeginRecordset(const QuarloApp& app) { return app.beginRecordset_; }
  static void SetBeginRecordset(QuarloApp& app, int32_t n) { app.beginRecordset_ = n; }
  static void SetMoveRows(QuarloApp& app, int32_t rows) { app.moveRows_ = rows; }
  static bool IsCurrentRecordset(const QuarloApp& app, const XmlRecordset& rs) {
    return app.current_.get() == &rs;
  }
  static void SetCurrentRecordset(QuarloApp& app, std::shared_ptr<XmlRecordset> rs) {
    app.current_ = std::move(rs);
  }
  // A failure found on the recordset's side of a fetch, shown where hosts look for it.
  static void SetStatus(QuarloApp& app, int32_t status, const std::string& text) {
    app.optStatus_ = status;
    app.optString_ = text;
  }
};

}  // namespace quarlolink::internal
