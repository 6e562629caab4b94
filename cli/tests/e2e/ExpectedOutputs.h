#pragma once

// The same three rows (Chinese text, a comma, quotes, a line break, empty and NULL values) come
// from both databases; every output format must print them exactly so.
namespace quarlocli::testing {

inline constexpr const char* kExpectedCsv =
    "id,name,note\r\n"
    "1,中文,\"a,b\"\r\n"
    "2,\"say \"\"hi\"\"\",\"line1\nline2\"\r\n"
    "3,,\r\n";

inline constexpr const char* kExpectedTsv =
    "id\tname\tnote\n1\t中文\ta,b\n2\tsay \"hi\"\tline1\\nline2\n3\t\t\n";

inline constexpr const char* kExpectedJson =
    "{\"id\":\"1\",\"name\":\"中文\",\"note\":\"a,b\"}\n"
    "{\"id\":\"2\",\"name\":\"say \\\"hi\\\"\",\"note\":\"line1\\nline2\"}\n"
    "{\"id\":\"3\",\"name\":\"\",\"note\":\"\"}\n";

inline constexpr const char* kExpectedTable =
    " id |   name   | note\n"
    "----+----------+-------\n"
    "  1 | 中文     | a,b\n"
    "  2 | say \"hi\" | line1+\n"
    "    |          | line2\n"
    "  3 |          |\n"
    "（所影响的行数为 3 行）\n";

}  // namespace quarlocli::testing
