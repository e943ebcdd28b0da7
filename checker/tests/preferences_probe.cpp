// A plug-in for the checker's tests, never installed: the checker with one
// more item under Tools, "Zent:Probe:Preferences", that opens the preferences.
#include "checker/CheckerDlgADM.h"
#include "checker/CheckerPlugIn.h"
#include "checker/UIInterface.h"
#include "common/CommonDialogs.h"
#include "host/frame.h"
#include "host/piglue.h"

PI_EXPORT_RESOURCES(&Zentu::kCheckerResources, &Zentu::kCommonResources);

namespace {

void ShowPreferences(void*) { CurrentUIInterface()->ShowPreferences(); }

ASBool Init() {
  return PluginInit() && !HostRegion([] {
    AVMenu tools = AVMenubarAcquireMenuByName(AVAppGetMenubar(), "Tools");
    AVMenuItem item = AVMenuItemNew("Preferences", "Zent:Probe:Preferences", nullptr, 0, 0, 0, nullptr, gExtensionID);
    AVMenuItemSetExecuteProc(item, ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&ShowPreferences)), nullptr);
    AVMenuAddMenuItem(tools, item, 9999);
    AVMenuItemRelease(item);
    AVMenuRelease(tools);
  }).raised;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) ASBool PlugInMain(PIHandshake* hs) {
  if (!hs || hs->size < sizeof(PIHandshake) || hs->handshakeVersion != PI_HANDSHAKE_VERSION) return 0;
  gExtensionID = hs->extension;
  if (!PIImportStandardTables(hs->coreHFT)) return 0;
  hs->getExtensionName = &GetExtensionName;
  hs->importReplaceAndRegister = &PluginImportReplaceAndRegister;
  hs->init = &Init;
  hs->unload = &PluginUnload;
  return 1;
}
