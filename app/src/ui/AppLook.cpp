#include "ui/AppLook.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quarlodesk {

namespace {
const char* kSongTi = "宋体";
}

void InstallFontSubstitutes() {
  QFont::insertSubstitutions(QString::fromUtf8(kSongTi),
                             {"SimSun", "NSimSun", "WenQuanYi Micro Hei", "WenQuanYi Zen Hei",
                              "Noto Sans CJK SC", "Noto Serif CJK SC", "AR PL UMing CN"});
}

QFont SongTi(double pointSize) {
  QFont f(QString::fromUtf8(kSongTi));
  f.setPointSizeF(pointSize);
  return f;
}

QIcon ToolbarIcon(const char* key, const char* themeName, QStyle::StandardPixmap fallback,
                  const QStyle* style) {
  QIcon icon = QIcon::fromTheme(QString::fromLatin1(themeName));
  if (!icon.isNull()) return icon;
  if (fallback != QStyle::SP_CustomBase && style) return style->standardIcon(fallback);
  // Cut, copy and paste have no standard pixmap: a sheet with a letter.
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(70, 70, 70), 2));
  p.setBrush(QColor(250, 250, 250));
  p.drawRoundedRect(QRectF(5, 3, 20, 26), 3, 3);
  if (QString::fromLatin1(key) == "Copy") p.drawRoundedRect(QRectF(9, 7, 20, 22), 3, 3);
  QFont f;
  f.setPixelSize(16);
  f.setBold(true);
  p.setFont(f);
  p.drawText(QRectF(5, 3, 24, 26), Qt::AlignCenter, QString::fromLatin1(key).left(1));
  return QIcon(pm);
}

QIcon AppIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    // The drum.
    QLinearGradient body(8, 0, 48, 0);
    body.setColorAt(0, QColor(28, 92, 168));
    body.setColorAt(1, QColor(70, 150, 220));
    p.setPen(QPen(QColor(16, 56, 110), 2));
    p.setBrush(body);
    QPainterPath drum;
    drum.moveTo(8, 14);
    drum.lineTo(8, 46);
    drum.arcTo(QRectF(8, 38, 40, 16), 180, 180);
    drum.lineTo(48, 14);
    drum.closeSubpath();
    p.drawPath(drum);
    p.setBrush(QColor(120, 190, 240));
    p.drawEllipse(QRectF(8, 6, 40, 16));
    // The query mark: a lens.
    p.setPen(QPen(QColor(240, 170, 30), 6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QRectF(30, 30, 22, 22));
    p.drawLine(QPointF(48, 48), QPointF(58, 58));
    icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace quarlodesk
