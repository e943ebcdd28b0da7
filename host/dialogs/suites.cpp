// The way into the dialog manager: "AcroViewSweetPea", the basic suite that
// gives the suites by name and version (and counts what it gives and gets
// back), and the small suites of the host itself.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "dialogs/model.h"

namespace host {
namespace {

struct Offered {
  std::string name;
  ASInt32 version;
  HFT table;
};

struct SuiteState {
  std::vector<Offered> offered;
  std::set<std::string> withheld;
  std::map<std::pair<std::string, ASInt32>, int> given;  // held by the plug-ins
  hosttest::SuiteCounts counts;
  bool logCalls = false;
  HFT basic = nullptr;
  WinWindow parent = nullptr;  // the window dialogs take as their parent
};

SuiteState& SS() {
  static auto* state = new SuiteState;
  return *state;
}

std::string Named(const char* name, ASInt32 version) { return std::string(name) + " " + std::to_string(version); }

ADMErr SPBasicAcquireSuiteImpl(const char* name, ASInt32 version, HFT* suite) {
  SuiteEnter(TableId::SPBasic, SPBasicSel::AcquireSuite, "Basic");
  if (!suite) return kADMErrBadParm;
  *suite = nullptr;
  if (!name) return kADMErrBadParm;
  for (const Offered& o : SS().offered) {
    if (o.name != name || o.version != version || SS().withheld.count(o.name)) continue;
    *suite = o.table;
    ++SS().given[{o.name, version}];
    ++SS().counts.acquired;
    hosttest::LogCall("acquire " + Named(name, version));
    return kADMErrNone;
  }
  hosttest::LogCall("refuse " + Named(name, version));
  return kADMErrNoSuite;
}

// A give-back of a suite the host did not give is accepted and counted apart.
ADMErr SPBasicReleaseSuiteImpl(const char* name, ASInt32 version) {
  SuiteEnter(TableId::SPBasic, SPBasicSel::ReleaseSuite, "Basic");
  if (!name) return kADMErrBadParm;
  hosttest::LogCall("release " + Named(name, version));
  auto it = SS().given.find({name, version});
  if (it != SS().given.end() && it->second > 0) {
    --it->second;
    ++SS().counts.released;
  } else {
    ++SS().counts.releasedNotGiven;
  }
  return kADMErrNone;
}

#define SPENTER(sel) Enter(TableId::SweetPea, SweetPeaSel::sel)

HFT SweetPeaGetBasicSuiteImpl() {
  SPENTER(GetBasicSuite);
  return SS().basic;
}
ADMPluginRef SweetPeaGetPluginRefImpl(ASUns32 extension) {
  SPENTER(GetPluginRef);
  return PluginRef(extension);
}
ADMErr SweetPeaGetResourceAccessImpl(ADMPluginRef plugin, WinModule* module) {
  SPENTER(GetResourceAccess);
  if (!module) return kADMErrBadParm;
  *module = PluginOf(plugin).access;
  return kADMErrNone;
}
ADMErr SweetPeaSetResourceAccessImpl(ADMPluginRef plugin, WinModule module) {
  SPENTER(SetResourceAccess);
  PluginOf(plugin).access = module;
  return kADMErrNone;
}
void SweetPeaWindowIdleImpl(WinWindow window) {
  SPENTER(WindowIdle);
  hosttest::LogCall("idle window " + std::to_string(reinterpret_cast<uintptr_t>(window)));
}

WinWindow ADMWinHostGetParentWindowImpl() {
  SuiteEnter(TableId::ADMWinHost, ADMWinHostSel::GetParentWindow, "WinHost");
  return SS().parent ? SS().parent : AppWindow();
}
void ADMWinHostSetParentWindowImpl(WinWindow window) {
  SuiteEnter(TableId::ADMWinHost, ADMWinHostSel::SetParentWindow, "WinHost");
  SS().parent = window;
}

void ADMHostBeforeValidateImpl() {
  SuiteEnter(TableId::ADMHost, ADMHostSel::BeforeValidate, "Host");
  hosttest::LogCall("ADM Host 21");
}

// Suites the plug-ins acquire and whose entries come later.
const struct {
  const char* name;
  ASInt32 version;
} kEmptySuites[] = {
    {"ADM Image Suite", 2},
};

}  // namespace

void SuiteEnter(TableId table, ASUns32 selector, const char* suite) {
  Enter(table, selector);
  if (SS().logCalls) hosttest::LogCall(std::string(suite) + " " + std::to_string(selector));
}

void OfferSuite(const char* name, ASInt32 version, HFT table) { SS().offered.push_back(Offered{name, version, table}); }

void InitSuiteDirectory() {
  HFT basic = NewTable("SP Basic Suite", 1, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(basic, SPBasicSel, SPBasic##name##Impl, name, ret, params);
  HOST_SPBASIC_PROCS(FILL)
#undef FILL
  SS().basic = basic;

  for (auto& s : kEmptySuites) OfferSuite(s.name, s.version, NewTable(s.name, static_cast<ASUns32>(s.version), kSuiteTableSize));
  HFT winHost = NewTable("ADM Win Host Suite", 4, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(winHost, ADMWinHostSel, ADMWinHost##name##Impl, name, ret, params);
  HOST_ADMWINHOST_PROCS(FILL)
#undef FILL
  OfferSuite("ADM Win Host Suite", 4, winHost);
  HFT admHost = NewTable("ADM Host Suite", 6, kSuiteTableSize);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(admHost, ADMHostSel, ADMHost##name##Impl, name, ret, params);
  HOST_ADMHOST_PROCS(FILL)
#undef FILL
  OfferSuite("ADM Host Suite", 6, admHost);

  HFT sweetPea = NewTable(SWEETPEA_HFT_NAME, HFT_VERSION(5, 0), SweetPeaSel::Last);
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(sweetPea, SweetPeaSel, SweetPea##name##Impl, name, ret, params);
  HOST_SWEETPEA_PROCS(FILL)
#undef FILL
  Publish(sweetPea);
}

void InitDialogTables() {
  InitSuiteDirectory();
  InitDialogSuites();
  dm::InitPaletteSuites();
  InitAcroViewDialogEntries();
  InitWindowsUIEntries();
  InitASExtraTable();
  InitBitmapEntries();
  InitPumpEntries();
  InitChooserEntries();
}

}  // namespace host

namespace hosttest {
void WithholdSuites(const std::vector<std::string>& names) {
  host::SS().withheld = std::set<std::string>(names.begin(), names.end());
}
SuiteCounts Suites() { return host::SS().counts; }
void LogSuiteCalls(bool on) { host::SS().logCalls = on; }
}  // namespace hosttest
