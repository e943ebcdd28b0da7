// Each module of the host fills its own table; Init calls these in turn.
#pragma once
#include "host/hft.h"

namespace host {
void InitCosTable();
void InitPDModelTable();
void InitAcroViewTable();
void InitAcroSupportTable();
void InitWindowsTable();
void InitWindowsResourceEntries();  // win/resources.cpp, after InitWindowsTable
// The dialog manager's tables and the entries around dialogs in the
// AcroView and Windows tables; after the tables above.
void InitDialogTables();
// "PagePDEContent", "PDFEditRead", "PDFEditWrite" (pd/placements.cpp).
void InitEditTables();
// PDModel 311 (pd/resources.cpp) and AcroView 15 (view/progress.cpp), after
// their tables.
void InitResourceEntries();
void InitProgressEntries();
// The AcroView entries of tools and of page views' geometry.
void InitAcroViewToolEntries();      // view/tools.cpp
void InitAcroViewGeometryEntries();  // view/geometry.cpp
void InitAcroViewInputEntries();     // view/mouse.cpp
void InitAcroViewOverlayEntries();   // view/overlay.cpp
// AcroSupport 6 and 8, AcroView 39, the Windows moveable memory
// (support/offered.cpp).
void InitOfferedEntries();
void InitAcroViewWindowEntries();    // view/frames.cpp

// Fills a table from a procedure list with compile-time checked signatures.
#define HOST_FILL_ENTRY(table, selns, impl, name, ret, params) \
  ::host::SetEntry(table, selns::name, reinterpret_cast<HFTEntry>(static_cast<ret(*) params>(&impl)))
}  // namespace host
