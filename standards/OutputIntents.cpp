// The steps both PDF/X families' output-intent repairs and tests share.
#include "standards/OutputIntents.h"

#include "common/HostCall.h"
#include "common/Prefs.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/Fixer.h"
#include "engine/Fixers.h"
#include "engine/ICCProfile.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "engine/PDFX_Error.h"
#include "engine/Scopes.h"
#include "host/calls.h"
#include "icc/icc.h"

namespace Zentu {
namespace family {

const char kRegistryName[] = "http://www.color.org";

namespace {

const char kOneIntent[] =
    "There must be exactly one OutputIntent annotation with a value of \"GTS_PDFX\" for the /S key";
const char kNotChosen[] = "The characterized printing condition does not match the one selected in the preferences";

std::string Setting(const char* key, bool* present = nullptr) {
  std::string value;
  const bool found = Prefs::Get(key, value);
  if (present) *present = found;
  return value;
}

// Closes what embedding opened, whatever way it ends.
struct OpenFile {
  ASFileSys fileSys = nullptr;
  ASPathName path = nullptr;
  ASFile file = nullptr;
  ASStm stream = nullptr;

  ~OpenFile() {
    HostCallQuietly([&] {
      if (stream) ASStmClose(stream);
      if (file) ASFileClose(file);
      if (path) ASFileSysReleasePath(fileSys, path);
    });
  }
};

void File(RuleContext& context, const char* message, const char* detail, int severity, int objectKind, int problem,
          const boost::shared_ptr<Fixer>& fixer) {
  context.walker->AddError(context.container, context.value, message, detail, severity, objectKind, problem)
      ->AttachFixer(fixer);
}

}  // namespace

boost::shared_ptr<OutputCondition> CustomCondition(const boost::shared_ptr<OutputIntentRecord>& profile) {
  const int family = profile && profile->read ? FamilyOfColorSpace(profile->colorSpace) : 3;
  return boost::shared_ptr<OutputCondition>(new OutputCondition("Custom", profile, 0, false, "", family));
}

boost::shared_ptr<OutputCondition> RegisteredCondition(Conformance& standard, const std::string& identifier) {
  const OutputConditionMap& registered = standard.GetPrintingConditions();
  auto found = registered.find(identifier);
  return found == registered.end() ? boost::shared_ptr<OutputCondition>() : found->second;
}

boost::shared_ptr<OutputCondition> ChosenCondition(Conformance& standard,
                                                   const boost::shared_ptr<OutputCondition>& custom,
                                                   const boost::shared_ptr<OutputCondition>& otherwise) {
  if (Setting("default_condition_type") == "profile") return custom;
  const std::string identifier = Setting("default_condition");
  boost::shared_ptr<OutputCondition> registered;
  if (!identifier.empty()) registered = RegisteredCondition(standard, identifier);
  return registered ? registered : otherwise;
}

int ReplaceDestinationProfile(Conformance& standard, PDFXPreflight& walker, MyCosObj intent) {
  boost::shared_ptr<OutputCondition> condition =
      RegisteredCondition(standard, intent.Get("OutputConditionIdentifier").ValueAsString());
  std::string name;
  // A condition of the document's own: the profile the settings choose for it.
  if (!condition) condition = CustomCondition(standard.FindOutputCondition(0, name));
  const ProfileFile file = ProfileFileOf(*condition);
  if (file.path.empty() || !file.components) return 1;
  const MyCosObj stream = EmbedProfileFile(walker.GetDocument(), file.path, file.components, standard.name);
  if (stream.IsNull()) return 1;
  intent.Put("DestOutputProfile", stream);
  return 2;
}

int FamilyOfColorSpace(int32_t signature) {
  const uint32_t space = static_cast<uint32_t>(signature);
  if (space == icmSig("GRAY")) return 0;
  if (space == icmSig("RGB ")) return 1;
  if (space == icmSig("CMYK")) return 2;
  return 3;
}

int ComponentsOf(int family) {
  static const int kComponents[] = {1, 3, 4};
  return family >= 0 && family < 3 ? kComponents[family] : 0;
}

std::string ProfilePath(const std::string& file) {
  if (file.find_first_of("/\\") != std::string::npos) return file;
  return GetModulePath() + "/" + file;
}

ProfileFile ProfileFileOf(OutputCondition& condition) {
  ProfileFile found;
  if (!condition.profile || condition.profile->file.empty()) return found;
  found.path = ProfilePath(condition.profile->file);
  if (condition.family == 3) {
    ICCProfile profile{boost::shared_ptr<ObjectNode>(), boost::shared_ptr<ObjectNode>()};
    if (profile.LoadFromFile(found.path)) condition.family = FamilyOfColorSpace(profile.GetColorSpace());
  }
  found.components = ComponentsOf(condition.family);
  return found;
}

bool CanWriteCondition(OutputCondition& condition) {
  if (condition.reference) return true;
  const ProfileFile file = ProfileFileOf(condition);
  if (file.path.empty() || file.components == 0) return false;
  ICCProfile profile{boost::shared_ptr<ObjectNode>(), boost::shared_ptr<ObjectNode>()};
  return profile.LoadFromFile(file.path);
}

MyCosObj EmbedProfileFile(const MyCosDoc& doc, const std::string& path, int components, const std::string& standard) {
  {
    ICCProfile profile{boost::shared_ptr<ObjectNode>(), boost::shared_ptr<ObjectNode>()};
    if (profile.LoadFromFile(path) && !profile.MeetsStandard(standard)) return MyCosObj();
  }
  OpenFile open;
  ASErrorCode opened = 0;
  HostCall("EmbedProfileFile", [&] {
    open.fileSys = ASGetDefaultFileSys();
    open.path = ASFileSysCreatePathName(open.fileSys, ASAtomFromString("Cstring"), path.c_str(), nullptr);
    opened = ASFileSysOpenFile(open.fileSys, open.path, ASFILE_READ, &open.file);
    if (opened == 0) open.stream = ASFileStmRdOpen(open.file, 0);
  });
  if (opened != 0 || !open.stream) return MyCosObj();

  MyCosObj attributes;
  MyCosObj n;
  MyCosObj filter;
  if (!attributes.NewDict(doc, false, 2) || !n.NewInteger(doc, false, components) ||
      !filter.NewName(doc, false, "FlateDecode")) {
    throw AcrobatException(-1, 0, "EmbedProfileFile");
  }
  attributes.Put("N", n);
  attributes.Put("Filter", filter);
  MyCosObj stream;
  stream.NewStream(doc, true, open.stream, 0, false, attributes, MyCosObj(), -1);
  return stream;
}

DefaultSpace LocateDefaultSpace(PDDoc pd, int pageIndex, const std::string& key) {
  DefaultSpace found;
  found.page = PageDictionary(pd, pageIndex);
  const MyCosObj colorSpaces = InheritedResources(found.page).Get("ColorSpace");
  if (colorSpaces.CachedType() != CosDict) return found;
  found.colorSpaces = colorSpaces;
  found.space = colorSpaces.Get(key.c_str());
  return found;
}

void AddDefaultSpace(const MyCosDoc& doc, const MyCosObj& page, const std::string& key, const MyCosObj& space) {
  MyCosObj resources = InheritedResources(page);
  if (resources.IsNull()) {
    if (!resources.NewDict(doc, true, 1)) throw AcrobatException(-1, 0, "AddDefaultSpace");
    MyCosObj(page).Put("Resources", resources);
  }
  MyCosObj colorSpaces = resources.Get("ColorSpace");
  if (colorSpaces.CachedType() != CosDict) {
    if (!colorSpaces.NewDict(doc, true, 1)) throw AcrobatException(-1, 0, "AddDefaultSpace");
    resources.Put("ColorSpace", colorSpaces);
  }
  colorSpaces.Put(key.c_str(), space);
}

ASAtom FamilyAtom(const MyCosObj& space) {
  MyCosObj first = space;
  if (space.CachedType() == CosArray) first = space.Length() > 0 ? space.Get(0) : MyCosObj();
  return first.CachedType() == CosName ? first.NameValue() : ASAtomNull;
}

bool SameObject(const MyCosObj& a, const MyCosObj& b) {
  return !a.IsNull() && !b.IsNull() && IdentityOf(a) == IdentityOf(b);
}

MyCosObj ContainerObject(const PDFX_Error& error) {
  return error.GetContainerNode() ? error.GetContainerNode()->object : MyCosObj();
}

bool IsPDFXIntent(const MyCosObj& value) { return value.Get("S").ValueAsString() == "GTS_PDFX"; }

MyCosObj OutputIntentsOf(const MyCosDoc& doc, MyCosObj catalog) {
  MyCosObj intents = catalog.Get("OutputIntents");
  if (intents.CachedType() == CosArray) return intents;
  MyCosObj made;
  if (!made.NewArray(doc, false, 1)) throw AcrobatException(-1, 0, "OutputIntentsOf");
  if (IsPDFXIntent(intents)) made.Insert(0, intents);
  catalog.Put("OutputIntents", made);
  return made;
}

ASInt32 FindPDFXIntent(const MyCosObj& intents) {
  const ASInt32 count = intents.Length();
  for (ASInt32 i = 0; i < count; ++i) {
    if (IsPDFXIntent(intents.Get(i))) return i;
  }
  return -1;
}

MyCosObj NewPDFXIntent(const MyCosDoc& doc) {
  MyCosObj intent;
  MyCosObj type;
  MyCosObj subtype;
  if (!intent.NewDict(doc, false, 4) || !type.NewName(doc, false, "OutputIntent") ||
      !subtype.NewName(doc, false, "GTS_PDFX")) {
    throw AcrobatException(-1, 0, "NewPDFXIntent");
  }
  intent.Put("Type", type);
  intent.Put("S", subtype);
  return intent;
}

MyCosObj NewText(const MyCosDoc& doc, const std::string& text) {
  MyCosObj made;
  if (!made.NewString(doc, false, text.c_str())) throw AcrobatException(-1, 0, "MyCosObj::NewString");
  return made;
}

PDFXPreflight* WalkerOf(const FixContext& context) {
  if (context.error && context.error->GetOwner()) return context.error->GetOwner();
  return context.walker.get();
}

bool IsMoot(int effectiveSeverity) {
  return effectiveSeverity == AUTOFIX_ERROR || effectiveSeverity == FIXABLE_ERROR || effectiveSeverity == WARNING_LOW ||
         effectiveSeverity == WARNING_MEDIUM;
}

int TestOutputIntentsArray(RuleContext* context, const boost::shared_ptr<Fixer>& fixer) {
  if (!context || !context->walker) return 0;
  PDFXPreflight& walker = *context->walker;
  const MyCosObj& intents = context->value;
  int verdict = PROBLEM_WRONG_TYPE;
  int severity = UNFIXABLE_ERROR;
  if (intents.CachedType() == CosArray) {
    walker.EnterVisited(intents, KIND_UNKNOWN);
    const ASInt32 count = intents.Length();
    int found = 0;
    // Elements after the second GTS_PDFX intent are neither read nor marked.
    for (ASInt32 i = 0; i < count && found < 2; ++i) {
      const MyCosObj intent = intents.Get(i);
      walker.EnterVisited(intent, KIND_UNKNOWN);
      if (IsPDFXIntent(intent)) ++found;
    }
    if (found == 1) return 0;
    verdict = found == 0 ? PROBLEM_MISSING : PROBLEM_INVALID;
    severity = found == 0 ? AUTOFIX_ERROR : UNFIXABLE_ERROR;
  }
  File(*context, kOneIntent, "OutputIntents", severity, KIND_PAGE, verdict, fixer);
  return verdict;
}

int TestChosenOutputIntent(RuleContext* context, const boost::shared_ptr<Fixer>& fixer) {
  if (!context || !context->walker) return 0;
  if (Setting("fail_if_CPC_not_default") != "true" || Setting("default_condition_type") != "name") return 0;
  bool present = false;
  const std::string chosen = Setting("default_condition", &present);
  if (!present) return PROBLEM_FROM_TEST;
  if (context->value.Get("OutputConditionIdentifier").ValueAsString() == chosen) return 0;
  const std::string autoFix = Setting("auto_fix_to_default_CPC", &present);
  const int severity = !present || autoFix == "false" ? UNFIXABLE_ERROR : AUTOFIX_ERROR;
  File(*context, kNotChosen, "OutputConditionIdentifier", severity, KIND_CATALOG, PROBLEM_INVALID, fixer);
  return PROBLEM_INVALID;
}

}  // namespace family
}  // namespace Zentu
