// The "Windows" table: the services the plug-ins took from Windows (the
// registry, the module file name, temporary files), on Linux.
#include <dlfcn.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/tables.h"
#include "host/procs.h"
#include "support/filesys.h"
#include "win/registry.h"

namespace host {
namespace {

struct OpenKey {
  enum class Mode { Read, Rewrite, Update };
  ASInt32 hive = 0;
  std::string path;
  Mode mode = Mode::Read;
  reg::Key key;              // read: the snapshot; rewrite: the new version
  reg::KeyChanges changes;   // update: what Commit applies to the stored key
};

struct WinState {
  std::map<uintptr_t, OpenKey> keys;
  uintptr_t next = 1;
};

WinState& W() {
  static auto* state = new WinState;
  return *state;
}

WinRegKey NewHandle(OpenKey key) {
  uintptr_t id = W().next++;
  W().keys.emplace(id, std::move(key));
  return reinterpret_cast<WinRegKey>(id);
}

OpenKey* Find(WinRegKey key) {
  auto it = W().keys.find(reinterpret_cast<uintptr_t>(key));
  return it == W().keys.end() ? nullptr : &it->second;
}

// Copies a text the snprintf way: the answer is its full length, and the
// buffer holds all of it only when that length is below `size`.
ASUns32 CopyOut(const std::string& text, char* buffer, ASUns32 size) {
  if (buffer && size > 0) {
    size_t n = text.size() < size ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
  }
  return static_cast<ASUns32>(text.size());
}

char gAnchor;  // an address inside the host's own image

// The file of the shared library (or the executable) that holds `address`.
std::string ModuleOf(const void* address) {
  Dl_info info{};
  if (!address || !::dladdr(address, &info) || !info.dli_fname) return "";
  Dl_info self{};
  if (!*info.dli_fname || (::dladdr(&gAnchor, &self) && self.dli_fbase == info.dli_fbase))
    return ExecutablePath();
  char resolved[PATH_MAX];
  if (::realpath(info.dli_fname, resolved)) return resolved;
  return info.dli_fname;
}

}  // namespace

// $TMPDIR when it names a folder we can write to, else /tmp; never a fixed
// folder of the caller's.
std::string TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  struct stat st;
  if (dir && *dir && ::stat(dir, &st) == 0 && S_ISDIR(st.st_mode) && ::access(dir, W_OK | X_OK) == 0) {
    std::string folder = dir;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
  }
  return "/tmp";
}

