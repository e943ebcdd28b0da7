// A minimal plug-in that proves the road from plughost to the Cos table: it
// adds one menu item that tells the active document's page count.
#include <cstdio>
#include <string>

#include "host/frame.h"
#include "host/piglue.h"

namespace {

ASAtom PagesKey, CountKey;

void ShowPageCount(void*) {
  ASInt32 count = -1;
  HostRegionResult r = HostRegion([&] {
    AVDoc av = AVAppGetActiveDoc();
    CosDoc cos = PDDocGetCosDoc(AVDocGetPDDoc(av));
    CosObj pages = CosDictGet(CosDocGetRoot(cos), PagesKey);
    count = CosIntegerValue(CosDictGet(pages, CountKey));
  });
  char text[256];
  if (r.raised) {
    char err[200];
    std::snprintf(text, sizeof text, "Cannot count the pages: %s",
                  ASGetErrorString(r.code, err, sizeof err));
  } else {
    std::snprintf(text, sizeof text, "The document has %d page%s", static_cast<int>(count),
                  count == 1 ? "" : "s");
  }
  AVAlertNote(text);
}

ASBool HasDocument(void*) { return AVAppGetActiveDoc() != nullptr; }

ASAtom GetName() { return ASAtomFromString("Example"); }

ASBool Init() {
  HostRegionResult r = HostRegion([] {
    PagesKey = ASAtomFromString("Pages");
    CountKey = ASAtomFromString("Count");
    AVMenu menu = AVMenuNew("Example", "Example:Menu", gExtensionID);
    AVMenuItem item = AVMenuItemNew("Page Count", "Example:PageCount", nullptr, 0, 0, 0, nullptr,
                                    gExtensionID);
    AVMenuItemSetExecuteProc(item, ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&ShowPageCount)),
                             nullptr);
    AVMenuItemSetComputeEnabledProc(
        item, ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&HasDocument)), nullptr);
    AVMenuAddMenuItem(menu, item, 9999);
    AVMenubarAddMenu(AVAppGetMenubar(), menu, 9999);
  });
  return r.raised ? 0 : 1;
}

ASBool Unload() { return 1; }

}  // namespace

extern "C" __attribute__((visibility("default"))) ASBool PlugInMain(PIHandshake* hs) {
  if (!PIAcceptHandshake(hs)) return 0;
  hs->getExtensionName = &GetName;
  hs->init = &Init;
  hs->unload = &Unload;
  return 1;
}
