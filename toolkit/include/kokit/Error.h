#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace kokit {

// The one error type of the project: a number and a description. Numbers below 10000 that come
// from the operating system are errno values with strerror's text.
class Error : public std::runtime_error {
 public:
  Error(int32_t number, const std::string& description)
      : std::runtime_error(description), number_(number) {}

  int32_t Number() const noexcept { return number_; }
  std::string Description() const { return what(); }

  // An error from the operating system: errno's number and text.
  static Error FromErrno(int errnum);

 private:
  int32_t number_;
};

}  // namespace kokit
