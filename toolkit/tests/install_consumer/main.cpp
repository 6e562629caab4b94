#include <kokit/KoToolsApp.h>

#include <iostream>

int main() {
  kokit::KoToolsApp tools;
  std::string enc = tools.EncUnicodeStr("中文", "", kokit::xpEncStr_EncNoKeyHead);
  std::string dec = tools.EncUnicodeStr(enc, "", kokit::xpEncStr_UnEncNoKeyHead);
  std::cout << enc << '\n';
  return dec == "中文" ? 0 : 1;
}
