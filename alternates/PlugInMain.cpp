// The plug-in library: its entry and its resources. Everything else is the
// image-alternates library.
#include "alternates/GlimmersetPlugIn.h"
#include "alternates/GlimmersetResources.h"
#include "common/CommonDialogs.h"
#include "host/piglue.h"

PI_EXPORT_RESOURCES(&kGlimmersetResources, &Zentu::kCommonResources);

extern "C" __attribute__((visibility("default"))) ASBool PlugInMain(PIHandshake* hs) {
  if (!PIAcceptHandshake(hs)) return 0;
  hs->getExtensionName = &GetExtensionName;
  hs->exportHFTs = &PluginExportHFTs;
  hs->importReplaceAndRegister = &PluginImportReplaceAndRegister;
  hs->init = &PluginInit;
  hs->unload = &PluginUnload;
  return 1;
}
