// The dialog manager's suites as this plug-in holds them: acquired when the
// first dialog object is built, given back when the last one goes. Calls go
// through the held references: ADMDialog::Create(...), ADMItem::SetText(...).
// A suite the host did not give keeps a reference of none, and a call
// through it raises (genErrMissingEntry), as a missing table entry does.
#pragma once
#include "host/calls.h"

struct ADMSuiteSet {
  HFT basic = nullptr;  // also the marker that the set is held
  HFT dialog = nullptr;
  HFT item = nullptr;
  HFT list = nullptr;
  HFT entry = nullptr;
  HFT image = nullptr;
  HFT icon = nullptr;
  HFT dialogGroup = nullptr;
  HFT drawer = nullptr;
  HFT notifier = nullptr;
  HFT tracker = nullptr;
  HFT hierarchyList = nullptr;
  HFT listEntry = nullptr;
  HFT winHost = nullptr;
};

// Process-wide, one set per plug-in module.
extern ADMSuiteSet ADMSuites;
// This plug-in's reference, refreshed by every AcquireADMSuites; dialogs pass
// it to BaseADMDialog::Modal and BaseADMDialog::Create.
extern ADMPluginRef gADMPluginRef;
// The number of CAcroADMDialog objects that exist.
extern ASInt32 gADMDialogCount;

// Stores the plug-in reference, acquires the suites when the set is not held
// (a suite that is not given stays none, unreported) and makes the resource
// context when there is none.
void AcquireADMSuites();
// Only when no dialog object is left: deletes the resource context and gives
// the suites back. The references other than the basic suite's keep their
// values, so a dialog's base part can still let go of its dialog.
void ReleaseADMSuites();

// Makes the plug-in's resources and a document's dialog parent current while
// it lives; puts back what it found.
class StADMResourceContext {
 public:
  // None: the active document; none: this plug-in's own module.
  StADMResourceContext(AVDoc doc = nullptr, WinModule module = nullptr);
  virtual ~StADMResourceContext();
  StADMResourceContext(const StADMResourceContext&) = delete;
  StADMResourceContext& operator=(const StADMResourceContext&) = delete;

 private:
  WinModule module_;
  WinModule savedAccess_ = nullptr;
  WinWindow savedWindow_ = nullptr;
};

// This plug-in's own module (the key of its resources).
WinModule PluginModule();

// Call wrappers, one namespace per suite.
#define ADM_WRAP_(suite, sel, name, ret, params, args) \
  typedef ret(*name##_Proc) params;                    \
  inline ret name params { return HFTProc<name##_Proc>(suite, sel::name) args; }

namespace SPBasic {
#define ADM_WRAP_SPBASIC(name, ret, params, args) ADM_WRAP_(SweetPeaGetBasicSuite(), SPBasicSel, name, ret, params, args)
HOST_SPBASIC_PROCS(ADM_WRAP_SPBASIC)
}  // namespace SPBasic
namespace ADMDialog {
#define ADM_WRAP_DIALOG(name, ret, params, args) ADM_WRAP_(ADMSuites.dialog, ADMDialogSel, name, ret, params, args)
HOST_ADMDIALOG_PROCS(ADM_WRAP_DIALOG)
HOST_ADMDIALOG_PALETTE_PROCS(ADM_WRAP_DIALOG)
}  // namespace ADMDialog
namespace ADMItem {
#define ADM_WRAP_ITEM(name, ret, params, args) ADM_WRAP_(ADMSuites.item, ADMItemSel, name, ret, params, args)
HOST_ADMITEM_PROCS(ADM_WRAP_ITEM)
HOST_ADMITEM_NUMBER_PROCS(ADM_WRAP_ITEM)
}  // namespace ADMItem
namespace ADMList {
#define ADM_WRAP_LIST(name, ret, params, args) ADM_WRAP_(ADMSuites.list, ADMListSel, name, ret, params, args)
HOST_ADMLIST_PROCS(ADM_WRAP_LIST)
}  // namespace ADMList
namespace ADMEntry {
#define ADM_WRAP_ENTRY(name, ret, params, args) ADM_WRAP_(ADMSuites.entry, ADMEntrySel, name, ret, params, args)
HOST_ADMENTRY_PROCS(ADM_WRAP_ENTRY)
}  // namespace ADMEntry
namespace ADMHierarchyList {
#define ADM_WRAP_HLIST(name, ret, params, args) ADM_WRAP_(ADMSuites.hierarchyList, ADMHierarchyListSel, name, ret, params, args)
HOST_ADMHIERARCHYLIST_PROCS(ADM_WRAP_HLIST)
}  // namespace ADMHierarchyList
namespace ADMListEntry {
#define ADM_WRAP_LENTRY(name, ret, params, args) ADM_WRAP_(ADMSuites.listEntry, ADMListEntrySel, name, ret, params, args)
HOST_ADMLISTENTRY_PROCS(ADM_WRAP_LENTRY)
}  // namespace ADMListEntry
namespace ADMDrawer {
#define ADM_WRAP_DRAWER(name, ret, params, args) ADM_WRAP_(ADMSuites.drawer, ADMDrawerSel, name, ret, params, args)
HOST_ADMDRAWER_PROCS(ADM_WRAP_DRAWER)
}  // namespace ADMDrawer
namespace ADMNotifier {
#define ADM_WRAP_NOTIFIER(name, ret, params, args) ADM_WRAP_(ADMSuites.notifier, ADMNotifierSel, name, ret, params, args)
HOST_ADMNOTIFIER_PROCS(ADM_WRAP_NOTIFIER)
}  // namespace ADMNotifier
namespace ADMBasic {
#define ADM_WRAP_BASIC(name, ret, params, args) ADM_WRAP_(ADMSuites.basic, ADMBasicSel, name, ret, params, args)
HOST_ADMBASIC_PROCS(ADM_WRAP_BASIC)
}  // namespace ADMBasic
namespace ADMIcon {
#define ADM_WRAP_ICON(name, ret, params, args) ADM_WRAP_(ADMSuites.icon, ADMIconSel, name, ret, params, args)
HOST_ADMICON_PROCS(ADM_WRAP_ICON)
}  // namespace ADMIcon
namespace ADMTracker {
#define ADM_WRAP_TRACKER(name, ret, params, args) ADM_WRAP_(ADMSuites.tracker, ADMTrackerSel, name, ret, params, args)
HOST_ADMTRACKER_PROCS(ADM_WRAP_TRACKER)
}  // namespace ADMTracker
namespace ADMDocking {
#define ADM_WRAP_DIALOGGROUP(name, ret, params, args) \
  ADM_WRAP_(ADMSuites.dialogGroup, ADMDialogGroupSel, name, ret, params, args)
HOST_ADMDIALOGGROUP_PROCS(ADM_WRAP_DIALOGGROUP)
}  // namespace ADMDocking
namespace ADMWinHost {
#define ADM_WRAP_WINHOST(name, ret, params, args) ADM_WRAP_(ADMSuites.winHost, ADMWinHostSel, name, ret, params, args)
HOST_ADMWINHOST_PROCS(ADM_WRAP_WINHOST)
}  // namespace ADMWinHost
