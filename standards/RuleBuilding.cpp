#include "standards/RuleBuilding.h"

#include <stdexcept>

#include "engine/CheckCallbacks.h"
#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "engine/KeyTable.h"
#include "engine/TransparencyChecks.h"

int AlwaysFalse(RuleContext*, CheckResult*) { return 1; }

namespace Zentu {
namespace rules {

RulePtr OfKind(int objectKind) { return RulePtr(new KeyRule(objectKind)); }

RulePtr OfKinds(int presence, const std::vector<int>& objectKinds) {
  return RulePtr(new KeyRule(presence, objectKinds));
}

RulePtr OfType(int presence, int cosType) { return RulePtr(new KeyRule(presence, cosType)); }

RulePtr Key(int presence, const char* keys, const char* values) {
  return RulePtr(new KeyRule(presence, keys, values, '|'));
}

RulePtr Elements(int presence, int first, int end, const char* values) {
  return RulePtr(new KeyRule(presence, KeyRule::Range(first, end), values, '|'));
}

RulePtr Test(CheckCallback callback, const char* name) { return RulePtr(new KeyRule(callback, name)); }

KeyRule& RuleSlots::Put(int slot, const RulePtr& rule) {
  if (slot < 0 || slot >= kSlots || !rule) throw std::logic_error("no such rule slot");
  slots_[slot] = rule;
  return *rule;
}

KeyRule& RuleSlots::Parent(int slot) {
  if (slot < 1 || slot >= kSlots || !slots_[slot - 1]) throw std::logic_error("a rule without a parent");
  return *slots_[slot - 1];
}

KeyRule& RuleSlots::Root(const RulePtr& rule) {
  KeyRule& made = Put(0, rule);
  roots_.push_back(rule);
  return made;
}

KeyRule& RuleSlots::FollowUp(int slot, const RulePtr& rule) {
  KeyRule& parent = Parent(slot);
  parent.AddFollowUp(rule);
  return Put(slot, rule);
}

KeyRule& RuleSlots::Child(int slot, const RulePtr& rule) {
  KeyRule& parent = Parent(slot);
  parent.AddChild(rule);
  return Put(slot, rule);
}

void RuleSlots::ShareAsChild(int slot) {
  KeyRule& parent = Parent(slot);
  if (!slots_[slot]) throw std::logic_error("an empty rule slot");
  parent.AddChild(slots_[slot]);
}

KeyRule& Report(KeyRule& rule, int severity, const char* message, int problem,
                const boost::shared_ptr<Fixer>& fixer, bool onContainer) {
  rule.SetError(severity, message, problem);
  rule.SetFixer(fixer);
  if (onContainer) rule.SetReportOnContainer(true);
  return rule;
}

namespace {

const char kOneBit[] = "Only 1-bit images may use CCITTFaxDecode";
// The filters that lose nothing, and those and the image filters, by their
// names and (inline) by their abbreviations.
const char kPlainFilters[] = "ASCIIHexDecode|ASCII85Decode|RunLengthDecode|FlateDecode";
const char kImageFilters[] = "CCITTFaxDecode|DCTDecode|ASCIIHexDecode|ASCII85Decode|RunLengthDecode|FlateDecode";
const char kInlineFilters[] =
    "CCITTFaxDecode|DCTDecode|ASCIIHexDecode|ASCII85Decode|RunLengthDecode|FlateDecode|CCF|DCT|AHx|A85|RL|Fl";

RulePtr Marked() { return Test(&MarkAsChecked, "MarkAsChecked"); }
RulePtr Unfixable() { return Test(&FoundUnfixableTransparency, "FoundUnfixableTransparency"); }

// A "Group" of the value, as a follow-up or a child: a transparency group
// is transparency that cannot be taken out. Its /S lies in the group, so
// the test of /S is a child of the group's rule.
void TransparencyGroup(RuleSlots& slots, int slot, bool child) {
  const RulePtr group = Key(kNone, "Group");
  if (child) {
    slots.Child(slot, group);
  } else {
    slots.FollowUp(slot, group);
  }
  slots.FollowUp(slot + 1, Marked());
  slots.Child(slot + 1, Key(kNone, "S", "Transparency"));
  slots.FollowUp(slot + 2, Unfixable());
}

// A key of the value that holds an action.
void ActionKey(RuleSlots& slots, int slot, const char* key, const FamilyTests& tests) {
  slots.FollowUp(slot, Key(kNone, key));
  slots.FollowUp(slot + 1, Test(tests.action, "TestAction"));
}

// Each annotation of a page's "Annots" (the rule in `slot` - 1).
void Annotations(RuleSlots& slots, int slot, const FamilyTests& tests, const RulePtr& pcm) {
  slots.Child(slot, Marked());
  slots.Child(slot, Elements(kNone, 0, -1));
  slots.Child(slot + 1, OfType(kNone, CosDict));
  const int annotation = slot + 2;  // the slot below the annotation's rules
  slots.FollowUp(annotation, Marked());
  slots.FollowUp(annotation, Key(kNone, "Subtype", "Popup")).SetNegate(true);
  slots.FollowUp(annotation + 1, Test(tests.annotation, "TestAnnotation"));
  slots.FollowUp(annotation, Key(kNone, "Subtype", "TrapNet"));
  slots.FollowUp(annotation + 1, Test(tests.trapNet, "TestTrapNet"));
  slots.FollowUp(annotation + 1, Key(kNone, "AP"));
  // The colour model lies in the appearance stream that prints.
  slots.Child(annotation + 2, Key(kNone, "N"));
  slots.Child(annotation + 3, pcm);
  ActionKey(slots, annotation, "A", tests);
  ActionKey(slots, annotation, "AA", tests);
  slots.FollowUp(annotation, Key(kNone, "AP"));
  slots.FollowUp(annotation + 1, Marked());
  // One rule looks at each appearance, the normal one included.
  const int appearance = annotation + 2;
  slots.Child(annotation + 1, Key(kNone, "N"));
  slots.Child(appearance, Marked());
  TransparencyGroup(slots, appearance + 1, true);
  slots.Child(annotation + 1, Key(kNone, "R"));
  slots.ShareAsChild(appearance);
  slots.Child(annotation + 1, Key(kNone, "D"));
  slots.ShareAsChild(appearance);
}

}  // namespace

void StreamRoots(RuleSlots& slots) {
  boost::shared_ptr<Fixer> compression = GlobalFixers::Compression();
  slots.Root(OfType(kNone, CosStream));
  slots.FollowUp(1, OfKind(KIND_IMAGE));
  slots.FollowUp(2, Key(kNone, "Filter"));
  Report(slots.Child(3, Elements(kNone, 0, -1, kImageFilters)), AUTOFIX_ERROR, "", PROBLEM_BAD_FILTER, compression,
         true);
  slots.FollowUp(2, Test(&TestFilterForCCITT, "TestFilterForCCITT"));
  // On the image itself: the follow-up's container is whatever placed it.
  Report(slots.FollowUp(3, Key(kNone, "BitsPerComponent", "1")), UNFIXABLE_ERROR, kOneBit, PROBLEM_BAD_FILTER,
         compression);
  slots.FollowUp(1, OfKinds(kNone, {KIND_IMAGE, KIND_INLINE_IMAGE})).SetNegate(true);
  slots.FollowUp(2, Key(kNone, "Filter"));
  Report(slots.Child(3, Elements(kNone, 0, -1, kPlainFilters)), AUTOFIX_ERROR, "", PROBLEM_BAD_FILTER, compression,
         true);

  slots.Root(OfKind(KIND_INLINE_IMAGE));
  slots.FollowUp(1, Key(kNone, "Filter|F"));
  Report(slots.Child(2, Elements(kNone, 0, -1, kInlineFilters)), UNFIXABLE_ERROR, "", PROBLEM_FROM_TEST);
  slots.FollowUp(1, Test(&TestFilterForCCITT, "TestFilterForCCITT"));
  Report(slots.FollowUp(2, Key(kNone, "BitsPerComponent|BPC", "1")), UNFIXABLE_ERROR, kOneBit, PROBLEM_FROM_TEST);
}

void TrailerRoot(RuleSlots& slots) {
  slots.Root(OfKind(KIND_TRAILER));
  Report(slots.Child(1, Test(&TestTrailerID, "TestTrailerID")), AUTOFIX_ERROR, "The /ID key in Trailer",
         PROBLEM_FROM_TEST, GlobalFixers::JustSave(), true);
}

void ProhibitedRoot(RuleSlots& slots, int objectKind, const char* message) {
  slots.Root(OfKind(objectKind));
  Report(slots.FollowUp(1, Test(&AlwaysFalse, "AlwaysFalse")), UNFIXABLE_ERROR, message, PROBLEM_FROM_TEST);
}

void PageRoot(RuleSlots& slots, const FamilyTests& tests, const std::vector<RulePtr>& pageTests,
              const RulePtr& pcm) {
  slots.Root(OfKind(KIND_PAGE));
  Report(slots.FollowUp(1, Key(KeyRule::PROHIBITED, "SeparationInfo")), UNFIXABLE_ERROR,
         "Pre-separated PDF files are not allowed", PROBLEM_INVALID);
  ActionKey(slots, 1, "AA", tests);
  for (const RulePtr& test : pageTests) slots.FollowUp(1, test);
  TransparencyGroup(slots, 1, false);
  slots.FollowUp(1, Key(kNone, "Annots"));
  Annotations(slots, 2, tests, pcm);
}

void GraphicsRoots(RuleSlots& slots, const FamilyTests& tests) {
  slots.Root(OfKind(KIND_EXTGSTATE));
  for (const auto& opaque : {std::make_pair("BM", "Normal"), std::make_pair("ca", "1.0"), std::make_pair("CA", "1.0"),
                             std::make_pair("SMask", "None"), std::make_pair("AIS", "false")}) {
    slots.FollowUp(1, Key(kNone, opaque.first, opaque.second)).SetNegate(true);
    slots.FollowUp(2, Unfixable());
  }

  slots.Root(OfKind(KIND_XOBJECT));
  Report(slots.FollowUp(1, Key(KeyRule::PROHIBITED, "Subtype", "PS")), UNFIXABLE_ERROR,
         "PostScript XObjects are not allowed", PROBLEM_WRONG_TYPE);

  slots.Root(OfKind(KIND_IMAGE));
  slots.FollowUp(1, Key(kNone, "SMask", "None"));
  slots.FollowUp(2, Test(&FoundTransparency, "FoundTransparency"));
  slots.FollowUp(1, Key(kNone, "SMask", "None")).SetNegate(true);
  slots.FollowUp(2, Unfixable());
  slots.FollowUp(1, Key(kNone, "Alternates"));
  slots.Child(2, Elements(kNone, 0, -1));
  Report(slots.Child(3, Key(kNone, "DefaultForPrinting", "false")), UNFIXABLE_ERROR,
         "Alternate images may not have DefaultForPrinting set to true", PROBLEM_FROM_TEST);

  slots.Root(OfKind(KIND_FORM));
  TransparencyGroup(slots, 1, false);

  slots.Root(OfKind(KIND_OUTLINE));
  ActionKey(slots, 1, "A", tests);
  slots.Root(OfKind(KIND_FORM_FIELD));
  ActionKey(slots, 1, "AA", tests);
}

void CatalogRoot(RuleSlots& slots, const FamilyTests& tests, CheckCallback intentsTest,
                 const boost::shared_ptr<Fixer>& fixer) {
  slots.Root(OfKind(KIND_CATALOG));
  ActionKey(slots, 1, "OpenAction", tests);
  ActionKey(slots, 1, "AA", tests);
  Report(slots.FollowUp(1, Key(kRequired, "OutputIntents")), AUTOFIX_ERROR,
         "There must be an OutputIntent in the Catalog object", PROBLEM_FROM_TEST, fixer);
  slots.Child(2, Test(intentsTest, "TestOutputIntentsArray"));
  slots.Child(3, Elements(kNone, 0, -1));
  slots.Child(4, OfType(kNone, CosDict));
  slots.FollowUp(5, Key(kNone, "S", "GTS_PDFX"));
}

void ViewerPreferences(RuleSlots& slots, int slot) {
  slots.FollowUp(slot, Key(kNone, "ViewerPreferences"));
  // Looked for beside the preferences, in the catalog.
  for (const char* key : {"ViewArea", "ViewClip", "PrintArea", "PrintClip"})
    Report(slots.FollowUp(slot + 1, Key(KeyRule::PROHIBITED, key)), WARNING, "This is a PDF 1.4 feature",
           PROBLEM_FROM_TEST);
}

void AddCommonKeySettings(Conformance& standard, const char* version, bool renderingIntent) {
  boost::shared_ptr<Fixer> info = GlobalFixers::InfoDict();
  boost::shared_ptr<Fixer> removal = GlobalFixers::KeyRemoval();
  const KeySpec settings[] = {
      {KIND_INFO, KEY_REQUIRED, "Trapped", "True|False", CosName, AUTOFIX_ERROR, nullptr, &info, nullptr},
      {KIND_INFO, KEY_REQUIRED, "GTS_PDFXVersion", version, CosString, AUTOFIX_ERROR, nullptr, &standard.fixer,
       &CheckGTSVersion},
      {KIND_INFO, KEY_REQUIRED, "CreationDate", nullptr, 0, AUTOFIX_ERROR, nullptr, &info, nullptr},
      {KIND_INFO, KEY_REQUIRED, "ModDate", nullptr, 0, AUTOFIX_ERROR, nullptr, &info, nullptr},
      {KIND_INFO, KEY_REQUIRED_LATE, "Creator", nullptr, 0, WARNING_LOW, nullptr, &info, nullptr},
      {KIND_INFO, KEY_REQUIRED_LATE, "Producer", nullptr, 0, WARNING_LOW, nullptr, &info, nullptr},
      {KIND_INFO, KEY_REQUIRED, "Title", nullptr, 0, AUTOFIX_ERROR, nullptr, &info, nullptr},
      {KIND_EXTGSTATE, KEY_PROHIBITED, "TR", nullptr, 0, AUTOFIX_ERROR, nullptr, &removal, nullptr},
      {KIND_EXTGSTATE, KEY_PROHIBITED, "TR2", nullptr, 0, AUTOFIX_ERROR, nullptr, &removal, nullptr},
      {KIND_EXTGSTATE, KEY_PROHIBITED, "HTP", nullptr, 0, AUTOFIX_ERROR, nullptr, &removal, nullptr},
      {KIND_HALFTONE, KEY_OPTIONAL, "HalftoneType", "1|5", 0, UNFIXABLE_ERROR, nullptr, nullptr, nullptr},
      {KIND_HALFTONE, KEY_PROHIBITED, "HalftoneName", nullptr, 0, UNFIXABLE_ERROR, nullptr, nullptr, nullptr},
      // Last: only where it is asked for.
      {KIND_EXTGSTATE, KEY_PROHIBITED, "RI", nullptr, 0, AUTOFIX_ERROR, nullptr, &removal, nullptr},
  };
  const int count = static_cast<int>(sizeof settings / sizeof settings[0]);
  standard.ParseOptions(settings, renderingIntent ? count : count - 1);
}

}  // namespace rules
}  // namespace Zentu
