#include <random>

#include "cipher/Cipher.h"
#include "kokit/KoToolsApp.h"

namespace kokit {

namespace {

// Seeded once per thread from the system's entropy: reseeding from the clock on every call
// would repeat the same numbers within one clock tick.
std::mt19937_64& Generator() {
  thread_local std::mt19937_64 gen{std::random_device{}()};
  return gen;
}

}  // namespace

int32_t KoToolsApp::GetRandNum(int32_t beginNum, int32_t endNum) const {
  if (beginNum > endNum) std::swap(beginNum, endNum);
  return std::uniform_int_distribution<int32_t>(beginNum, endNum)(Generator());
}

std::string KoToolsApp::GetRandString(int32_t strLen, int32_t memberType) const {
  std::string out;
  for (int32_t i = 0; i < strLen; ++i) {
    switch (memberType) {
      case xpGetRandString_NumberOnly:
        out.push_back(static_cast<char>('0' + GetRandNum(0, 9)));
        break;
      case xpGetRandString_NumberAndLetter:
        // The class first, each with the same chance, then a member of it.
        switch (GetRandNum(1, 3)) {
          case 1:
            out.push_back(static_cast<char>('0' + GetRandNum(0, 9)));
            break;
          case 2:
            out.push_back(static_cast<char>('A' + GetRandNum(0, 25)));
            break;
          default:
            out.push_back(static_cast<char>('a' + GetRandNum(0, 25)));
            break;
        }
        break;
      case xpGetRandString_DisplayChar:
        out.push_back(static_cast<char>(GetRandNum(33, 126)));
        break;
      case xpGetRandString_AllAsciiChar:
        out += detail::BytesToHex(std::string(1, static_cast<char>(GetRandNum(0, 255))));
        break;
      default:
        return "";  // no kind of draw is known by that number
    }
  }
  return out;
}

}  // namespace kokit
