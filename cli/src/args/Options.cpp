#include "args/Options.h"

#include <getopt.h>

#include <charconv>
#include <limits>

namespace quarlocli {

namespace {

enum LongOnly : int {
  kSite = 1000,
  kType,
  kServer,
  kDatabase,
  kUser,
  kPassword,
  kTest,
  kEncoding,
  kSplit,
  kPage,
  kMaxRows,
  kContinue,
  kFormat,
  kNoHeader,
  kTiming,
  kEncKey,
  kOpenUrl,
  kExecuteUrl,
  kRowsPerComm,
  kRowsPerPage,
  kTimeout,
  kConnectTimeout,
  kMaxAnswerMb,
};

const option kLongOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {"site", required_argument, nullptr, kSite},
    {"type", required_argument, nullptr, kType},
    {"server", required_argument, nullptr, kServer},
    {"database", required_argument, nullptr, kDatabase},
    {"user", required_argument, nullptr, kUser},
    {"password", required_argument, nullptr, kPassword},
    {"no-password", no_argument, nullptr, 'w'},
    {"test", no_argument, nullptr, kTest},
    {"command", required_argument, nullptr, 'c'},
    {"file", required_argument, nullptr, 'f'},
    {"encoding", required_argument, nullptr, kEncoding},
    {"split", required_argument, nullptr, kSplit},
    {"page", required_argument, nullptr, kPage},
    {"max-rows", required_argument, nullptr, kMaxRows},
    {"continue-on-error", no_argument, nullptr, kContinue},
    {"format", required_argument, nullptr, kFormat},
    {"no-header", no_argument, nullptr, kNoHeader},
    {"timing", no_argument, nullptr, kTiming},
    {"quiet", no_argument, nullptr, 'q'},
    {"enc-key", required_argument, nullptr, kEncKey},
    {"open-url", required_argument, nullptr, kOpenUrl},
    {"execute-url", required_argument, nullptr, kExecuteUrl},
    {"rows-per-comm", required_argument, nullptr, kRowsPerComm},
    {"rows-per-page", required_argument, nullptr, kRowsPerPage},
    {"timeout", required_argument, nullptr, kTimeout},
    {"connect-timeout", required_argument, nullptr, kConnectTimeout},
    {"max-answer-mb", required_argument, nullptr, kMaxAnswerMb},
    {nullptr, 0, nullptr, 0},
};

template <typename T>
T Number(const std::string& option, const char* text, T min, T max) {
  std::string_view s(text);
  T value{};
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty() || value < min || value > max) {
    throw UsageError(option + " needs a whole number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", not \"" + std::string(s) + "\"");
  }
  return value;
}

int32_t Positive(const std::string& option, const char* text) {
  return Number<int32_t>(option, text, 1, std::numeric_limits<int32_t>::max());
}

DbType ParseType(std::string_view s) {
  if (s == "sqlserver") return DbType::SqlServer;
  if (s == "oracle") return DbType::Oracle;
  if (s == "access") return DbType::Access;
  throw UsageError("--type must be sqlserver, oracle or access, not \"" + std::string(s) + "\"");
}

OutputFormat ParseFormat(std::string_view s) {
  if (s == "table") return OutputFormat::Table;
  if (s == "csv") return OutputFormat::Csv;
  if (s == "tsv") return OutputFormat::Tsv;
  if (s == "json") return OutputFormat::Json;
  throw UsageError("--format must be table, csv, tsv or json, not \"" + std::string(s) + "\"");
}

SplitMode ParseSplit(std::string_view s) {
  if (s == "auto") return SplitMode::Auto;
  if (s == "semicolon") return SplitMode::Semicolon;
  if (s == "go") return SplitMode::Go;
  if (s == "none") return SplitMode::None;
  throw UsageError("--split must be auto, semicolon, go or none, not \"" + std::string(s) + "\"");
}

}  // namespace

