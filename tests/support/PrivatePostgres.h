#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace quarlo::testing {

// A PostgreSQL cluster of this test alone (tests/support/private-postgres), stopped and started
// at will; removed with the object.
class PrivatePostgres {
 public:
  PrivatePostgres() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quarlo-pg-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp");
    dir_ = tmpl;
    Run("init");
    Start();
  }
  ~PrivatePostgres() { Run("remove", false); }
  PrivatePostgres(const PrivatePostgres&) = delete;
  PrivatePostgres& operator=(const PrivatePostgres&) = delete;

  void Start() { Run("start"); }
  void Stop() { Run("stop"); }
  std::string Port() const {
    std::string port;
    std::ifstream(dir_ / "port") >> port;
    return port;
  }

 private:
  void Run(const std::string& command, bool mustWork = true) {
    std::string line = std::string(QUARLO_PRIVATE_POSTGRES) + " " + command + " " + dir_.string();
    if (std::system(line.c_str()) != 0 && mustWork) {
      throw std::runtime_error("private-postgres " + command + " failed");
    }
  }

  std::filesystem::path dir_;
};

}  // namespace quarlo::testing
