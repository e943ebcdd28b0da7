// The output intent of PDF/X-3:2002: the tests that judge and record what
// the walk meets, the repair that writes the output intent and colorimetric
// Default spaces, and its deferred test.
#include "standards/PDF_X_3_2002.h"

#include "common/Prefs.h"
#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "host/calls.h"
#include "standards/OutputIntents.h"

namespace Zentu {

namespace {

typedef PDF_X_3_2002::OutputIntentMegaFixer MegaFixer;
typedef boost::shared_ptr<ObjectNode> NodePtr;
typedef boost::shared_ptr<PDFX_Error> ErrorPtr;

// The name of the walker's standard, whose profile test the saved file meets.
std::string Name(PDFXPreflight& walker) {
  const boost::shared_ptr<Conformance> standard = walker.GetConformance();
  return standard ? standard->name : std::string();
}

const char kDestinationProfile[] =
    "The /DestOutputProfile key in the PDF/X OutputIntent dictionary must contain a profile if there is data in a "
    "colorspace other than the colorspace used by the characterization";

// The Default spaces by the fixer's index: the key, the family of the
// profile chosen for it in the settings, the standard's page marker, and
// the condition families whose colour covers it.
struct SpaceRow {
  const char* key;
  int profileFamily;
  int PDF_X_3_2002::*marker;
  int covering[2];
};
const SpaceRow kSpaceRows[MegaFixer::kSpaces] = {
    {"DefaultGray", 1, &PDF_X_3_2002::defaultGrayPage, {0, 2}},
    {"DefaultRGB", 2, &PDF_X_3_2002::defaultRGBPage, {1, 1}},
    {"DefaultCMYK", 3, &PDF_X_3_2002::defaultCMYKPage, {2, 2}},
};

bool Covers(int family, int space) {
  return kSpaceRows[space].covering[0] == family || kSpaceRows[space].covering[1] == family;
}

int SpaceOf(const std::string& detail) {
  for (int space = 0; space < MegaFixer::kSpaces; ++space) {
    if (detail == kSpaceRows[space].key) return space;
  }
  return -1;
}

bool IsDefaultPageRecord(const PDFX_Error* error) {
  return error && error->GetObjectKind() == KIND_PAGE && SpaceOf(error->GetDetail()) >= 0;
}

PDF_X_3_2002* StandardOf(const RuleContext* context) {
  return context ? dynamic_cast<PDF_X_3_2002*>(context->standard) : nullptr;
}

MegaFixer* FixerOf(const PDF_X_3_2002* standard) {
  return standard ? dynamic_cast<MegaFixer*>(standard->outputIntentFixer.get()) : nullptr;
}

int TestDefaultSpace(RuleContext* context, int space) {
  PDF_X_3_2002* standard = StandardOf(context);
  MegaFixer* fixer = FixerOf(standard);
  if (!fixer || !context->walker) return 0;
  PDFXPreflight& walker = *context->walker;
  const SpaceRow& row = kSpaceRows[space];
  if (standard->*row.marker == walker.GetPageCounter()) return 0;
  standard->*row.marker = walker.GetPageCounter();

  const bool uncovered = fixer->documentCondition && !Covers(fixer->documentCondition->family, space);
  fixer->dataSeen[space] = true;
  const NodePtr colorSpace(new ObjectNode(context->value, KIND_UNKNOWN, std::string()));
  NodePtr found;
  walker.CheckObject(std::string("/") + row.key, colorSpace, &found);
  int verdict = PROBLEM_MISSING;
  if (found) {
    static const ASAtom kColorimetric[] = {ASAtomFromString("CalGray"), ASAtomFromString("CalRGB"),
                                           ASAtomFromString("ICCBased")};
    const ASAtom family = family::FamilyAtom(found->object);
    for (ASAtom colorimetric : kColorimetric) {
      if (family == colorimetric) return 0;
    }
    verdict = PROBLEM_INVALID;
  }
  std::string chosen;
  standard->FindOutputCondition(row.profileFamily, chosen);
  const int severity = chosen.empty() ? UNFIXABLE_ERROR : AUTOFIX_ERROR;
  ErrorPtr record(new PDFX_Error(nullptr,
                                 std::string("There must be a /") + row.key +
                                     " object with a colorimetric definition for files which use color data in "
                                     "color spaces other than the one defined in the OutputIntent",
                                 row.key, severity, KIND_PAGE, verdict, found, colorSpace));
  record->AttachFixer(standard->outputIntentFixer);
  record->SetDeferredTest(&PDF_X_3_2002::TestDestOutputProfile);
  if (uncovered) {
    walker.InsertError(record, severity);
  } else {
    // Held until the deferred test knows the condition's colour.
    record->SetPageIndex(walker.GetCurrentPage());
    fixer->pending[space].push_back(record);
    standard->holdingList.push_back(record);
  }
  return verdict;
}

// Whether colour outside the condition's family was seen.
bool Outside(const MegaFixer& fixer, int family) {
  if (fixer.nonProcessColors) return true;
  if (family < 0 || family > 2) return false;
  for (int space = 0; space < MegaFixer::kSpaces; ++space) {
    if (fixer.dataSeen[space] && !Covers(family, space)) return true;
  }
  return false;
}

bool IntentHasProfile(const MyCosDoc& doc) {
  const MyCosObj intents = doc.GetRoot().Get("OutputIntents");
  const ASInt32 index = family::FindPDFXIntent(intents);
  return index >= 0 && !intents.Get(index).Get("DestOutputProfile").IsNull();
}

// The condition's profile is read, reading it now when nobody has tried.
bool ProfileRead(const OutputCondition& condition) {
  OutputIntentRecord* profile = condition.profile.get();
  if (!profile) return false;
  if (!profile->read && !profile->hasProfile && !profile->file.empty()) {
    profile->LoadFile(family::ProfilePath(profile->file));
  }
  return profile->read;
}

}  // namespace

int PDF_X_3_2002::TestOutputIntentsArray(RuleContext* context, CheckResult*) {
  const PDF_X_3_2002* standard = StandardOf(context);
  return family::TestOutputIntentsArray(context, standard ? standard->outputIntentFixer : boost::shared_ptr<Fixer>());
}

int PDF_X_3_2002::TestChosenOutputIntent(RuleContext* context, CheckResult*) {
  const PDF_X_3_2002* standard = StandardOf(context);
  return family::TestChosenOutputIntent(context, standard ? standard->outputIntentFixer : boost::shared_ptr<Fixer>());
}

int PDF_X_3_2002::TestDefaultGray(RuleContext* context, CheckResult*) {
  return TestDefaultSpace(context, MegaFixer::GRAY);
}

int PDF_X_3_2002::TestDefaultRGB(RuleContext* context, CheckResult*) {
  return TestDefaultSpace(context, MegaFixer::RGB);
}

int PDF_X_3_2002::TestDefaultCMYK(RuleContext* context, CheckResult*) {
  return TestDefaultSpace(context, MegaFixer::CMYK);
}

int PDF_X_3_2002::SaveOutputIntentsInfo(RuleContext* context, CheckResult*) {
  PDF_X_3_2002* standard = StandardOf(context);
  MegaFixer* fixer = FixerOf(standard);
  if (!fixer) return PROBLEM_FROM_TEST;
  const MyCosObj& intent = context->value;
  const MyCosObj identifier = intent.Get("OutputConditionIdentifier");
  boost::shared_ptr<OutputCondition> condition;
  if (!identifier.IsNull()) condition = family::RegisteredCondition(*standard, identifier.ValueAsString());
  if (!condition) {
    condition.reset(new OutputCondition(identifier.ValueAsString(), boost::shared_ptr<OutputIntentRecord>(), 0, false,
                                        std::string()));
    const MyCosObj destination = intent.Get("DestOutputProfile");
    if (!destination.IsNull()) {
      boost::shared_ptr<OutputIntentRecord> profile(new OutputIntentRecord);
      // An unreadable profile tells nothing: the former condition stays.
      if (!profile->ReadProfile(destination)) return PROBLEM_FROM_TEST;
      condition->profile = profile;
      condition->family = family::FamilyOfColorSpace(profile->colorSpace);
    }
  }
  fixer->documentCondition = condition;
  return 0;
}

int PDF_X_3_2002::TestTrapNetPCM(RuleContext* context, CheckResult*) {
  const MegaFixer* fixer = FixerOf(StandardOf(context));
  if (!fixer || !fixer->documentCondition) return 0;
  const int family = fixer->documentCondition->family;
  if (family < 0 || family > 2) return 0;
  static const ASAtom kRequired[] = {ASAtomFromString("DeviceGray"), ASAtomFromString("DeviceRGB"),
                                     ASAtomFromString("DeviceCMYK")};
  const MyCosObj model = context->value.Get("PCM");
  return model.CachedType() == CosName && model.NameValue() == kRequired[family] ? 0 : PROBLEM_INVALID;
}

int PDF_X_3_2002::SetNonProcessColors(RuleContext* context, CheckResult*) {
  if (MegaFixer* fixer = FixerOf(StandardOf(context))) fixer->nonProcessColors = true;
  return 0;
}

bool PDF_X_3_2002::TestDestOutputProfile(FixContext& context) {
  if (!context.error) return false;
  const boost::shared_ptr<Fixer> fixer = context.error->GetFixer();
  MegaFixer* own = dynamic_cast<MegaFixer*>(fixer.get());
  PDFXPreflight* walker = family::WalkerOf(context);
  if (!own || !walker) return false;
  if (own->destOutputProfileError.expired()) {
    for (const boost::weak_ptr<PDFX_Error>& collected : own->errors) {
      const ErrorPtr record = collected.lock();
      if (!record || record->GetDetail() != "DestOutputProfile") continue;
      own->destOutputProfileError = record;
      break;
    }
  }
  const boost::shared_ptr<OutputCondition> condition =
      own->writtenCondition ? own->writtenCondition : own->documentCondition;
  if (!condition) return false;

  // A registered condition names its colour; colour outside it wants the
  // intent to carry a profile.
  if (own->destOutputProfileError.expired() && condition->reference && Outside(*own, condition->family) &&
      !IntentHasProfile(walker->GetDocument())) {
    const ErrorPtr record = walker->AddNodeError(kDestinationProfile, "DestOutputProfile",
                                                 ProfileRead(*condition) ? AUTOFIX_ERROR : UNFIXABLE_ERROR,
                                                 KIND_CATALOG, PROBLEM_MISSING, NodePtr(), NodePtr());
    record->AttachFixer(fixer);
    record->SetDeferredTest(&TestDestOutputProfile);
    own->destOutputProfileError = record;
    context.restart = true;
  }

  // The held records of colour the condition does not cover are filed.
  static const int kFiled[4][2] = {
      {MegaFixer::CMYK, MegaFixer::RGB}, {MegaFixer::GRAY, MegaFixer::CMYK}, {MegaFixer::RGB, -1}, {-1, -1}};
  const int family = condition->family >= 0 && condition->family < 4 ? condition->family : 3;
  for (int space : kFiled[family]) {
    if (space < 0) continue;
    for (const ErrorPtr& record : own->pending[space]) {
      walker->InsertError(record, record->GetSeverity());
      context.restart = true;
    }
    own->pending[space].clear();
  }
  if (auto* standard = dynamic_cast<PDF_X_3_2002*>(walker->GetConformance().get())) standard->holdingList.clear();
  return false;
}

// --- the repair

MegaFixer::OutputIntentMegaFixer() = default;
MegaFixer::~OutputIntentMegaFixer() = default;

void MegaFixer::AddError(PDFX_Error* error) {
  if (!error) return;
  errors.push_back(error->weak_from_this());
  if (errors.size() == 1) error->SetDeferredTest(&TestDestOutputProfile);
}

void MegaFixer::ReleaseHeld() {
  for (PDFXPreflight::ErrorList& held : pending) held.clear();
}

int MegaFixer::FixIt(FixContext& context, bool) {
  PDFXPreflight* walker = family::WalkerOf(context);
  if (!walker) return 1;
  int result = 2;
  MyCosObj remembered[kSpaces];
  for (const ErrorPtr& record : walker->GetErrorList()) {
    const MyCosObj held = family::ContainerObject(*record);
    for (const MyCosObj& space : remembered) {
      if (family::SameObject(held, space)) record->SetFixed(true);
    }
    if (!IsDefaultPageRecord(record.get())) continue;
    const int space = SpaceOf(record->GetDetail());
    const std::string where = "PDF_X_3_2002::OutputIntentFixer::FixIt (fixing " + record->GetDetail() + ")";
    family::InFrame(where.c_str(), [&] {
      if (!RepairDefaultSpace(*walker, *record, space, remembered[space])) result = 1;
    });
  }
  if (IsDefaultPageRecord(context.error)) return result;
  if (!chosenCondition || !family::CanWriteCondition(*chosenCondition)) return 1;
  const bool written = RepairOutputIntent(*walker);
  if (!written) result = 1;

  // What the repair made moot: the records about the intent, when it was
  // written whole, and those of the Default spaces the condition covers.
  for (const boost::weak_ptr<PDFX_Error>& collected : errors) {
    const ErrorPtr record = collected.lock();
    if (!record) continue;
    const int space = SpaceOf(record->GetDetail());
    if (space < 0 ? written && family::IsMoot(record->GetEffectiveSeverity())
                  : Covers(chosenCondition->family, space)) {
      record->SetFixed(true);
    }
  }
  return result;
}

bool MegaFixer::RepairDefaultSpace(PDFXPreflight& walker, PDFX_Error& record, int space, MyCosObj& remembered) {
  const std::string& key = record.GetDetail();
  const MyCosDoc& doc = walker.GetDocument();
  family::DefaultSpace found = family::LocateDefaultSpace(walker.GetPDDoc(), record.GetPageIndex(), key);
  bool made = true;
  if (spaces[space].IsNull()) {
    // The profile chosen for the family, its file taken as it stands.
    std::string name;
    const boost::shared_ptr<Conformance> standard = walker.GetConformance();
    const boost::shared_ptr<OutputIntentRecord> profile =
        standard ? standard->FindOutputCondition(kSpaceRows[space].profileFamily, name)
                 : boost::shared_ptr<OutputIntentRecord>();
    const MyCosObj stream = profile && !profile->file.empty()
                                ? family::EmbedProfileFile(doc, profile->file, family::ComponentsOf(space), Name(walker))
                                : MyCosObj();
    MyCosObj array;
    MyCosObj based;
    made = !stream.IsNull() && array.NewArray(doc, true, 2) && based.NewName(doc, false, "ICCBased");
    if (made) {
      array.Put(0, based);
      array.Put(1, stream);
      spaces[space] = array;
    }
  }
  if (!found.space.IsNull()) {
    remembered = found.space;
    walker.CollectReferences(found.space, nullptr, 0);
    static const ASAtom kICCBased = ASAtomFromString("ICCBased");
    if (found.space.CachedType() == CosArray && found.space.Length() > 1 &&
        family::FamilyAtom(found.space) == kICCBased) {
      walker.CollectReferences(found.space.Get(1), nullptr, 0);
    }
    found.colorSpaces.Remove(key.c_str());
  }
  if (!spaces[space].IsNull() && !found.page.IsNull()) {
    family::AddDefaultSpace(doc, found.page, key, spaces[space]);
    record.SetFixed(true);
  }
  return made;
}

bool MegaFixer::RepairOutputIntent(PDFXPreflight& walker) {
  const MyCosDoc& doc = walker.GetDocument();
  MyCosObj catalog = doc.GetRoot();
  if (catalog.IsNull()) return true;
  MyCosObj intents = family::OutputIntentsOf(doc, catalog);
  const ASInt32 index = family::FindPDFXIntent(intents);
  MyCosObj intent = index >= 0 ? intents.Get(index) : family::NewPDFXIntent(doc);
  intent.Put("OutputConditionIdentifier", family::NewText(doc, chosenCondition->identifier));
  const bool required = !chosenCondition->reference;
  if (required) {
    intent.Remove("RegistryName");
  } else {
    intent.Put("RegistryName", family::NewText(doc, family::kRegistryName));
  }
  std::string info;
  if (Prefs::Get("default_profile_info_key", info) && !info.empty()) intent.Put("Info", family::NewText(doc, info));
  bool embedded = true;
  if (!destOutputProfileError.expired() || required) {
    family::InFrame("PDF_X_3_2002::OutputIntentFixer::FixIt (fixing DestOutputProfile)", [&] {
      const family::ProfileFile file = family::ProfileFileOf(*chosenCondition);
      const MyCosObj stream = file.path.empty() || !file.components
                                  ? MyCosObj()
                                  : family::EmbedProfileFile(doc, file.path, file.components, Name(walker));
      embedded = !stream.IsNull();
      if (embedded) intent.Put("DestOutputProfile", stream);
    });
  }
  if (index < 0) intents.Insert(intents.Length(), intent);
  writtenCondition = chosenCondition;
  return embedded;
}

}  // namespace Zentu
