#include "Server.h"

#include <signal.h>
#include <stdlib.h>

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "DocFolder.h"
#include "HttpServer.h"
#include "Pages.h"
#include "RequestLog.h"
#include "kokit/Codepage.h"

namespace quarlopages {
namespace {

namespace fs = std::filesystem;

// The private folder for row spools, removed with everything in it at the end.
class SpoolFolder {
 public:
  explicit SpoolFolder(const std::string& base) {
    std::string parent = base;
    if (parent.empty()) {
      const char* tmp = getenv("TMPDIR");
      parent = tmp && *tmp ? tmp : "/tmp";
    }
    std::string tmpl = (fs::path(parent) / "quarlopages-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
      throw std::runtime_error("cannot make a spool folder in " + parent);
    }
    path_ = tmpl;
  }
  ~SpoolFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  SpoolFolder(const SpoolFolder&) = delete;
  SpoolFolder& operator=(const SpoolFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read \"" + path + "\"");
  return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path ResolveMapPath(const std::string& configured) {
  std::error_code ec;
  fs::path path = configured.empty() ? fs::current_path() : fs::path(configured);
  path = fs::weakly_canonical(fs::absolute(path), ec);
  if (ec || !fs::is_directory(path)) {
    throw std::runtime_error("--map-path: \"" + configured + "\" is not a folder");
  }
  return path;
}

// Once a second: closes idle sessions (and their database connections) and idle open cursors,
// and repeats the stops of statements that still run.
class Sweeper {
 public:
  Sweeper(SessionStore& sessions, std::chrono::seconds cursorIdle)
      : thread_([this, &sessions, cursorIdle](std::stop_token stop) {
          std::mutex m;
          std::unique_lock lock(m);
          while (!stop.stop_requested()) {
            wake_.wait_for(lock, stop, std::chrono::seconds(1), [] { return false; });
            if (stop.stop_requested()) break;
            sessions.Sweep();
            sessions.CloseIdleCursors(cursorIdle);
            sessions.RepeatStops();
          }
        }) {}

 private:
  std::condition_variable_any wake_;
  std::jthread thread_;
};

}  // namespace

void BlockStopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int RunServer(const Config& config) {
  try {
    if (!config.codepage.empty()) kokit::SetLegacyCodepage(config.codepage);
    fs::path mapPath = ResolveMapPath(config.mapPath);
    SpoolFolder spool(config.spoolDir);

    HttpOptions http;
    http.listen = config.listen;
    http.port = config.port;
    http.maxConnections = static_cast<unsigned>(config.maxConnections);
    http.idleTimeoutSeconds = static_cast<unsigned>(config.idleTimeoutSeconds);
    // Every byte of a statement travels as three characters, plus the other parameters.
    http.maxRequestTarget = config.maxSqlBytes * 3 + 4096;
    if (!config.tlsCert.empty()) {
      http.tlsCertPem = ReadWholeFile(config.tlsCert);
      http.tlsKeyPem = ReadWholeFile(config.tlsKey);
    }

    if (config.keyIsDefault) {
      std::fprintf(stderr,
                   "quarlopages: warning: the shared key is the client's built-in default; "
                   "set --key for any real use\n");
    }

    if (config.allowAnyPath) {
      std::fprintf(stderr,
                   "quarlopages: warning: --allow-any-path: file databases may lie anywhere this "
                   "user can reach, not only under the map folder %s\n",
                   mapPath.c_str());
    }

    Pages pages(config, mapPath, spool.Path());
    std::optional<DocFolder> docs = OpenDocFolder(config);
    if (docs) {
      std::fprintf(stderr, "quarlopages: serving %s at %s\n", docs->Folder().c_str(),
                   docs->Url().c_str());
    }
    auto route = [&](const PageRequest& r) {
      // The two pages first: a documentation URL cannot hide them.
      bool page = r.path == config.openUrl || r.path == config.executeUrl;
      return !page && docs && docs->Serves(r.target) ? docs->Serve(r) : pages.Handle(r);
    };
    HttpServer server(http, route, [](const PageRequest& r, const PageResponse& a, double s) {
      std::string line = FormatLogLine(r, a, s, std::chrono::system_clock::now()) + "\n";
      std::fwrite(line.data(), 1, line.size(), stderr);
    });
    server.Start();
    std::fprintf(stderr, "listening on %s\n", server.Url().c_str());
    std::fflush(stderr);

    {
      Sweeper sweeper(pages.Sessions(), std::chrono::seconds(config.cursorTimeoutSeconds));
      sigset_t set;
      sigemptyset(&set);
      sigaddset(&set, SIGINT);
      sigaddset(&set, SIGTERM);
      int signal = 0;
      sigwait(&set, &signal);
      std::fprintf(stderr, "quarlopages: stopping (%s)\n", signal == SIGINT ? "SIGINT" : "SIGTERM");
    }

    server.Quiesce();
    // Statements still reading are asked to stop until every answer has gone out.
    do pages.Sessions().CancelAll();
    while (!server.WaitIdle(std::chrono::milliseconds(500)));
    server.Stop();
    pages.Sessions().CloseAll();
    std::fprintf(stderr, "quarlopages: stopped\n");
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quarlopages: %s\n", e.what());
    return 1;
  }
}

}  // namespace quarlopages
