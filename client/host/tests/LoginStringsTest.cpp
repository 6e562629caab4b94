#include <gtest/gtest.h>

#include "quarlohost/LoginStrings.h"

using namespace quarlolink::host;

TEST(LoginStrings, ConnectionStringsAndWebSites) {
  struct Row {
    const char* name;
    DbType type;
    const char *server, *database, *user, *password, *expected;
  };
  const Row rows[] = {
      {"SqlServer", DbType::SqlServer, "srv", "db", "sa", "p w",
       "driver={SQL Server};server=srv;database=db;uid=sa;pwd=p w"},
      {"Oracle", DbType::Oracle, "orcl", "db", "scott", "tiger",
       "driver={Microsoft ODBC for Oracle};server=orcl;database=db;uid=scott;pwd=tiger"},
      {"AccessHasNoServer", DbType::Access, "ignored", "data\\a.mdb", "", "",
       "driver={Microsoft Access Driver (*.mdb)};dbq=data\\a.mdb;uid=;pwd="},
      {"SemicolonQuoted", DbType::SqlServer, "s", "d", "u", "a;server=evil",
       "driver={SQL Server};server=s;database=d;uid=u;pwd={a;server=evil}"},
      {"BracesDoubled", DbType::SqlServer, "s", "d", "u{}", "x}y{",
       "driver={SQL Server};server=s;database=d;uid={u{}}};pwd={x}}y{}"},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(BuildConnectionString(r.type, r.server, r.database, r.user, r.password), r.expected)
        << r.name;
  }
  for (auto [in, out] : {std::pair{"  host/dir/ ", "http://host/dir"},
                         {"HTTP://h", "http://HTTP://h"},
                         {"", "http://"},
                         {"https://h/", "https://h"}})
    EXPECT_EQ(NormaliseWebSite(in), out) << in;
}
