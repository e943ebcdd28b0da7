// What the standards' rule builders use beside the engine's key rules: the
// slots a tree is built in, short makers of each kind of rule, and
// AlwaysFalse.
#pragma once
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "engine/Conformance.h"
#include "engine/KeyRule.h"

// Fails on every call (verdict 1): a reporting rule with it files its
// message for every object it is reached for.
int AlwaysFalse(RuleContext* context, CheckResult* result);

namespace Zentu {
namespace rules {

typedef boost::shared_ptr<KeyRule> RulePtr;

// The presence modes the trees use most.
const int kNone = KeyRule::NO_PRESENCE;
const int kRequired = KeyRule::REQUIRED;

// The makers of each kind of rule; every rule starts quiet.
RulePtr OfKind(int objectKind);
RulePtr OfKinds(int presence, const std::vector<int>& objectKinds);
RulePtr OfType(int presence, int cosType);
RulePtr Key(int presence, const char* keys, const char* values = "");
// Elements [first, end) of an array; an end of -1 runs to its end.
RulePtr Elements(int presence, int first, int end, const char* values = "");
RulePtr Test(CheckCallback callback, const char* name);

// Makes the rule report: its severity, message (empty: composed from the
// rule), problem kind (12: the failing test's code), the fixer attached to
// its records and whether they name the container of the value tested.
KeyRule& Report(KeyRule& rule, int severity, const char* message, int problem,
                const boost::shared_ptr<Fixer>& fixer = boost::shared_ptr<Fixer>(), bool onContainer = false);

// The twenty slots a tree is built in. A rule is made in a slot, which lets
// go of the rule there before (its parents keep it), and linked: in slot 0
// at the end of the standard's rule list, in any other slot under the rule
// of the slot below, so that a slot is a depth in the tree. The rule is
// configured through the answer, before or after it is linked.
class RuleSlots {
 public:
  static const int kSlots = 20;

  explicit RuleSlots(Conformance::RuleList& roots) : roots_(roots) {}
  KeyRule& Root(const RulePtr& rule);
  KeyRule& FollowUp(int slot, const RulePtr& rule);
  KeyRule& Child(int slot, const RulePtr& rule);
  // The rule in `slot` becomes a child of the rule in the slot below too.
  void ShareAsChild(int slot);

 private:
  KeyRule& Put(int slot, const RulePtr& rule);
  KeyRule& Parent(int slot);

  Conformance::RuleList& roots_;
  RulePtr slots_[kSlots];
};

// The tests of a family that the rules both families build name.
struct FamilyTests {
  CheckCallback annotation;
  CheckCallback action;
  CheckCallback trapNet;
};

// What the trees of both families hold alike, as roots, or under the rule
// in `slot` - 1 in the slots from `slot` up.

// Images' filters and the depth of CCITT images, other streams' filters,
// and the filters and depth of inline images: two roots.
void StreamRoots(RuleSlots& slots);
// The file identifier in the trailer.
void TrailerRoot(RuleSlots& slots);
// Every object of that kind is reported with `message`.
void ProhibitedRoot(RuleSlots& slots, int objectKind, const char* message);
// Pages: separations, actions, `pageTests` (follow-ups of the page), the
// transparency group and the annotations, whose trap networks' normal
// appearance `pcm` judges.
void PageRoot(RuleSlots& slots, const FamilyTests& tests, const std::vector<RulePtr>& pageTests,
              const RulePtr& pcm);
// Graphics states, XObjects, images and forms, then outline entries and
// form fields with their actions: six roots.
void GraphicsRoots(RuleSlots& slots, const FamilyTests& tests);
// The catalog: its actions, and its "OutputIntents" (required, repaired by
// `fixer`) judged as a whole by `intentsTest`, down to each GTS_PDFX
// intent, whose rule is left in slot 5.
void CatalogRoot(RuleSlots& slots, const FamilyTests& tests, CheckCallback intentsTest,
                 const boost::shared_ptr<Fixer>& fixer);
// View and print areas beside the catalog's viewer preferences.
void ViewerPreferences(RuleSlots& slots, int slot);

// The key settings both families have: the Info keys, "GTS_PDFXVersion"
// holding `version` (repaired by the standard's Info fixer), the keys of
// graphics states a repair takes out (with "RI" when `renderingIntent`)
// and the halftones' keys.
void AddCommonKeySettings(Conformance& standard, const char* version, bool renderingIntent);

}  // namespace rules
}  // namespace Zentu
