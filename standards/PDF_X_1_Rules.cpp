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

namespace {

const int kNone = KeyRule::NO_PRESENCE;
const int kRequired = KeyRule::REQUIRED;

}  // namespace

void PDF_X_1_2001::AddKeySettings() {
  boost::shared_ptr<Fixer> info = GlobalFixers::InfoDict();
  boost::shared_ptr<Fixer> removal = GlobalFixers::KeyRemoval();
  const KeySpec settings[] = {
      {KIND_INFO, KEY_REQUIRED, "Trapped", "True|False", CosName, AUTOFIX_ERROR, nullptr, &info, nullptr},
      {KIND_INFO, KEY_REQUIRED, "GTS_PDFXVersion", "PDF/X-1:2001", CosString, AUTOFIX_ERROR, nullptr, &fixer,
       &CheckGTSVersion},
      {KIND_INFO, KEY_REQUIRED, "CreationDate", nullptr, 0, AUTOFIX_ERROR, nullptr, &info, nullptr},
      {KIND_INFO, KEY_REQUIRED, "ModDate", nullptr, 0, AUTOFIX_ERROR, nullptr, &info, nullptr},
      {KIND_INFO, KEY_REQUIRED_LATE, "Creator", nullptr, 0, WARNING_LOW, nullptr, &info, nullptr},
      {KIND_INFO, KEY_REQUIRED_LATE, "Producer", nullptr, 0, WARNING_LOW, nullptr, &info, nullptr},
      {KIND_INFO, KEY_REQUIRED, "Title", nullptr, 0, AUTOFIX_ERROR, nullptr, &info, nullptr},
      {KIND_EXTGSTATE, KEY_PROHIBITED, "TR", nullptr, 0, AUTOFIX_ERROR, nullptr, &removal, nullptr},
      {KIND_EXTGSTATE, KEY_PROHIBITED, "TR2", nullptr, 0, AUTOFIX_ERROR, nullptr, &removal, nullptr},
      {KIND_EXTGSTATE, KEY_PROHIBITED, "HTP", nullptr, 0, AUTOFIX_ERROR, nullptr, &removal, nullptr},
      {KIND_EXTGSTATE, KEY_PROHIBITED, "RI", nullptr, 0, AUTOFIX_ERROR, nullptr, &removal, nullptr},
      {KIND_HALFTONE, KEY_OPTIONAL, "HalftoneType", "1|5", 0, UNFIXABLE_ERROR, nullptr, nullptr, nullptr},
      {KIND_HALFTONE, KEY_PROHIBITED, "HalftoneName", nullptr, 0, UNFIXABLE_ERROR, nullptr, nullptr, nullptr},
      {KIND_INFO, KEY_REQUIRED, "GTS_PDFXConformance", "PDF/X-1a:2001", CosString, AUTOFIX_ERROR, nullptr,
       &conformanceFixer, &CheckGTSVersion},
  };
  ParseOptions(settings, static_cast<int>(sizeof settings / sizeof settings[0]));
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
  slots.Root(OfKind(KIND_CATALOG));
  CatalogActions(slots, 1, tests);
  Report(slots.FollowUp(1, Key(kRequired, "OutputIntents")), AUTOFIX_ERROR,
         "There must be an OutputIntent in the Catalog object", PROBLEM_FROM_TEST, outputIntentFixer);
  slots.Child(2, Test(&TestOutputIntentsArray, "TestOutputIntentsArray"));
  slots.Child(3, Elements(kNone, 0, -1));
  slots.Child(4, OfType(kNone, CosDict));
  slots.FollowUp(5, Key(kNone, "S", "GTS_PDFX"));
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
