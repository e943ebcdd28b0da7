#include "common/TextKey.h"

#include "host/frame.h"

namespace Zentu {
namespace {

void Note(const std::string& text) {
  HostRegion([&] { AVAlertNote(text.c_str()); });
}

void CloseKey(WinRegKey key) {
  HostRegion([&] { WinRegCloseKey(key); });
}

bool HasZero(const std::string& text) { return text.find('\0') != std::string::npos; }

// The system's description of a registry error, or the host's text for a
// raised error.
std::string ErrorDescription(const HostRegionResult& raised, ASInt32 status) {
  char buf[1024] = {0};
  HostRegion([&] {
    if (raised.raised)
      ASGetErrorString(raised.code, buf, sizeof buf);
    else
      WinSystemErrorText(status, buf, sizeof buf);
  });
  return buf;
}

// A zero byte in the name is shown as "\0".
void InvalidKeyNote(const std::string& name) {
  std::string shown;
  for (char c : name) shown += c ? std::string(1, c) : std::string("\\0");
  Note("Invalid data type for key \"" + shown + "\" -- ignoring key");
}

void WriteErrorNote(const std::string& name) { Note("Error writing key \"" + name + "\" to the registry"); }

}  // namespace

KeyRead ReadTextKey(const std::string& path, StoredTexts* out) {
  WinRegKey key = nullptr;
  ASInt32 status = winErrSuccess;
  HostRegionResult r = HostRegion([&] { status = WinRegOpenKey(winHiveCurrentUser, path.c_str(), &key); });
  if (r.raised || status != winErrSuccess)
    return !r.raised && status == winErrFileNotFound ? KeyRead::Missing : KeyRead::Unreadable;

  KeyRead read = KeyRead::Partial;
  for (ASUns32 index = 0;; ++index) {
    const char* name = nullptr;
    const char* data = nullptr;
    ASUns32 type = 0;
    ASUns32 size = 0;
    r = HostRegion([&] { status = WinRegEnumValue(key, index, &name, &type, &data, &size); });
    if (r.raised || status != winErrSuccess) {
      // Only the end of the values is a whole read.
      if (!r.raised && status == winErrNoMoreItems) read = KeyRead::Whole;
      break;
    }
    std::string valueName = name ? name : "";
    std::string text = data ? std::string(data, size) : std::string();
    if (!text.empty() && text.back() == '\0') text.pop_back();  // its terminator
    // Settings are texts: a zero byte inside one would cut it.
    if (type == winRegSz && !HasZero(text)) {
      out->texts[valueName] = text;
    } else {
      InvalidKeyNote(valueName);
      out->others.insert(valueName);
    }
  }
  CloseKey(key);
  return read;
}

bool WriteTextChanges(const std::string& path, const std::vector<TextChange>& changes,
                      std::set<std::string>* refused) {
  WinRegKey key = nullptr;
  ASInt32 status = winErrSuccess;
  HostRegionResult r =
      HostRegion([&] { status = WinRegBeginUpdate(winHiveCurrentUser, path.c_str(), "String", &key); });
  if (r.raised || status != winErrSuccess) {
    Note("Error opening registry:  " + ErrorDescription(r, status));
    return false;
  }
  for (const TextChange& change : changes) {
    const std::string& name = *change.name;
    if (HasZero(name) || (change.text && HasZero(*change.text))) {
      // The registry keeps texts up to their first zero: such a value would
      // come back cut, or merged with another. One it holds cannot be named.
      if (change.text) {
        InvalidKeyNote(name);
        refused->insert(name);
      }
      continue;
    }
    r = HostRegion([&] {
      status = change.text ? WinRegSetValue(key, name.c_str(), winRegSz, change.text->c_str(),
                                            static_cast<ASUns32>(change.text->size() + 1))
                           : WinRegDeleteValue(key, name.c_str());
    });
    if (r.raised || status != winErrSuccess) {
      WriteErrorNote(name);
      CloseKey(key);
      return false;
    }
  }
  r = HostRegion([&] { status = WinRegCommit(key); });
  CloseKey(key);
  if (r.raised || status != winErrSuccess) {
    WriteErrorNote(path);
    return false;
  }
  return true;
}

}  // namespace Zentu
