#pragma once

#include <QWidget>

class QLabel;

namespace quarlodesk {

// The splash window shown while a login opens the connection or the program ends.
class Splash : public QWidget {
  Q_OBJECT

 public:
  explicit Splash(QWidget* parent);
  void SetStatus(const QString& text);
  void ShowCentred();

 private:
  QLabel* lblStatus_;
};

}  // namespace quarlodesk
