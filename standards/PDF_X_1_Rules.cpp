// The key settings and the rule tree of PDF/X-1a:2001.
#include "engine/CheckCallbacks.h"
#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "engine/TransparencyChecks.h"
#include "standards/OutputIntents.h"
#include "standards/PDF_X_1_2001.h"
#include "standards/RuleBuilding.h"

namespace Zentu {

using namespace rules;

void PDF_X_1_2001::AddKeySettings() {
  AddCommonKeySettings(*this, "PDF/X-1:2001", true);
  const KeySpec conformance = {KIND_INFO,     KEY_REQUIRED, "GTS_PDFXConformance", "PDF/X-1a:2001", CosString,
                               AUTOFIX_ERROR, nullptr,      &conformanceFixer,     &CheckGTSVersion};
  ParseOptions(&conformance, 1);
}

void PDF_X_1_2001::AddRuleTree() {
  RuleSlots slots(*rules);
  const FamilyTests tests = {&TestAnnotation, &TestAction, &TestTrapNet};

  // Device colour only: gray, CMYK and spot colours.
  slots.Root(OfKind(KIND_COLORSPACE));
  Report(slots.FollowUp(1, Elements(kRequired, 0, 1, "DeviceGray|G|DeviceCMYK|CMYK|Indexed|Pattern|DeviceN|Separation")),
         UNFIXABLE_ERROR, "", PROBLEM_FROM_TEST);
  slots.FollowUp(2, Elements(kNone, 0, 1, "Indexed|Pattern"));
  slots.FollowUp(3, Elements(kNone, 1, 2));
  Report(slots.Child(4, Elements(kNone, 0, 1, "DeviceGray|DeviceCMYK|Separation|DeviceN")), UNFIXABLE_ERROR,
         "The base colorspace is restricted", PROBLEM_FROM_TEST);
  slots.FollowUp(2, Elements(kNone, 0, 1, "Separation"));
  slots.FollowUp(3, Elements(kNone, 2, 3));
  Report(slots.Child(4, Elements(kNone, 0, 1, "DeviceGray|DeviceCMYK")), UNFIXABLE_ERROR,
         "The alternate colorspace of a Separation colorspace is restricted", PROBLEM_FROM_TEST);
  slots.FollowUp(3, Elements(kNone, 3, 4));
  Report(slots.Child(4, OfKind(KIND_FUNCTION)), UNFIXABLE_ERROR,
         "fourth element of Separation colorspace, if present, must be a Function object", PROBLEM_FROM_TEST,
         boost::shared_ptr<Fixer>(), true);
  slots.FollowUp(2, Elements(kNone, 0, 1, "DeviceN"));
  slots.FollowUp(3, Elements(kNone, 2, 3));
  Report(slots.Child(4, Elements(kNone, 0, 1, "DeviceGray|DeviceCMYK")), UNFIXABLE_ERROR,
         "The alternate colorspace of a DeviceN colorspace is restricted", PROBLEM_FROM_TEST);

  TrailerRoot(slots);
  StreamRoots(slots);
  ProhibitedRoot(slots, KIND_OPI, "OPI objects are prohibited in PDF/X-1a:2001");
  RulePtr pcm = Key(kRequired, "PCM", "DeviceCMYK");
  Report(*pcm, UNFIXABLE_ERROR, "The PCM key of the TrapNet annotation must be /DeviceCMYK", PROBLEM_FROM_TEST);
  PageRoot(slots, tests,
           {Test(&TestDefaultGray, "TestDefaultGray"), Test(&TestDefaultCMYK, "TestDefaultCMYK")}, pcm);
  GraphicsRoots(slots, tests);

  // The catalog: its actions, its GTS_PDFX output intent, viewer preferences.
  CatalogRoot(slots, tests, &TestOutputIntentsArray, outputIntentFixer);
  Report(slots.FollowUp(6, Key(kRequired, "OutputConditionIdentifier")), FIXABLE_ERROR, "", PROBLEM_FROM_TEST,
         outputIntentFixer, true);
  const std::string registered = GetConditionNamesPattern();
  slots.FollowUp(7, Key(kNone, "OutputConditionIdentifier", registered.c_str()));
  Report(slots.FollowUp(8, Key(kRequired, "RegistryName", family::kRegistryName)), AUTOFIX_ERROR, "",
         PROBLEM_FROM_TEST, outputIntentFixer, true);
  slots.FollowUp(8, Test(&TestChosenOutputIntent, "TestChosenOutputIntent"));
  slots.FollowUp(7, Key(kNone, "OutputConditionIdentifier", registered.c_str())).SetNegate(true);
  slots.FollowUp(8, Test(&TestChosenOutputIntent, "TestChosenOutputIntent"));
  slots.FollowUp(8, Test(&TestDestOutputProfile, "TestDestOutputProfile"));
  Report(slots.FollowUp(8, Key(KeyRule::RECOMMENDED, "OutputCondition")), WARNING, "", PROBLEM_FROM_TEST,
         boost::shared_ptr<Fixer>(), true);
  slots.FollowUp(6, Key(kNone, "DestOutputProfile"));
  slots.Child(7, Test(&TestICCProfile, "TestICCProfile")).SetReportOnContainer(true);
  ViewerPreferences(slots, 1);

  ProhibitedRoot(slots, KIND_ENCRYPT, "Encryption is not allowed for PDF/X-1a:2001");
}

}  // namespace Zentu
