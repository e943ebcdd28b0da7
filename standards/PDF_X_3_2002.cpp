#include "standards/PDF_X_3_2002.h"

#include <new>

#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "standards/FamilyChecks.h"
#include "standards/OutputIntents.h"

namespace Zentu {

namespace {

// Shared by every object of the standard; filled by the first build.
std::string& Pattern() {
  static std::string pattern;
  return pattern;
}

const char* const kReported[] = {"PS", nullptr};
const char* const kNoted[] = {"BX", "EX", nullptr};
const char* const kAccepted[] = {"rg", "RG", "ri", nullptr};
const family::OperatorRules kOperators = {kReported, kNoted, kAccepted};
const family::PageBoxRules kPageBoxes = {PROBLEM_INVALID, false};

}  // namespace

PDF_X_3_2002::PDF_X_3_2002() : defaultGrayPage(-1), defaultRGBPage(-1), defaultCMYKPage(-1) {
  highestVersionF = 1.3f;
  highestVersion = 1.3;
  name = "PDF/X-3";
}

PDF_X_3_2002::~PDF_X_3_2002() {
  // Held records carry the fixer that holds them: they go when the check does.
  auto* own = dynamic_cast<OutputIntentMegaFixer*>(outputIntentFixer.get());
  if (forCheck_ && own) own->ReleaseHeld();
}

int PDF_X_3_2002::ReplaceDestinationProfile(PDFXPreflight& walker, MyCosObj intent) {
  return family::ReplaceDestinationProfile(*this, walker, intent);
}

Conformance* PDF_X_3_2002::Clone() {
  BuildRules();
  PDF_X_3_2002* copy = new (std::nothrow) PDF_X_3_2002(*this);
  if (copy) copy->forCheck_ = true;
  return copy;
}

std::string PDF_X_3_2002::GetConditionNamesPattern() const { return Pattern(); }
bool PDF_X_3_2002::IsColorManaged() const { return true; }
bool PDF_X_3_2002::IsDeviceColorOnly() const { return false; }

CheckResult PDF_X_3_2002::CheckOperator(PDFXPreflight& walker, int, const char* op,
                                        const boost::shared_ptr<ObjectNode>& objectNode,
                                        const boost::shared_ptr<ObjectNode>& containerNode) {
  family::CheckOperator(kOperators, *this, walker, op, objectNode, containerNode);
  return CheckResult();
}

bool PDF_X_3_2002::CheckPageBoxes(PDFXPreflight& walker, const boost::shared_ptr<ObjectNode>& page,
                                  const boost::shared_ptr<ObjectNode>& artBox,
                                  const boost::shared_ptr<ObjectNode>& bleedBox,
                                  const boost::shared_ptr<ObjectNode>& cropBox,
                                  const boost::shared_ptr<ObjectNode>& mediaBox,
                                  const boost::shared_ptr<ObjectNode>& trimBox) {
  family::CheckPageBoxes(kPageBoxes, artBoxFixer, walker, page, artBox, bleedBox, cropBox, mediaBox, trimBox);
  return true;
}

bool PDF_X_3_2002::WantsKindCheck(PDFXPreflight&, int) { return true; }

bool PDF_X_3_2002::BuildRules() {
  Conformance::BuildRules();
  defaultGrayPage = -1;
  defaultRGBPage = -1;
  defaultCMYKPage = -1;
  MakeOutputIntentFixer();
  ProcessColorants(0);
  if (Pattern().empty()) Pattern() = family::ConditionIdentifiers(GetPrintingConditions(), 0);
  fixer.reset(new InfoDictFixer("PDF/X-3:2002"));
  artBoxFixer.reset(new KeyRemovalFixer("ArtBox"));
  // The table is shared with the clones: emptied in place.
  if (keyTable) keyTable->clear();
  AddKeySettings();
  trappedFixer.reset(new InfoDictFixer("True"));
  annotationFixer.reset(new ObscuringAnnotationFixer);
  actionFixer.reset(new ActionFixer);
  AddRuleTree();
  return true;
}

void PDF_X_3_2002::MakeOutputIntentFixer() {
  holdingList.clear();
  boost::shared_ptr<OutputIntentMegaFixer> made(new OutputIntentMegaFixer);
  outputIntentFixer = made;
  profileSettings.Load();
  std::string name;
  made->chosenCondition = family::ChosenCondition(*this, family::CustomCondition(FindOutputCondition(0, name)),
                                                  boost::shared_ptr<OutputCondition>());
}

int PDF_X_3_2002::TestAnnotation(RuleContext* context, CheckResult*) {
  return family::TestAnnotation(context, family::FixersOf<PDF_X_3_2002>(context), &IsUsableAction);
}

int PDF_X_3_2002::TestAction(RuleContext* context, CheckResult*) {
  return family::TestAction(context, family::FixersOf<PDF_X_3_2002>(context), &IsUsableAction);
}

int PDF_X_3_2002::TestTrapNet(RuleContext* context, CheckResult*) {
  return family::TestTrapNet(context, family::FixersOf<PDF_X_3_2002>(context));
}

bool PDF_X_3_2002::IsUsableAction(const MyCosObj& object) { return family::UsableAction(object); }

}  // namespace Zentu
