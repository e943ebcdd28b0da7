// The PDF/X-1 family's output intent: its tests, the repair that removes
// colorimetric Default spaces and writes the GTS_PDFX intent, its deferred
// test, and the repair that embeds a destination profile.
#include "standards/PDF_X_1_2001.h"

#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "engine/PDFX_Error.h"
#include "host/calls.h"
#include "standards/OutputIntents.h"

namespace Zentu {

namespace {

typedef boost::shared_ptr<ObjectNode> NodePtr;

PDF_X_1_2001* FamilyOf(const RuleContext* context) {
  return context ? dynamic_cast<PDF_X_1_2001*>(context->standard) : nullptr;
}

boost::shared_ptr<Fixer> OutputIntentFixerOf(const RuleContext* context) {
  PDF_X_1_2001* standard = FamilyOf(context);
  return standard ? standard->outputIntentFixer : boost::shared_ptr<Fixer>();
}

bool IsDefaultDetail(const std::string& detail) { return detail == "DefaultGray" || detail == "DefaultCMYK"; }

// A Default space of device colour is no fault in this family.
bool IsDeviceFamily(ASAtom family) {
  static const ASAtom kPassing[] = {ASAtomFromString("DeviceGray"), ASAtomFromString("DeviceCMYK"),
                                    ASAtomFromString("Indexed"),    ASAtomFromString("Pattern"),
                                    ASAtomFromString("Separation"), ASAtomFromString("DeviceN")};
  for (ASAtom passing : kPassing) {
    if (family == passing) return true;
  }
  return false;
}

int TestDefaultSpace(RuleContext* context, int PDF_X_1_2001::*marker, const char* key) {
  PDF_X_1_2001* standard = FamilyOf(context);
  if (!standard || !context->walker) return 0;
  PDFXPreflight& walker = *context->walker;
  if (standard->*marker == walker.GetPageCounter()) return 0;
  standard->*marker = walker.GetPageCounter();

  const NodePtr page(new ObjectNode(context->value, KIND_UNKNOWN, std::string()));
  NodePtr space;
  walker.CheckObject(std::string("/") + key, page, &space);
  // An odd resource (no name first) fails like any colorimetric one.
  if (!space || IsDeviceFamily(family::FamilyAtom(space->object))) return 0;
  walker
      .AddNodeError(std::string("PDF/X-1:2001 uses OutputIntents instead of /") + key, key, AUTOFIX_ERROR, KIND_PAGE,
                    PROBLEM_INVALID, page, space)
      ->AttachFixer(standard->outputIntentFixer);
  return PROBLEM_INVALID;
}

}  // namespace

int PDF_X_1_2001::TestOutputIntentsArray(RuleContext* context, CheckResult*) {
  return family::TestOutputIntentsArray(context, OutputIntentFixerOf(context));
}

int PDF_X_1_2001::TestChosenOutputIntent(RuleContext* context, CheckResult*) {
  return family::TestChosenOutputIntent(context, OutputIntentFixerOf(context));
}

int PDF_X_1_2001::TestDestOutputProfile(RuleContext* context, CheckResult*) {
  if (!context || !context->walker) return 0;
  if (!context->value.Get("DestOutputProfile").IsNull()) return 0;
  PDF_X_1_2001* standard = FamilyOf(context);
  boost::shared_ptr<Fixer> fixer = standard ? standard->destOutputProfileFixer : boost::shared_ptr<Fixer>();
  const auto* destination = dynamic_cast<const DestOutputProfileFixer*>(fixer.get());
  const bool profiled = destination && destination->GetCondition() && destination->GetCondition()->profile;
  context->walker
      ->AddError(context->container, context->value,
                 "There must be an output profile in the OutputIntent dictionary for characterized printing "
                 "conditions which are not listed in the registry",
                 "DestOutputProfile", profiled ? AUTOFIX_ERROR : UNFIXABLE_ERROR, KIND_CATALOG, PROBLEM_MISSING)
      ->AttachFixer(fixer);
  return PROBLEM_MISSING;
}

int PDF_X_1_2001::TestDefaultGray(RuleContext* context, CheckResult*) {
  return TestDefaultSpace(context, &PDF_X_1_2001::defaultGrayPage, "DefaultGray");
}

int PDF_X_1_2001::TestDefaultCMYK(RuleContext* context, CheckResult*) {
  return TestDefaultSpace(context, &PDF_X_1_2001::defaultCMYKPage, "DefaultCMYK");
}

bool PDF_X_1_2001::TestDefaultSpacesAgainstOutputIntent(FixContext& context) {
  if (!context.error) return false;
  const boost::shared_ptr<Fixer>& fixer = context.error->GetFixer();
  const auto* own = dynamic_cast<const OutputIntentMegaFixer*>(fixer.get());
  PDFXPreflight* walker = family::WalkerOf(context);
  if (!own || !walker) return false;

  std::vector<MyCosObj> spaces;
  for (const PDFX_Error* collected : own->GetErrors()) {
    if (IsDefaultDetail(collected->GetDetail())) spaces.push_back(family::ContainerObject(*collected));
  }
  bool changed = false;
  for (const boost::shared_ptr<PDFX_Error>& record : walker->GetErrorList()) {
    if (family::IsMoot(record->GetEffectiveSeverity())) continue;
    const MyCosObj held = family::ContainerObject(*record);
    for (const MyCosObj& space : spaces) {
      if (!family::SameObject(held, space) || record->GetSeverity() == AUTOFIX_ERROR) continue;
      record->SetSeverity(AUTOFIX_ERROR);
      changed = true;
      if (!record->GetFixer()) record->AttachFixer(fixer);
    }
  }
  return changed;
}

// --- the output-intent repair

PDF_X_1_2001::OutputIntentMegaFixer::OutputIntentMegaFixer(const boost::shared_ptr<OutputCondition>& condition)
    : condition_(condition) {}

PDF_X_1_2001::OutputIntentMegaFixer::~OutputIntentMegaFixer() = default;

void PDF_X_1_2001::OutputIntentMegaFixer::AddError(PDFX_Error* error) {
  if (!error) return;
  errors_.push_back(error);
  if (errors_.size() == 1) error->SetDeferredTest(&TestDefaultSpacesAgainstOutputIntent);
}

int PDF_X_1_2001::OutputIntentMegaFixer::FixIt(FixContext& context, bool) {
  PDFXPreflight* walker = family::WalkerOf(context);
  if (!walker || !condition_) return 1;
  // "Custom" without a profile would be an intent its own check refuses.
  if (!family::CanWriteCondition(*condition_)) return 1;
  const MyCosDoc& doc = walker->GetDocument();

  // The Default spaces of the records, each removed where it is in force;
  // references to an indirect one become the device space. A space removed
  // also settles the later records about it.
  MyCosObj removed[2];  // DefaultGray, DefaultCMYK
  for (const boost::shared_ptr<PDFX_Error>& record : walker->GetErrorList()) {
    const MyCosObj held = family::ContainerObject(*record);
    if (family::SameObject(held, removed[0]) || family::SameObject(held, removed[1])) record->SetFixed(true);
    const std::string& detail = record->GetDetail();
    if (record->GetObjectKind() != KIND_PAGE || !IsDefaultDetail(detail)) continue;
    const bool gray = detail == "DefaultGray";
    family::DefaultSpace found = family::LocateDefaultSpace(walker->GetPDDoc(), record->GetPageIndex(), detail);
    if (!found.space.IsNull()) {
      removed[gray ? 0 : 1] = found.space;
      MyCosObj device;
      if (found.space.IsIndirect() && device.NewName(doc, true, gray ? "DeviceGray" : "DeviceCMYK")) {
        walker->RecordReference(found.space, device, nullptr, 0);
      }
      if (found.space.CachedType() == CosArray && found.space.Length() > 1) {
        walker->CollectReferences(found.space.Get(1), nullptr, 0);
      }
      found.colorSpaces.Remove(detail.c_str());
    }
    record->SetFixed(true);
  }

  MyCosObj catalog = doc.GetRoot();
  if (!catalog.IsNull()) {
    // The intent stands first: one found later moves there, a new one is
    // put there; every other element stays.
    MyCosObj intents = family::OutputIntentsOf(doc, catalog);
    const ASInt32 index = family::FindPDFXIntent(intents);
    MyCosObj intent = index >= 0 ? intents.Get(index) : family::NewPDFXIntent(doc);
    intent.Put("OutputConditionIdentifier", family::NewText(doc, condition_->identifier));
    intent.Put("RegistryName", family::NewText(doc, family::kRegistryName));
    intent.Put("OutputCondition", family::NewText(doc, condition_->description));
    if (index != 0) intents.Insert(0, intent);
    if (index > 0) intents.Remove(index + 1);
  }

  for (PDFX_Error* collected : errors_) {
    if (family::IsMoot(collected->GetEffectiveSeverity())) collected->SetFixed(true);
  }
  return 2;
}

// --- the destination profile

PDF_X_1_2001::DestOutputProfileFixer::DestOutputProfileFixer(const boost::shared_ptr<OutputCondition>& condition)
    : condition_(condition) {}

PDF_X_1_2001::DestOutputProfileFixer::~DestOutputProfileFixer() = default;

int PDF_X_1_2001::DestOutputProfileFixer::FixIt(FixContext& context, bool) {
  PDFXPreflight* walker = family::WalkerOf(context);
  if (!walker || !condition_) return 1;
  const MyCosDoc& doc = walker->GetDocument();
  const MyCosObj catalog = doc.GetRoot();
  if (catalog.IsNull()) return 1;
  const MyCosObj intents = catalog.Get("OutputIntents");
  const ASInt32 index = family::FindPDFXIntent(intents);
  if (index < 0) return 1;
  MyCosObj intent = intents.Get(index);

  int result = 1;
  family::InFrame("PDF_X_1_2002::DestOutputProfileFixer::FixIt", [&] {
    const family::ProfileFile file = family::ProfileFileOf(*condition_);
    if (file.path.empty() || file.components == 0) return;
    const boost::shared_ptr<Conformance> standard = walker->GetConformance();
    const MyCosObj stream = family::EmbedProfileFile(doc, file.path, file.components, standard ? standard->name : "");
    if (stream.IsNull()) return;
    intent.Put("DestOutputProfile", stream);
    result = 2;
  });
  return result;
}

}  // namespace Zentu
