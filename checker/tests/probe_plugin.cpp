// A plug-in for the checker's tests, never installed: it stands for the
// product's previous major version, whose menu under Tools the checker
// looks for. Its file name sorts before the checker's, so it loads first.
#include "host/frame.h"
#include "host/piglue.h"

namespace {

ASBool Init() {
  return HostRegion([] {
           AVMenu tools = AVMenubarAcquireMenuByName(AVAppGetMenubar(), "Tools");
           AVMenu menu = AVMenuNew("Zentu PDF/&X Corvane", "Zent:PDFXCorvane", gExtensionID);
           AVMenuItem item = AVMenuItemNew("Zentu PDF/&X Corvane", "Zent:PDFXCorvane", menu, 0, 0, 0, nullptr,
                                           gExtensionID);
           AVMenuAddMenuItem(tools, item, 9999);
           AVMenuItemRelease(item);
           AVMenuRelease(tools);
         }).raised
             ? 0
             : 1;
}

ASAtom GetName() { return ASAtomFromString("Zentu PDF/X Corvane"); }

}  // namespace

extern "C" __attribute__((visibility("default"))) ASBool PlugInMain(PIHandshake* hs) {
  if (!PIAcceptHandshake(hs)) return 0;
  hs->getExtensionName = &GetName;
  hs->init = &Init;
  return 1;
}
