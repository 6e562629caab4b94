#include "core/TimingText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quarlodesk {

namespace {

std::string Milliseconds(double ms) {
  char text[32];
  const double tenths = std::round(std::max(0.0, ms) * 10.0) / 10.0;
  if (tenths == 0) {
    return "0 ms";
  } else if (tenths < 10) {
    std::snprintf(text, sizeof text, "%.1f ms", tenths);
  } else {
    std::snprintf(text, sizeof text, "%.0f ms", std::round(ms));
  }
  return text;
}

}  // namespace

std::string TimingText(double totalMs, const std::optional<TimingParts>& parts) {
  if (!parts) return "用时 " + Milliseconds(totalMs);
  return "数据库 " + Milliseconds(parts->databaseMs) + " · 服务器 " +
         Milliseconds(parts->serverMs) + " · 网络 " + Milliseconds(parts->networkMs) + " · 显示 " +
         Milliseconds(parts->displayMs);
}

}  // namespace quarlodesk
