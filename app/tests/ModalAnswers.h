#pragma once

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace quarlodesk::testing {

// Answers the modal dialogs the program opens, in order: each queued answer runs on the next
// dialog that becomes the active modal widget. A dialog nobody expected is recorded and closed,
// so a test fails instead of hanging.
class ModalAnswers : public QObject {
 public:
  using Answer = std::function<void(QWidget* dialog)>;

  ModalAnswers() {
    qApp->installEventFilter(this);
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_.start();
  }
  ~ModalAnswers() override { timer_.stop(); }

  // A dialog shown again (the login dialog is kept between logins) is a new one to answer.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched == last_) last_ = nullptr;
    return false;
  }

  void Expect(Answer answer) { answers_.push_back(std::move(answer)); }
  bool AllUsed() const { return answers_.empty(); }
  const std::vector<std::string>& Unexpected() const { return unexpected_; }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == last_) return;
    last_ = modal;
    QPointer<QWidget> target(modal);
    if (answers_.empty()) {
      std::string what = modal->objectName().toStdString() + " \"" +
                         modal->windowTitle().toStdString() + "\"";
      if (auto* box = qobject_cast<QMessageBox*>(modal)) what += ": " + box->text().toStdString();
      unexpected_.push_back(what);
      if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
      return;
    }
    Answer answer = std::move(answers_.front());
    answers_.pop_front();
    // Out of the timer's own call, as a user's click would come.
    QTimer::singleShot(0, modal, [target, answer] {
      if (target) answer(target);
    });
  }

  QTimer timer_;
  std::deque<Answer> answers_;
  std::vector<std::string> unexpected_;
  QPointer<QWidget> last_;
};

// Answers for the common dialogs.
inline ModalAnswers::Answer PressButton(QMessageBox::StandardButton button,
                                        std::string* text = nullptr) {
  return [button, text](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box) return;
    if (text) *text = box->text().toStdString();
    box->button(button)->click();
  };
}

}  // namespace quarlodesk::testing
