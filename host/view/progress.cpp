// The document progress monitor (AcroView 15). Headless, it shows nothing:
// each call that changes it is told to the driver and logged, so a script
// and a test see how far an operation got.
#include <string>

#include "core/host.h"
#include "core/tables.h"
#include "dialogs/manager.h"
#include "host/procs.h"

namespace host {
namespace {

ProgressState& M() {
  static auto* state = new ProgressState;
  return *state;
}

void Tell(const std::string& line) {
  hosttest::LogCall(line);
  if (Driver* driver = CurrentDriver()) driver->Progress(line);
}

void Begin(void*) {
  M().active = true;
  M().value = 0;
  M().text.clear();
  Tell("PROGRESS begin");
}
void End(void*) {
  M().active = false;
  Tell("PROGRESS end");
}
void SetDuration(ASInt32 duration, void*) {
  M().duration = duration;
  Tell("PROGRESS duration " + std::to_string(duration));
}
void SetValue(ASInt32 value, void*) {
  M().value = value;
  Tell("PROGRESS value " + std::to_string(value));
}
ASInt32 GetDuration(void*) { return M().duration; }
ASInt32 GetValue(void*) { return M().value; }
void SetText(const char* text, void*) {
  M().text = text ? text : "";
  Tell("PROGRESS text " + M().text);
}

AVProgressMonitorRec gMonitor = {sizeof(AVProgressMonitorRec), &Begin, &End, &SetDuration, &SetValue,
                                 &GetDuration, &GetValue, &SetText};

AVProgressMonitor AVAppGetDocProgressMonitorImpl(void** clientData) {
  Enter(TableId::AcroView, AcroViewSel::AppGetDocProgressMonitor);
  if (clientData) *clientData = &M();
  return &gMonitor;
}

}  // namespace

ProgressState CurrentProgress() { return M(); }

void InitProgressEntries() {
  HFT t = Import(ACROVIEW_HFT_NAME, HFT_VERSION(5, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, AcroViewSel, AV##name##Impl, name, ret, params);
  HOST_ACROVIEW_PROGRESS_PROCS(FILL)
#undef FILL
}

}  // namespace host
