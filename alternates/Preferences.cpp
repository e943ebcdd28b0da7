#include "alternates/Preferences.h"

#include "alternates/Platform.h"
#include "common/TextKey.h"

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
  unwritten_.insert(key);
  Save();
}

void RegistryPrefStore::Load() {
  Zentu::StoredTexts read;
  Zentu::ReadTextKey(kKeyPath, &read);
  for (auto& entry : read.texts) values_[entry.first] = std::move(entry.second);
  others_.insert(read.others.begin(), read.others.end());
}

void RegistryPrefStore::Save() {
  std::vector<Zentu::TextChange> changes;
  for (const std::string& name : others_)
    if (!unwritten_.count(name)) changes.push_back({&name, nullptr});
  for (const std::string& key : unwritten_) changes.push_back({&key, &values_[key]});
  std::set<std::string> refused;
  if (!Zentu::WriteTextChanges(kKeyPath, changes, &refused)) return;
  unwritten_ = std::move(refused);
  others_.clear();
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
