#include "alternates/Preferences.h"

#include "alternates/Platform.h"
#include "common/RegistryNotes.h"

namespace {

void Note(const std::string& text) {
  HostRegion([&] { AVAlertNote(text.c_str()); });
}

void WriteErrorNote(const std::string& key) { Note("Error writing key \"" + key + "\" to the registry"); }

void CloseKey(WinRegKey key) {
  HostRegion([&] { WinRegCloseKey(key); });
}

bool HasZero(const std::string& text) { return text.find('\0') != std::string::npos; }

}  // namespace

PrefStore::~PrefStore() = default;

const char* const RegistryPrefStore::kKeyPath = "Software\\Zentu\\Glimmerset\\Current_Version";

RegistryPrefStore::RegistryPrefStore() { Load(); }

RegistryPrefStore::~RegistryPrefStore() {
  try {
    Save();
  } catch (...) {
  }
}

std::string RegistryPrefStore::Get(const std::string& key) const {
  auto it = values_.find(key);
  return it == values_.end() ? std::string() : it->second;
}

void RegistryPrefStore::Set(const std::string& key, const std::string& value) {
  values_[key] = value;
  Save();
}

void RegistryPrefStore::Load() {
  WinRegKey key = nullptr;
  ASInt32 status = winErrSuccess;
  HostRegionResult r = HostRegion([&] { status = WinRegOpenKey(winHiveCurrentUser, kKeyPath, &key); });
  if (r.raised || status != winErrSuccess) return;

  // Values of any length, and every one after them.
  for (ASUns32 index = 0;; ++index) {
    const char* name = nullptr;
    const char* data = nullptr;
    ASUns32 type = 0;
    ASUns32 size = 0;
    r = HostRegion([&] { status = WinRegEnumValue(key, index, &name, &type, &data, &size); });
    if (r.raised || status != winErrSuccess) break;
    std::string valueName = name ? name : "";
    std::string text = data ? std::string(data, size) : std::string();
    if (!text.empty() && text.back() == '\0') text.pop_back();  // its terminator
    // A text cut at an inner zero byte would be written back cut.
    if (type == winRegSz && !HasZero(text))
      values_[valueName] = text;
    else
      Zentu::InvalidKeyNote(valueName);
  }
  CloseKey(key);
}

void RegistryPrefStore::Save() {
  WinRegKey key = nullptr;
  ASInt32 status = winErrSuccess;
  // A new version of the whole key, committed in one write: values no longer
  // in the map go, and a failure leaves the stored key whole.
  HostRegionResult r =
      HostRegion([&] { status = WinRegBeginRewrite(winHiveCurrentUser, kKeyPath, "String", &key); });
  if (r.raised || status != winErrSuccess) {
    Note("Error opening registry:  " + Zentu::RegistryErrorDescription(r, status));
    return;
  }
  for (const auto& entry : values_) {
    const std::string& value = entry.second;
    if (HasZero(entry.first) || HasZero(value)) {
      // The registry keeps texts up to their first zero byte.
      Zentu::InvalidKeyNote(entry.first);
      continue;
    }
    r = HostRegion([&] {
      status = WinRegSetValue(key, entry.first.c_str(), winRegSz, value.c_str(),
                              static_cast<ASUns32>(value.size() + 1));
    });
    if (r.raised || status != winErrSuccess) {
      WriteErrorNote(entry.first);
      CloseKey(key);
      return;
    }
  }
  r = HostRegion([&] { status = WinRegCommit(key); });
  if (r.raised || status != winErrSuccess) WriteErrorNote(kKeyPath);
  CloseKey(key);
}

Preferences* Preferences::Instance() {
  static Preferences* instance = nullptr;
  if (!instance) instance = new Preferences;
  return instance;
}

PrefStore* Preferences::Store() {
  if (!store_) {
    if (Platform* platform = Platform::Get()) store_ = platform->CreatePrefStore();
  }
  return store_;
}

void Preferences::GetString(std::string& value, const std::string& key) {
  PrefStore* store = Store();
  value = store ? store->Get(key) : std::string();
}

void Preferences::SetString(const std::string& key, const std::string& value) {
  if (PrefStore* store = Store()) store->Set(key, value);
}
