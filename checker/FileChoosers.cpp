// The two file choosers of the user-interface object (the platform's dialogs
// for the plug-in's own object, the host's for the base), the path value
// they answer, and the registration of the "pdfx" file type.
#include "checker/FileChoosers.h"

#include <algorithm>
#include <cstring>

#include "checker/UIInterface.h"
#include "common/HostCall.h"

namespace Zentu {
namespace {

const size_t kFileBufferSize = 1024;
const ASUns32 kChooserFlags = winFileKeepFolder | winFileConfirmOverwrite | winFileHideReadOnly;

void Note(const std::string& text) {
  HostCallQuietly([&] { AVAlertNote(text.c_str()); });
}

// Empty tokens count; an empty text has none.
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

}  // namespace

// Paths -----------------------------------------------------------------------
MyASPath::Wrapper::~Wrapper() {
  HostCallQuietly([this] { ASFileSysReleasePath(fileSys_ ? fileSys_ : ASGetDefaultFileSys(), path_); });
}

void MyASPath::Adopt(ASFileSys fileSys, ASPathName path) { wrapper_.reset(new Wrapper(fileSys, path)); }

void MyASPath::SetPath(const std::string& text) {
  if (text.empty()) {
    wrapper_.reset();
    return;
  }
  ASFileSys fileSys = nullptr;
  ASPathName path = nullptr;
  HostCall("MyASPath::SetPath", [&] {
    fileSys = ASGetDefaultFileSys();
    path = ASFileSysCreatePathName(fileSys, ASAtomFromString("DIPath"), text.c_str(), nullptr);
  });
  Adopt(fileSys, path);
}

void MyASPath::SetTextFromPath(ASPathName path) {
  HostCall("MyASPath::SetTextFromPath", [&] {
    // The host answers a path's file system as it does a file's.
    ASFileSys fileSys = ASFileGetFileSys(reinterpret_cast<ASFile>(path));
    if (char* display = ASDisplayStringFromPath(fileSys, path, nullptr)) {
      text_ = display;
      ASFree(display);
    }
  });
}

// Filters -----------------------------------------------------------------------
bool ParseFilter(const std::string& filter, std::vector<FilterGroup>& groups) {
  std::vector<std::string> tokens = Split(filter, '|');
  groups.clear();
  for (size_t i = 0; i + 2 < tokens.size(); i += 3) groups.push_back({tokens[i], Split(tokens[i + 1], ';')});
  return tokens.size() % 3 == 0;
}

std::string PlatformFilterText(const std::string& filter, bool offerAllFiles) {
  std::vector<FilterGroup> groups;
  ParseFilter(filter, groups);
  std::string text;
  for (const FilterGroup& group : groups) {
    std::string patterns = "*.";
    for (size_t i = 0; i < group.extensions.size(); ++i) patterns += (i ? ";*." : "") + group.extensions[i];
    text += group.description + " (" + patterns + ")" + '\0' + patterns + '\0';
  }
  if (offerAllFiles) text += std::string("All files") + '\0' + "*.*" + '\0';
  return text + '\0';
}

HostFilterRecords::HostFilterRecords(const std::vector<FilterGroup>& groups) : descriptors_(groups.size()) {
  records_.resize(groups.size());
  for (size_t i = 0; i < groups.size(); ++i) {
    for (const std::string& extension : groups[i].extensions) {
      AVFileDescRec descriptor{};
      // All 32 bytes may hold the extension, with no zero after it.
      std::memcpy(descriptor.extension, extension.data(), std::min(extension.size(), sizeof descriptor.extension));
      descriptors_[i].push_back(descriptor);
    }
    records_[i].descriptors = descriptors_[i].empty() ? nullptr : descriptors_[i].data();
    records_[i].count = static_cast<ASUns16>(descriptors_[i].size());
    pointers_.push_back(&records_[i]);
  }
  try {
    for (size_t i = 0; i < groups.size(); ++i)
      HostCall("UIInterface::ChooseFile", [&] {
        records_[i].description = ASTextFromEncoded(groups[i].description.c_str(), kASTextEncodingByte);
      });
  } catch (...) {
    Release();
    throw;
  }
}

HostFilterRecords::~HostFilterRecords() { Release(); }

void HostFilterRecords::Release() {
  for (AVFileFilterRec& record : records_)
    if (record.description) HostCallQuietly([&] { ASTextDestroy(record.description); });
  records_.clear();
  pointers_.clear();
}

// The choosers -------------------------------------------------------------------
FileChoice UIInterface::ChooseFile(bool save, const char* initialPath, const char* title, bool offerAllFiles,
                                   const char* filter, const char* initialName, const char*) {
  FileChoice choice;
  std::vector<FilterGroup> groups;
  if (!ParseFilter(filter ? filter : "", groups)) {
    Note("Invalid filter");
    return choice;
  }
  HostFilterRecords records(groups);
  AVFileDialogParams params{};
  params.size = sizeof params;
  params.flags = offerAllFiles ? ASUns32(avFileDialogAllFiles) : 0u;
  params.initialFileName = initialName;
  params.filters = records.Records();
  params.filterCount = records.Count();
  // The title and the start folder are released however the dialog ends.
  struct Held {
    ASText title = nullptr;
    ASPathName start = nullptr;
    ~Held() {
      if (title) HostCallQuietly([this] { ASTextDestroy(title); });
      if (start) HostCallQuietly([this] { ASFileSysReleasePath(nullptr, start); });
    }
  } held;
  HostCall("UIInterface::ChooseFile", [&] {
    if (title) held.title = params.title = ASTextFromEncoded(title, kASTextEncodingByte);
    if (initialPath)
      held.start = params.initialPath =
          ASFileSysCreatePathName(ASGetDefaultFileSys(), ASAtomFromString("Cstring"), initialPath, nullptr);
    if (save) {
      ASPathName path = nullptr;
      if (AVSaveFileDialog(&params, nullptr, &path, nullptr) && path) {
        choice.chosen = true;
        choice.path.Adopt(nullptr, path);
      }
    } else {
      ASFileSys fileSys = nullptr;
      ASPathName* paths = nullptr;
      ASUns16 count = 0;
      if (AVOpenFileDialog(&params, &fileSys, &paths, &count, nullptr) && paths && count > 0) {
        choice.chosen = true;
        choice.path.Adopt(fileSys, paths[0]);
        for (ASUns16 i = 1; i < count; ++i) ASFileSysReleasePath(fileSys, paths[i]);
      }
    }
  });
  if (choice.chosen) choice.path.SetTextFromPath(choice.path.Path());
  return choice;
}

FileChoice WinUIInterface::ChooseFile(bool save, const char* initialPath, const char* title, bool offerAllFiles,
                                      const char* filter, const char* initialName, const char* defaultExtension) {
  FileChoice choice;
  std::string filterText = filter ? PlatformFilterText(filter, offerAllFiles) : "";
  char file[kFileBufferSize] = {};
  if (initialName) std::strncpy(file, initialName, sizeof file - 1);
  WinFileDialogRec record{};
  record.size = sizeof record;
  record.filter = filter ? filterText.data() : nullptr;
  record.file = file;
  record.fileSize = sizeof file;
  record.initialFolder = initialPath;
  record.title = title;
  record.flags = kChooserFlags;
  record.defaultExtension = defaultExtension;
  ASBool chosen = 0;
  ASUns32 error = 0;
  HostCall("WinUIInterface::ChooseFile", [&] {
    record.owner = WinAppGetModalParent(AVAppGetActiveDoc());
    record.module = WinModuleHandle(reinterpret_cast<const void*>(&PlatformFilterText));
    chosen = save ? WinGetSaveFileName(&record) : WinGetOpenFileName(&record);
    if (!chosen) error = WinChooserError();
  });
  if (chosen) {
    choice.chosen = true;
    choice.path.SetText(file);
    choice.path.SetPath(file);
  } else if (error != 0) {
    Note("Error creating dialog:  " + std::to_string(error));
  }
  return choice;
}

// The file type --------------------------------------------------------------------
namespace {

const char kExtensionKey[] = ".pdfx";
const char kTypeKey[] = "pdfxfile";
const size_t kValueBufferSize = 1024;

// Makes the key with its default text value (none when null); false when
// the registry refused.
bool WriteKey(const std::string& path, const char* value) {
  WinRegKey key = nullptr;
  if (WinRegBeginRewrite(winHiveClassesRoot, path.c_str(), "String", &key) != winErrSuccess) return false;
  bool written = !value || WinRegSetValue(key, "", winRegSz, value, static_cast<ASUns32>(std::strlen(value) + 1)) ==
                               winErrSuccess;
  written = written && WinRegCommit(key) == winErrSuccess;
  WinRegCloseKey(key);
  return written;
}

// The key's default text; false when the key cannot be read or the text
// does not fit the buffer. A key without a default value reads as empty.
bool ReadDefault(const char* path, std::string& value) {
  WinRegKey key = nullptr;
  if (WinRegOpenKey(winHiveClassesRoot, path, &key) != winErrSuccess) return false;
  bool read = true;
  value.clear();
  const char *name = nullptr, *data = nullptr;
  ASUns32 type = 0, size = 0;
  for (ASUns32 i = 0; WinRegEnumValue(key, i, &name, &type, &data, &size) == winErrSuccess; ++i) {
    if (!name || *name) continue;
    read = type == winRegSz && size <= kValueBufferSize;
    if (read) value.assign(data, ::strnlen(data, size));
    break;
  }
  WinRegCloseKey(key);
  return read;
}

}  // namespace

void WinUIInterface::RegisterFileType() {
  HostCallQuietly([] {
    WinRegKey key = nullptr;
    ASInt32 opened = WinRegOpenKey(winHiveClassesRoot, kExtensionKey, &key);
    if (opened == winErrSuccess) WinRegCloseKey(key);
    // Registered once: a key already there, even from a stopped attempt,
    // leaves everything as it is.
    if (opened != winErrFileNotFound) return;
    if (!WriteKey(kExtensionKey, kTypeKey)) return;
    std::string open, print;
    if (!ReadDefault("AcroExch.Document\\shell\\open\\command", open) ||
        !ReadDefault("AcroExch.Document\\shell\\print\\command", print))
      return;
    char module[kValueBufferSize];
    ASUns32 length = WinModuleFileName(reinterpret_cast<const void*>(&PlatformFilterText), module, sizeof module);
    if (length == 0 || length >= sizeof module) return;
    const std::string type = kTypeKey, icon = std::string(module) + ",0";
    const std::pair<std::string, const char*> keys[] = {
        {type, "PDF/X Document"},
        {type + "\\DefaultIcon", icon.c_str()},
        {type + "\\shell", nullptr},
        {type + "\\shell\\open", nullptr},
        {type + "\\shell\\open\\command", open.c_str()},
        {type + "\\shell\\print", nullptr},
        {type + "\\shell\\print\\command", print.c_str()},
    };
    // A refusal stops here and leaves what was written.
    for (const auto& key : keys)
      if (!WriteKey(key.first, key.second)) return;
  });
}

}  // namespace Zentu
