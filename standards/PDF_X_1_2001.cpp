#include "standards/PDF_X_1_2001.h"

#include <new>

#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "standards/FamilyChecks.h"
#include "standards/OutputIntents.h"

namespace Zentu {

namespace {

// Shared by every object of the family; filled by the first build.
std::string& FamilyPattern() {
  static std::string pattern;
  return pattern;
}

const char* const kReported[] = {"PS", "rg", "RG", nullptr};
const char* const kNoted[] = {"ri", "BX", "EX", nullptr};
const family::OperatorRules kOperators = {kReported, kNoted, nullptr};
const family::PageBoxRules kPageBoxes = {PROBLEM_MISSING, true};

}  // namespace

PDF_X_1_2001::PDF_X_1_2001() : defaultGrayPage(-1), defaultCMYKPage(-1) {
  highestVersionF = 1.3f;
  highestVersion = 1.3;
  name = "PDF/X-1:2001";
}

PDF_X_1_2001::~PDF_X_1_2001() = default;

int PDF_X_1_2001::ReplaceDestinationProfile(PDFXPreflight& walker, MyCosObj intent) {
  return family::ReplaceDestinationProfile(*this, walker, intent);
}

Conformance* PDF_X_1_2001::Clone() {
  BuildRules();
  return new (std::nothrow) PDF_X_1_2001(*this);
}

std::string PDF_X_1_2001::GetConditionNamesPattern() const { return FamilyPattern(); }

CheckResult PDF_X_1_2001::CheckOperator(PDFXPreflight& walker, int, const char* op,
                                        const boost::shared_ptr<ObjectNode>& objectNode,
                                        const boost::shared_ptr<ObjectNode>& containerNode) {
  family::CheckOperator(kOperators, *this, walker, op, objectNode, containerNode);
  return CheckResult();
}

bool PDF_X_1_2001::CheckPageBoxes(PDFXPreflight& walker, const boost::shared_ptr<ObjectNode>& page,
                                  const boost::shared_ptr<ObjectNode>& artBox,
                                  const boost::shared_ptr<ObjectNode>& bleedBox,
                                  const boost::shared_ptr<ObjectNode>& cropBox,
                                  const boost::shared_ptr<ObjectNode>& mediaBox,
                                  const boost::shared_ptr<ObjectNode>& trimBox) {
  family::CheckPageBoxes(kPageBoxes, artBoxFixer, walker, page, artBox, bleedBox, cropBox, mediaBox, trimBox);
  return true;
}

bool PDF_X_1_2001::WantsKindCheck(PDFXPreflight&, int objectKind) {
  return objectKind == KIND_FONT || objectKind == KIND_EMBEDDED_FILE;
}

bool PDF_X_1_2001::BuildRules() {
  Conformance::BuildRules();
  defaultGrayPage = -1;
  defaultCMYKPage = -1;
  MakeOutputIntentFixers();
  if (FamilyPattern().empty()) FamilyPattern() = family::ConditionIdentifiers(GetPrintingConditions(), 2);
  fixer.reset(new InfoDictFixer("PDF/X-1:2001"));
  artBoxFixer.reset(new KeyRemovalFixer("ArtBox"));
  // The table is shared with the clones: emptied in place.
  if (keyTable) keyTable->clear();
  conformanceFixer.reset(new InfoDictFixer("PDF/X-1a:2001"));
  AddKeySettings();
  trappedFixer.reset(new InfoDictFixer("True"));
  annotationFixer.reset(new ObscuringAnnotationFixer);
  actionFixer.reset(new ActionFixer);
  AddRuleTree();
  return true;
}

void PDF_X_1_2001::MakeOutputIntentFixers() {
  profileSettings.Load();
  std::string name;
  const boost::shared_ptr<OutputCondition> custom = family::CustomCondition(FindOutputCondition(0, name));
  destOutputProfileFixer.reset(new DestOutputProfileFixer(custom));
  outputIntentFixer.reset(new OutputIntentMegaFixer(family::ChosenCondition(*this, custom, custom)));
}

int PDF_X_1_2001::TestAnnotation(RuleContext* context, CheckResult*) {
  return family::TestAnnotation(context, family::FixersOf<PDF_X_1_2001>(context), &IsUsableAction);
}

int PDF_X_1_2001::TestAction(RuleContext* context, CheckResult*) {
  return family::TestAction(context, family::FixersOf<PDF_X_1_2001>(context), &IsUsableAction);
}

int PDF_X_1_2001::TestTrapNet(RuleContext* context, CheckResult*) {
  return family::TestTrapNet(context, family::FixersOf<PDF_X_1_2001>(context));
}

bool PDF_X_1_2001::IsUsableAction(const MyCosObj& object) { return family::UsableAction(object); }

PDF_X_1a_2001::PDF_X_1a_2001() {
  highestVersionF = 1.3f;
  highestVersion = 1.3;
  name = "PDF/X-1a:2001";
}

PDF_X_1a_2001::~PDF_X_1a_2001() = default;

Conformance* PDF_X_1a_2001::Clone() {
  BuildRules();
  return new (std::nothrow) PDF_X_1a_2001(*this);
}

}  // namespace Zentu
