// The plug-in's option store: text values by text key, mirrored whole into
// the plug-in's own registry key, and the process-wide holder through which
// the option sets reach it.
#pragma once
#include <map>
#include <string>

#include "common/CSafeAlloc.h"

// Keys compare byte by byte: "ALTS:DPU" and "alts:dpu" are two entries.
class PrefStore : public CSafeAlloc {
 public:
  PrefStore() = default;
  PrefStore(const PrefStore&) = delete;
  PrefStore& operator=(const PrefStore&) = delete;
  virtual ~PrefStore();
  // The empty text for a key the store does not hold.
  virtual std::string Get(const std::string& key) const = 0;
  virtual void Set(const std::string& key, const std::string& value) = 0;
  virtual void Load() = 0;
  virtual void Save() = 0;

 protected:
  std::map<std::string, std::string> values_;
};

// Persistent form: one text value a key under the current user's
// "Software\Zentu\Glimmerset\Current_Version". It reads the key when made,
// and every Set writes the whole key at once, so nothing waits for the end.
class RegistryPrefStore : public PrefStore {
 public:
  static const char* const kKeyPath;

  RegistryPrefStore();
  ~RegistryPrefStore() override;
  std::string Get(const std::string& key) const override;
  // Keeps the value even when the write fails (the user is told), so the
  // next Set writes it.
  void Set(const std::string& key, const std::string& value) override;
  // Merges the stored texts into the map; a missing key changes nothing.
  // Other value types, and texts holding a zero byte, are skipped with a note.
  void Load() override;
  // Replaces the stored key by the map in one commit; after a failure (and
  // its note) the stored key is as it was.
  void Save() override;
};

// Made on first use in the host's memory and never freed.
class Preferences : public CSafeAlloc {
 public:
  // None when the host had no memory for it.
  static Preferences* Instance();
  // Made through the platform layer on first call, which loads the
  // registry; none when it could not be made.
  PrefStore* Store();
  // The empty text without a store.
  void GetString(std::string& value, const std::string& key);
  // Nothing without a store.
  void SetString(const std::string& key, const std::string& value);

 private:
  Preferences() = default;
  PrefStore* store_ = nullptr;
};
