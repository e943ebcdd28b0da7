#include "pageboxes/FramewickPlugIn.h"

#include <exception>
#include <string>

#include "common/CommonDialogs.h"
#include "common/HostCall.h"
#include "common/Prefs.h"
#include "host/piglue.h"
#include "pageboxes/FramewickTool.h"
#include "pageboxes/HostEntry.h"

namespace {

const char kExtensionName[] = "Zent:Framewick";
const char kButtonName[] = "Zent:QFXToolTB";
const char kAboutName[] = "Zent:Framewick:About";

// Made once and kept for the life of the plug-in.
ASCallback gToggle = nullptr, gAbout = nullptr, gMarked = nullptr, gEnabled = nullptr;
ASInt32 gBitmap = 0;  // chosen once

// Whether the tool is this plug-in's.
bool IsOurs(FramewickTool* tool, AVTool candidate) {
  ASAtom type = ASAtomNull;
  HostCall("FramewickTool", [&] { type = AVToolGetType(candidate); });
  return type == tool->type;
}

ASCallback MakeCallback(ASCallback& callback, void* proc) {
  if (!callback) HostCall("SetUpToolAndMenus", [&] { callback = ASCallbackCreate(gExtensionID, proc); });
  return callback;
}

}  // namespace

bool FramewickTool::SetUpToolAndMenus() {
  MakeCallback(gToggle, reinterpret_cast<void*>(&ToggleTool));
  MakeCallback(gAbout, reinterpret_cast<void*>(&ShowAboutDialog));
  MakeCallback(gMarked, reinterpret_cast<void*>(&ToolButtonIsMarked));
  MakeCallback(gEnabled, reinterpret_cast<void*>(&ToolButtonIsEnabled));
  const HostRegionResult r = HostRegion([&] {
    AVToolBar toolBar = AVAppGetToolBar();
    AVToolButton end = AVToolBarGetButtonByName(toolBar, ASAtomFromString("endToolsGroup"));
    if (!gBitmap) {
      ASInt16 major = 0, minor = 0;
      AVAppGetVersion(&major, &minor);
      gBitmap = major < 6 ? 121 : 101;
    }
    WinBitmap icon = WinLoadBitmap(WinModuleHandle(reinterpret_cast<const void*>(&PluginInit)), gBitmap, 0);
    button = AVToolButtonNew(ASAtomFromString(kButtonName), icon, 0, 0);
    AVToolBarAddButton(toolBar, button, 1, end);
    AVToolButtonSetExecuteProc(button, gToggle, this);
    AVToolButtonSetComputeMarkedProc(button, gMarked, record);
    AVToolButtonSetComputeEnabledProc(button, gEnabled, nullptr);
    AVToolButtonSetHelpText(button, "Zentu Framewick");

    AVMenu about = AVMenubarAcquireMenuByName(AVAppGetMenubar(), "AboutExtensions");
    AVMenuItem item = AVMenuItemNew("Zentu Framewick...", kAboutName, nullptr, 0, 0, 0, nullptr, gExtensionID);
    AVMenuItemSetExecuteProc(item, gAbout, this);
    AVMenuAddMenuItem(about, item, 9999);
    AVMenuRelease(about);
  });
  if (r.raised) return false;
  HostCall("SetUpToolAndMenus", [&] { AVAppRegisterTool(record); });
  return true;
}

ASAtom PluginGetExtensionName() {
  ASAtom name = ASAtomNull;
  Caught([&] { HostCall("PluginGetExtensionName", [&] { name = ASAtomFromString(kExtensionName); }); });
  return name;
}

ASBool PluginTrueCallback() { return 1; }

ASBool PluginInit() {
  bool ready = false;
  Caught([&] {
    Prefs::SetDefaultKey("Software\\Zentu\\Framewick\\Current_Version");
    Zentu::SetDialogNamePrefix(kExtensionName);
    FramewickTool* tool = FramewickTool::Instance();
    ready = tool && tool->SetUpToolAndMenus();
  });
  return ready ? 1 : 0;
}

ASBool PluginUnload() {
  Caught([] { FramewickTool::DeleteInstance(); });
  return 1;
}

void ToggleTool(void* data) {
  Caught([&] {
    auto* tool = static_cast<FramewickTool*>(data);
    if (!tool) return;
    AVTool active = nullptr;
    HostCall("ToggleTool", [&] { active = AVAppGetActiveTool(); });
    if (!IsOurs(tool, active)) {
      HostCall("ToggleTool", [&] { AVAppSetActiveTool(tool->record, 1); });
      return;
    }
    HostCall("ToggleTool", [&] {
      AVTool next = AVAppGetLastActiveTool();
      if (next == tool->record || !AVToolIsPersistent(next)) next = AVAppGetDefaultTool();
      AVAppSetActiveTool(next, 1);
    });
    // The palettes' close ends the editing; without palettes it ends here.
    tool->dialogGroup.CloseAll();
    tool->UpdateDialogState();
    tool->SaveBoxLibrary();
  });
}

ASBool ToolButtonIsMarked(void* record) {
  bool marked = false;
  Caught([&] { HostCall("ToolButtonIsMarked", [&] { marked = record && AVAppGetActiveTool() == record; }); });
  return marked ? 1 : 0;
}

ASBool ToolButtonIsEnabled(void*) {
  bool enabled = false;
  Caught([&] { HostCall("ToolButtonIsEnabled", [&] { enabled = AVAppGetActiveDoc() != nullptr; }); });
  return enabled ? 1 : 0;
}

void ShowAboutDialog(void* tool) {
  Caught([&] {
    if (tool) Zentu::AboutDlgADM().DoModal();
  });
}

void FramewickToolActivate(AVTool candidate) {
  Caught([&] {
    FramewickTool* tool = FramewickTool::Instance();
    if (tool && IsOurs(tool, candidate)) tool->BeginEditing();
  });
}

void FramewickToolCallback8(AVTool candidate) {
  Caught([&] {
    if (FramewickTool* tool = FramewickTool::Instance()) IsOurs(tool, candidate);
  });
}

ASBool FramewickToolDoClick(AVTool candidate, AVPageView view, ASInt16 x, ASInt16 y, ASInt16, ASInt16) {
  bool handled = false;
  Caught([&] {
    FramewickTool* tool = FramewickTool::Instance();
    if (!tool || !IsOurs(tool, candidate)) return;
    AVPageView current = nullptr;
    HostCall("FramewickToolDoClick", [&] {
      if (AVDoc doc = AVAppGetActiveDoc()) current = AVDocGetPageView(doc);
    });
    if (view && view == current) handled = tool->TrackBoxDrag(view, x, y);
  });
  return handled ? 1 : 0;
}

ASBool FramewickToolDoKeyDown(AVTool candidate, ASUns16 key, ASInt16 flags) {
  bool handled = false;
  Caught([&] {
    FramewickTool* tool = FramewickTool::Instance();
    if (tool && IsOurs(tool, candidate)) handled = tool->HandleBoxKey(key, flags);
  });
  return handled ? 1 : 0;
}

ASAtom FramewickToolGetType(AVTool) {
  ASAtom type = ASAtomNull;
  Caught([&] {
    if (FramewickTool::Exists()) type = FramewickTool::Instance()->type;
  });
  return type;
}
