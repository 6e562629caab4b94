#include "quarlosql/SqlScan.h"

#include <gtest/gtest.h>

namespace quarlosql {
namespace {

// What quarlopages streams (one statement) and what it spools whole (a batch).
TEST(CountStatements, SemicolonsOutsideQuotesAndCommentsEndStatements) {
  struct Case {
    const char* name;
    const char* sql;
    size_t statements;
  } cases[] = {
      {"one", "select * from t", 1},
      {"trailing semicolon and comment", "select 1; -- done\n /* really */ ;", 1},
      {"two", "select 1; select 2", 2},
      {"semicolons in quotes", "select 'a;b', \"c;d\", [e;f] from t", 1},
      {"semicolon in comments", "select 1 -- ;\n /* ; /* ; */ ; */ + 2", 1},
      {"dollar-quoted body", "do $body$ begin perform 1; perform 2; end $body$", 1},
      {"empty", " ; -- nothing\n", 0},
      {"unterminated quote runs to the end", "select 'a; select 2", 1},
  };
  for (const Case& c : cases) EXPECT_EQ(CountStatements(c.sql), c.statements) << c.name;
}

}  // namespace
}  // namespace quarlosql
