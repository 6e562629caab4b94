#pragma once

#include <QGuiApplication>
#include <QMessageBox>
#include <string>

class QWidget;

namespace quarlodesk {

QString Q(const std::string& utf8);
std::string S(const QString& text);

// A message box with the given icon, title, text and buttons; returns the button pressed.
QMessageBox::StandardButton ShowMessage(
    QWidget* parent, QMessageBox::Icon icon, const std::string& title, const std::string& text,
    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

// The hourglass for a scope; the pointer comes back on every way out.
class BusyCursor {
 public:
  explicit BusyCursor(Qt::CursorShape shape = Qt::WaitCursor) {
    QGuiApplication::setOverrideCursor(shape);
  }
  ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

// The normal pointer for a scope (a modal dialog shown while busy), the busy one after.
class NormalCursor {
 public:
  NormalCursor() { QGuiApplication::setOverrideCursor(Qt::ArrowCursor); }
  ~NormalCursor() { QGuiApplication::restoreOverrideCursor(); }
  NormalCursor(const NormalCursor&) = delete;
  NormalCursor& operator=(const NormalCursor&) = delete;
};

}  // namespace quarlodesk
