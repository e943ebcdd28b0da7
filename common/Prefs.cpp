#include "common/Prefs.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/RegistryNotes.h"
#include "host/frame.h"

namespace {

struct Store {
  Prefs::SectionMap defaults;
  std::map<std::string, Prefs::SectionMap> named;
};

Store& TheStore() {
  static Store store;  // lives until the module is unloaded
  return store;
}

std::string& DefaultKeyText() {
  static std::string key = "Software\\Zentu\\PDF/X Corvane 3\\Current_Version";
  return key;
}

void Note(const std::string& text) {
  HostRegion([&] { AVAlertNote(text.c_str()); });
}

void CloseKey(WinRegKey key) {
  HostRegion([&] { WinRegCloseKey(key); });
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

namespace Zentu {

std::string RegistryErrorDescription(const HostRegionResult& raised, ASInt32 status) {
  char buf[1024] = {0};
  HostRegion([&] {
    if (raised.raised)
      ASGetErrorString(raised.code, buf, sizeof buf);
    else
      WinSystemErrorText(status, buf, sizeof buf);
  });
  return buf;
}

void InvalidKeyNote(const std::string& name) {
  std::string shown;
  for (char c : name) shown += c ? std::string(1, c) : std::string("\\0");
  Note("Invalid data type for key \"" + shown + "\" -- ignoring key");
}

}  // namespace Zentu

Prefs::SectionMap& Prefs::Section(const char* name) {
  Store& store = TheStore();
  if (!name) return store.defaults;
  return store.named.emplace(std::string(name), SectionMap()).first->second;
}

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
  std::string keyText = KeyText(section);
  WinRegKey key = nullptr;
  ASInt32 status = winErrSuccess;
  HostRegionResult r = HostRegion([&] { status = WinRegOpenKey(winHiveCurrentUser, keyText.c_str(), &key); });
  if (r.raised || status != winErrSuccess) return false;

  SectionMap& s = Section(section);
  bool complete = false;
  for (ASUns32 index = 0;; ++index) {
    const char* name = nullptr;
    const char* data = nullptr;
    ASUns32 type = 0;
    ASUns32 size = 0;
    r = HostRegion([&] { status = WinRegEnumValue(key, index, &name, &type, &data, &size); });
    if (r.raised || status != winErrSuccess) {
      // Only the end of the values is a complete read; anything else is a
      // failure, so that a later Save is not mistaken for a full one.
      complete = !r.raised && status == winErrNoMoreItems;
      break;
    }
    std::string valueName = name ? name : "";
    std::string text = data ? std::string(data, size) : std::string();
    if (!text.empty() && text.back() == '\0') text.pop_back();  // its terminator
    // Settings are texts: a zero byte inside one would cut it.
    if (type == winRegSz && text.find('\0') == std::string::npos)
      s[valueName] = text;
    else
      Zentu::InvalidKeyNote(valueName);
  }
  CloseKey(key);
  return complete;
}

bool Prefs::Save(const char* section) {
  std::string keyText = KeyText(section);
  WinRegKey key = nullptr;
  ASInt32 status = winErrSuccess;
  // A new version of the whole key; the stored one stays until it is
  // committed in one write, so a failure leaves the old settings whole.
  HostRegionResult r = HostRegion(
      [&] { status = WinRegBeginRewrite(winHiveCurrentUser, keyText.c_str(), "String", &key); });
  if (r.raised || status != winErrSuccess) {
    Note("Error opening registry:  " + Zentu::RegistryErrorDescription(r, status));
    return false;
  }

  const SectionMap& s = Section(section);
  bool whole = true;
  for (const auto& entry : s) {
    const std::string& value = entry.second;
    if (entry.first.find('\0') != std::string::npos || value.find('\0') != std::string::npos) {
      // The registry keeps texts up to their first zero: such a key would come
      // back cut, or merged with another.
      Zentu::InvalidKeyNote(entry.first);
      whole = false;
      continue;
    }
    r = HostRegion([&] {
      status = WinRegSetValue(key, entry.first.c_str(), winRegSz, value.c_str(),
                              static_cast<ASUns32>(value.size() + 1));
    });
    if (r.raised || status != winErrSuccess) {
      Note("Error writing key \"" + entry.first + "\" to the registry");
      CloseKey(key);
      return false;
    }
  }
  r = HostRegion([&] { status = WinRegCommit(key); });
  if (r.raised || status != winErrSuccess) {
    Note("Error writing key \"" + keyText + "\" to the registry");
    CloseKey(key);
    return false;
  }
  CloseKey(key);
  return whole;
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
