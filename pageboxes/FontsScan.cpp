#include "pageboxes/FontsScan.h"

#include <map>
#include <vector>

#include "common/AcrobatException.h"
#include "common/HostCall.h"
#include "host/piglue.h"
#include "pageboxes/FramewickTool.h"

namespace {

const std::map<std::string, ASInt32>& ProcessRanks() {
  static const std::map<std::string, ASInt32> ranks = {{"Red", 0},     {"Green", 1},  {"Blue", 2},
                                                        {"Cyan", 3},    {"Magenta", 4}, {"Yellow", 5},
                                                        {"Black", 6}};
  return ranks;
}

void Add(ScanRecord& record, std::initializer_list<const char*> names) {
  for (const char* name : names) record.colors.insert(ColorEntry(name));
}

std::string NameText(const MyCosObj& obj) { return obj.GetType() == CosName ? obj.ValueAsString() : std::string(); }

// The font's own name, its subset tag removed.
void AddFontName(ScanRecord& record, const MyCosObj& font) {
  if (font.GetType() != CosDict) return;
  MyCosObj descriptor = font.Get("FontDescriptor");
  std::string name = descriptor.IsNull() ? NameText(font.Get("BaseFont")) : NameText(descriptor.Get("FontName"));
  size_t plus = name.find('+');
  if (plus != std::string::npos) name.erase(0, plus + 1);
  if (!name.empty()) record.fontNames.insert(name);
}

// The colourants of a DeviceN space's second element, a Separation's too.
void AddColorants(ScanRecord& record, const MyCosObj& names) {
  for (ASInt32 i = 0, n = names.Length(); i < n; ++i) {
    std::string name = NameText(names.Get(i));
    if (!name.empty() && name != "All" && name != "None") record.colors.insert(ColorEntry(name));
  }
}

// `path` holds the spaces being entered: a base that refers back to one of
// them would recurse without end.
void ScanSpace(ScanRecord& record, const MyCosObj& space, std::vector<MyCosObj>& path) {
  const ASInt32 type = space.GetType();
  if (type != CosName && (type != CosArray || space.Length() == 0)) return;
  for (const MyCosObj& entered : path)
    if (entered.Equal(space)) return;
  const std::string family = NameText(space.Get(0));
  const bool second = type == CosArray && space.Length() > 1;
  if (family == "DeviceCMYK" || family == "CMYK") {
    Add(record, {"Cyan", "Magenta", "Yellow", "Black"});
  } else if (family == "DeviceRGB" || family == "RGB") {
    Add(record, {"Red", "Green", "Blue"});
  } else if (family == "DeviceGray" || family == "G") {
    Add(record, {"Black"});
  } else if (family == "ICCBased" || family == "CalGray" || family == "CalRGB") {
    record.colors.insert(ColorEntry(family));
  } else if ((family == "Indexed" || family == "Pattern") && second) {
    path.push_back(space);
    ScanSpace(record, space.Get(1), path);
    path.pop_back();
  } else if (family == "Separation" && second) {
    Add(record, {"Cyan", "Magenta", "Yellow", "Black"});
    AddColorants(record, space.Get(1));
  } else if (family == "DeviceN" && second) {
    AddColorants(record, space.Get(1));
  }
}

// A resource the host cannot read is passed over; the others still count.
template <class Body>
ASBool ForResource(void* record, Body&& body) {
  try {
    body(*static_cast<ScanRecord*>(record));
  } catch (const Zentu::AcrobatException&) {
  }
  return 1;
}

}  // namespace

ColorEntry::ColorEntry(const std::string& name) : name(name) {
  auto it = ProcessRanks().find(name);
  if (it != ProcessRanks().end()) {
    process = true;
    rank = it->second;
  }
}

bool ColorEntry::operator<(const ColorEntry& other) const {
  if (process != other.process) return process;
  return process ? rank < other.rank : name < other.name;
}

ASBool ScanFontResource(CosObj resource, CosObj, void* record) {
  return ForResource(record, [&](ScanRecord& r) { AddFontName(r, MyCosObj(resource)); });
}

// A graphics state's font is the first element of its "Font" array.
ASBool ScanExtGStateResource(CosObj resource, CosObj, void* record) {
  return ForResource(record, [&](ScanRecord& r) {
    MyCosObj font = MyCosObj(resource).Get("Font");
    if (font.GetType() == CosArray && font.Length() > 0) AddFontName(r, font.Get(0));
  });
}

ASBool ScanColorSpaceResource(CosObj resource, CosObj, void* record) {
  return ForResource(record, [&](ScanRecord& r) { ScanColorSpaces(r, MyCosObj(resource)); });
}

void ScanColorSpaces(ScanRecord& record, const MyCosObj& space) {
  std::vector<MyCosObj> path;
  ScanSpace(record, space, path);
}

void ScanResources(PDDoc doc, ASInt32 page, ScanRecord& record) {
  static ASCallback callbacks[3] = {};  // made once, kept for the process
  const struct {
    const char* type;
    PDResourceEnumProc proc;
  } kinds[] = {{"Font", &ScanFontResource},
               {"ExtGState", &ScanExtGStateResource},
               {"ColorSpace", &ScanColorSpaceResource}};
  HostCall("ScanPageResources", [&] {
    ASInt32 first = page, last = page;
    if (page == -1) {
      first = 0;
      last = PDDocGetNumPages(doc) - 1;
    }
    if (last < first) return;
    for (size_t i = 0; i < 3; ++i) {
      if (!callbacks[i]) callbacks[i] = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(kinds[i].proc));
      PDDocEnumResources(doc, first, last, ASAtomFromString(kinds[i].type), callbacks[i], &record);
    }
  });
}

void FramewickTool::ScanPageResources(AVDoc doc, bool rescan, ASInt32 page) {
  if (!doc) return;
  ScanRecord& record = scanCache[doc];
  if (record.scanned && !rescan) return;
  PDDoc pd = nullptr;
  HostCall("ScanPageResources", [&] { pd = AVDocGetPDDoc(doc); });
  ScanResources(pd, page, record);
  record.scanned = true;
}

ScanRecord FramewickTool::GetScanResult(AVDoc doc) {
  ScanPageResources(doc, false, -1);
  auto it = scanCache.find(doc);
  return it == scanCache.end() ? ScanRecord() : it->second;
}
