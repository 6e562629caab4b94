#include "settings/SettingsStore.h"

namespace kokit::detail {

// Changing any piece makes every enciphered setting already stored unreadable.
const std::string& LibraryMasterKey() {
  static const std::string key =
      std::string("0[A2J00#l~i`EunmakChw-zHc!mR&#g$-0{)XF%%`~-%&3e-[!81lYx9Q=$c") +
      "%}0d4Eu!Gm%%r;Tjg.m3cNX.87CL]uH1t0G+F^StWlXA=c0TF)o'2(6}sS" +
      "fsAcVg:-i8X,phy[5<|>WM~^H5k(n$889cw#v&6%=tq'I7&a+ubQ_C,~ZS";
  return key;
}

}  // namespace kokit::detail
