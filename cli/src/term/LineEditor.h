#pragma once

#include <filesystem>
#include <string>

typedef struct editline EditLine;
typedef struct history History;

namespace quarlocli {

// The interactive prompt's line editing and history (libedit). The history is read from and
// written back to `historyFile` (at most kHistorySize entries).
class LineEditor {
 public:
  static constexpr int kHistorySize = 1000;
  enum class Result { Line, Interrupted, End };

  explicit LineEditor(std::filesystem::path historyFile);
  ~LineEditor();
  LineEditor(const LineEditor&) = delete;
  LineEditor& operator=(const LineEditor&) = delete;

  // One line without its line break; Interrupted after Ctrl+C (the line is dropped), End after
  // Ctrl+D on an empty line.
  Result Read(const std::string& prompt, std::string& line);
  void AddHistory(const std::string& entry);

 private:
  void SaveHistory();
  static char* PromptOf(EditLine* el);
  static int ReadChar(EditLine* el, wchar_t* c);

  std::filesystem::path historyFile_;
  EditLine* el_ = nullptr;
  History* history_ = nullptr;
  std::string prompt_;
};

// $XDG_STATE_HOME/quarlo/history, else ~/.local/state/quarlo/history.
std::filesystem::path DefaultHistoryFile();

}  // namespace quarlocli
