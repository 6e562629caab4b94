#include "ui/SqlHighlighter.h"

#include <algorithm>

namespace quarlodesk {

SqlHighlighter::SqlHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
  auto& keyword = formats_[static_cast<int>(SqlKind::Keyword)];
  keyword.setForeground(QColor(0, 0, 192));
  keyword.setFontWeight(QFont::Bold);
  formats_[static_cast<int>(SqlKind::String)].setForeground(QColor(163, 21, 21));
  formats_[static_cast<int>(SqlKind::Number)].setForeground(QColor(9, 134, 88));
  auto& comment = formats_[static_cast<int>(SqlKind::Comment)];
  comment.setForeground(QColor(0, 128, 0));
  comment.setFontItalic(true);
  formats_[static_cast<int>(SqlKind::Name)].setForeground(QColor(128, 0, 128));
}

SqlLineState SqlHighlighter::StateOf(int value) const {
  SqlLineState state;
  if (value == 1) state.inside = SqlLineState::BlockComment;
  if (value == 2) state.inside = SqlLineState::QuotedString;
  if (value >= 3 && static_cast<size_t>(value - 3) < tags_.size()) {
    state.inside = SqlLineState::DollarBody;
    state.tag = tags_[static_cast<size_t>(value - 3)];
  }
  return state;
}

int SqlHighlighter::ValueOf(const SqlLineState& state) {
  switch (state.inside) {
    case SqlLineState::Nothing:
      return 0;
    case SqlLineState::BlockComment:
      return 1;
    case SqlLineState::QuotedString:
      return 2;
    case SqlLineState::DollarBody:
      break;
  }
  auto at = std::find(tags_.begin(), tags_.end(), state.tag);
  if (at == tags_.end()) at = tags_.insert(at, state.tag);
  return 3 + static_cast<int>(at - tags_.begin());
}

void SqlHighlighter::highlightBlock(const QString& text) {
  SqlLineState state = StateOf(previousBlockState());
  const std::u16string_view line(reinterpret_cast<const char16_t*>(text.utf16()),
                                 static_cast<size_t>(text.size()));
  for (const SqlSpan& s : SqlLineSpans(line, state)) {
    setFormat(static_cast<int>(s.start), static_cast<int>(s.length),
              formats_[static_cast<int>(s.kind)]);
  }
  setCurrentBlockState(ValueOf(state));
}

}  // namespace quarlodesk
