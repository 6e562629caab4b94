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

// Kinds of random text (KoToolsApp::GetRandString).
enum xpGetRandString : int32_t {
  xpGetRandString_NumberOnly = 1,
  xpGetRandString_NumberAndLetter = 2,
  xpGetRandString_DisplayChar = 3,
  xpGetRandString_AllAsciiChar = 4,
};

// HTML conversions (KoToolsApp::ChangeHTML).
enum xpChangeHTML : int32_t {
  xpChangeHTML_DisableHTML = 1,
  xpChangeHTML_EnableHTML = 2,
  xpChangeHTML_DisableHTMLOnlySymbol = 3,
  xpChangeHTML_EnableHTMLOnlySymbol = 4,
};

// Parts of a file name (KoToolsApp::GetFilePart).
enum xpFilePart : int32_t {
  xpFilePart_Path = 1,
  xpFilePart_FileTitle = 2,
  xpFilePart_ExtName = 3,
  xpFilePart_DriveNo = 4,
};

// Cipher modes. Any other value behaves as xpEncStr_UnEncNoKeyHead.
enum xpEncStr_Enc : int32_t {
  xpEncStr_EncWithKeyHead = 0,
  xpEncStr_UnEncWithKeyHead = 1,
  xpEncStr_EncNoKeyHead = 2,
  xpEncStr_UnEncNoKeyHead = 3,
};

}  // namespace kokit
