#include "core/host.h"
#include "host/piglue.h"

namespace hosttest {
void BindTables() {
  host::Init();
  if (!PIImportStandardTables(host::CoreTable())) host::Raise(genErrNoHFT);
}
}  // namespace hosttest
