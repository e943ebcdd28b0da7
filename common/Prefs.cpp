#include "common/Prefs.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "common/TextKey.h"
#include "host/frame.h"

namespace {

// A section, and the registry's values as this process last read or wrote
// them: a save writes only where the two differ, so values other processes
// stored meanwhile stay as they left them.
struct SectionState {
  Prefs::SectionMap values;
  Prefs::SectionMap stored;
  std::set<std::string> others;  // stored values that are not texts
};

struct Store {
  SectionState defaults;
  std::map<std::string, SectionState> named;
};

Store& TheStore() {
  static Store store;  // lives until the module is unloaded
  return store;
}

SectionState& State(const char* name) {
  Store& store = TheStore();
  if (!name) return store.defaults;
  return store.named.emplace(std::string(name), SectionState()).first->second;
}

std::string& DefaultKeyText() {
  static std::string key = "Software\\Zentu\\PDF/X Corvane 3\\Current_Version";
  return key;
}

// Asks the host for a name the snprintf way, growing the buffer once when the
// first one was too small.
template <class Call>
std::string NameFromHost(Call&& call) {
  std::vector<char> buf(4096);
  for (int attempt = 0; attempt < 2; ++attempt) {
    ASUns32 n = 0;
    HostRegionResult r = HostRegion([&] { n = call(buf.data(), static_cast<ASUns32>(buf.size())); });
    if (r.raised || n == 0) return std::string();
    if (n < buf.size()) return std::string(buf.data(), n);
    buf.resize(static_cast<size_t>(n) + 1);
  }
  return std::string();
}

}  // namespace

Prefs::SectionMap& Prefs::Section(const char* name) { return State(name).values; }

bool Prefs::Get(const std::string& key, std::string& value, const char* section) {
  SectionMap& s = Section(section);
  auto it = s.find(key);
  if (it == s.end()) return false;
  value = it->second;
  return true;
}

bool Prefs::Set(const std::string& key, const std::string& value, const char* section) {
  if (key.empty()) return false;
  Section(section)[key] = value;
  return true;
}

// Keys compare byte by byte, so the keys that begin with the prefix in its
// exact case are one unbroken run, from the first key not below it.
bool Prefs::RemoveByPrefix(const std::string& prefix, const char* section) {
  if (prefix.empty()) return false;
  SectionMap& s = Section(section);
  auto begins = [&](const std::string& key) { return key.compare(0, prefix.size(), prefix) == 0; };
  auto first = s.lower_bound(prefix);
  if (first == s.end() || !begins(first->first)) return false;
  auto last = first;
  while (last != s.end() && begins(last->first)) ++last;
  s.erase(first, last);
  return true;
}

std::string Prefs::KeyText(const char* section) {
  if (!section) return DefaultKey();
  return std::string("Software\\Zentu\\") + section + "\\Current_Version";
}

void Prefs::SetDefaultKey(const std::string& key) { DefaultKeyText() = key; }

const std::string& Prefs::DefaultKey() { return DefaultKeyText(); }

bool Prefs::Load(const char* section) {
  SectionState& s = State(section);
  Zentu::StoredTexts read;
  const Zentu::KeyRead how = Zentu::ReadTextKey(KeyText(section), &read);
  if (how == Zentu::KeyRead::Missing) {
    // Nothing is stored: whatever the section holds is still to be written.
    s.stored.clear();
    s.others.clear();
  }
  if (how == Zentu::KeyRead::Missing || how == Zentu::KeyRead::Unreadable) return false;
  for (const auto& entry : read.texts) s.values[entry.first] = entry.second;
  if (how == Zentu::KeyRead::Whole) {
    s.stored = std::move(read.texts);
    s.others = std::move(read.others);
    return true;
  }
  // A read that fails before the end is not a complete load, so that a
  // later Save is not mistaken for a full one.
  for (auto& entry : read.texts) s.stored[entry.first] = std::move(entry.second);
  s.others.insert(read.others.begin(), read.others.end());
  return false;
}

bool Prefs::Save(const char* section) {
  SectionState& s = State(section);
  // What the section changed against the stored values; both maps in key order.
  std::vector<Zentu::TextChange> changes;
  auto mine = s.values.begin();
  auto theirs = s.stored.begin();
  while (mine != s.values.end() || theirs != s.stored.end()) {
    if (theirs == s.stored.end() || (mine != s.values.end() && mine->first < theirs->first)) {
      changes.push_back({&mine->first, &mine->second});
      ++mine;
    } else if (mine == s.values.end() || theirs->first < mine->first) {
      changes.push_back({&theirs->first, nullptr});
      ++theirs;
    } else {
      if (mine->second != theirs->second) changes.push_back({&mine->first, &mine->second});
      ++mine;
      ++theirs;
    }
  }
  for (const std::string& name : s.others)
    if (!s.values.count(name) && !s.stored.count(name)) changes.push_back({&name, nullptr});

  std::set<std::string> refused;
  if (!Zentu::WriteTextChanges(KeyText(section), changes, &refused)) return false;
  // What was written is stored now; a refused value stays to be written.
  for (const Zentu::TextChange& change : changes) {
    if (change.text) {
      if (!refused.count(*change.name)) s.stored[*change.name] = *change.text;
    } else {
      const std::string name = *change.name;  // it may be the key erased
      s.stored.erase(name);
    }
  }
  s.others.clear();
  return refused.empty();
}

int CaselessCompare(const char* a, const char* b) {
  if (!a) a = "";
  if (!b) b = "";
  for (size_t i = 0;; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]);
    unsigned char cb = static_cast<unsigned char>(b[i]);
    if (std::tolower(ca) != std::tolower(cb)) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

char* StrDup(const char* text) {
  if (!text) return nullptr;
  size_t n = std::strlen(text) + 1;
  char* copy = static_cast<char*>(std::malloc(n));
  if (copy) std::memcpy(copy, text, n);
  return copy;
}

std::string TempFileName(const char* /*folder*/, const char* prefix) {
  std::string p = prefix ? prefix : "";
  return NameFromHost([&](char* buf, ASUns32 size) { return WinCreateTempFile(p.c_str(), buf, size); });
}

namespace {
const char kModuleAnchor = 0;  // an address inside this module
}

std::string GetModulePath() {
  std::string file =
      NameFromHost([&](char* buf, ASUns32 size) { return WinModuleFileName(&kModuleAnchor, buf, size); });
  size_t cut = file.find_last_of("\\/");
  return cut == std::string::npos ? file : file.substr(0, cut);
}
