// The checker plug-in's frame: the four callbacks of the handshake, the
// menu items and the toolbar button that init makes, the command
// dispatcher and its enable procedure behind them, the two notifications,
// and the three commands (check, remove the identification keys, About).
// Every entry the host calls catches what its work throws and shows it as
// a note.
#pragma once
#include "host/calls.h"

// Command constants, the client data of the items and the button.
enum : ASInt32 { kCommandAbout = 0, kCommandCheck = 1, kCommandRemoveKeys = 2 };

// The optional "Forms" table; none when the host offers none.
extern HFT gFormsHFT;

ASAtom GetExtensionName();
ASBool PluginExportHFTs();
ASBool PluginImportReplaceAndRegister();
// Registers the standards, makes the user-interface object, the menus, the
// toolbar button and the notifications.
ASBool PluginInit();
// Takes them down again; the About item stays.
ASBool PluginUnload();

// `data` points to a command constant.
void DoCommand(void* data);
ASBool IsCommandEnabled(void* data);
// Before a save: a document fixed for a standard is written with the
// version its Info entry "Zent_PDFX_Corvane" names.
void ReadDocumentVersion(PDDoc doc, AVDocWillSaveRec* record, void* clientData);

// 1 when the check ran and neither a problem in verification nor an
// unfixable error is left; 0 when a problem in verification is left or
// the check failed; 3 when an unfixable error is left.
int RunCheckCommand();
void RemovePDFXKeysCommand();
void AboutCommand();
