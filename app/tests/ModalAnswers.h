#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace quarlodesk::testing {

// An answer to one modal dialog: the dialog it is for (object name or class) and what the user
// does there.
struct Expected {
  const char* kind;
  std::function<void(QWidget* dialog)> answer;
};

// Answers the modal dialogs the program opens, in order: the first queued answer runs on the
// active modal dialog once that dialog is of the kind it expects (so a dialog seen for an instant
// while another closes is not answered by mistake). A dialog of another kind that stays open is
// recorded and closed, so a test fails instead of hanging.
class ModalAnswers : public QObject {
 public:
  ModalAnswers() {
    qApp->installEventFilter(this);
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_.start();
  }
  ~ModalAnswers() override { timer_.stop(); }

  void Expect(Expected e) { answers_.push_back(std::move(e)); }
  // A dialog of this kind that nobody answers is left to close by itself (a progress dialog that
  // may be gone before a poll sees it); an answer queued for it still runs.
  void Tolerate(const char* kind) { tolerated_.push_back(kind); }
  bool AllUsed() const { return answers_.empty(); }
  const std::vector<std::string>& Unexpected() const { return unexpected_; }

  // A dialog shown again (the login dialog is kept between logins) is a new one to answer.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && watched == answered_) answered_ = nullptr;
    return false;
  }

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == answered_) {
      waiting_ = nullptr;
      return;
    }
    if (!answers_.empty() &&
        (modal->objectName() == answers_.front().kind || modal->inherits(answers_.front().kind))) {
      answered_ = modal;
      waiting_ = nullptr;
      auto answer = std::move(answers_.front().answer);
      answers_.pop_front();
      QPointer<QWidget> target(modal);
      // Out of the timer's own call, as a user's click would come.
      QTimer::singleShot(0, modal, [target, answer] {
        if (target) answer(target);
      });
      return;
    }
    for (const std::string& kind : tolerated_) {
      if (modal->objectName() == kind.c_str() || modal->inherits(kind.c_str())) return;
    }
    if (modal != waiting_) {
      waiting_ = modal;
      since_.start();
    } else if (since_.elapsed() > 3000) {
      std::string what =
          modal->objectName().toStdString() + " \"" + modal->windowTitle().toStdString() + "\"";
      if (auto* box = qobject_cast<QMessageBox*>(modal)) what += ": " + box->text().toStdString();
      unexpected_.push_back(what);
      if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
      waiting_ = nullptr;
    }
  }

  QTimer timer_;
  std::deque<Expected> answers_;
  std::vector<std::string> unexpected_;
  std::vector<std::string> tolerated_;
  QPointer<QWidget> answered_;
  QPointer<QWidget> waiting_;
  QElapsedTimer since_;
};

inline Expected PressButton(QMessageBox::StandardButton button, std::string* text = nullptr) {
  return {"QMessageBox", [button, text](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (text) *text = box->text().toStdString();
            box->button(button)->click();
          }};
}

inline Expected Reject(const char* kind) {
  return {kind, [](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); }};
}

}  // namespace quarlodesk::testing
