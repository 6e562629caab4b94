// Peak memory of the client for one 50 MiB answer, in a fresh process per case: a loopback server
// streams the answer (so only the client holds it) and the process reports how far its peak
// resident memory rose over Execute and the walk of every row, beside the answer's size.
//
//   bench_answer_memory              runs every case, each in a child process
//   bench_answer_memory --case NAME  runs one case in this process
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PrivateFolders.h"
#include "TestServer.h"
#include "kokit/Codepage.h"
#include "quarlolink/QuarloApp.h"

using quarlolink::QuarloApp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kAnswerBytes = 50u << 20;
constexpr int kColumns = 10;

struct Case {
  const char* name;
  const char* what;
  bool valid;    // an "OK" answer filled into a recordset, else text the server sends as its error
  bool chinese;  // values of Chinese characters (two bytes each in GBK), else ASCII
};

constexpr Case kCases[] = {
    {"rows", "rows of ASCII values", true, false},
    {"rows-gbk", "rows of Chinese values", true, true},
    {"error", "an error text instead of OK", false, false},
};

// Resident memory of this process, now (VmRSS) or at its peak so far (VmHWM), in KiB.
long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  }
  return -1;
}

// The answer as the server sends it: a fixed head, then rows of equal length up to the size.
class AnswerSource {
 public:
  explicit AnswerSource(const Case& c) {
    if (!c.valid) {
      row_ = std::string(64 << 10, 'x');
      head_ = "<html>500 Internal Server Error";
      return;
    }
    head_ =
        "OK<Head><RecordsAffected>-1</RecordsAffected><EOF>True</EOF>"
        "<IsNextRecordset>False</IsNextRecordset></Head><Fields>";
    for (int i = 0; i < kColumns; ++i) {
      head_ += "<Field><Name>c" + std::to_string(i) +
               "</Name><Type>200</Type><DefinedSize>1000</DefinedSize></Field>";
    }
    head_ += "</Fields>";
    // About 10 KB a row: some 5,000 rows fill the answer, as many as quarlopages sends at most.
    std::string chinese;
    for (int i = 0; i < 500; ++i) chinese += "中";
    const std::string text = c.chinese ? kokit::ToLegacy(chinese) : std::string(1000, 'v');
    row_ = "<RowValue>";
    for (int i = 0; i < kColumns; ++i) {
      const std::string tag = "~" + std::to_string(i) + "_";
      row_ += "<" + tag + ">" + text + "</" + tag + ">";
    }
    row_ += "</RowValue>";
  }

  std::size_t Size() const {
    return head_.size() + (kAnswerBytes - head_.size()) / row_.size() * row_.size();
  }

  // Up to `max` bytes from `offset` on.
  std::string Piece(std::size_t offset, std::size_t max) const {
    std::string out;
    while (out.size() < max && offset < Size()) {
      const std::string& part = offset < head_.size() ? head_ : row_;
      const std::size_t at = offset < head_.size() ? offset : (offset - head_.size()) % row_.size();
      const std::size_t n = std::min(part.size() - at, max - out.size());
      out.append(part, at, n);
      offset += n;
    }
    return out;
  }

 private:
  std::string head_;
  std::string row_;
};

int RunCase(const Case& c) {
  PrivateFolders folders;
  const AnswerSource source(c);
  const std::size_t size = source.Size();

  quarlo::testing::TestServer server;
  server.server().Get(".*", [&](const httplib::Request& req, httplib::Response& res) {
    if (req.get_param_value("Opt") == "0") {
      res.set_content("OK<EncKey>k1</EncKey><MapPath>D:\\db</MapPath>", "text/plain");
    } else if (req.path.find("open") != std::string::npos) {
      res.set_content("OK", "text/plain");
    } else {
      res.set_content_provider(
          size, "text/plain", [&](size_t offset, size_t length, httplib::DataSink& sink) {
            const std::string piece = source.Piece(offset, std::min<size_t>(length, 1 << 16));
            sink.write(piece.data(), piece.size());
            return true;
          });
    }
  });
  server.Start();

  auto app = QuarloApp::Create();
  app->SetWebSite("http://127.0.0.1:" + std::to_string(server.port()));
  app->SetCommandTimeout(120);
  app->SetRowsPerComm(5000);
  app->SetRowsPerPage(5000);
  app->OpenConn("driver={SQL Server};server=s;database=d;uid=u;pwd=p");
  if (app->OptStatus() != 0) {
    std::fprintf(stderr, "open failed: %s\n", app->OptString().c_str());
    return 1;
  }

  const long before = StatusKiB("VmHWM:");
  const auto t0 = Clock::now();
  auto rs = app->Execute("select 1");
  const auto t1 = Clock::now();
  long rows = 0;
  if (rs) {
    for (; !rs->Eof(); rs->MoveNext()) ++rows;
  }
  const auto t2 = Clock::now();
  const long peak = StatusKiB("VmHWM:");
  if (c.valid != (rs != nullptr)) {
    std::fprintf(stderr, "unexpected outcome: %s\n", app->OptString().substr(0, 200).c_str());
    return 1;
  }
  const double answerMiB = static_cast<double>(size) / (1 << 20);
  const double grownMiB = static_cast<double>(peak - before) / 1024;
  std::printf(
      "%s (%s): answer %.1f MiB, %ld rows, peak +%.0f MiB (%.2fx the answer), Execute %.0f ms, "
      "walk %.0f ms\n",
      c.name, c.what, answerMiB, rows, grownMiB, grownMiB / answerMiB,
      std::chrono::duration<double, std::milli>(t1 - t0).count(),
      std::chrono::duration<double, std::milli>(t2 - t1).count());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "--case") {
    for (const Case& c : kCases) {
      if (args[1] == c.name) return RunCase(c);
    }
    std::fprintf(stderr, "no case %s\n", args[1].c_str());
    return 64;
  }
  // Peak memory only rises: each case gets a process of its own.
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  int failed = 0;
  for (const Case& c : kCases) {
    std::fflush(stdout);
    const std::string command = "'" + self + "' --case " + c.name;
    if (std::system(command.c_str()) != 0) ++failed;
  }
  return failed == 0 ? 0 : 1;
}
