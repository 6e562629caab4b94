#include "ui/Splash.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/AppLook.h"
#include "ui/Dialogs.h"

namespace quarlodesk {

Splash::Splash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName("frmSplash");
  setAutoFillBackground(true);
  auto* imgLogo = new QLabel(this);
  imgLogo->setObjectName("imgLogo");
  imgLogo->setPixmap(AppIcon().pixmap(96, 96));
  imgLogo->setAlignment(Qt::AlignCenter);
  auto* name = new QLabel(Q("Tarnwick Quarlo Query"), this);
  name->setObjectName("lblSoftName");
  QFont big = name->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  name->setFont(big);
  name->setAlignment(Qt::AlignCenter);
  lblStatus_ = new QLabel(Q("正在登录..."), this);
  lblStatus_->setObjectName("lblStatus");
  lblStatus_->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(40, 30, 40, 30);
  layout->addWidget(imgLogo);
  layout->addWidget(name);
  layout->addWidget(lblStatus_);
}

void Splash::SetStatus(const QString& text) { lblStatus_->setText(text); }

void Splash::ShowCentred() {
  adjustSize();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect s = screen->availableGeometry();
    move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
  }
  show();
  raise();
  QCoreApplication::processEvents();  // paint it before the wait starts
}

}  // namespace quarlodesk
