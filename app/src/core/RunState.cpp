#include "core/RunState.h"

namespace quarlodesk {

std::string GetStatusText(int32_t state) {
  static constexpr const char* kTexts[] = {"就绪", "正在执行SQL语句...", "中止SQL语句执行",
                                           "已返回数据", "执行SQL语句出错"};
  std::string text = "状态：";
  if (state >= 0 && state <= 4) text += kTexts[state];
  return text;
}

}  // namespace quarlodesk
