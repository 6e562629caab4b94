#include "ui/Keyring.h"

#include <qt6keychain/keychain.h>
#include <QAbstractEventDispatcher>
#include <QTimer>

#include "ui/Dialogs.h"

namespace quarlodesk {

namespace {

constexpr const char* kService = "quarlodesk";

// QtKeychain's Secret Service backend (libsecret) answers through GLib's main context, which
// only Qt's GLib event dispatcher runs (not under QT_NO_GLIB): without it a job never ends.
bool EventLoopRunsGlib() {
  const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  return dispatcher && dispatcher->inherits("QEventDispatcherGlib");
}

}  // namespace

Keyring::Keyring(QObject* parent) : QObject(parent) {}

void Keyring::Read(const std::string& key, Callback done) {
  if (AnswerUnavailable(done)) return;
  Start(new QKeychain::ReadPasswordJob(kService), key, std::move(done));
}

void Keyring::Write(const std::string& key, const std::string& password, Callback done) {
  if (AnswerUnavailable(done)) return;
  auto* job = new QKeychain::WritePasswordJob(kService);
  job->setTextData(Q(password));
  Start(job, key, std::move(done));
}

void Keyring::Remove(const std::string& key, Callback done) {
  if (AnswerUnavailable(done)) return;
  Start(new QKeychain::DeletePasswordJob(kService), key, std::move(done));
}

bool Keyring::AnswerUnavailable(Callback& done) {
  if (EventLoopRunsGlib()) return false;
  ++pending_;
  QTimer::singleShot(0, this, [this, done = std::move(done)] {
    --pending_;
    done({Outcome::Failed, "", "the event loop does not run GLib's main context (QT_NO_GLIB)"});
  });
  return true;
}

// A job has no parent and deletes itself once it has finished: the libsecret backend calls back
// into its job whenever the service answers, so a job must never be deleted before that. An
// answer that comes after this object is gone is dropped with the connection.
void Keyring::Start(QKeychain::Job* job, const std::string& key, Callback done) {
  ++pending_;
  job->setKey(Q(key));
  job->setInsecureFallback(false);  // never the plain-text settings file
  job->setAutoDelete(true);
  connect(job, &QKeychain::Job::finished, this, [this, done = std::move(done)](QKeychain::Job* j) {
    --pending_;
    Answer answer;
    switch (j->error()) {
      case QKeychain::NoError:
        answer.outcome = Outcome::Done;
        if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(j)) {
          answer.password = S(read->textData());
        }
        break;
      case QKeychain::EntryNotFound:
        answer.outcome = Outcome::Missing;
        break;
      default:
        answer.reason = S(j->errorString());
        break;
    }
    done(answer);
  });
  job->start();
}

}  // namespace quarlodesk
