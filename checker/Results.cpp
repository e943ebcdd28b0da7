#include "checker/Results.h"

#include <cstdio>

#include "common/HostCall.h"
#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"

namespace Zentu {
namespace {

const char* const kTitles[] = {"Page", "Error level", "Location", "Type", "Description"};
const size_t kColumns = sizeof kTitles / sizeof kTitles[0];

// Made on first use, kept while the library is loaded.
struct ColorAtoms {
  ASAtom deviceRGB, calRGB, iccBased, indexed, pattern, separation, deviceN;
};

const ColorAtoms& Atoms() {
  static const ColorAtoms atoms = [] {
    ColorAtoms a{};
    HostCall("Results::HasRGBErrors", [&] {
      a = ColorAtoms{ASAtomFromString("DeviceRGB"), ASAtomFromString("CalRGB"),     ASAtomFromString("ICCBased"),
                     ASAtomFromString("Indexed"),   ASAtomFromString("Pattern"),    ASAtomFromString("Separation"),
                     ASAtomFromString("DeviceN")};
    });
    return a;
  }();
  return atoms;
}

template <size_t N>
bool InMask(const std::bitset<N>& mask, int value) {
  return mask.none() || (value >= 0 && static_cast<size_t>(value) < N && mask.test(static_cast<size_t>(value)));
}

// Element `index` of an array, or the null object when `space` is no array
// that long.
MyCosObj Element(const MyCosObj& space, ASInt32 index) {
  if (space.CachedType() != CosArray || space.Length() <= index) return MyCosObj();
  return space.Get(index);
}

bool IsRGBName(const MyCosObj& value) {
  if (value.CachedType() != CosName) return false;
  ASAtom name = value.NameValue();
  return name == Atoms().deviceRGB || name == Atoms().calRGB;
}

bool IsRGBSpace(const MyCosObj& space) {
  // A bare name is its own family.
  MyCosObj family = space.CachedType() == CosArray ? Element(space, 0) : space;
  if (family.CachedType() != CosName) return false;
  const ColorAtoms& a = Atoms();
  ASAtom name = family.NameValue();
  if (name == a.iccBased) {
    MyCosObj profile = Element(space, 1);
    if (profile.CachedType() != CosStream) return false;
    MyCosObj components = profile.Get("N");
    return components.CachedType() == CosInteger && static_cast<long>(components) == 3;
  }
  if (name == a.indexed || name == a.pattern) return IsRGBName(Element(space, 1));
  if (name == a.separation || name == a.deviceN) return IsRGBName(Element(space, 2));
  return false;
}

bool IsRGBRecord(const PDFX_Error& error) {
  if (error.GetObjectKind() == KIND_COLORSPACE) {
    const boost::shared_ptr<ObjectNode>& space = error.GetContainerNode();
    return space && IsRGBSpace(space->object);
  }
  if (error.GetObjectKind() == KIND_OPERATOR) {
    const std::string& message = error.GetMessage();
    return message.find("'rg'") != std::string::npos || message.find("'RG'") != std::string::npos;
  }
  return false;
}

}  // namespace

std::string& ResultsTable::Row::Cell(size_t index) {
  if (cells.size() <= index) cells.resize(index + 1);
  return cells[index];
}

int Results::Count(const Severities& severities) const {
  if (!walker_ || severities.none()) return -1;
  const std::vector<int>& open = walker_->GetOpenCounts();
  int count = 0;
  for (size_t s = 0; s < severities.size() && s < open.size(); ++s)
    if (severities.test(s)) count += open[s];
  return count;
}

int Results::CountMatching(const Severities& severities, const ObjectKinds& kinds,
                           const ProblemKinds& problems) const {
  if (!walker_ || (severities.none() && kinds.none() && problems.none())) return -1;
  if (kinds.none() && problems.none()) return Count(severities);
  int count = 0;
  for (const boost::shared_ptr<PDFX_Error>& error : walker_->GetErrorList())
    if (InMask(severities, error->GetSeverity()) && InMask(kinds, error->GetObjectKind()) &&
        InMask(problems, error->GetProblemKind()))
      ++count;
  return count;
}

boost::shared_ptr<ResultsTable> Results::WriteTable() const {
  boost::shared_ptr<ResultsTable> table;
  if (!walker_) return table;
  table.reset(new ResultsTable);
  table->titles.assign(kTitles, kTitles + kColumns);
  const PDFXPreflight::ErrorList& errors = walker_->GetErrorList();
  table->rows.resize(errors.size());
  auto row = table->rows.begin();
  for (const boost::shared_ptr<PDFX_Error>& error : errors) {
    row->cells.assign(kColumns, std::string());
    if (error->GetPageIndex() == -1) {
      row->cells[0] = "n/a";
    } else {
      char page[24];
      std::snprintf(page, sizeof page, "%ld", static_cast<long>(error->GetPageIndex()) + 1);
      row->cells[0] = page;
    }
    row->cells[1] = SeverityName(error->GetSeverity());
    row->cells[2] = ObjectKindName(error->GetObjectKind());
    row->cells[3] = ProblemKindName(error->GetProblemKind());
    row->cells[4] = error->GetMessage();
    row->error = error;
    ++row;
  }
  return table;
}

bool Results::HasRGBErrors() const {
  if (!walker_) return false;
  for (const boost::shared_ptr<PDFX_Error>& error : walker_->GetErrorList())
    if (!error->IsFixed() && IsRGBRecord(*error)) return true;
  return false;
}

}  // namespace Zentu
