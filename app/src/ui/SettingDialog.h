#pragma once

#include <QDialog>
#include <functional>

#include "ui/Environment.h"

class QLineEdit;
class QLabel;
class QRadioButton;
class QPushButton;

namespace quarlodesk {

// The settings dialog: the shared key, the paths of the two server pages, the rows per request
// and the removal of trailing blanks, read from the connection object when shown and written
// back when confirmed.
class SettingDialog : public QDialog {
  Q_OBJECT

 public:
  SettingDialog(QWidget* parent, ConnectionHolder& conn, std::function<void(QWidget*)> openHelp);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Activate();
  void OnOK();

  ConnectionHolder& conn_;
  std::function<void(QWidget*)> openHelp_;
  QLineEdit* txtEncKey_;
  QLineEdit* txtOpenConnUrl_;
  QLineEdit* txtExecuteUrl_;
  QLineEdit* txtRowsPerComm_;
  QLabel* lblRowsPerComm_;
  QRadioButton* optYes_;
  QRadioButton* optNo_;
};

}  // namespace quarlodesk
