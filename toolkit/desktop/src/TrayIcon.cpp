#include "kokit/TrayIcon.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWidget>
#include <cmath>

#include "TipField.h"

namespace kokit {

namespace {

// The notification record's tooltip field, in bytes of the legacy code page.
constexpr size_t kTipFieldBytes = 64;

// Mouse messages as the icon reports them to its owner window.
constexpr int32_t kLeftButtonUp = 514;
constexpr int32_t kLeftButtonDoubleClick = 515;
constexpr int32_t kRightButtonUp = 517;

constexpr double kTwipsPerInch = 1440.0;

int32_t MessageOf(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      return kLeftButtonUp;
    case QSystemTrayIcon::DoubleClick:
      return kLeftButtonDoubleClick;
    case QSystemTrayIcon::Context:
      return kRightButtonUp;
    default:
      return 0;
  }
}

}  // namespace

struct TrayIcon::Impl {
  QSystemTrayIcon tray;
  QPointer<QWidget> owner;
  QIcon icon;
  std::string tip;
  int32_t mouseMoveX = 0;
  bool raising = false;
  int32_t optStatus = 0;
  std::string optString = "OK";
  std::function<void()> leftClick;
  std::function<void()> leftDoubleClick;
  std::function<void()> rightClick;

  Impl() {
    QObject::connect(
        &tray, &QSystemTrayIcon::activated,
        [this](QSystemTrayIcon::ActivationReason reason) { Raise(MessageOf(reason)); });
  }

  // Runs the event of a mouse message, unless an event is already running.
  void Raise(int32_t message) {
    if (raising) return;
    std::function<void()> handler;  // a copy: the handler may replace itself
    if (message == kLeftButtonUp) handler = leftClick;
    if (message == kLeftButtonDoubleClick) handler = leftDoubleClick;
    if (message == kRightButtonUp) handler = rightClick;
    if (!handler) return;
    struct Running {
      bool& flag;
      explicit Running(bool& f) : flag(f) { flag = true; }
      ~Running() { flag = false; }
    } running(raising);
    handler();
  }

  double TwipsPerPixel() const {
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    return kTwipsPerInch / (screen ? screen->logicalDotsPerInchX() : 96.0);
  }

  void SetStatus(int32_t status, std::string text) {
    optStatus = status;
    optString = std::move(text);
  }
};

TrayIcon::TrayIcon() : impl_(std::make_unique<Impl>()) {}
TrayIcon::~TrayIcon() = default;
TrayIcon::TrayIcon(TrayIcon&&) noexcept = default;
TrayIcon& TrayIcon::operator=(TrayIcon&&) noexcept = default;

int32_t TrayIcon::MouseMoveX() const { return impl_->mouseMoveX; }

void TrayIcon::SetMouseMoveX(int32_t x) {
  impl_->mouseMoveX = x;
  impl_->Raise(static_cast<int32_t>(std::nearbyint(x / impl_->TwipsPerPixel())));
}

void TrayIcon::BindForm(QWidget& anyForm) {
  impl_->owner = &anyForm;
  impl_->icon = anyForm.windowIcon();
  SetToolTipText(anyForm.windowTitle().toStdString());
}

QIcon TrayIcon::Icon() const { return impl_->icon; }
void TrayIcon::SetIcon(const QIcon& icon) { impl_->icon = icon; }

std::string TrayIcon::ToolTipText() const { return impl_->tip; }
void TrayIcon::SetToolTipText(const std::string& text) {
  impl_->tip = detail::TipField(text, kTipFieldBytes);
}

void TrayIcon::Display() {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    impl_->SetStatus(-1, "Display Fail: the desktop has no notification area");
    return;
  }
  impl_->tray.setIcon(impl_->icon);
  impl_->tray.setToolTip(QString::fromStdString(impl_->tip));
  impl_->tray.show();
  impl_->SetStatus(0, "OK");
}

void TrayIcon::Disappear() {
  impl_->tray.hide();
  impl_->SetStatus(0, "OK");
}

void TrayIcon::ReDisplay() {
  impl_->tray.hide();
  Display();
}

int32_t TrayIcon::OptStatus() const { return impl_->optStatus; }
std::string TrayIcon::OptString() const { return impl_->optString; }

void TrayIcon::OnMouseLeftClick(std::function<void()> handler) {
  impl_->leftClick = std::move(handler);
}
void TrayIcon::OnMouseLeftDoubleClick(std::function<void()> handler) {
  impl_->leftDoubleClick = std::move(handler);
}
void TrayIcon::OnMouseRightClick(std::function<void()> handler) {
  impl_->rightClick = std::move(handler);
}

QSystemTrayIcon& TrayIcon::Native() { return impl_->tray; }

}  // namespace kokit
