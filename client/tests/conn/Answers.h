#pragma once

#include <httplib.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quarlo::testing {

struct Column {
  std::string name;
  int type = 200;
  int size = 50;
};

using Row = std::vector<std::string>;

inline std::string RowsXml(const std::vector<Row>& rows) {
  std::string out;
  for (const auto& row : rows) {
    out += "<RowValue>";
    for (std::size_t c = 0; c < row.size(); ++c) {
      std::string tag = "~" + std::to_string(c) + "_";
      out += "<" + tag + ">" + row[c] + "</" + tag + ">";
    }
    out += "</RowValue>";
  }
  return out;
}

inline std::string HeadXml(const std::string& recordsAffected, const std::string& eof,
                           const std::string& next) {
  return "<Head><RecordsAffected>" + recordsAffected + "</RecordsAffected><EOF>" + eof +
         "</EOF><IsNextRecordset>" + next + "</IsNextRecordset></Head>";
}

inline std::string FieldsXml(const std::vector<Column>& columns) {
  std::string out = "<Fields>";
  for (const auto& c : columns) {
    out += "<Field><Name>" + c.name + "</Name><Type>" + std::to_string(c.type) +
           "</Type><DefinedSize>" + std::to_string(c.size) + "</DefinedSize></Field>";
  }
  return out + "</Fields>";
}

inline std::string FirstAnswer(const std::vector<Column>& columns, const std::vector<Row>& rows,
                               bool eof = true, bool next = false) {
  return "OK" + HeadXml("-1", eof ? "True" : "False", next ? "True" : "False") +
         FieldsXml(columns) + RowsXml(rows);
}

inline int IntParam(const httplib::Request& req, const char* name) {
  return std::stoi(req.get_param_value(name));
}

// One result set of `total` rows (columns id and name, values "<n>" and "r<n>"), answered batch
// by batch as the execute page does: rows MoveRows+1 .. MoveRows+RowsPerComm.
inline std::string PagedTable(int total, const httplib::Request& req, bool next = false,
                              const std::string& prefix = "r") {
  int from = IntParam(req, "MoveRows");
  int count = IntParam(req, "RowsPerComm");
  int last = std::min(total, from + count);
  std::vector<Row> rows;
  for (int n = from + 1; n <= last; ++n)
    rows.push_back({std::to_string(n), prefix + std::to_string(n)});
  bool eof = last >= total;
  if (IntParam(req, "IsNoHeadAndFields") == 1) {
    return std::string("OK<Head><EOF>") + (eof ? "True" : "False") + "</EOF></Head>" +
           RowsXml(rows);
  }
  return FirstAnswer({{"id", 3, 4}, {"name", 200, 50}}, rows, eof, next);
}

}  // namespace quarlo::testing
