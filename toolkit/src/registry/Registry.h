#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kokit::detail {

// Outcome of one store operation: the status text is always set; `code` is 0 or the error
// number (errno values) for writes, and 0 / -1 for reads.
struct RegOutcome {
  int32_t code = 0;
  std::string status = "OK";
};

inline constexpr const char* kRegOk = "OK";
inline constexpr const char* kRegOpenKeyFail = "RegOpenKey Fail";
inline constexpr const char* kRegCreateKeyFail = "RegCreateKey Fail";
inline constexpr const char* kRegQueryValueExFail = "RegQueryValueEx Fail";
inline constexpr const char* kRegTypeMismatch = "从注册表中读取的值类型不匹配";
inline constexpr const char* kRegSetValueExFail = "RegSetValueEx Fail";
inline constexpr const char* kRegDeleteKeyFail = "RegDeleteKey Fail";
inline constexpr const char* kRegDeleteValueFail = "RegDeleteValue Fail";

// Folder holding one store file per root: $KOKIT_REGISTRY_DIR, else
// $XDG_CONFIG_HOME/tarnwick, else ~/.config/tarnwick. Read on every call.
std::filesystem::path StoreFolder();

// The persistent store's operations, with the status texts of the original registry calls.
std::string RegGetString(uint32_t root, std::string_view path, std::string_view name,
                         RegOutcome& out);
int32_t RegGetDWord(uint32_t root, std::string_view path, std::string_view name, RegOutcome& out);
RegOutcome RegSaveString(uint32_t root, std::string_view path, std::string_view name,
                         std::string_view data);
RegOutcome RegSaveDWord(uint32_t root, std::string_view path, std::string_view name, int32_t data);
RegOutcome RegSaveKey(uint32_t root, std::string_view path);
RegOutcome RegDelKey(uint32_t root, std::string_view key);
RegOutcome RegDelValue(uint32_t root, std::string_view path, std::string_view name);

}  // namespace kokit::detail
