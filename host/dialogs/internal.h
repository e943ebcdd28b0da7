// Shared by the modules of the dialog manager; not for plughost or tests.
#pragma once
#include "core/host.h"
#include "core/tables.h"
#include "dialogs/manager.h"
#include "host/procs.h"

namespace host {

struct PluginRec {
  ASUns32 extension = 0;
  WinModule module = nullptr;
  WinModule access = nullptr;  // whose resources its dialogs are built from
};
ADMPluginRef PluginRef(ASUns32 extension);
// Raises genErrBadHandle for a reference the host did not give.
PluginRec& PluginOf(ADMPluginRef plugin);

// Enter for a suite entry, logged as "<suite> <selector>" when asked.
void SuiteEnter(TableId table, ASUns32 selector, const char* suite);

// The tables of the dialog manager's modules.
void InitDialogSuites();      // dialogs/manager.cpp: Dialog, Item, Notifier
void InitSuiteDirectory();    // dialogs/suites.cpp: the basic suite, the others, "AcroViewSweetPea"
void InitAcroViewDialogEntries();  // view/windows.cpp
void InitWindowsUIEntries();  // win/ui.cpp: the "Win" table and the Windows entries
void InitASExtraTable();      // support/text.cpp
// The entry at `selector` answers at `other` too.
inline void AlsoAt(HFT table, ASUns32 other, ASUns32 selector) { SetEntry(table, other, table->entries[selector]); }
// A suite table the basic suite gives by name and version.
void OfferSuite(const char* name, ASInt32 version, HFT table);

}  // namespace host
