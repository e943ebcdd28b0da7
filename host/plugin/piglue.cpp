#include "host/piglue.h"

#include "host/errors.h"

HFT gCoreHFT = nullptr;
HFT gCosHFT = nullptr;
HFT gPDModelHFT = nullptr;
HFT gAcroViewHFT = nullptr;
HFT gAcroSupportHFT = nullptr;
HFT gWindowsHFT = nullptr;
HFT gWinHFT = nullptr;
HFT gASExtraHFT = nullptr;
HFT gSweetPeaHFT = nullptr;
HFT gPagePDEContentHFT = nullptr;
HFT gPDFEditReadHFT = nullptr;
HFT gPDFEditWriteHFT = nullptr;
ASUns32 gExtensionID = 0;

void HFTMissingEntry(HFT, ASUns32) {
  // Raise through the host when there is one, so its error state is right.
  if (gCoreHFT && gCoreHFT->size > CoreSel::Raise && gCoreHFT->entries[CoreSel::Raise])
    reinterpret_cast<void (*)(ASErrorCode)>(gCoreHFT->entries[CoreSel::Raise])(genErrMissingEntry);
  throw ASHostRaise{genErrMissingEntry};
}

bool PIImportTables(HFT core, const PITableImport* list, size_t count) {
  gCoreHFT = core;
  if (!core) return false;
  bool ok = true;
  for (size_t i = 0; i < count; ++i) {
    const PITableImport& t = list[i];
    HFT found = nullptr;
    // Newest first, then each lower major version down to the floor.
    ASAtom name = ASAtomFromString(t.name);
    found = ASExtensionMgrGetHFT(name, t.newest);
    for (ASUns32 major = t.newest >> 16; !found && major > (t.floor >> 16); --major) {
      ASUns32 v = HFT_VERSION(major - 1, 0);
      found = ASExtensionMgrGetHFT(name, v < t.floor ? t.floor : v);
    }
    *t.slot = found;
    if (!found && t.required) ok = false;
  }
  return ok;
}

bool PIImportStandardTables(HFT core) {
  const PITableImport tables[] = {
      {COS_HFT_NAME, &gCosHFT, HFT_VERSION(6, 0), HFT_VERSION(5, 0), true},
      {PDMODEL_HFT_NAME, &gPDModelHFT, HFT_VERSION(6, 0), HFT_VERSION(5, 0), true},
      {ACROVIEW_HFT_NAME, &gAcroViewHFT, HFT_VERSION(6, 0), HFT_VERSION(5, 0), true},
      {ACROSUPPORT_HFT_NAME, &gAcroSupportHFT, HFT_VERSION(6, 0), HFT_VERSION(5, 0), true},
      {WINDOWS_HFT_NAME, &gWindowsHFT, HFT_VERSION(1, 0), HFT_VERSION(1, 0), true},
      {WIN_HFT_NAME, &gWinHFT, HFT_VERSION(6, 0), HFT_VERSION(5, 0), true},
      {ASEXTRA_HFT_NAME, &gASExtraHFT, HFT_VERSION(6, 0), HFT_VERSION(5, 0), true},
      {SWEETPEA_HFT_NAME, &gSweetPeaHFT, HFT_VERSION(6, 0), HFT_VERSION(5, 0), true},
      {PAGEPDECONTENT_HFT_NAME, &gPagePDEContentHFT, HFT_VERSION(6, 0), HFT_VERSION(5, 0), true},
      {PDFEDITREAD_HFT_NAME, &gPDFEditReadHFT, HFT_VERSION(6, 0), HFT_VERSION(5, 0), true},
      {PDFEDITWRITE_HFT_NAME, &gPDFEditWriteHFT, HFT_VERSION(6, 0), HFT_VERSION(5, 0), true},
  };
  return PIImportTables(core, tables, sizeof tables / sizeof tables[0]);
}

bool PIAcceptHandshake(const PIHandshake* hs) {
  if (!hs || hs->size < sizeof(PIHandshake) || hs->handshakeVersion != PI_HANDSHAKE_VERSION) return false;
  gExtensionID = hs->extension;
  return PIImportStandardTables(hs->coreHFT);
}
