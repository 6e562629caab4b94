// The desktop tests run in one QApplication per process, set up as the program sets up its own,
// with a settings store of their own (tests run in parallel).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "TempDir.h"
#include "ui/Application.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  quarlo::testing::TempDir home;
  setenv("KOKIT_REGISTRY_DIR", (home / "registry").c_str(), 1);
  setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
  setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);  // headless, discovery at build time included
  // Never the user's own keyring: outside a private session set up for the keyring tests
  // (keyring/session), the session bus is one that does not exist.
  if (!std::getenv("QUARLO_TEST_KEYRING")) {
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (home / "no-bus").string()).c_str(), 1);
  }
  QApplication app(argc, argv);
  quarlodesk::SetUpApplication(app);
  return RUN_ALL_TESTS();
}
