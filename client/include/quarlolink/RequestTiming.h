#pragma once

#include <cstdint>
#include <optional>

namespace quarlolink {

// The parts of a span of time a host measured around its own use of a connection (a statement
// run and shown, a page move and the grid filled): milliseconds, together the whole span.
struct TimingSplit {
  double databaseMs = 0;  // the server in its database
  double serverMs = 0;    // the server's own work besides that (rows, the answer, the rest)
  double networkMs = 0;   // the requests on the wire: to the server and the answers back
  double clientMs = 0;    // the rest: decoding and reading the answers, and the host's own work
};

// Where the time of a connection's requests went, summed over its requests (key checks, opens,
// statements, fetches of further rows and pages, stop requests). Milliseconds.
//
// QuarloApp::Timing() gives the totals since the connection object was made. A host takes one
// before and one after what it measures and subtracts them:
//
//   auto before = cn->Timing();
//   auto start = std::chrono::steady_clock::now();
//   auto rs = cn->Execute(sql);       // or rs->MoveNextPage(): then the rows are walked and
//   ...walk and show the page...      // each MoveNext that fetches a batch counts too
//   auto spent = cn->Timing() - before;
//   if (auto split = spent.Split(elapsedMs)) ... else show elapsedMs alone
//
// The server's figures come from the standard Server-Timing header of each answer: "db" (time in
// the database), "rows" (reading or spooling rows), "write" (writing the answer) and "total"
// (the server's whole handling; when absent, db + rows + write). An answer counts as timed when
// its header has a "db" duration; other metrics are ignored.
struct RequestTiming {
  int64_t requests = 0;       // requests made, answered or not
  int64_t timedRequests = 0;  // answers that said where the server's time went
  double wireMs = 0;          // from sending each request to the last byte of its answer
  double decodeMs = 0;        // taking each answer over and decoding it from the code page
  double fillMs = 0;          // reading answers into recordsets (header, fields, rows)
  double databaseMs = 0;      // server: "db"
  double rowsMs = 0;          // server: "rows"
  double writeMs = 0;         // server: "write"
  double serverMs = 0;        // server: "total"

  // True when there were requests and every one of them was answered with the server's figures.
  bool HasServerSplit() const { return requests > 0 && timedRequests == requests; }

  // The split of `elapsedMs`, a span that holds these requests; none without HasServerSplit(), as
  // with servers that do not send the header. Each part is at least 0.
  std::optional<TimingSplit> Split(double elapsedMs) const;

  RequestTiming& operator+=(const RequestTiming& other);
  RequestTiming& operator-=(const RequestTiming& other);
  friend RequestTiming operator+(RequestTiming a, const RequestTiming& b) { return a += b; }
  friend RequestTiming operator-(RequestTiming a, const RequestTiming& b) { return a -= b; }
};

}  // namespace quarlolink
