#include "run/Program.h"

#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "input/Decode.h"
#include "input/Script.h"
#include "kokit/Codepage.h"
#include "run/ScratchStore.h"
#include "run/Session.h"
#include "term/Interrupt.h"
#include "term/LineEditor.h"
#include "term/Terminal.h"

namespace quarlocli {

namespace {

struct Script {
  std::string name;  // for messages
  std::string text;  // UTF-8
};

std::string ReadAll(std::istream& in) {
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reads every -c and -f (and standard input when there is neither and it is not a terminal)
// before connecting, so that a missing or undecodable file costs no login.
std::vector<Script> LoadScripts(const Options& o, bool interactive) {
  std::vector<Script> scripts;
  for (const auto& s : o.sources) {
    if (s.kind == Source::Command) {
      if (!IsValidUtf8(s.text)) throw DecodeError("-c: the text is not valid UTF-8");
      scripts.push_back({"-c", s.text});
      continue;
    }
    std::string bytes;
    std::string encoding;
    if (s.text == "-") {
      bytes = ReadAll(std::cin);
      encoding = o.encoding.value_or("UTF-8");
    } else {
      std::ifstream file(s.text, std::ios::binary);
      if (!file) throw DecodeError(s.text + ": " + std::strerror(errno));
      bytes = ReadAll(file);
      if (file.bad()) throw DecodeError(s.text + ": cannot be read");
      // Query files are stored in the legacy code page, as the desktop program writes them.
      encoding = o.encoding.value_or(kokit::LegacyCodepage());
    }
    try {
      scripts.push_back({s.text, DecodeToUtf8(bytes, encoding)});
    } catch (const DecodeError& e) {
      throw DecodeError(s.text + ": " + e.what() + " (--encoding names another)");
    }
  }
  if (o.sources.empty() && !interactive) {
    try {
      scripts.push_back(
          {"standard input", DecodeToUtf8(ReadAll(std::cin), o.encoding.value_or("UTF-8"))});
    } catch (const DecodeError& e) {
      throw DecodeError(std::string("standard input: ") + e.what() + " (--encoding names another)");
    }
  }
  return scripts;
}

std::optional<std::string> Password(const Options& o, std::ostream& err) {
  if (o.password) {
    err << "quarlo: warning: a password given with --password is visible to other users of this "
           "machine; use $QUARLO_PASSWORD or the prompt\n";
    return *o.password;
  }
  if (const char* env = std::getenv("QUARLO_PASSWORD")) return std::string(env);
  if (o.noPassword || o.user.empty()) return std::string();
  auto typed = ReadPassword("Password for " + o.user + ": ");
  if (Interrupted()) return std::nullopt;
  return typed.value_or(std::string());
}

// Runs the statements of one script; false when the run is to stop.
bool RunScript(Session& session, const Script& script, const Options& o, int& status) {
  for (const auto& sql : SplitScript(script.text, o.split)) {
    switch (session.Run(sql)) {
      case Session::Outcome::Ok:
        break;
      case Session::Outcome::Failed:
        status = kExitStatementFailed;
        if (!o.continueOnError) return false;
        break;
      case Session::Outcome::Interrupted:
        status = kExitInterrupted;
        return false;
      case Session::Outcome::OutputClosed:
        status = kExitStatementFailed;
        return false;
    }
  }
  return true;
}

bool IsQuitCommand(const std::string& line) {
  std::string t;
  for (char c : line) {
    if (c != ' ' && c != '\t' && c != ';') t.push_back(static_cast<char>(std::tolower(c)));
  }
  return t == "\\q" || t == "quit" || t == "exit";
}

int Interactive(Session& session, const Options& o) {
  std::setlocale(LC_CTYPE, "");  // libedit reads multibyte input by the locale
  std::cout << "quarlo: type SQL ending in \";\" (or a \"go\" line); \\q quits" << std::endl;
  LineEditor editor(DefaultHistoryFile());
  std::string buffer;
  for (;;) {
    std::string line;
    std::cout.flush();  // libedit writes the prompt through stdio
    auto r = editor.Read(buffer.empty() ? "quarlo> " : "quarlo-> ", line);
    if (r == LineEditor::Result::End) {
      std::cout << '\n';
      return kExitOk;
    }
    if (r == LineEditor::Result::Interrupted) {
      buffer.clear();
      continue;
    }
    if (buffer.empty() && IsQuitCommand(line)) return kExitOk;
    buffer += line;
    buffer += '\n';
    if (!IsStatementComplete(buffer, o.split)) continue;
    std::string entry = buffer;
    while (!entry.empty() && entry.back() == '\n') entry.pop_back();
    for (auto& c : entry) {
      if (c == '\n') c = ' ';
    }
    editor.AddHistory(entry);
    int status = kExitOk;
    Options keepGoing = o;
    keepGoing.continueOnError = false;
    RunScript(session, {"input", buffer}, keepGoing, status);
    buffer.clear();
    if (Interrupted()) ClearInterrupt();
  }
}

int Run(const Options& o) {
  const bool stdinTty = IsTerminal(STDIN_FILENO);
  const bool stdoutTty = IsTerminal(STDOUT_FILENO);
  const bool stderrTty = IsTerminal(STDERR_FILENO);

  // The prompt needs a terminal on both sides, as psql's does; otherwise standard input is a
  // script.
  const bool interactive = !o.test && o.sources.empty() && stdinTty && stdoutTty;
  std::vector<Script> scripts;
  try {
    if (!o.test) scripts = LoadScripts(o, interactive);
  } catch (const DecodeError& e) {
    std::cerr << "quarlo: " << e.what() << '\n';
    return kExitUsage;
  }
  const OutputFormat format =
      o.format.value_or(stdoutTty ? OutputFormat::Table : OutputFormat::Csv);

  InterruptGuard interrupts;
  std::optional<ScratchStore> scratch;
  if (o.HasSettingOverrides()) scratch.emplace();

  // The progress line shares a terminal with the rows only when they are held back (table).
  Streams streams{std::cout, std::cerr, stderrTty && !(stdoutTty && format != OutputFormat::Table)};
  Session session(o, format, streams);
  if (!session.ApplySettings()) return kExitUsage;
  if (o.test) return session.Test() ? kExitOk : Interrupted() ? kExitInterrupted : kExitLoginFailed;

  auto password = Password(o, std::cerr);
  if (!password) return kExitInterrupted;
  if (!session.Open(quarlolink::host::BuildConnectionString(o.type, o.server, o.database, o.user,
                                                            *password))) {
    return Interrupted() ? kExitInterrupted : kExitLoginFailed;
  }
  int status = kExitOk;
  if (interactive) {
    status = Interactive(session, o);
  } else {
    for (const auto& script : scripts) {
      if (!RunScript(session, script, o, status)) break;
    }
  }
  if (status == kExitInterrupted) std::cerr << "quarlo: interrupted\n";
  session.Close();
  return status;
}

}  // namespace

int Main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  Options o;
  try {
    o = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const UsageError& e) {
    std::cerr << "quarlo: " << e.what() << "\nTry \"quarlo --help\" for more information.\n";
    return kExitUsage;
  }
  if (o.help) {
    std::cout << HelpText();
    return kExitOk;
  }
  if (o.version) {
    std::cout << "quarlo " << QUARLO_VERSION << '\n';
    return kExitOk;
  }
  try {
    return Run(o);
  } catch (const std::exception& e) {
    std::cerr << "quarlo: " << e.what() << '\n';
    return kExitStatementFailed;
  }
}

}  // namespace quarlocli
