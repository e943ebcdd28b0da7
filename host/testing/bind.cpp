#include "core/host.h"
#include "dialogs/manager.h"
#include "host/piglue.h"

namespace hosttest {
void BindTables() {
  host::Init();
  if (!PIImportStandardTables(host::CoreTable())) host::Raise(genErrNoHFT);
  // The test process is its own plug-in, with extension 0, in its own module.
  host::RegisterPlugin(gExtensionID, host::ModuleOfAddress(reinterpret_cast<const void*>(&BindTables)));
}
}  // namespace hosttest
