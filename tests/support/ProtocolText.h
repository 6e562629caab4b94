#pragma once

#include <optional>
#include <string>
#include <vector>

#include "QueryString.h"
#include "Transport.h"
#include "kokit/Codepage.h"

// What the client puts into its requests and reads out of the answers, for the tests.
namespace quarlopages::testing {

inline std::string Encoded(const std::string& utf8) {
  return PercentEncodeBytes(kokit::ToLegacy(utf8));
}

inline std::string KeyCheckQuery(const std::string& key) {
  return "?Opt=0&EncKey=" + Encoded(EncipherText(key, key));
}

inline std::string OpenQuery(const std::string& connectionString, const std::string& issuedKey,
                             int commandTimeout = 120, int connectionTimeout = 12) {
  return "?Opt=1&CommandTimeout=" + std::to_string(commandTimeout) +
         "&ConnectionTimeout=" + std::to_string(connectionTimeout) +
         "&ConnectionString=" + Encoded(EncipherText(connectionString, issuedKey));
}

struct ExecuteParams {
  int rowsPerComm = 25;
  int beginRecordset = 1;
  int moveRows = 0;
  bool removeSpace = true;
  bool noHead = false;
};

inline std::string ExecuteQuery(const std::string& sql, const ExecuteParams& p = {}) {
  return "?SQL=" + Encoded(sql) + "&RowsPerComm=" + std::to_string(p.rowsPerComm) +
         "&BeginRecordset=" + std::to_string(p.beginRecordset) +
         "&MoveRows=" + std::to_string(p.moveRows) +
         "&IsRemoveSpace=" + (p.removeSpace ? "-1" : "0") +
         "&IsNoHeadAndFields=" + (p.noHead ? "1" : "0");
}

// The client's tag reading: the first element `name`, cut out of `text`.
inline std::string ReadTag(std::string& text, const std::string& name) {
  std::string open = "<" + name + ">", close = "</" + name + ">";
  size_t a = text.find(open);
  if (a == std::string::npos) return "";
  size_t b = text.find(close, a + open.size() + 1);
  if (b == std::string::npos) return "";
  std::string inner = text.substr(a + open.size(), b - a - open.size());
  text.erase(a, b + close.size() - a);
  return inner;
}

struct FieldInfo {
  std::string name;
  int type = 0;
  int size = 0;
};

// One execute answer read as the client reads it (UTF-8 text).
struct ParsedAnswer {
  bool ok = false;
  std::string text;  // the whole answer
  std::string recordsAffected;
  std::string eof;
  std::string isNextRecordset;
  std::vector<FieldInfo> fields;
  std::vector<std::vector<std::string>> rows;
};

inline ParsedAnswer ParseAnswer(const std::string& utf8, size_t columns = 0) {
  ParsedAnswer a;
  a.text = utf8;
  a.ok = utf8.rfind("OK", 0) == 0;
  if (!a.ok) return a;
  std::string rest = utf8;
  std::string head = ReadTag(rest, "Head");
  a.recordsAffected = ReadTag(head, "RecordsAffected");
  a.eof = ReadTag(head, "EOF");
  a.isNextRecordset = ReadTag(head, "IsNextRecordset");
  std::string list = ReadTag(rest, "Fields");
  for (std::string f = ReadTag(list, "Field"); !f.empty(); f = ReadTag(list, "Field")) {
    FieldInfo info;
    info.name = ReadTag(f, "Name");
    info.type = std::atoi(ReadTag(f, "Type").c_str());
    info.size = std::atoi(ReadTag(f, "DefinedSize").c_str());
    a.fields.push_back(info);
  }
  if (columns == 0) columns = a.fields.size();
  // Rows are read by position: erasing each from the front of a large answer is quadratic.
  const std::string open = "<RowValue>", close = "</RowValue>";
  for (size_t at = rest.find(open); at != std::string::npos; at = rest.find(open, at)) {
    size_t end = rest.find(close, at + open.size());
    if (end == std::string::npos) break;
    std::string r = rest.substr(at + open.size(), end - at - open.size());
    at = end + close.size();
    std::vector<std::string> values;
    for (size_t c = 0; c < columns; ++c)
      values.push_back(ReadTag(r, "~" + std::to_string(c) + "_"));
    a.rows.push_back(values);
  }
  return a;
}

// The text between <name> and </name>, for answers with one such element.
inline std::string Element(const std::string& text, const std::string& name) {
  std::string copy = text;
  return ReadTag(copy, name);
}

}  // namespace quarlopages::testing
