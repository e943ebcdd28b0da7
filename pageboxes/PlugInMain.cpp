// The plug-in library: its entry and its resources. Everything else is the
// page-box editor's library.
#include "common/CommonDialogs.h"
#include "host/piglue.h"
#include "pageboxes/FramewickPlugIn.h"

PI_EXPORT_RESOURCES(&Zentu::kFramewickResources, &Zentu::kPaletteResources, &Zentu::kCommonResources);

extern "C" __attribute__((visibility("default"))) ASBool PlugInMain(PIHandshake* hs) {
  if (!PIAcceptHandshake(hs)) return 0;
  hs->getExtensionName = &PluginGetExtensionName;
  hs->exportHFTs = &PluginTrueCallback;
  hs->importReplaceAndRegister = &PluginTrueCallback;
  hs->init = &PluginInit;
  hs->unload = &PluginUnload;
  return 1;
}
