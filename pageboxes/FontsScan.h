// The fonts and colours of a document's pages, as the tool caches them by
// document. The scan itself is not built yet: it finds nothing.
#pragma once
#include "host/astypes.h"

struct ScanResult {};

// Scans pages first to last (-1: to the end); false when nothing was scanned.
inline bool ScanFontsAndColours(PDDoc, ASInt32, ASInt32, ScanResult*) { return false; }
