#include "ui/Dialogs.h"

#include <QMessageBox>

namespace quarlodesk {

QString Q(const std::string& utf8) {
  return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}
std::string S(const QString& text) { return text.toStdString(); }

QMessageBox::StandardButton ShowMessage(QWidget* parent, QMessageBox::Icon icon,
                                        const std::string& title, const std::string& text,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) {
  QMessageBox box(icon, Q(title), Q(text), buttons, parent);
  if (defaultButton != QMessageBox::NoButton) box.setDefaultButton(defaultButton);
  NormalCursor normal;
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace quarlodesk
