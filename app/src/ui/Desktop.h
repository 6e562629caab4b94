#pragma once

#include <string>

class QWidget;

namespace quarlodesk {

// Opens a web address with the desktop's browser (xdg-open). "OK", or the reason it could not,
// after telling the user in a message box titled `title`.
std::string OpenWebPage(QWidget* parent, const std::string& title, const std::string& url);

// The help command: the help file at `path`; when there is none, the user may pick one (the
// choice is not stored). A compiled help file (.chm) opens in a CHM viewer when one is installed,
// anything else with the desktop's handler. Never reports a failure.
void OpenHelpFile(QWidget* parent, const std::string& path);

}  // namespace quarlodesk
