#include "term/LineEditor.h"

#include <fcntl.h>
#include <histedit.h>

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <system_error>

#include "term/Interrupt.h"

namespace quarlocli {

std::filesystem::path DefaultHistoryFile() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) {
    return std::filesystem::path(state) / "quarlo" / "history";
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : ".") / ".local" / "state" / "quarlo" /
         "history";
}

LineEditor::LineEditor(std::filesystem::path historyFile) : historyFile_(std::move(historyFile)) {
  HistEvent ev;
  history_ = history_init();
  history(history_, &ev, H_SETSIZE, kHistorySize);
  history(history_, &ev, H_SETUNIQUE, 1);
  if (!historyFile_.empty()) history(history_, &ev, H_LOAD, historyFile_.c_str());

  el_ = el_init("quarlo", stdin, stdout, stderr);
  el_set(el_, EL_CLIENTDATA, this);
  el_set(el_, EL_PROMPT, &LineEditor::PromptOf);
  el_set(el_, EL_EDITOR, "emacs");
  el_set(el_, EL_HIST, history, history_);
  // libedit puts the terminal back on signals and passes them on; Ctrl+C then reaches the
  // handler of term/Interrupt, and the read below gives up when it interrupts a wait.
  el_set(el_, EL_SIGNAL, 1);
  el_set(el_, EL_GETCFN, &LineEditor::ReadChar);
  el_source(el_, nullptr);  // the user's ~/.editrc
}

LineEditor::~LineEditor() {
  if (!historyFile_.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(historyFile_.parent_path(), ec);
    SaveHistory();
  }
  el_end(el_);
  history_end(history_);
}

// libedit's own save truncates the file and writes it in place, so a full disk would lose the
// history: write a temporary file beside it, sync it, then rename it over the old one.
void LineEditor::SaveHistory() {
  std::string temp = historyFile_.string() + ".tmp-XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return;
  FILE* file = fdopen(fd, "w");
  if (!file) {
    close(fd);
    unlink(temp.c_str());
    return;
  }
  HistEvent ev;
  bool ok = history(history_, &ev, H_SAVE_FP, file) >= 0;
  ok = fflush(file) == 0 && ok && !ferror(file) && fsync(fileno(file)) == 0;
  ok = fclose(file) == 0 && ok;
  if (!ok || rename(temp.c_str(), historyFile_.c_str()) != 0) unlink(temp.c_str());
}

char* LineEditor::PromptOf(EditLine* el) {
  void* self = nullptr;
  el_get(el, EL_CLIENTDATA, &self);
  return static_cast<LineEditor*>(self)->prompt_.data();
}

int LineEditor::ReadChar(EditLine*, wchar_t* out) {
  std::mbstate_t state{};
  for (;;) {
    char byte;
    ssize_t n = read(STDIN_FILENO, &byte, 1);
    if (n < 0 && errno == EINTR) {
      if (Interrupted()) return -1;
      continue;
    }
    if (n <= 0) return n == 0 ? 0 : -1;
    wchar_t wc;
    size_t r = std::mbrtowc(&wc, &byte, 1, &state);
    if (r == static_cast<size_t>(-2)) continue;  // more bytes of the character to come
    if (r == static_cast<size_t>(-1)) {
      state = std::mbstate_t{};
      wc = static_cast<wchar_t>(static_cast<unsigned char>(byte));
    }
    *out = wc;
    return 1;
  }
}

LineEditor::Result LineEditor::Read(const std::string& prompt, std::string& line) {
  prompt_ = prompt;
  if (Interrupted()) ClearInterrupt();  // a Ctrl+C that came while the last statement ended
  int count = 0;
  const char* text = el_gets(el_, &count);
  if (Interrupted()) {
    ClearInterrupt();
    el_reset(el_);
    std::fputs("\n", stdout);
    std::fflush(stdout);
    return Result::Interrupted;
  }
  if (!text || count <= 0) return Result::End;
  line.assign(text, static_cast<size_t>(count));
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return Result::Line;
}

void LineEditor::AddHistory(const std::string& entry) {
  if (entry.empty()) return;
  HistEvent ev;
  history(history_, &ev, H_ENTER, entry.c_str());
}

}  // namespace quarlocli
