#pragma once

#include <cstdint>

namespace kokit {

// Roots of the persistent store; the values are the original platform's root handles.
enum xpRegRoot : uint32_t {
  xpRegRoot_HKEY_CLASSES_ROOT = 0x80000000u,
  xpRegRoot_HKEY_CURRENT_USER = 0x80000001u,
  xpRegRoot_HKEY_LOCAL_MACHINE = 0x80000002u,
  xpRegRoot_HKEY_USERS = 0x80000003u,
  xpRegRoot_HKEY_PERFORMANCE_DATA = 0x80000004u,
};

// Cipher modes. Any other value behaves as xpEncStr_UnEncNoKeyHead.
enum xpEncStr_Enc : int32_t {
  xpEncStr_EncWithKeyHead = 0,
  xpEncStr_UnEncWithKeyHead = 1,
  xpEncStr_EncNoKeyHead = 2,
  xpEncStr_UnEncNoKeyHead = 3,
};

}  // namespace kokit
