// What the editor colours: each line of a row's text split into spans, carried across lines.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QString>

#include "core/SqlTokens.h"
#include "ui/SqlHighlighter.h"

using namespace quarlodesk;

namespace {

// "K[select] S['a']": each span's kind letter and text, line by line (lines joined by " | ").
std::string Describe(const std::string& text) {
  const char letters[] = "KSNCM";
  std::string out;
  SqlLineState state;
  for (const QString& line : QString::fromUtf8(text).split('\n')) {
    if (!out.empty()) out += " |";
    const std::u16string_view view(reinterpret_cast<const char16_t*>(line.utf16()),
                                   static_cast<size_t>(line.size()));
    for (const SqlSpan& s : SqlLineSpans(view, state)) {
      out += std::string(" ") + letters[static_cast<int>(s.kind)] + "[" +
             line.mid(static_cast<int>(s.start), static_cast<int>(s.length)).toStdString() + "]";
    }
  }
  return out;
}

}  // namespace

TEST(SqlColour, WhatGetsWhichFormat) {
  struct Row {
    const char* name;
    const char* text;
    const char* expected;
  };
  const Row rows[] = {
      {"KeywordsInAnyCaseNotOtherWords", "Select name fROM t", " K[Select] K[fROM]"},
      {"StringsWithDoubledQuotesAndNumbers", "x = 'it''s' or y > 1.5e3 and z = .5",
       " S['it''s'] K[or] N[1.5e3] K[and] N[.5]"},
      {"DigitsInsideNamesAreNoNumbers", "select 编号1, a2, $1", " K[select] N[1]"},
      {"BracketAndQuotedNames", "select [名 称], \"from\" from t",
       " K[select] M[[名 称]] M[\"from\"] K[from]"},
      {"LineAndBlockComments", "select 1 -- 'not a string'\n/* a\nb */ select",
       " K[select] N[1] C[-- 'not a string'] | C[/* a] | C[b */] K[select]"},
      {"StringAcrossLines", "'a\nb' 2", " S['a] | S[b'] N[2]"},
      {"DollarBodyAcrossLinesEndsAtItsOwnTag", "as $fn$ select '$x$\n$x$ from $fn$ 3",
       " K[as] S[$fn$ select '$x$] | S[$x$ from $fn$] N[3]"},
      {"UnclosedBracketNameEndsWithTheLine", "[a b\nselect", " M[[a b] | K[select]"},
  };
  for (const Row& r : rows) EXPECT_EQ(Describe(r.text), r.expected) << r.name;
}

// The colours are display only: one change signal, one undo step, and the text as typed.
TEST(SqlColour, TextUndoAndChangeSignalUntouched) {
  QPlainTextEdit editor;
  new SqlHighlighter(editor.document());
  int changes = 0;
  QObject::connect(&editor, &QPlainTextEdit::textChanged, [&] { ++changes; });
  editor.setPlainText("select 'a' -- b\n/* c */ 1");
  editor.document()->setModified(false);
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(editor.document()->isUndoAvailable());
  editor.insertPlainText("x");
  EXPECT_EQ(changes, 2);
  editor.undo();
  EXPECT_EQ(editor.toPlainText().toStdString(), "select 'a' -- b\n/* c */ 1");
}
