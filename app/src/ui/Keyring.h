#pragma once

#include <QObject>
#include <functional>
#include <string>

namespace QKeychain {
class Job;
}

namespace quarlodesk {

// The desktop's Secret Service through QtKeychain, under the service name "quarlodesk". Every
// call answers later, from the event loop; nothing here waits.
class Keyring : public QObject {
 public:
  enum class Outcome { Done, Missing, Failed };
  struct Answer {
    Outcome outcome = Outcome::Failed;
    std::string password;  // what a read found
    std::string reason;    // the keyring's own text when it failed
  };
  using Callback = std::function<void(const Answer&)>;

  explicit Keyring(QObject* parent);

  void Read(const std::string& key, Callback done);
  void Write(const std::string& key, const std::string& password, Callback done);
  void Remove(const std::string& key, Callback done);

  // Calls not answered yet.
  int Pending() const { return pending_; }

 private:
  // Answers Failed (later, like the keyring) when the keyring cannot answer in this event loop.
  bool AnswerUnavailable(Callback& done);
  void Start(QKeychain::Job* job, const std::string& key, Callback done);

  int pending_ = 0;
};

}  // namespace quarlodesk
