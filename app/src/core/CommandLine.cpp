#include "core/CommandLine.h"

namespace quarlodesk {

namespace {

std::optional<DbType> ParseType(const std::string& s) {
  if (s == "sqlserver") return DbType::SqlServer;
  if (s == "oracle") return DbType::Oracle;
  if (s == "access") return DbType::Access;
  return std::nullopt;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine out;
  auto usage = [&](std::string why) {
    out.action = CommandLine::Usage;
    out.error = std::move(why);
    return out;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (auto eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.erase(eq);
    }
    if (name == "--help" || name == "-h") {
      out.action = CommandLine::Help;
      return out;
    }
    if (name == "--version") {
      out.action = CommandLine::Version;
      return out;
    }
    std::optional<std::string>* field = nullptr;
    if (name == "--site") field = &out.site;
    if (name == "--server") field = &out.server;
    if (name == "--database") field = &out.database;
    if (name == "--user") field = &out.user;
    if (!field && name != "--type") return usage("未知的选项：" + name);
    if (!value) {
      if (i + 1 >= args.size()) return usage("选项 " + name + " 缺少值");
      value = args[++i];
    }
    if (field) {
      *field = *value;
    } else if (!(out.type = ParseType(*value))) {
      return usage("--type 必须是 sqlserver、oracle 或 access，而不是“" + *value + "”");
    }
  }
  return out;
}

std::string CommandLineHelp() {
  return "用法：quarlodesk [选项]\n"
         "\n"
         "Quarlo 查询分析器：通过网站上的两个服务器页面对数据库执行 SQL 语句。\n"
         "\n"
         "以下选项预先填写登录对话框（登录成功后才会保存）：\n"
         "  --site 网址          站点名称，例如 http://127.0.0.1:8080\n"
         "  --type 类型          数据库类型：sqlserver（MS-SQL Server）、oracle 或 access\n"
         "  --server 服务器      数据库服务器\n"
         "  --database 数据库    数据库（Access 时为数据库文件的路径）\n"
         "  --user 用户          用户名\n"
         "\n"
         "  --help               显示本帮助并退出\n"
         "  --version            显示版本并退出\n"
         "\n"
         "Qt 的选项（如 -platform offscreen）同样可用。用户手册见“帮助”菜单。\n";
}

}  // namespace quarlodesk