std::string_view DbTypeName(DbType type) {
  switch (type) {
    case DbType::SqlServer:
      return "sqlserver";
    case DbType::Oracle:
      return "oracle";
    case DbType::Access:
      return "access";
  }
  return "";
}

Options ParseOptions(const std::vector<std::string>& args) {
  // getopt_long wants a mutable argv and keeps its position in globals: give it a private copy
  // and start it afresh (optind 0) on every call.
  std::vector<std::string> copy;
  copy.reserve(args.size() + 1);
  copy.push_back("quarlo");
  copy.insert(copy.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(copy.size());

  Options o;
  opterr = 0;
  optind = 0;
  int longIndex = -1;
  for (;;) {
    longIndex = -1;
    int c = getopt_long(argc, argv.data(), "+:hVc:f:qw", kLongOptions, &longIndex);
    if (c == -1) break;
    const std::string name = longIndex >= 0 ? std::string("--") + kLongOptions[longIndex].name
                                            : std::string("-") + static_cast<char>(c);
    switch (c) {
      case 'h':
        o.help = true;
        break;
      case 'V':
        o.version = true;
        break;
      case kSite:
        o.site = optarg;
        break;
      case kType:
        o.type = ParseType(optarg);
        break;
      case kServer:
        o.server = optarg;
        break;
      case kDatabase:
        o.database = optarg;
        break;
      case kUser:
        o.user = optarg;
        break;
      case kPassword:
        o.password = optarg;
        break;
      case 'w':
        o.noPassword = true;
        break;
      case kTest:
        o.test = true;
        break;
      case 'c':
        o.sources.push_back({Source::Command, optarg});
        break;
      case 'f':
        o.sources.push_back({Source::File, optarg});
        break;
      case kEncoding:
        if (!*optarg) throw UsageError("--encoding needs the name of an encoding");
        o.encoding = optarg;
        break;
      case kSplit:
        o.split = ParseSplit(optarg);
        break;
      case kPage:
        o.page = Positive(name, optarg);
        break;
      case kMaxRows:
        o.maxRows = Number<int64_t>(name, optarg, 0, std::numeric_limits<int64_t>::max());
        break;
      case kContinue:
        o.continueOnError = true;
        break;
      case kFormat:
        o.format = ParseFormat(optarg);
        break;
      case kNoHeader:
        o.header = false;
        break;
      case kTiming:
        o.timing = true;
        break;
      case 'q':
        o.quiet = true;
        break;
      case kEncKey:
        o.encKey = optarg;
        break;
      case kOpenUrl:
        o.openUrl = optarg;
        break;
      case kExecuteUrl:
        o.executeUrl = optarg;
        break;
      case kRowsPerComm:
        o.rowsPerComm = Positive(name, optarg);
        break;
      case kRowsPerPage:
        o.rowsPerPage = Positive(name, optarg);
        break;
      case kTimeout:
        o.timeout = Number<int32_t>(name, optarg, 1, 86400 * 365);
        break;
      case kConnectTimeout:
        o.connectTimeout = Number<int32_t>(name, optarg, 1, 86400 * 365);
        break;
      case kMaxAnswerMb:
        o.maxAnswerMb = Positive(name, optarg);
        break;
      case ':':
        throw UsageError(std::string(argv[optind - 1]) + " needs a value");
      default: {
        std::string bad =
            optopt ? std::string("-") + static_cast<char>(optopt) : std::string(argv[optind - 1]);
        throw UsageError("unknown option " + bad);
      }
    }
  }
  if (optind < argc) {
    throw UsageError(std::string("unexpected argument \"") + argv[optind] +
                     "\" (SQL goes after -c)");
  }
  if (o.help || o.version) return o;
  if (o.site.empty()) throw UsageError("--site is required");
  if (o.test && !o.sources.empty()) throw UsageError("--test runs no SQL; drop -c and -f");
  return o;
}

}  // namespace quarlocli
