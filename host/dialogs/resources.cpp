// Plug-ins, their modules and the resource directories the modules export.
#include <dlfcn.h>

#include <cstring>
#include <map>
#include <memory>

#include "dialogs/internal.h"

namespace host {
namespace {

struct ResourceState {
  std::map<ASUns32, std::unique_ptr<PluginRec>> plugins;
  std::map<WinModule, const PIResourceDirectory*> directories;
};

ResourceState& R() {
  static auto* state = new ResourceState;
  return *state;
}

// Each table of the module's directory in turn, first match wins.
template <class Found, class InTable>
const Found* Search(WinModule module, InTable inTable) {
  auto it = R().directories.find(module);
  if (it == R().directories.end()) return nullptr;
  const PIResourceDirectory* dir = it->second;
  if (dir->size < sizeof(PIResourceDirectory) || !dir->tables) return nullptr;
  for (ASUns32 i = 0; i < dir->tableCount; ++i)
    if (dir->tables[i])
      if (const Found* found = inTable(*dir->tables[i])) return found;
  return nullptr;
}

}  // namespace

WinModule ModuleOfAddress(const void* address) {
  Dl_info info{};
  if (!address || !::dladdr(address, &info)) return nullptr;
  return reinterpret_cast<WinModule>(info.dli_fbase);
}

void RegisterPlugin(ASUns32 extension, WinModule module) {
  auto& rec = R().plugins[extension];
  if (!rec) rec = std::make_unique<PluginRec>();
  rec->extension = extension;
  rec->module = module;
  rec->access = module;
}

void RegisterResources(WinModule module, const PIResourceDirectory* directory) {
  if (directory)
    R().directories[module] = directory;
  else
    R().directories.erase(module);
}

ADMPluginRef PluginRef(ASUns32 extension) {
  auto& rec = R().plugins[extension];
  if (!rec) {
    rec = std::make_unique<PluginRec>();  // a plug-in the host did not load: no resources
    rec->extension = extension;
  }
  return reinterpret_cast<ADMPluginRef>(rec.get());
}

PluginRec& PluginOf(ADMPluginRef plugin) {
  for (auto& entry : R().plugins)
    if (reinterpret_cast<ADMPluginRef>(entry.second.get()) == plugin) return *entry.second;
  Raise(genErrBadHandle);
}

const PIDialogTemplate* FindDialogTemplate(WinModule module, ASInt32 number) {
  return Search<PIDialogTemplate>(module, [&](const PIResourceTable& t) -> const PIDialogTemplate* {
    for (ASUns32 i = 0; t.dialogs && i < t.dialogCount; ++i)
      if (t.dialogs[i].number == number) return &t.dialogs[i];
    return nullptr;
  });
}

const PIBitmapResource* FindBitmap(WinModule module, ASInt32 number) {
  return Search<PIBitmapResource>(module, [&](const PIResourceTable& t) -> const PIBitmapResource* {
    for (ASUns32 i = 0; t.bitmaps && i < t.bitmapCount; ++i)
      if (t.bitmaps[i].number == number) return &t.bitmaps[i];
    return nullptr;
  });
}

const PIBinaryResource* FindBinary(WinModule module, const char* type, ASInt32 number) {
  if (!type) return nullptr;
  return Search<PIBinaryResource>(module, [&](const PIResourceTable& t) -> const PIBinaryResource* {
    for (ASUns32 i = 0; t.binaries && i < t.binaryCount; ++i) {
      const PIBinaryResource& b = t.binaries[i];
      if (b.number == number && b.type && std::strcmp(b.type, type) == 0) return &b;
    }
    return nullptr;
  });
}

const char* ItemTypeName(ASInt32 kind) {
  switch (kind) {
    case kPIItemPushButton: return ADM_ITEM_PUSH_BUTTON;
    case kPIItemStatic: return ADM_ITEM_STATIC;
    case kPIItemStaticMultiLine: return ADM_ITEM_STATIC_MULTILINE;
    case kPIItemEdit: return ADM_ITEM_EDIT;
    case kPIItemCheckBox: return ADM_ITEM_CHECK_BOX;
    case kPIItemRadioButton: return ADM_ITEM_RADIO_BUTTON;
    case kPIItemFrame: return ADM_ITEM_FRAME;
    case kPIItemPopupList: return ADM_ITEM_POPUP_LIST;
    case kPIItemListBox: return ADM_ITEM_LIST_BOX;
    case kPIItemScrollbar: return ADM_ITEM_SCROLLBAR;
    case kPIItemProgressBar: return ADM_ITEM_PROGRESS_BAR;
    case kPIItemPicture: return ADM_ITEM_PICTURE;
    case kPIItemHierarchyList: return ADM_ITEM_HIERARCHY_LIST;
    default: return nullptr;
  }
}

}  // namespace host

namespace hosttest {
void RegisterResources(const PIResourceDirectory* directory) {
  host::RegisterResources(host::ModuleOfAddress(reinterpret_cast<const void*>(&host::ModuleOfAddress)),
                          directory);
}
}  // namespace hosttest
