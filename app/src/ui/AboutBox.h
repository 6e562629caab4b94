#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;

namespace quarlodesk {

// The about box: the program's icon, its name and version, and a description the user cannot
// change.
class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(QWidget* parent);
  void SetTitleLines(const QString& text);
  void SetDescription(const QString& text);
  QString Description() const { return description_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QString description_;
  QLabel* lblTitle_;
  QPlainTextEdit* txtDescription_;
};

}  // namespace quarlodesk
