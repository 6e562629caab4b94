// A saved password where the desktop keeps it: the same user story with a private Secret Service
// that stores passwords, with one that answers but refuses to store them, and with none
// (QUARLO_TEST_KEYRING "service", "refusing" or unset; keyring/session sets up the first two).
// Wherever it is kept, the password never lands in a plain file.
#include <unistd.h>

#include <QTest>
#include <fstream>
#include <iterator>
#include <optional>

#include "DeskFixture.h"
#include "core/PasswordPlace.h"
#include "kokit/Codepage.h"
#include "ui/LoginDialog.h"
#include "ui/SavedPasswords.h"

namespace quarlodesk::testing {
namespace {

namespace fs = std::filesystem;

void WaitForKeyring(MainWindow& window) {
  const auto* passwords = window.findChild<SavedPasswords*>();
  ASSERT_TRUE(QTest::qWaitFor([passwords] { return !passwords->Busy(); }, 30000));
}

// The keyring's entry under `key`, as the program reads it.
std::optional<std::string> KeyringEntry(const std::string& key) {
  Keyring keyring(nullptr);
  std::optional<Keyring::Answer> answer;
  keyring.Read(key, [&answer](const Keyring::Answer& a) { answer = a; });
  EXPECT_TRUE(QTest::qWaitFor([&answer] { return answer.has_value(); }, 30000));
  if (!answer || answer->outcome != Keyring::Outcome::Done) return std::nullopt;
  return answer->password;
}

// Files below the test's home and its settings store that hold `text` as it is (UTF-8 or the
// legacy code page), and QtKeychain's plain-text store, which escapes what it holds.
std::vector<std::string> PlainCopies(const std::string& text) {
  const std::string legacy = kokit::ToLegacy(text);
  std::vector<std::string> found;
  for (const fs::path& root :
       {fs::path(Env("HOME")), fs::path(Env("KOKIT_REGISTRY_DIR")).parent_path()}) {
    // Other tests may add and remove files below the shared home meanwhile.
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
      const fs::directory_entry& entry = *it;
      std::error_code gone;
      if (!entry.is_regular_file(gone)) continue;
      if (entry.path().filename() == "quarlodesk.conf") found.push_back(entry.path().string());
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(in), {}};
      if (bytes.find(text) != std::string::npos || bytes.find(legacy) != std::string::npos) {
        found.push_back(entry.path().string());
      }
    }
  }
  return found;
}

LoginRecord StoredLogin(Desk& desk) {
  return ParseLoginRecord(desk.Window().Settings().UserText("LastLogin3"));
}

void Quit(Desk& desk) {
  desk.Answers().Expect(Reject("frmLogin"));
  desk.Trigger("mnuFile_ReLogin");
  ASSERT_EQ(desk.ExitCode(), 0);
  EXPECT_TRUE(desk.Answers().Unexpected().empty()) << desk.Answers().Unexpected().front();
}

// A record of an earlier version (password in the record) logs in and moves to the keyring; the
// next start logs in with the saved password; clearing the box removes it.
TEST(Keyring, SavedPasswordKeptWhereTheDesktopAllows) {
  const bool keyring = Env("QUARLO_TEST_KEYRING") == "service";
  const PasswordPlace place = keyring ? PasswordPlace::Keyring : PasswordPlace::Record;
  Site site;
  LoginFields fields = site.Login(Db::Sqlite);
  fields.user = "读者";
  fields.password = "Kr;密码-" + std::to_string(getpid());
  fields.savePassword = true;
  const LoginRecord login{"", fields.database, fields.user, site.Url(), true, fields.password};
  const std::string key = KeyringKey("Access", login);
  {
    ProgramSettings earlier(XdgDefaultPaths(""), "0.1.0", "tester");
    earlier.StartUp();
    std::string record;
    WriteLoginRecord(login, record);
    earlier.SetUser("LastLogin3", record);
    earlier.SetUser("LastLoginNo", 3);
    earlier.ShutDown();
  }

  {
    Desk desk;
    std::string shown;
    desk.Answers().Expect({"frmLogin", [&shown](QWidget* d) {
                             shown = d->findChild<QLineEdit*>("txtPassword")->text().toStdString();
                             d->findChild<QPushButton*>("cmdOK")->click();
                           }});
    desk.Window().Start();
    ASSERT_TRUE(desk.Window().isVisible());
    EXPECT_EQ(shown, fields.password);
    WaitForKeyring(desk.Window());
    EXPECT_TRUE(StoredLogin(desk).savePwd);
    EXPECT_EQ(StoredLogin(desk).password, keyring ? "" : fields.password);
    EXPECT_EQ(KeyringEntry(key), keyring ? std::optional(fields.password) : std::nullopt);
    EXPECT_EQ(desk.Find<QLabel>("lblPasswordPlace")->text().toStdString(),
              PasswordPlaceText(place));
    Quit(desk);
  }
  EXPECT_EQ(PlainCopies(fields.password), std::vector<std::string>{});

  {
    Desk desk;
    desk.Answers().Expect(
        {"frmLogin", [](QWidget* d) { d->findChild<QPushButton*>("cmdOK")->click(); }});
    desk.Window().Start();
    ASSERT_TRUE(desk.Window().isVisible());
    const std::string connection =
        desk.Window().findChild<LoginDialog*>("frmLogin")->ConnectionString();
    EXPECT_NE(connection.find(fields.password), std::string::npos) << connection;

    fields.savePassword = false;
    desk.Answers().Expect(FillLogin(fields));
    desk.Trigger("mnuFile_ReLogin");
    WaitForKeyring(desk.Window());
    EXPECT_FALSE(StoredLogin(desk).savePwd);
    EXPECT_EQ(StoredLogin(desk).password, "");
    EXPECT_EQ(KeyringEntry(key), std::nullopt);
    Quit(desk);
  }
  EXPECT_EQ(PlainCopies(fields.password), std::vector<std::string>{});
}

}  // namespace
}  // namespace quarlodesk::testing
