// The page-box editor's frame: the handshake callbacks, the toolbar button
// that switches the tool on and off, the About item, and the tool record's
// callbacks through which the host hands clicks and keys to the tool. Each
// catches what its work throws and shows it as a note.
#pragma once
#include "host/calls.h"
#include "host/resources.h"

namespace Zentu {
// Bitmaps 101 (the button) and 121 (the button on hosts before 6).
extern const PIResourceTable kFramewickResources;
extern const PIResourceTable kPaletteResources;
}  // namespace Zentu

ASAtom PluginGetExtensionName();
ASBool PluginTrueCallback();
// Builds the tool, its button, the About item and the tool record.
ASBool PluginInit();
// Deletes the tool, which saves the preferences.
ASBool PluginUnload();

// Client data: the tool object.
void ToggleTool(void* tool);
// Client data: the tool record.
ASBool ToolButtonIsMarked(void* record);
ASBool ToolButtonIsEnabled(void* clientData);
// Client data: the tool object.
void ShowAboutDialog(void* tool);

void FramewickToolActivate(AVTool tool);
void FramewickToolCallback8(AVTool tool);
ASBool FramewickToolDoClick(AVTool tool, AVPageView view, ASInt16 x, ASInt16 y, ASInt16 flags, ASInt16 clickNo);
ASBool FramewickToolDoKeyDown(AVTool tool, ASUns16 key, ASInt16 flags);
ASAtom FramewickToolGetType(AVTool tool);
