#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>
#include "quarlohost/LoginStrings.h"

namespace quarlocli {

using quarlolink::host::DbType;
enum class OutputFormat { Table, Csv, Tsv, Json };
// How a script is cut into the batches sent one by one (see SplitScript).
enum class SplitMode { Auto, Semicolon, Go, None };

// One piece of SQL to run, in command-line order: a -c text or a -f file.
struct Source {
  enum Kind { Command, File } kind;
  std::string text;  // the SQL of -c, or the path of -f
};

struct Options {
  bool help = false;
  bool version = false;

  // Connection
  std::string site;
  DbType type = DbType::SqlServer;
  std::string server;
  std::string database;
  std::string user;
  std::optional<std::string> password;  // only from --password, which warns
  bool noPassword = false;
  bool test = false;

  // Input
  std::vector<Source> sources;
  std::optional<std::string> encoding;
  SplitMode split = SplitMode::Auto;

  // Walking the results
  std::optional<int32_t> page;
  std::optional<int64_t> maxRows;
  bool continueOnError = false;

  // Output
  std::optional<OutputFormat> format;  // unset: table on a terminal, CSV otherwise
  bool header = true;
  bool timing = false;
  bool quiet = false;

  // One-run overrides of the client settings
  std::optional<std::string> encKey;
  std::optional<std::string> openUrl;
  std::optional<std::string> executeUrl;
  std::optional<int32_t> rowsPerComm;
  std::optional<int32_t> rowsPerPage;
  std::optional<int32_t> timeout;
  std::optional<int32_t> connectTimeout;
  std::optional<int32_t> maxAnswerMb;

  bool HasSettingOverrides() const {
    return encKey || openUrl || executeUrl || rowsPerComm || maxAnswerMb;
  }
};

// Wrong usage: the message names what was wrong; the program exits with 64.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. Throws UsageError.
Options ParseOptions(const std::vector<std::string>& args);

std::string HelpText();

std::string_view DbTypeName(DbType type);

}  // namespace quarlocli
