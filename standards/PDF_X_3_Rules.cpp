// The key settings, the rule tree and the process colorants of PDF/X-3:2002.
#include "engine/CheckCallbacks.h"
#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "engine/TransparencyChecks.h"
#include "host/calls.h"
#include "standards/OutputIntents.h"
#include "standards/PDF_X_3_2002.h"
#include "standards/RuleBuilding.h"

namespace Zentu {

using namespace rules;

const std::set<ASAtom>& PDF_X_3_2002::ProcessColorants(int family) {
  static std::set<ASAtom> sets[4];  // all, gray, RGB, CMYK
  if (sets[0].empty()) {
    // The list ends with a mark that names no colorant.
    static const struct {
      int family;
      const char* name;
    } names[] = {{1, "Gray"},  {2, "Red"},     {2, "Green"},  {2, "Blue"},   {3, "Cyan"},
                 {3, "Magenta"}, {3, "Yellow"}, {3, "Black"}, {0, "TheEnd"}};
    for (const auto& colorant : names) {
      if (colorant.family == 0) break;
      const ASAtom atom = ASAtomFromString(colorant.name);
      sets[colorant.family].insert(atom);
      sets[0].insert(atom);
    }
  }
  return sets[family >= 1 && family <= 3 ? family : 0];
}

void PDF_X_3_2002::AddKeySettings() {
  AddCommonKeySettings(*this, "PDF/X-3:2002", false);
}

void PDF_X_3_2002::AddRuleTree() {
  RuleSlots slots(*rules);
  const FamilyTests tests = {&TestAnnotation, &TestAction, &TestTrapNet};

  // Colorimetric spaces and device spaces the output intent characterises.
  slots.Root(OfKind(KIND_COLORSPACE));
  Report(slots.FollowUp(1, Elements(kRequired, 0, 1,
                                    "CalGray|CalRGB|Lab|ICCBased|DeviceGray|G|DeviceRGB|RGB|DeviceCMYK|CMYK|Indexed|"
                                    "Pattern|DeviceN|Separation")),
         UNFIXABLE_ERROR, "", PROBLEM_FROM_TEST);
  slots.FollowUp(2, Elements(kNone, 0, 1, "DeviceGray|G"));
  slots.FollowUp(3, Test(&TestDefaultGray, "TestDefaultGray"));
  slots.FollowUp(2, Elements(kNone, 0, 1, "DeviceRGB|RGB"));
  slots.FollowUp(3, Test(&TestDefaultRGB, "TestDefaultRGB"));
  slots.FollowUp(2, Elements(kNone, 0, 1, "DeviceCMYK|CMYK"));
  slots.FollowUp(3, Test(&TestDefaultCMYK, "TestDefaultCMYK"));
  slots.FollowUp(2, Elements(kNone, 0, 1, "Separation"));
  slots.FollowUp(3, Elements(kNone, 3, 4));
  Report(slots.Child(4, OfKind(KIND_FUNCTION)), UNFIXABLE_ERROR,
         "fourth element of Separation colorspace, if present, must be a Function object", PROBLEM_FROM_TEST,
         boost::shared_ptr<Fixer>(), true);
  slots.FollowUp(2, Elements(kNone, 0, 1, "Lab"));
  slots.FollowUp(3, Test(&SetNonProcessColors, "SetNonProcessColors"));

  StreamRoots(slots);
  TrailerRoot(slots);
  ProhibitedRoot(slots, KIND_FILESPEC, "File specifications are prohibited in PDF/X-3");
  ProhibitedRoot(slots, KIND_OPI, "OPI objects are prohibited in PDF/X-3");
  RulePtr pcm = Test(&TestTrapNetPCM, "");
  Report(*pcm, UNFIXABLE_ERROR, "The PCM key of the TrapNet annotation must match the output condition colorspace",
         PROBLEM_FROM_TEST);
  PageRoot(slots, tests, {}, pcm);
  GraphicsRoots(slots, tests);

  // The catalog: its actions, its GTS_PDFX output intent, viewer preferences.
  CatalogRoot(slots, tests, &TestOutputIntentsArray, outputIntentFixer);
  slots.FollowUp(6, Test(&SaveOutputIntentsInfo, "SaveOutputIntentsInfo"));
  Report(slots.FollowUp(6, Key(kRequired, "OutputConditionIdentifier")), FIXABLE_ERROR, "", PROBLEM_FROM_TEST,
         outputIntentFixer, true);
  slots.FollowUp(7, Test(&TestChosenOutputIntent, "TestChosenOutputIntent"));
  const std::string registered = GetConditionNamesPattern();
  slots.FollowUp(7, Key(kNone, "OutputConditionIdentifier", registered.c_str()));
  Report(slots.FollowUp(8, Key(kRequired, "RegistryName", family::kRegistryName)), AUTOFIX_ERROR, "",
         PROBLEM_FROM_TEST, outputIntentFixer, true);
  slots.FollowUp(7, Key(kNone, "OutputConditionIdentifier", registered.c_str())).SetNegate(true);
  Report(slots.FollowUp(8, Key(KeyRule::RECOMMENDED, "RegistryName")), WARNING, "", PROBLEM_FROM_TEST,
         outputIntentFixer, true);
  Report(slots.FollowUp(8, Key(kRequired, "DestOutputProfile")), AUTOFIX_ERROR, "", PROBLEM_FROM_TEST,
         outputIntentFixer, true);
  slots.Child(9, Test(&TestICCProfile, "TestICCProfile")).SetReportOnContainer(true);
  Report(slots.FollowUp(6, Key(KeyRule::RECOMMENDED, "Info")), WARNING, "", PROBLEM_FROM_TEST,
         boost::shared_ptr<Fixer>(), true);
  ViewerPreferences(slots, 1);

  ProhibitedRoot(slots, KIND_ENCRYPT, "Encryption is not allowed for PDF/X-3");
}

}  // namespace Zentu
