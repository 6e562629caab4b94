#include "settings/SettingsStore.h"

#include "cipher/Cipher.h"
#include "kokit/Enums.h"
#include "kokit/ErrString.h"
#include "kokit/IniItems.h"
#include "registry/Registry.h"
#include "settings/StoredForm.h"

namespace kokit::detail {

namespace {

constexpr const char* kDefaultBaseKey = "Software\\Tarnwick Studio Applications";

struct Paths {
  std::string values;
  std::string descriptions;
};

Paths PathsOf(const SettingsPlace& place, const std::string& appName) {
  std::string app =
      (place.baseKey.empty() ? std::string(kDefaultBaseKey) : place.baseKey) + "\\" + appName;
  return Paths{app + "\\IniItems", app + "\\IniDesc"};
}

// The key of the enciphered types: the caller's key under the master key, without head, so it
// is the same every time. An empty key stays empty (the cipher's default key is used).
std::string DerivedKey(const SettingsPlace& place, const std::string& encKey) {
  return EncUnicodeStr(encKey, place.masterKey, xpEncStr_EncNoKeyHead);
}

std::string TypeError(const IniItem& item) {
  return "oIniItem.Name=" + item.Name() + "的数据类型错误";
}

// Validates and writes one item's value and description; false with the status on failure.
bool WriteItem(const SettingsPlace& place, const Paths& paths, const std::string& key,
               const IniItem& item, SettingsOutcome& out) {
  std::optional<StoredValue> stored = ToStored(item.DataType(), item.Value(), key);
  if (!stored) {
    out = {-1, TypeError(item)};
    return false;
  }
  RegOutcome w = stored->isNumber
                     ? RegSaveDWord(place.root, paths.values, item.Name(), stored->number)
                     : RegSaveString(place.root, paths.values, item.Name(), stored->text);
  out.status = w.status;
  if (w.status != kRegOk) {
    out.result = -1;
    return false;
  }
  // A description that cannot be written does not fail the setting.
  out.status =
      RegSaveString(place.root, paths.descriptions, item.Name(), item.Description()).status;
  return true;
}

void LoadItems(const SettingsPlace& place, const std::string& appName, IniItems& items,
               const std::string& encKey, bool writeMissing, SettingsOutcome& out) {
  const std::string key = DerivedKey(place, encKey);
  const Paths paths = PathsOf(place, appName);
  for (const std::shared_ptr<IniItem>& item : items) {
    RegOutcome r;
    StoredValue stored;
    if (StoredAsNumber(item->DataType())) {
      stored.isNumber = true;
      stored.number = RegGetDWord(place.root, paths.values, item->Name(), r);
    } else {
      stored.text = RegGetString(place.root, paths.values, item->Name(), r);
    }
    out.status = r.status;
    if (r.status == kRegOk) {
      // A stored value that does not convert leaves the default in place.
      if (std::optional<IniValue> v = FromStored(item->DataType(), stored, key)) {
        item->SetValue(std::move(*v));
      }
      RegOutcome d;
      std::string description = RegGetString(place.root, paths.descriptions, item->Name(), d);
      out.status = d.status;
      if (d.status == kRegOk) item->SetDescription(description);
    } else {
      if (!writeMissing) {
        out.result = -1;
        return;
      }
      if (!WriteItem(place, paths, key, *item, out)) return;
    }
    item->SetIsSaveToReg(false);
  }
}

void SaveItems(const SettingsPlace& place, const std::string& appName, IniItems& items,
               const std::string& encKey, SettingsOutcome& out) {
  const std::string key = DerivedKey(place, encKey);
  const Paths paths = PathsOf(place, appName);
  for (const std::shared_ptr<IniItem>& item : items) {
    if (!item->IsSaveToReg()) continue;
    if (!WriteItem(place, paths, key, *item, out)) return;
  }
}

// Any unexpected failure stops the loop with its number and text; items before it stay done.
template <typename F>
SettingsOutcome Guarded(std::string initialStatus, F&& body) {
  SettingsOutcome out{0, std::move(initialStatus)};
  try {
    body(out);
  } catch (...) {
    Error e = CurrentError();
    out = {e.Number(), e.Description()};
  }
  return out;
}

}  // namespace

SettingsOutcome LoadSettings(const SettingsPlace& place, const std::string& appName,
                             IniItems& items, const std::string& encKey, bool writeMissing) {
  return Guarded("OK", [&](SettingsOutcome& out) {
    LoadItems(place, appName, items, encKey, writeMissing, out);
  });
}

SettingsOutcome SaveSettings(const SettingsPlace& place, const std::string& appName,
                             IniItems& items, const std::string& encKey) {
  return Guarded("", [&](SettingsOutcome& out) { SaveItems(place, appName, items, encKey, out); });
}

}  // namespace kokit::detail
