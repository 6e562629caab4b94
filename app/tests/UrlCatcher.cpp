#include "UrlCatcher.h"

#include <QDesktopServices>

namespace quarlodesk::testing {

UrlCatcher::UrlCatcher(const QString& scheme) : scheme_(scheme) {
  QDesktopServices::setUrlHandler(scheme_, this, "Open");
}

UrlCatcher::~UrlCatcher() { QDesktopServices::unsetUrlHandler(scheme_); }

}  // namespace quarlodesk::testing
