#include <cstdio>
#include <string>
#include <vector>

#include "Config.h"
#include "Server.h"

int main(int argc, char** argv) {
  // Before any thread starts, so that only main's sigwait sees them.
  quarlopages::BlockStopSignals();
  quarlopages::Config config;
  try {
    config = quarlopages::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const quarlopages::ConfigError& e) {
    std::fprintf(stderr, "quarlopages: %s\n", e.what());
    return 2;
  }
  if (config.help) {
    std::fputs(quarlopages::HelpText().c_str(), stdout);
    return 0;
  }
  if (config.version) {
    std::printf("quarlopages %s\n", QUARLOPAGES_VERSION);
    return 0;
  }
  return quarlopages::RunServer(config);
}