namespace {

#define ENTER(sel) Enter(TableId::Windows, WindowsSel::sel)

ASInt32 WinRegOpenKeyImpl(ASInt32 hive, const char* path, WinRegKey* key) {
  ENTER(RegOpenKey);
  if (!key) return winErrInvalidParameter;
  *key = nullptr;
  if (!path || !*path) return winErrInvalidParameter;
  try {
    reg::Hive h;
    ASInt32 status = reg::ReadHive(hive, &h);
    if (status != winErrSuccess) return status;
    auto it = h.find(path);
    if (it == h.end()) return winErrFileNotFound;
    OpenKey open;
    open.hive = hive;
    open.path = path;
    open.key = std::move(it->second);
    *key = NewHandle(std::move(open));
    return winErrSuccess;
  } catch (...) {
    RaiseFromCurrentException();
  }
}

ASInt32 WinRegEnumValueImpl(WinRegKey key, ASUns32 index, const char** name, ASUns32* type,
                            const char** data, ASUns32* size) {
  ENTER(RegEnumValue);
  OpenKey* open = Find(key);
  if (!open) return winErrInvalidHandle;
  if (index >= open->key.values().size()) return winErrNoMoreItems;
  const reg::Value& v = open->key.values()[index];
  if (name) *name = v.name.c_str();
  if (type) *type = v.type;
  if (data) *data = v.data.c_str();  // zero-terminated past its size as well
  if (size) *size = static_cast<ASUns32>(v.data.size());
  return winErrSuccess;
}

ASInt32 WinRegCloseKeyImpl(WinRegKey key) {
  ENTER(RegCloseKey);
  return W().keys.erase(reinterpret_cast<uintptr_t>(key)) ? winErrSuccess : winErrInvalidHandle;
}

// A key opened for writing. Until a commit writes it, the key counts as not
// written (LastWriteStatus), so a write given up half way is seen.
ASInt32 BeginWrite(ASInt32 hive, const char* path, const char* className, OpenKey::Mode mode, WinRegKey* key) {
  if (!key) return winErrInvalidParameter;
  *key = nullptr;
  if (!path || !*path) return winErrInvalidParameter;
  try {
    ASInt32 status = reg::CheckWritable(hive);
    reg::NoteWriteStatus(hive, path, status == winErrSuccess ? winErrRegistryIO : status);
    if (status != winErrSuccess) return status;
    OpenKey open;
    open.hive = hive;
    open.path = path;
    open.mode = mode;
    (mode == OpenKey::Mode::Update ? open.changes.className : open.key.className) = className ? className : "";
    *key = NewHandle(std::move(open));
    return winErrSuccess;
  } catch (...) {
    RaiseFromCurrentException();
  }
}

ASInt32 WinRegBeginRewriteImpl(ASInt32 hive, const char* path, const char* className, WinRegKey* key) {
  ENTER(RegBeginRewrite);
  return BeginWrite(hive, path, className, OpenKey::Mode::Rewrite, key);
}

ASInt32 WinRegBeginUpdateImpl(ASInt32 hive, const char* path, const char* className, WinRegKey* key) {
  ENTER(RegBeginUpdate);
  return BeginWrite(hive, path, className, OpenKey::Mode::Update, key);
}

ASInt32 WinRegSetValueImpl(WinRegKey key, const char* name, ASUns32 type, const char* data, ASUns32 size) {
  ENTER(RegSetValue);
  OpenKey* open = Find(key);
  if (!open) return winErrInvalidHandle;
  if (open->mode == OpenKey::Mode::Read) return winErrAccessDenied;
  if (!data && size > 0) return winErrInvalidParameter;
  try {
    std::string n = name ? name : "", bytes(data ? data : "", data ? size : 0);
    if (open->mode == OpenKey::Mode::Update)
      open->changes.Set(n, type, bytes);
    else
      open->key.Set(n, type, bytes);
    return winErrSuccess;
  } catch (...) {
    RaiseFromCurrentException();
  }
}

ASInt32 WinRegDeleteValueImpl(WinRegKey key, const char* name) {
  ENTER(RegDeleteValue);
  OpenKey* open = Find(key);
  if (!open) return winErrInvalidHandle;
  if (open->mode == OpenKey::Mode::Read) return winErrAccessDenied;
  try {
    std::string n = name ? name : "";
    if (open->mode == OpenKey::Mode::Update)
      open->changes.Remove(n);
    else
      open->key.Remove({n});
    return winErrSuccess;
  } catch (...) {
    RaiseFromCurrentException();
  }
}

ASInt32 WinRegCommitImpl(WinRegKey key) {
  ENTER(RegCommit);
  OpenKey* open = Find(key);
  if (!open) return winErrInvalidHandle;
  if (open->mode == OpenKey::Mode::Read) return winErrAccessDenied;
  try {
    ASInt32 status = open->mode == OpenKey::Mode::Update ? reg::UpdateKey(open->hive, open->path, open->changes)
                                                         : reg::WriteKey(open->hive, open->path, open->key);
    reg::NoteWriteStatus(open->hive, open->path, status);
    return status;
  } catch (...) {
    RaiseFromCurrentException();
  }
}

const char* WinSystemErrorTextImpl(ASInt32 code, char* buffer, ASUns32 size) {
  ENTER(SystemErrorText);
  CopyOut(reg::SystemErrorText(code), buffer, size);
  return buffer;
}

ASUns32 WinModuleFileNameImpl(const void* address, char* buffer, ASUns32 size) {
  ENTER(ModuleFileName);
  try {
    return CopyOut(ModuleOf(address), buffer, size);
  } catch (...) {
    RaiseFromCurrentException();
  }
}

ASUns32 WinCreateTempFileImpl(const char* prefix, char* buffer, ASUns32 size) {
  ENTER(CreateTempFile);
  try {
    // The prefix names the file, never the folder.
    std::string p = prefix ? prefix : "";
    if (p.size() > 64) p.resize(64);
    for (char& c : p)
      if (c == '/' || c == '\\') c = '_';
    std::string folder = TempFolder();
    std::string pattern = (folder == "/" ? "" : folder) + "/" + p + TempFileTag() + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // The ending signals wait until the file is noted, so that a run they
    // end takes it with it.
    EndingSignalsBlocked blocked;
    int fd = ::mkstemp(name.data());
    if (fd < 0) return 0;
    bool ok = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    std::string made = name.data();
    if (!ok) {
      ::unlink(made.c_str());
      return 0;
    }
    if (!buffer || made.size() >= size) {
      // Nobody would learn its name: do not leave it behind.
      ::unlink(made.c_str());
      if (buffer && size > 0) buffer[0] = 0;
      return static_cast<ASUns32>(made.size());
    }
    NoteTempFile(made);
    return CopyOut(made, buffer, size);
  } catch (...) {
    RaiseFromCurrentException();
  }
}

}  // namespace

void InitWindowsTable() {
  HFT t = NewTable(WINDOWS_HFT_NAME, HFT_VERSION(1, 0), WindowsSel::Last);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, WindowsSel, Win##name##Impl, name, ret, params);
  HOST_WINDOWS_PROCS(FILL)
#undef FILL
  Publish(t);
}

}  // namespace host

namespace hosttest {
void FailNextRegistryWrite(int err) { host::reg::FailNextWrite(err); }
}  // namespace hosttest
