// The image-alternates plug-in's frame: the four callbacks of the handshake,
// the menus and the toolbar button that init makes over the five commands,
// and the show/hide switch, a replacement of PDModel 345 that draws an
// image's marked alternate while "Show" is on. Every entry the host calls
// catches what its work throws and shows it as a note.
#pragma once
#include "host/calls.h"

class Command;
class ShowAlternatesCommand;

ASAtom GetExtensionName();
ASBool PluginExportHFTs();
// Registers the start-up notification and imports the batch router.
ASBool PluginImportReplaceAndRegister();
ASBool PluginInit();
ASBool PluginUnload();

// Client data: a command, or none (an inert item).
void MenuExecuteProc(void* clientData);
ASBool MenuComputeEnabledProc(void* clientData);
ASBool MenuComputeMarkedProc(void* clientData);

// Notification 0: installs the replacement once.
void InstallAlternateSelector(void* clientData);
// In place of PDModel 345: with Show on and the flag 0, the image's first
// alternate whose "ZNTUAltSet" is a name is drawn (and *chosen set to 1).
CosObj SelectAlternateReplacement(CosObj image, ASBool printing, void* data, ASBool* chosen, void* more);

// The Show command, which the replacement reads; none after unload.
ShowAlternatesCommand* ShowCommand();
