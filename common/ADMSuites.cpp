#include "common/ADMSuites.h"

#include "host/frame.h"
#include "host/piglue.h"

ADMSuiteSet ADMSuites;
ADMPluginRef gADMPluginRef = nullptr;
ASInt32 gADMDialogCount = 0;

namespace {

StADMResourceContext* gResourceContext = nullptr;

const char kModuleAnchor = 0;  // an address inside this module

struct SuiteEntry {
  const char* name;
  ASInt32 version;
  HFT ADMSuiteSet::*slot;
};

// In the order of acquisition.
const SuiteEntry kSuites[] = {
    {"ADM Basic Suite", 7, &ADMSuiteSet::basic},
    {"ADM Dialog Suite", 7, &ADMSuiteSet::dialog},
    {"ADM Item Suite", 6, &ADMSuiteSet::item},
    {"ADM List Suite", 3, &ADMSuiteSet::list},
    {"ADM Entry Suite", 5, &ADMSuiteSet::entry},
    {"ADM Image Suite", 2, &ADMSuiteSet::image},
    {"ADM Icon Suite", 2, &ADMSuiteSet::icon},
    {"ADM Dialog Group Suite", 3, &ADMSuiteSet::dialogGroup},
    {"ADM Drawer Suite", 4, &ADMSuiteSet::drawer},
    {"ADM Notifier Suite", 2, &ADMSuiteSet::notifier},
    {"ADM Tracker Suite", 1, &ADMSuiteSet::tracker},
    {"ADM Hierarchy List Suite", 3, &ADMSuiteSet::hierarchyList},
    {"ADM List Entry Suite", 4, &ADMSuiteSet::listEntry},
    {"ADM Win Host Suite", 4, &ADMSuiteSet::winHost},
};

// The order of giving back differs from that of acquisition.
const int kReleaseOrder[] = {0, 1, 2, 3, 4, 6, 7, 5, 8, 9, 10, 11, 12, 13};

}  // namespace

WinModule PluginModule() { return WinModuleHandle(&kModuleAnchor); }

void AcquireADMSuites() {
  gADMPluginRef = SweetPeaGetPluginRef(gExtensionID);
  if (!ADMSuites.basic) {
    for (const SuiteEntry& s : kSuites) {
      HFT suite = nullptr;
      HostRegion([&] {
        if (SPBasic::AcquireSuite(s.name, s.version, &suite) != kADMErrNone) suite = nullptr;
      });
      ADMSuites.*s.slot = suite;
    }
  }
  if (!gResourceContext) gResourceContext = new StADMResourceContext(nullptr, nullptr);
}

void ReleaseADMSuites() {
  if (gADMDialogCount != 0) return;
  delete gResourceContext;
  gResourceContext = nullptr;
  if (!ADMSuites.basic) return;
  for (int index : kReleaseOrder) {
    const SuiteEntry& s = kSuites[index];
    HostRegion([&] { SPBasic::ReleaseSuite(s.name, s.version); });
  }
  ADMSuites.basic = nullptr;
}

StADMResourceContext::StADMResourceContext(AVDoc doc, WinModule module) : module_(module) {
  SweetPeaGetResourceAccess(gADMPluginRef, &savedAccess_);
  if (ADMSuites.winHost) {
    savedWindow_ = ADMWinHost::GetParentWindow();
    ADMWinHost::SetParentWindow(WinAppGetModalParent(doc ? doc : AVAppGetActiveDoc()));
  }
  if (!module_) module_ = PluginModule();
  SweetPeaSetResourceAccess(gADMPluginRef, module_);
}

StADMResourceContext::~StADMResourceContext() {
  HostRegion([&] {
    SweetPeaSetResourceAccess(gADMPluginRef, savedAccess_);
    if (ADMSuites.winHost) ADMWinHost::SetParentWindow(savedWindow_);
  });
}
