#include "args/Options.h"

namespace quarlocli {

std::string HelpText() {
  return R"(quarlo: run SQL through a Quarlo site (the open and execute server pages).

Usage: quarlo --site URL [connection options] [-c SQL]... [-f FILE]... [options]
       quarlo --site URL --test

With neither -c nor -f, SQL is read from standard input; on a terminal an interactive prompt
with line editing and history starts.

Connection:
  --site URL             web site with the server pages ("http://" is added when missing)
  --type TYPE            sqlserver (default), oracle or access: the connection string of the
                         desktop program's login
  --server NAME          database server (not used by access)
  --database NAME        database; for access the path of the database file
  --user NAME            user name
  -w, --no-password      never ask for a password (an empty one is sent)
  --password TEXT        the password; visible to other users of the machine, so prefer
                         $QUARLO_PASSWORD or the prompt, which asks without echo
  --test                 check the site and the key, then exit

SQL:
  -c, --command SQL      run SQL (repeatable; each -c is one script)
  -f, --file FILE        run a query file, read in the legacy code page as the desktop program
                         stores them (repeatable; "-" is standard input)
  --encoding NAME        read -f files and standard input in NAME (any iconv name, e.g. UTF-8)
                         instead (standard input defaults to UTF-8)
  --split MODE           how a script is cut into statements: auto (default: at "go" lines if
                         there are any, else at ";"), semicolon, go, or none (one batch)
  --continue-on-error    go on with the next statement after a failure (default: stop)

Results:
  --page N               show only page N of every result set (pages of --rows-per-page rows)
  --max-rows N           show at most N rows of every result set
  --format FORMAT        table (default on a terminal), csv (RFC 4180, default otherwise), tsv
                         or json (one object per row)
  --no-header            leave out the column names (table, csv, tsv)
  -q, --quiet            no rows-affected lines
  --timing               show the time each statement took

One-run settings (not saved):
  --enc-key KEY          the key shared with the server pages (printable ASCII)
  --open-url PATH        path of the open page (default /quarlo/quarloopen.asp)
  --execute-url PATH     path of the execute page (default /quarlo/quarloexecute.asp)
  --rows-per-comm N      rows fetched per request
  --rows-per-page N      rows per page (made a whole number of requests)
  --timeout SECONDS      time allowed for each statement request (default 120)
  --connect-timeout SECONDS
                         time allowed for the key check and the login (default 12)
  --max-answer-mb N      refuse an answer larger than N MiB (default 128); when one is refused,
                         lower --rows-per-comm

  -h, --help             show this help
  -V, --version          show the version

Messages (rows affected, timing) go to standard output with the table format and to standard
error with csv, tsv and json, which keep standard output for data.

Ctrl+C stops a running statement: the request is dropped and the server is asked to stop the
statement on the database (standard error says whether it did); a second Ctrl+C ends at once.

Exit status: 0 success, 1 a statement failed (its text on standard error), 2 the site or the
login failed, 64 wrong usage or unreadable input, 130 stopped by Ctrl+C.
Environment: QUARLO_PASSWORD (the password), KOKIT_CODEPAGE (the legacy code page, default
GB18030).
)";
}

}  // namespace quarlocli
