#pragma once

#include <optional>
#include <string>

namespace quarlodesk {

// Where a command's time went, in milliseconds: the server in its database, the server's own
// work, the network, and the program reading the answers and filling the grid.
struct TimingParts {
  double databaseMs = 0;
  double serverMs = 0;
  double networkMs = 0;
  double displayMs = 0;
};

// The note that follows the rows-affected text: "数据库 120 ms · 服务器 8.4 ms · 网络 15 ms ·
// 显示 30 ms", or "用时 173 ms" (the whole command) when the server did not say where its time
// went. Whole milliseconds from 10 ms up, tenths below (what a small query on a near server
// takes), "0 ms" for less than a twentieth; a negative figure counts as 0.
std::string TimingText(double totalMs, const std::optional<TimingParts>& parts);

}  // namespace quarlodesk
