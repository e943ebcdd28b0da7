#include "engine/Conformance.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "engine/ErrorNames.h"
#include "engine/Fixer.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "engine/PDFXPreflight.h"
#include "engine/SplitString.h"

namespace {

struct Registry {
  std::vector<std::string> names;
  std::vector<boost::shared_ptr<Zentu::Conformance>> prototypes;  // index for index with names
  FeatureTable features;
};

// Made on first use, so that registration from any initialiser finds it.
Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

OutputConditionMap& PrintingConditions() {
  static OutputConditionMap table;
  return table;
}

struct FeatureSource {
  double version;
  int objectKind;
  const char* key;
  int severity;
};

// The exact doubles 1.3 and 1.4, as the standards store their highest version,
// so that a feature of a standard's own version never fires.
const double kPdf13 = 1.3;
const double kPdf14 = 1.4;

const FeatureSource kFeatures[] = {
    {kPdf13, KIND_CATALOG, "AcroForm", 4},        {kPdf13, KIND_CATALOG, "PageLabels", 4},
    {kPdf13, KIND_CATALOG, "JavaScript", 4},      {kPdf13, KIND_CATALOG, "StructTreeRoot", 4},
    {kPdf13, KIND_CATALOG, "SpiderInfo", 4},      {kPdf14, KIND_CATALOG, "Metadata", 4},
    {kPdf14, KIND_CATALOG, "Lang", 4},            {kPdf14, KIND_CATALOG, "MarkInfo", 4},
    {kPdf14, KIND_ENCRYPT, "Length", 4},          {kPdf13, KIND_PAGE, "PieceInfo", 4},
    {kPdf13, KIND_PAGE, "LastModified", 4},       {kPdf13, KIND_PAGE, "ID", 4},
    {kPdf13, KIND_PAGE, "PZ", 4},                 {kPdf14, KIND_PAGE, "BoxColorInfo", 4},
    {kPdf13, KIND_FORM, "PieceInfo", 4},          {kPdf13, KIND_FORM, "LastModified", 4},
    {kPdf13, KIND_FORM, "StructParents", 4},      {kPdf14, KIND_FORM, "Ref", 7},
    {kPdf13, KIND_IMAGE, "Mask", 7},              {kPdf13, KIND_IMAGE, "ID", 4},
    {kPdf13, KIND_IMAGE, "StructParents", 4},     {kPdf14, KIND_IMAGE, "SMask", 7},
    {kPdf14, KIND_IMAGE, "Matte", 7},             {kPdf13, KIND_EXTGSTATE, "op", 4},
    {kPdf13, KIND_EXTGSTATE, "OPM", 4},           {kPdf13, KIND_EXTGSTATE, "BG2", 4},
    {kPdf13, KIND_EXTGSTATE, "TR2", 4},           {kPdf13, KIND_EXTGSTATE, "SM", 4},
    {kPdf13, KIND_EXTGSTATE, "Font", 4},          {kPdf13, KIND_EXTGSTATE, "LW", 4},
    {kPdf13, KIND_EXTGSTATE, "LC", 4},            {kPdf13, KIND_EXTGSTATE, "LJ", 4},
    {kPdf13, KIND_EXTGSTATE, "ML", 4},            {kPdf13, KIND_EXTGSTATE, "D", 4},
    {kPdf13, KIND_EXTGSTATE, "FL", 4},            {kPdf13, KIND_EXTGSTATE, "RI", 4},
    {kPdf14, KIND_EXTGSTATE, "TK", 7},
};

bool Has(const MyCosObj& object, const std::string& key) {
  MyCosObj value = object.Get(key.c_str());
  return value.CachedType() != CosNull && value.CachedType() != -1;
}

// The elements an entry's index part names, as [first, end).
void ElementRange(const std::string& index, const MyCosObj& value, long& first, long& end) {
  if (index.empty()) {
    first = 0;
    end = 1;
  } else if (index == "all") {
    first = 0;
    end = value.Length();
  } else {
    size_t dash = index.find('-');
    if (dash == std::string::npos) {
      first = std::strtol(index.c_str(), nullptr, 10);
      end = first + 1;
    } else {
      std::string before = index.substr(0, dash);
      std::string after = index.substr(dash + 1);
      first = before.empty() ? 0 : std::strtol(before.c_str(), nullptr, 10);
      end = after.empty() ? value.Length() : std::strtol(after.c_str(), nullptr, 10);
    }
  }
}

// Element i of a value; a single value has only element 0, and anything
// past it reads as absent (null) as it does past the end of an array.
MyCosObj ElementOf(const MyCosObj& value, long i) {
  if (value.CachedType() != CosArray && i != 0) return MyCosObj();
  return value.Get(static_cast<ASInt32>(i));
}

// The standard's rule list on one object.
void RunRules(Zentu::Conformance& standard, PDFXPreflight& walker, int objectKind, const MyCosObj& object,
              const MyCosObj& container, CheckResult& result) {
  if (!standard.rules) return;
  RuleContext context;
  context.standard = &standard;
  context.containerKind = 0;
  context.objectKind = objectKind;
  context.value = object;
  context.container = container;
  context.walker = &walker;
  for (const boost::shared_ptr<KeyRule>& rule : *standard.rules) {
    if (rule) rule->Check(context, result);
  }
}

}  // namespace

