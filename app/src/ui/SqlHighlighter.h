#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <string>
#include <vector>

#include "core/SqlTokens.h"

namespace quarlodesk {

// Colours the SQL in the editor. Only the display changes: the text, its undo history and the
// editor's change signal stay as they are.
class SqlHighlighter : public QSyntaxHighlighter {
 public:
  explicit SqlHighlighter(QTextDocument* document);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  // A block's state as an int: -1 (Qt's "none") and 0 nothing open, 1 a comment, 2 a string,
  // 3 + n the n-th $tag$ seen.
  SqlLineState StateOf(int value) const;
  int ValueOf(const SqlLineState& state);

  QTextCharFormat formats_[5];
  std::vector<std::u16string> tags_;
};

}  // namespace quarlodesk
