#include "ui/AboutBox.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "ui/AppLook.h"
#include "ui/Dialogs.h"

namespace quarlodesk {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAbout");
  auto* picIcon = new QLabel(this);
  picIcon->setObjectName("picIcon");
  picIcon->setPixmap(AppIcon().pixmap(64, 64));
  picIcon->setAccessibleName(Q("程序图标"));
  lblTitle_ = new QLabel(this);
  lblTitle_->setObjectName("lblTitle");
  QFont big = lblTitle_->font();
  big.setPointSizeF(big.pointSizeF() * 1.2);
  big.setBold(true);
  lblTitle_->setFont(big);
  txtDescription_ = new QPlainTextEdit(this);
  txtDescription_->setObjectName("txtDescription");
  txtDescription_->setAccessibleName(Q("说明"));
  txtDescription_->setMinimumSize(420, 150);
  auto* ok = new QPushButton(Q("确定"), this);
  ok->setObjectName("cmdOK");
  ok->setDefault(true);

  auto* top = new QHBoxLayout;
  top->addWidget(picIcon, 0, Qt::AlignTop);
  top->addWidget(lblTitle_, 1);
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(ok);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(txtDescription_);
  layout->addLayout(bottom);

  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  // The text box shows the description and nothing else: any change puts it back.
  connect(txtDescription_, &QPlainTextEdit::textChanged, this, [this] {
    if (txtDescription_->toPlainText() != description_) {
      const QSignalBlocker block(txtDescription_);
      txtDescription_->setPlainText(description_);
    }
  });
}

void AboutBox::SetTitleLines(const QString& text) { lblTitle_->setText(text); }

void AboutBox::SetDescription(const QString& text) {
  description_ = text;
  const QSignalBlocker block(txtDescription_);
  txtDescription_->setPlainText(text);
}

void AboutBox::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QScreen* screen = this->screen()) {
    const QRect s = screen->geometry();
    move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
  }
}

}  // namespace quarlodesk
