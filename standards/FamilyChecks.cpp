// Content operators, page boxes and the condition-name pattern of both
// PDF/X families.
#include "standards/FamilyChecks.h"

#include <cstring>

#include "common/CosRect.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/Fixer.h"
#include "engine/Fixers.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "engine/PDFXPreflight.h"

namespace Zentu {
namespace family {

namespace {

// The operators of PDF 1.3 that both families accept, by length; any other
// name is put aside.
const char kAcceptedSingle[] = "bBcdfFgGhijJkKlmMnqQsSvwWy[]'\"";
const char* const kAcceptedDouble[] = {"b*", "B*", "BI", "BT", "cm", "cs", "CS", "d0", "d1", "Do", "DP", "EI", "ET",
                                       "f*", "gs", "ID", "MP", "re", "sc", "SC", "sh", "T*", "Tc", "Td", "TD", "Tf",
                                       "Tj", "TJ", "TL", "Tm", "Tr", "Ts", "Tw", "Tz", "W*", "<<", ">>", nullptr};
const char* const kAcceptedTriple[] = {"BDC", "BMC", "EMC", "scn", "SCN", nullptr};

bool Listed(const char* const* list, const char* op) {
  for (; list && *list; ++list) {
    if (std::strcmp(*list, op) == 0) return true;
  }
  return false;
}

bool AcceptedByBoth(const char* op) {
  switch (std::strlen(op)) {
    case 1:
      return std::strchr(kAcceptedSingle, op[0]) != nullptr;
    case 2:
      return Listed(kAcceptedDouble, op);
    case 3:
      return Listed(kAcceptedTriple, op);
    case 4:
      return std::strcmp(op, "true") == 0;
    case 5:
      return std::strcmp(op, "false") == 0;
    default:
      return false;
  }
}

const char kOneBox[] = "One but not both of /ArtBox and /TrimBox must be set for the page";

// A box inside another, both read as rectangles; an unusable one (not
// four numbers, or without width or height) holds and is held by nothing.
bool Holds(const NodePtr& container, const NodePtr& box) {
  CosRect outer(container->object);
  return outer.Contains(CosRect(box->object));
}

}  // namespace

void CheckOperator(const OperatorRules& rules, Conformance& standard, PDFXPreflight& walker, const char* op,
                   const NodePtr& objectNode, const NodePtr& containerNode) {
  if (!op || !*op) return;
  const bool reported = Listed(rules.reported, op);
  const bool aside = !reported && (Listed(rules.noted, op) || !(Listed(rules.accepted, op) || AcceptedByBoth(op)));
  // One record, or one place in the list, for each operator a content uses.
  if ((!reported && !aside) || !walker.FirstUseOfOperator(containerNode, op)) return;
  if (reported) {
    standard.AddOperatorError(walker, objectNode, containerNode, UNFIXABLE_ERROR, op, GlobalFixers::OperatorRemoval(),
                              nullptr);
  } else {
    walker.GetOperatorNames().push_back(op);
  }
}

void CheckPageBoxes(const PageBoxRules& rules, const boost::shared_ptr<Fixer>& artBoxFixer, PDFXPreflight& walker,
                    const NodePtr& page, const NodePtr& artBox, const NodePtr& bleedBox, const NodePtr& cropBox,
                    const NodePtr& mediaBox, const NodePtr& trimBox) {
  const bool both = artBox && trimBox;
  if (both || (!artBox && !trimBox)) {
    const int severity = mediaBox || cropBox ? AUTOFIX_ERROR : UNFIXABLE_ERROR;
    const int problem = both ? rules.bothGivenProblem : PROBLEM_MISSING;
    // The page is what both repairs change.
    boost::shared_ptr<PDFX_Error> error =
        walker.AddNodeError(kOneBox, "TrimBox", severity, KIND_PAGE, problem, NodePtr(), page);
    if (mediaBox) {
      if (both) {
        error->AttachFixer(artBoxFixer);
      } else {
        NodePtr reference = mediaBox;
        if (rules.bleedBoxFirst) {
          if (bleedBox && cropBox) {
            reference = Holds(cropBox, bleedBox) ? bleedBox : cropBox;
          } else if (bleedBox || cropBox) {
            reference = bleedBox ? bleedBox : cropBox;
          }
        } else if (cropBox) {
          reference = cropBox;
        }
        error->AttachFixer(boost::shared_ptr<Fixer>(new UseMediaBoxFixer(reference)));
      }
    }
  }

  struct Containment {
    const NodePtr& container;
    const NodePtr& box;
    const char* message;
  } const rows[] = {
      {cropBox, artBox, "CropBox must contain ArtBox"},
      {bleedBox, artBox, "BleedBox must contain ArtBox"},
      {cropBox, trimBox, "CropBox must contain TrimBox"},
      {bleedBox, trimBox, "BleedBox must contain TrimBox"},
  };
  for (const Containment& row : rows) {
    if (!row.container || !row.box || Holds(row.container, row.box)) continue;
    walker.AddNodeError(row.message, std::string(), UNFIXABLE_ERROR, KIND_PAGE, PROBLEM_INVALID, row.container, page);
  }
}

std::string ConditionIdentifiers(const OutputConditionMap& conditions, int kind) {
  std::string joined;
  for (const auto& entry : conditions) {
    if (!entry.second || !entry.second->reference || (kind >= 1 && entry.second->kind != kind)) continue;
    if (!joined.empty()) joined += "|";
    joined += entry.first;
  }
  return joined;
}

}  // namespace family
}  // namespace Zentu
