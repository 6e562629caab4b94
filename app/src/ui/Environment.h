#pragma once

#include <functional>
#include <memory>
#include <string>

#include "core/CommandLine.h"

namespace quarlolink {
class QuarloApp;
}

namespace quarlodesk {

// What the program takes from its surroundings; a test gives its own.
struct Environment {
  std::string userName;           // the system user recorded in "UserList"
  std::string helpFile;           // default of "HelpFilePath"
  std::string version;            // major.minor.revision
  CommandLine prefill;            // login fields from the command line
  std::function<void(int)> exit;  // ends the program once the settings are saved
};

// The program's surroundings when it runs for real: the login name, the installed manual.
Environment RealEnvironment(const CommandLine& commandLine);

// The main window's connection object. The login dialog's test button replaces it and the
// settings dialog creates it when there is none.
struct ConnectionHolder {
  std::shared_ptr<quarlolink::QuarloApp> cn;
};

}  // namespace quarlodesk
