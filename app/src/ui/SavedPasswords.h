#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>
#include <string>

#include "core/Login.h"
#include "core/PasswordPlace.h"
#include "ui/Keyring.h"

namespace quarlodesk {

class ProgramSettings;

// The saved passwords of the stored logins: in the keyring when the desktop has one that
// answers, else in the login record as before. Learns the place from every answer of the keyring
// and moves a password between keyring and record when an answer shows it is in the wrong one.
class SavedPasswords : public QObject {
  Q_OBJECT

 public:
  SavedPasswords(ProgramSettings& settings, QObject* parent);

  PasswordPlace Place() const { return place_; }
  // The keyring's own explanation when it is not used.
  const std::string& Reason() const { return reason_; }

  // Looks up the keyring's password under `key`; `found` runs later (with nothing when there is
  // none or no keyring), unless `context` is gone by then.
  void Fetch(const std::string& key, QObject* context,
             std::function<void(std::optional<std::string>)> found);

  // After a successful login: stores or removes the keyring entry of `login` (and drops the one
  // of `before`, the record it replaces) and returns what the record's "Password" element holds:
  // "" when the keyring keeps the password or the box is clear. When the keyring's answer says
  // otherwise, the record named `recordName` is corrected then.
  std::string Keep(const std::string& recordName, const std::string& typeName,
                   const LoginRecord& before, const LoginRecord& login);

  // Keyring calls not answered yet.
  bool Busy() const { return keyring_.Pending() > 0; }

 signals:
  void PlaceChanged();

 private:
  void Learn(const Keyring::Answer& answer, bool stored);
  // Puts `wanted` into the record's "Password" element, unless a later login replaced it.
  void CorrectRecord(int keep, const std::string& recordName, const std::string& typeName,
                     const std::string& key, const std::string& wanted);

  ProgramSettings& settings_;
  Keyring keyring_;
  PasswordPlace place_ = PasswordPlace::Unknown;
  std::string reason_;
  int keeps_ = 0;  // logins kept so far: a late answer only corrects the latest one's record
};

}  // namespace quarlodesk