namespace Zentu {

Conformance::Conformance()
    : highestVersionF(0.0f),
      highestVersion(0.0),
      keyTable(new KeyTable),
      rules(new RuleList),
      rulesBuilt(false),
      secondLimit(-1),
      maxSpotColors(-1) {
  if (TheRegistry().features.empty()) BuildKeyTables();
}

Conformance::~Conformance() = default;

std::string Conformance::GetConditionNamesPattern() const { return std::string(); }
const char* Conformance::GetReserved() const { return nullptr; }
OutputConditionMap& Conformance::GetPrintingConditions() { return PrintingConditions(); }

int Conformance::ReplaceDestinationProfile(PDFXPreflight&, MyCosObj) { return 1; }
bool Conformance::IsColorManaged() const { return false; }
bool Conformance::IsDeviceColorOnly() const { return true; }

CheckResult Conformance::CheckNode(PDFXPreflight& walker, const boost::shared_ptr<ObjectNode>& node,
                                   const boost::shared_ptr<ObjectNode>& referrer) {
  if (!node) return CheckResult();
  return CheckObjectOfKind(walker, node->objectKind, node, referrer);
}

CheckResult Conformance::CheckObjectOfKind(PDFXPreflight& walker, int objectKind,
                                           const boost::shared_ptr<ObjectNode>& node,
                                           const boost::shared_ptr<ObjectNode>& container) {
  if (!node) return CheckResult();
  return CheckDict(walker, objectKind, node->object, container ? container->object : MyCosObj());
}

CheckResult Conformance::CheckCosObj(PDFXPreflight& walker, int objectKind, const MyCosObj& object) {
  return CheckDict(walker, objectKind, object, MyCosObj());
}

CheckResult Conformance::CheckDict(PDFXPreflight& walker, int objectKind, const MyCosObj& object,
                                   const MyCosObj& container) {
  CheckResult result;
  result.passed = true;
  if (object.IsNull()) {
    // The trailer's rules are about the file (its identifier, say), not
    // about a dictionary in hand: they run without one. Tables of keys need
    // the object itself.
    if (objectKind == KIND_TRAILER) RunRules(*this, walker, objectKind, object, container, result);
    return result;
  }

  // Key table: required (class 0), optional (3), then late required (1).
  static const int kValueClasses[] = {KEY_REQUIRED, KEY_OPTIONAL, KEY_REQUIRED_LATE};
  const KeyTable empty;
  const KeyTable& table = keyTable ? *keyTable : empty;
  for (int keyClass : kValueClasses) {
    KeyTable::const_iterator group = table.find(std::make_pair(objectKind, keyClass));
    if (group == table.end()) continue;
    for (const auto& item : group->second) {
      const KeyEntry& entry = item.second;
      size_t bracket = entry.key.find('[');
      std::string base = entry.key.substr(0, bracket);
      std::string index;
      if (bracket != std::string::npos) {
        index = entry.key.substr(bracket + 1);
        if (!index.empty()) index.pop_back();  // the closing "]"
      }
      MyCosObj value = object.Get(base.c_str());
      if (value.IsNull()) {
        if (keyClass != KEY_OPTIONAL) {
          AddKeyError(walker, objectKind, object, container, PROBLEM_MISSING, entry);
          result.passed = false;
        }
        continue;
      }
      long first = 0;
      long end = 0;
      ElementRange(index, value, first, end);
      for (long i = first; i < end; ++i) {
        // Without an index part the value itself is tested, an array as a whole.
        MyCosObj element = index.empty() ? value : ElementOf(value, i);
        if (entry.cosType != 0 && entry.cosType != element.CachedType()) {
          AddKeyError(walker, objectKind, object, container, PROBLEM_WRONG_TYPE, entry);
          result.passed = false;
          continue;
        }
        if (!entry.values.empty() && !ValueMatches(element, entry.values)) {
          AddKeyError(walker, objectKind, object, container, PROBLEM_INVALID, entry);
          result.passed = false;
        }
      }
    }
  }

  // Prohibited keys; the key is taken as written.
  KeyTable::const_iterator prohibited = table.find(std::make_pair(objectKind, static_cast<int>(KEY_PROHIBITED)));
  if (prohibited != table.end()) {
    for (const auto& item : prohibited->second) {
      const KeyEntry& entry = item.second;
      if (!Has(object, entry.key)) continue;
      std::string message = entry.message.empty() ? "/" + entry.key + " key" : entry.message;
      boost::shared_ptr<PDFX_Error> error =
          walker.AddError(container, object, message, entry.key, entry.severity, objectKind, PROBLEM_INVALID);
      error->AttachFixer(entry.fixer);
      error->SetDeferredTest(entry.deferredTest);
      result.passed = false;
    }
  }

  // Keys of PDF versions later than the standard allows.
  for (const FeatureRow& row : GetFeatureTable()) {
    if (row.objectKind != objectKind || !(row.version > highestVersion)) continue;
    if (!Has(object, row.key)) continue;
    char version[32];
    std::snprintf(version, sizeof version, "%.1lf", row.version);
    walker.AddError(container, object, "The \"" + row.key + "\" key is a PDF " + version + " feature", row.key,
                    row.severity, objectKind, PROBLEM_INVALID);
    result.passed = false;
  }

  RunRules(*this, walker, objectKind, object, container, result);
  return result;
}

bool Conformance::ParseOptions(const KeySpec* entries, int count) {
  if (!keyTable) keyTable.reset(new KeyTable);
  for (int i = 0; i < count && entries; ++i) {
    const KeySpec& spec = entries[i];
    if (!spec.key) continue;
    KeyEntry& entry = (*keyTable)[std::make_pair(spec.objectKind, spec.keyClass)][spec.key];
    entry.key = spec.key;
    entry.cosType = spec.cosType;
    entry.severity = spec.severity;
    entry.deferredTest = spec.deferredTest;
    if (spec.message) entry.message = spec.message;
    if (spec.fixer) entry.fixer = *spec.fixer;
    if (spec.values) entry.values = SplitString(spec.values, "|");
  }
  return true;
}

boost::shared_ptr<OutputIntentRecord> Conformance::FindOutputCondition(int family, std::string& conditionName) const {
  if (family < 0 || family >= ProfileSettings::kFamilies) return boost::shared_ptr<OutputIntentRecord>();
  const std::string& chosen = profileSettings.chosen[family];
  if (chosen.empty()) return boost::shared_ptr<OutputIntentRecord>();
  conditionName = chosen;
  auto listed = profileSettings.nameIndex.find(chosen);
  return listed == profileSettings.nameIndex.end() ? boost::shared_ptr<OutputIntentRecord>() : listed->second;
}

bool Conformance::Register(Conformance* standard) {
  std::unique_ptr<Conformance> owned(standard);
  if (!owned || owned->name.empty()) return false;
  Registry& registry = TheRegistry();
  for (const std::string& registered : registry.names) {
    if (registered == owned->name) return true;  // the first one stays
  }
  registry.names.push_back(owned->name);
  registry.prototypes.push_back(boost::shared_ptr<Conformance>(owned.release()));
  return true;
}

boost::shared_ptr<Conformance> Conformance::CreateByName(const std::string& wanted) {
  Registry& registry = TheRegistry();
  for (size_t i = 0; i < registry.names.size(); ++i) {
    if (registry.names[i] == wanted) return boost::shared_ptr<Conformance>(registry.prototypes[i]->Clone());
  }
  return boost::shared_ptr<Conformance>();
}

const std::vector<std::string>& Conformance::RegisteredNames() { return TheRegistry().names; }

void Conformance::BuildKeyTables() {
  FeatureTable& features = TheRegistry().features;
  if (!features.empty()) return;
  for (const FeatureSource& source : kFeatures) {
    features.push_back(FeatureRow{source.version, source.objectKind, source.key, source.severity});
  }
}

const FeatureTable& Conformance::GetFeatureTable() { return TheRegistry().features; }

}  // namespace Zentu

void ClearGlobalRegistries() {
  Registry& registry = TheRegistry();
  registry.names.clear();
  registry.features.clear();
  // Releasing the prototypes destroys them.
  registry.prototypes.clear();
}
