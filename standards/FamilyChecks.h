// What the two PDF/X families share step for step: the sorting of content
// operators, the page-box rules, the condition-name pattern and the
// annotation, action and trap-network tests. Each family's operations call
// these with its own tables and fixers.
#pragma once
#include <string>

#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"
#include "engine/OutputCondition.h"
#include "engine/RuleContext.h"

class ObjectNode;
class PDFXPreflight;

namespace Zentu {

class Conformance;
class Fixer;

namespace family {

typedef boost::shared_ptr<ObjectNode> NodePtr;

// How a family treats the names that it tests before the common lists:
// each list is null-terminated and tested in the order reported, noted,
// accepted; the first match decides.
struct OperatorRules {
  const char* const* reported;  // an error at once, with the operator remover
  const char* const* noted;     // put aside for the content's summary
  const char* const* accepted;
};

// Files the operator's record, or notes its name, as the family's rules
// and the common lists say; every other name is accepted.
void CheckOperator(const OperatorRules& rules, Conformance& standard, PDFXPreflight& walker, const char* op,
                   const NodePtr& objectNode, const NodePtr& containerNode);

struct PageBoxRules {
  // The problem kind of "both boxes given": 2 missing value, 3 invalid value.
  int bothGivenProblem;
  // The box a new TrimBox copies: the BleedBox when the CropBox holds it
  // (else the CropBox, else the MediaBox), or only the CropBox, else the
  // MediaBox.
  bool bleedBoxFirst;
};

// Exactly one of ArtBox and TrimBox, each inside the CropBox and the
// BleedBox. `artBoxFixer` repairs a page that has both.
void CheckPageBoxes(const PageBoxRules& rules, const boost::shared_ptr<Fixer>& artBoxFixer, PDFXPreflight& walker,
                    const NodePtr& page, const NodePtr& artBox, const NodePtr& bleedBox, const NodePtr& cropBox,
                    const NodePtr& mediaBox, const NodePtr& trimBox);

// The identifiers of the reference conditions of `kind` (all of them for a
// kind below 1), in identifier order, joined by "|".
std::string ConditionIdentifiers(const OutputConditionMap& conditions, int kind);

// The fixers a family's tests attach; an empty one attaches nothing.
struct AnnotationFixers {
  boost::shared_ptr<Fixer> annotation;
  boost::shared_ptr<Fixer> action;
  boost::shared_ptr<Fixer> trapped;
};

// The fixers of the standard of the check when it is a `Standard`.
template <class Standard>
AnnotationFixers FixersOf(const RuleContext* context) {
  AnnotationFixers fixers;
  const Standard* standard = context ? dynamic_cast<const Standard*>(context->standard) : nullptr;
  if (standard) {
    fixers.annotation = standard->annotationFixer;
    fixers.action = standard->actionFixer;
    fixers.trapped = standard->trappedFixer;
  }
  return fixers;
}

// Whether the host makes an action of the object; a failure says no.
bool UsableAction(const MyCosObj& object);
int TestAnnotation(RuleContext* context, const AnnotationFixers& fixers, bool (*isUsableAction)(const MyCosObj&));
int TestAction(RuleContext* context, const AnnotationFixers& fixers, bool (*isUsableAction)(const MyCosObj&));
int TestTrapNet(RuleContext* context, const AnnotationFixers& fixers);

}  // namespace family
}  // namespace Zentu
