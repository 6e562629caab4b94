#pragma once

#include <QIcon>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QSystemTrayIcon;
class QWidget;

namespace kokit {

// An icon in the desktop's notification area, on QSystemTrayIcon (a QApplication must exist).
// Icon and tooltip are kept in a record and shown by Display / ReDisplay. Mouse events come from
// Qt's activation of the icon, or from MouseMoveX for callers that feed it mouse positions; both
// raise the same three events on the caller's GUI thread, never while one of them still runs.
class TrayIcon {
 public:
  TrayIcon();
  ~TrayIcon();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;
  TrayIcon(TrayIcon&&) noexcept;
  TrayIcon& operator=(TrayIcon&&) noexcept;

  // The X argument of the bound window's mouse move: X divided by the screen's twips per pixel
  // is a message number, 514 (left release), 515 (left double click) or 517 (right release),
  // which raises its event. Always stored; a call made while an event runs is only stored.
  int32_t MouseMoveX() const;
  void SetMouseMoveX(int32_t x);

  // Takes the window's icon and its title (as ToolTipText does) into the record.
  void BindForm(QWidget& anyForm);

  QIcon Icon() const;
  void SetIcon(const QIcon& icon);

  // Without leading and trailing blanks, cut to the 64-byte field of the legacy code page (the
  // text and a NUL, so at most 63 bytes), never inside a character.
  std::string ToolTipText() const;
  void SetToolTipText(const std::string& text);

  // Show, hide, and hide and show again after the icon or tooltip changed. Each sets the status
  // pair: 0 and "OK", or -1 with the reason (a desktop without a notification area).
  void Display();
  void Disappear();
  void ReDisplay();
  int32_t OptStatus() const;
  std::string OptString() const;

  // The events; an empty function removes a handler.
  void OnMouseLeftClick(std::function<void()> handler);
  void OnMouseLeftDoubleClick(std::function<void()> handler);
  void OnMouseRightClick(std::function<void()> handler);

  // The Qt icon itself, for what the record does not cover (a context menu, balloon messages).
  QSystemTrayIcon& Native();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kokit
