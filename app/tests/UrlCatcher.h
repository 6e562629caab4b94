#pragma once

#include <QObject>
#include <QUrl>
#include <string>
#include <vector>

namespace quarlodesk::testing {

// Stands in for the desktop's handler of a URL scheme while it lives: records what the program
// asked to open instead of starting a browser.
class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  explicit UrlCatcher(const QString& scheme);
  ~UrlCatcher() override;
  std::vector<std::string> opened;

 public slots:
  void Open(const QUrl& url) { opened.push_back(url.toString().toStdString()); }

 private:
  QString scheme_;
};

}  // namespace quarlodesk::testing
