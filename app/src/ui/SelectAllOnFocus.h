#pragma once

#include <QEvent>
#include <QLineEdit>
#include <QTimer>

namespace quarlodesk {

// Installed on line edits: a field that receives the focus has its whole text selected, so
// typing replaces it.
class SelectAllOnFocus : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) {
      if (auto* edit = qobject_cast<QLineEdit*>(watched)) {
        QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
      }
    }
    return false;
  }
};

}  // namespace quarlodesk
