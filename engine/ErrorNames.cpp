#include "engine/ErrorNames.h"

namespace {

const char* const kObjectKindNames[] = {
    "Unknown", "Page", "Pages", "Contents stream", "Info dictionary", "Catalog dictionary", "ProcSet",
    "Font", "FontDescriptor", "ColorSpace", "XObject", "Image XObject", "Inline image", "Form XObject",
    "Extended Graphics State", "Pattern", "property list", "Shading", "stream", "OPI dictionary",
    "Filespec", "Encrypt dictionary", "Resources dictionary", "Document", "operator in stream",
    "Trailer dictionary", "ICC Profile", "Function", "None", "Annotation", "Halftone",
    "Embedded file stream", "Outline entry", nullptr};

const char* const kProblemKindNames[] = {"",
                                         "",
                                         "missing value",
                                         "invalid value",
                                         "wrong type for object",
                                         "encoded with invalid filter",
                                         "not embedded",
                                         "invalid JPEG encoding",
                                         "non-type1 font",
                                         "invalid image resolution",
                                         "invalid bitmap resolution",
                                         "too many spot colors",
                                         nullptr};

const char* const kSeverityNames[] = {"Unknown",         "Problem in verification", "Cancelled", "Warning",
                                      "Warning",         "Warning",                 "AutoFix error",
                                      "Fixable error",   "Unfixable error",         "Workflow error",
                                      "Debug warning",   nullptr};

struct NameTables {
  std::vector<std::string> severities;
  std::vector<std::string> objectKinds;
  std::vector<std::string> problemKinds;
};

// Made on first use, so that no other initialiser can see them unbuilt.
NameTables& Tables() {
  static NameTables tables;
  return tables;
}

// One more entry than names; the last stays empty.
void Fill(std::vector<std::string>& table, const char* const* names) {
  size_t n = 0;
  while (names[n]) ++n;
  table.assign(n + 1, std::string());
  for (size_t i = 0; i < n; ++i) table[i] = names[i];
}

const std::string& Entry(const std::vector<std::string>& table, int index) {
  static const std::string empty;
  if (index < 0 || static_cast<size_t>(index) >= table.size()) return empty;
  return table[static_cast<size_t>(index)];
}

}  // namespace

bool BuildErrorNameTables() {
  NameTables& t = Tables();
  if (!t.objectKinds.empty()) return true;
  Fill(t.objectKinds, kObjectKindNames);
  Fill(t.problemKinds, kProblemKindNames);
  Fill(t.severities, kSeverityNames);
  return true;
}

// Built when the module loads.
[[maybe_unused]] static const bool gErrorNamesBuilt = BuildErrorNameTables();

const std::vector<std::string>& SeverityNames() {
  BuildErrorNameTables();
  return Tables().severities;
}

const std::vector<std::string>& ObjectKindNames() {
  BuildErrorNameTables();
  return Tables().objectKinds;
}

const std::vector<std::string>& ProblemKindNames() {
  BuildErrorNameTables();
  return Tables().problemKinds;
}

const std::string& SeverityName(int severity) { return Entry(SeverityNames(), severity + 1); }
const std::string& ObjectKindName(int kind) { return Entry(ObjectKindNames(), kind); }
const std::string& ProblemKindName(int problem) { return Entry(ProblemKindNames(), problem); }
