#pragma once

#include <chrono>
#include <optional>
#include <ostream>
#include <string>

namespace quarlocli {

bool IsTerminal(int fd);

// Asks for a password on the controlling terminal with echo off, and puts the terminal back as
// it was (also after Ctrl+C). Nothing when there is no terminal or the user pressed Ctrl+C or
// Ctrl+D.
std::optional<std::string> ReadPassword(const std::string& prompt);

// "quarlo: 12000 rows" on standard error while a long result arrives, rewritten in place and
// erased before anything else is written to the same terminal.
class ProgressLine {
 public:
  using Clock = std::chrono::steady_clock;

  ProgressLine(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}
  ~ProgressLine() { Erase(); }
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // A new result starts: the line shows only once it has taken longer than kDelay.
  void Start();
  void Update(int64_t rows);
  void Erase();
  bool Shown() const { return shown_; }

  static constexpr std::chrono::milliseconds kDelay{500};
  static constexpr std::chrono::milliseconds kInterval{100};

 private:
  std::ostream& err_;
  bool enabled_;
  bool shown_ = false;
  Clock::time_point start_{};
  Clock::time_point last_{};
};

}  // namespace quarlocli
