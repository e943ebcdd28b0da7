// The plug-in's option store: text values by text key, mirrored whole into
// the plug-in's own registry key, and the process-wide holder through which
// the option sets reach it.
#pragma once
#include <map>
#include <set>
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
// and every Set writes at once, so nothing waits for the end.
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
  // Other value types, and texts holding a zero byte, are skipped with a note
  // and removed by the next Save.
  void Load() override;
  // Writes the values set since the last write that succeeded, in one commit
  // into the key as stored at that moment: values other runs stored and this
  // one did not set stay, and of two runs setting one value the later write
  // wins. After a failure (and its note) the stored key is as it was.
  void Save() override;

 private:
  std::set<std::string> unwritten_;  // keys set since the last write
  std::set<std::string> others_;     // stored values that are not texts
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
