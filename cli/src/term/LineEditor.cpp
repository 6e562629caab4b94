#include "term/LineEditor.h"

#include <histedit.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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
  el_set(el_, EL_SIGNAL, 1);
  el_source(el_, nullptr);  // the user's ~/.editrc
}

LineEditor::~LineEditor() {
  if (!historyFile_.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(historyFile_.parent_path(), ec);
    HistEvent ev;
    history(history_, &ev, H_SAVE, historyFile_.c_str());
  }
  el_end(el_);
  history_end(history_);
}

char* LineEditor::PromptOf(EditLine* el) {
  void* self = nullptr;
  el_get(el, EL_CLIENTDATA, &self);
  return static_cast<LineEditor*>(self)->prompt_.data();
}

LineEditor::Result LineEditor::Read(const std::string& prompt, std::string& line) {
  prompt_ = prompt;
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
