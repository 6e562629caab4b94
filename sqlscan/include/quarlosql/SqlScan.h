#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// How SQL text divides into code, quotes and comments: the one reading shared by the
// command-line program (cutting scripts) and quarlopages (telling one statement from a batch).
namespace quarlosql {

// Pieces of SQL text by how the text inside them is to be taken. Quoted covers string literals,
// quoted identifiers ("x", [x]) and PostgreSQL dollar quotes; comments include their markers.
struct SqlSpan {
  enum Kind { Code, Quoted, LineComment, BlockComment } kind;
  size_t begin;
  size_t end;
};

// Cuts text into spans that tile it in order. An unterminated quote or comment runs to the end
// of the text; block comments nest, as in PostgreSQL and T-SQL.
std::vector<SqlSpan> ScanSql(std::string_view text);

// The statements of a batch: the pieces between ";" outside quotes and comments that hold more
// than blanks and comments.
size_t CountStatements(std::string_view text);

}  // namespace quarlosql
