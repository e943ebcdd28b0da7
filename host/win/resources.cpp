// Windows resource calls over the resource directory a module exports: its
// typed binary data (the "ICCPROFILE" profiles), found by type and number.
// The data is compiled into the module and registered when it loads, so a
// loaded resource is never freed.
#include <set>

#include "core/host.h"
#include "core/tables.h"
#include "dialogs/manager.h"
#include "host/procs.h"

namespace host {
namespace {

// The resources handed out; only these are ever read through a handle.
std::set<const PIBinaryResource*>& Given() {
  static auto* given = new std::set<const PIBinaryResource*>;
  return *given;
}

const PIBinaryResource* Known(const void* handle) {
  auto it = Given().find(static_cast<const PIBinaryResource*>(handle));
  return it == Given().end() ? nullptr : *it;
}

#define ENTER(sel) Enter(TableId::Windows, WindowsSel::sel)

WinResource WinFindResourceImpl(WinModule module, ASInt32 number, const char* type) {
  ENTER(FindResource);
  const PIBinaryResource* found = FindBinary(module, type, number);
  if (!found) return nullptr;
  Given().insert(found);
  return reinterpret_cast<WinResource>(const_cast<PIBinaryResource*>(found));
}

WinResourceData WinLoadResourceImpl(WinModule, WinResource resource) {
  ENTER(LoadResource);
  return reinterpret_cast<WinResourceData>(const_cast<PIBinaryResource*>(Known(resource)));
}

const void* WinLockResourceImpl(WinResourceData data) {
  ENTER(LockResource);
  const PIBinaryResource* found = Known(data);
  return found ? found->data : nullptr;
}

ASUns32 WinSizeofResourceImpl(WinModule, WinResource resource) {
  ENTER(SizeofResource);
  const PIBinaryResource* found = Known(resource);
  return found && found->data ? found->size : 0;
}

}  // namespace

void InitWindowsResourceEntries() {
  HFT windows = Import(WINDOWS_HFT_NAME, HFT_VERSION(1, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(windows, WindowsSel, Win##name##Impl, name, ret, params);
  HOST_WINDOWS_RESOURCE_PROCS(FILL)
#undef FILL
}

}  // namespace host
