#include "AnswerWriter.h"

namespace quarlopages {
namespace {

const char* Bool(bool v) { return v ? "True" : "False"; }

}  // namespace

void AnswerWriter::FullHead(const AnswerHead& head, const std::vector<db::Column>& columns) {
  text_ += "<Head><RecordsAffected>" + std::to_string(head.recordsAffected) +
           "</RecordsAffected><EOF>" + Bool(head.eof) + "</EOF><IsNextRecordset>" +
           Bool(head.isNextRecordset) + "</IsNextRecordset></Head>";
  if (columns.empty()) return;
  text_ += "<Fields>";
  for (const auto& c : columns) {
    text_ += "<Field><Name>" + c.name + "</Name><Type>" + std::to_string(c.adoType) +
             "</Type><DefinedSize>" + std::to_string(c.definedSize) + "</DefinedSize></Field>";
  }
  text_ += "</Fields>";
}

void AnswerWriter::ShortHead(bool eof) {
  text_ += std::string("<Head><EOF>") + Bool(eof) + "</EOF></Head>";
}

void AnswerWriter::Row(const db::Row& row, bool removeTrailingBlanks) {
  text_ += "<RowValue>";
  for (size_t i = 0; i < row.size(); ++i) {
    std::string tag = "~" + std::to_string(i) + "_";
    text_ += "<" + tag + ">";
    if (const auto& v = row[i]) {
      size_t len = v->size();
      if (removeTrailingBlanks) {
        while (len > 0 && (*v)[len - 1] == ' ') --len;
      }
      text_.append(*v, 0, len);
    }
    text_ += "</" + tag + ">";
  }
  text_ += "</RowValue>";
}

}  // namespace quarlopages
