// The fonts and colours that a document's pages name in their resources, as
// the tool keeps them by document for the "Fonts" and "Colors" palettes.
#pragma once
#include <set>
#include <string>

#include "common/MyCosObj.h"
#include "host/astypes.h"

// One colour: the seven process colours first, in their own order, then
// the others by name. A spot colour named as a process one is that one.
struct ColorEntry {
  explicit ColorEntry(const std::string& name);
  bool operator<(const ColorEntry& other) const;

  std::string name;
  bool process = false;
  ASInt32 rank = 0;  // only with `process`
};

struct ScanRecord {
  std::set<std::string> fontNames;  // byte order, subset tags removed
  std::set<ColorEntry> colors;
  bool scanned = false;
};

// Resource procedures of the host's enumeration, the record as client
// data; each answers true so that the enumeration goes on.
ASBool ScanFontResource(CosObj resource, CosObj name, void* record);
ASBool ScanExtGStateResource(CosObj resource, CosObj name, void* record);
ASBool ScanColorSpaceResource(CosObj resource, CosObj name, void* record);

// Adds the colours of one colour space, a name or an array.
void ScanColorSpaces(ScanRecord& record, const MyCosObj& space);

// Adds what the fonts, graphics states and colour spaces of a page (-1:
// every page) name; a host failure is thrown as Zentu::AcrobatException.
void ScanResources(PDDoc doc, ASInt32 page, ScanRecord& record);
