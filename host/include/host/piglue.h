// The plug-in side of the handshake: the imported tables and the import of
// each at the newest version the host offers, down to a floor.
#pragma once
#include <cstddef>

#include "host/calls.h"
#include "host/handshake.h"

struct PITableImport {
  const char* name;
  HFT* slot;
  ASUns32 newest;
  ASUns32 floor;
  bool required;
};

extern ASUns32 gExtensionID;

// Imports each table of the list; false when a required one is missing.
bool PIImportTables(HFT core, const PITableImport* list, size_t count);
// Core, Cos, PDModel, AcroView, AcroSupport, Windows, Win, ASExtra and
// AcroViewSweetPea, PagePDEContent, PDFEditRead and PDFEditWrite, all required.
bool PIImportStandardTables(HFT core);
// The start of every PlugInMain: false unless the record is one this side
// knows and the standard tables are imported; keeps the extension.
bool PIAcceptHandshake(const PIHandshake* handshake);
