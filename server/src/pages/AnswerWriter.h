#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/Backend.h"

// The execute page's answer: "OK", the head, the fields, then one element per row. Values are
// written as they are: the format has no escaping, so a value that itself holds a closing tag
// of the answer (say "</~0_>") cannot be read back exactly by the client.
namespace quarlopages {

struct AnswerHead {
  int64_t recordsAffected = -1;
  bool eof = true;
  bool isNextRecordset = false;
};

class AnswerWriter {
 public:
  AnswerWriter() : text_("OK") {}

  // The whole head and, for a result set with columns, the fields.
  void FullHead(const AnswerHead& head, const std::vector<db::Column>& columns);
  // Only EOF: what a later batch of the same result set carries.
  void ShortHead(bool eof);
  void Row(const db::Row& row, bool removeTrailingBlanks);

  // UTF-8 text of the answer.
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace quarlopages
