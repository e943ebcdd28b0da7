// The plug-in library: its entry and its resources. Everything else is the
// checker's library.
#include "checker/CheckerDlgADM.h"
#include "checker/CheckerPlugIn.h"
#include "checker/WizardDlgADM.h"
#include "common/CommonDialogs.h"
#include "engine/ProfileResources.h"
#include "host/piglue.h"

namespace {
// The version the About box and the report show, for plughost --version.
const char kVersion[] = "3.01";
const PIBinaryResource kVersionBinary[] = {{"VERSION", 1, kVersion, sizeof kVersion - 1}};
const PIResourceTable kVersionResources = {nullptr, 0, nullptr, 0, kVersionBinary, 1};
}  // namespace

PI_EXPORT_RESOURCES(&Zentu::kCheckerResources, &Zentu::kWizardResources, &Zentu::kCommonResources,
                    &kICCProfileResources, &kVersionResources);

extern "C" __attribute__((visibility("default"))) ASBool PlugInMain(PIHandshake* hs) {
  if (!PIAcceptHandshake(hs)) return 0;
  hs->getExtensionName = &GetExtensionName;
  hs->exportHFTs = &PluginExportHFTs;
  hs->importReplaceAndRegister = &PluginImportReplaceAndRegister;
  hs->init = &PluginInit;
  hs->unload = &PluginUnload;
  return 1;
}
