// Tools: the host's own "Hand" (the default, active at start) and "Select",
// the tools plug-ins register, the active one and the one before it.
#include <algorithm>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/tables.h"
#include "host/procs.h"
#include "view/view.h"

namespace host {
namespace {

struct ToolState {
  AVToolRec hand{sizeof(AVToolRec), nullptr, nullptr, nullptr, nullptr, nullptr, 0};
  AVToolRec select{sizeof(AVToolRec), nullptr, nullptr, nullptr, nullptr, nullptr, 0};
  std::vector<AVTool> tools{&hand, &select};  // registered, in order
  AVTool active = &hand;
  AVTool previous = nullptr;
};

ToolState& T() {
  static auto* state = new ToolState;
  return *state;
}

bool Registered(AVTool tool) {
  const auto& tools = T().tools;
  return tool && std::find(tools.begin(), tools.end(), tool) != tools.end();
}

ASAtom TypeOf(AVTool tool) {
  if (tool == &T().hand) return AtomFromString("Hand");
  if (tool == &T().select) return AtomFromString("Select");
  if (!tool || !tool->getType) return ASAtomNull;
  return reinterpret_cast<AVToolGetTypeProc>(CallbackProc(tool->getType))(tool);
}

#define ENTER(sel) Enter(TableId::AcroView, AcroViewSel::sel)

AVTool AVAppGetActiveToolImpl() {
  ENTER(AppGetActiveTool);
  return T().active;
}

AVTool AVAppGetLastActiveToolImpl() {
  ENTER(AppGetLastActiveTool);
  return T().previous;
}

AVTool AVAppGetDefaultToolImpl() {
  ENTER(AppGetDefaultTool);
  return &T().hand;
}

void AVAppSetActiveToolImpl(AVTool tool, ASBool) {
  ENTER(AppSetActiveTool);
  if (!Registered(tool)) Raise(genErrBadParm);
  ToolState& t = T();
  if (tool == t.active) return;
  AVTool leaving = t.active;
  if (leaving->callback8) reinterpret_cast<AVToolCallback8Proc>(CallbackProc(leaving->callback8))(leaving);
  t.previous = leaving;
  t.active = tool;
  hosttest::LogCall("tool " + std::string(AtomText(TypeOf(tool)) ? AtomText(TypeOf(tool)) : "") + " active");
  ShowCursor(tool->cursor);
  if (tool->activate) reinterpret_cast<AVToolActivateProc>(CallbackProc(tool->activate))(tool);
}

void AVAppRegisterToolImpl(AVTool tool) {
  ENTER(AppRegisterTool);
  if (!tool || tool->size < sizeof(AVToolRec)) Raise(genErrBadParm);
  if (!Registered(tool)) T().tools.push_back(tool);
}

ASAtom AVToolGetTypeImpl(AVTool tool) {
  ENTER(ToolGetType);
  if (!Registered(tool)) Raise(genErrBadParm);
  return TypeOf(tool);
}

ASBool AVToolIsPersistentImpl(AVTool tool) {
  ENTER(ToolIsPersistent);
  return Registered(tool) ? 1 : 0;
}

}  // namespace

bool ActivateToolOfType(const std::string& type, std::string* why) {
  const std::vector<AVTool> tools = T().tools;
  for (AVTool tool : tools) {
    const char* text = AtomText(TypeOf(tool));
    if (!text || type != text) continue;
    AVAppSetActiveToolImpl(tool, 1);
    return true;
  }
  if (why) *why = "no tool of type \"" + type + "\"";
  return false;
}

AVTool ActiveTool() { return T().active; }

bool IsHostTool(AVTool tool) { return tool == &T().hand || tool == &T().select; }

std::string ActiveToolType() {
  const char* text = AtomText(TypeOf(T().active));
  return text ? text : "";
}

void InitAcroViewToolEntries() {
  HFT t = Import(ACROVIEW_HFT_NAME, HFT_VERSION(5, 0));
#define FILL(name, ret, params, args) HOST_FILL_ENTRY(t, AcroViewSel, AV##name##Impl, name, ret, params);
  HOST_ACROVIEW_TOOL_PROCS(FILL)
#undef FILL
}

}  // namespace host

namespace hosttest {
void ResetTools() {
  host::ToolState& t = host::T();
  t.tools = {&t.hand, &t.select};
  t.active = &t.hand;
  t.previous = nullptr;
}
}  // namespace hosttest
