#include "ui/SavedPasswords.h"

#include "core/ProgramSettings.h"

namespace quarlodesk {

SavedPasswords::SavedPasswords(ProgramSettings& settings, QObject* parent)
    : QObject(parent), settings_(settings), keyring_(this) {
  setObjectName("savedPasswords");
}

// A keyring that fails once is not used again until it stores a password. Only a password
// stored or found shows that it works: a locked or missing collection answers a read as if the
// entry were missing and a removal as done, and then refuses to store.
void SavedPasswords::Learn(const Keyring::Answer& answer, bool stored) {
  PasswordPlace place = place_;
  std::string reason = reason_;
  if (answer.outcome == Keyring::Outcome::Failed) {
    place = PasswordPlace::Record;
    reason = answer.reason;
  } else if (stored || (place == PasswordPlace::Unknown && !answer.password.empty())) {
    place = PasswordPlace::Keyring;
    reason.clear();
  }
  if (place == place_ && reason == reason_) return;
  place_ = place;
  reason_ = std::move(reason);
  emit PlaceChanged();
}

void SavedPasswords::Fetch(const std::string& key, QObject* context,
                           std::function<void(std::optional<std::string>)> found) {
  QPointer<QObject> guard(context);
  keyring_.Read(key, [this, guard, found = std::move(found)](const Keyring::Answer& answer) {
    Learn(answer, false);
    if (!guard) return;
    if (answer.outcome == Keyring::Outcome::Done) {
      found(answer.password);
    } else {
      found(std::nullopt);
    }
  });
}

std::string SavedPasswords::Keep(const std::string& recordName, const std::string& typeName,
                                 const LoginRecord& before, const LoginRecord& login) {
  const int keep = ++keeps_;
  const std::string key = KeyringKey(typeName, login);
  const std::string oldKey = KeyringKey(typeName, before);
  const auto learn = [this](const Keyring::Answer& answer) { Learn(answer, false); };
  if (before.savePwd && oldKey != key) keyring_.Remove(oldKey, learn);
  if (!login.savePwd) {
    keyring_.Remove(key, learn);
    return "";
  }
  // Where the keyring is known to work the record never holds the password; elsewhere it keeps
  // it until the keyring has taken it.
  keyring_.Write(key, login.password,
                 [this, keep, recordName, typeName, key,
                  password = login.password](const Keyring::Answer& answer) {
                   Learn(answer, true);
                   const bool kept = answer.outcome == Keyring::Outcome::Done;
                   CorrectRecord(keep, recordName, typeName, key, kept ? "" : password);
                 });
  return place_ == PasswordPlace::Keyring ? "" : login.password;
}

void SavedPasswords::CorrectRecord(int keep, const std::string& recordName,
                                   const std::string& typeName, const std::string& key,
                                   const std::string& wanted) {
  if (keep != keeps_) return;  // a later login has replaced what this one stored
  std::string record = settings_.UserText(recordName.c_str());
  LoginRecord stored = ParseLoginRecord(record);
  if (!stored.savePwd || KeyringKey(typeName, stored) != key) return;
  if (stored.password == wanted) return;
  stored.password = wanted;
  WriteLoginRecord(stored, record);
  settings_.SetUser(recordName.c_str(), record);
}

}  // namespace quarlodesk
