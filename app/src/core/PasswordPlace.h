#pragma once

#include <string>

#include "core/Login.h"

namespace quarlodesk {

// Where a saved password is kept: in the desktop's keyring (Secret Service), or enciphered in
// the login record as before when there is no keyring or it would not store the password.
// Unknown until the keyring has stored or found a password, or failed.
enum class PasswordPlace { Unknown, Keyring, Record };

// The name of a stored login's keyring entry: type, site, server, database and user, readable
// in a keyring manager and distinct for distinct logins ("|" separates, "\" escapes).
std::string KeyringKey(const std::string& typeName, const LoginRecord& login);

// What the login dialog's status line says about the place ("" while it is unknown).
std::string PasswordPlaceText(PasswordPlace place);

}  // namespace quarlodesk
