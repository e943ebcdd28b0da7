// The records of content-stream operators: one per offending operator met,
// and one summary per content of the operators the standard put aside.
#include <vector>

#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/Fixer.h"
#include "engine/Fixers.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "engine/PDFXPreflight.h"

namespace Zentu {

namespace {

// Each record's repair takes out the operators it names.
boost::shared_ptr<Fixer> SharedOperatorRemover() { return GlobalFixers::OperatorRemoval(); }

// 'a'; 'a' and 'b'; 'a', 'b', and 'c'.
std::string JoinQuoted(const std::vector<std::string>& names) {
  std::string joined;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) {
      if (names.size() == 2) {
        joined += " and ";
      } else {
        joined += ", ";
        if (i + 1 == names.size()) joined += "and ";
      }
    }
    joined += "'" + names[i] + "'";
  }
  return joined;
}

}  // namespace

void Conformance::AddOperatorError(PDFXPreflight& walker, const boost::shared_ptr<ObjectNode>& objectNode,
                                   const boost::shared_ptr<ObjectNode>& containerNode, int severity,
                                   const std::string& op, const boost::shared_ptr<Fixer>& fixer, DeferredTest test) {
  boost::shared_ptr<PDFX_Error> error = walker.AddNodeError("'" + op + "'", op, severity, KIND_OPERATOR,
                                                            PROBLEM_INVALID, objectNode, containerNode);
  if (containerNode) walker.AddOperatorsToRemove(*error, std::list<std::string>(1, op));
  error->AttachFixer(fixer);
  error->SetDeferredTest(test);
}

void Conformance::CheckOperatorUsage(PDFXPreflight& walker, const boost::shared_ptr<ObjectNode>& objectNode,
                                     const boost::shared_ptr<ObjectNode>& containerNode,
                                     const std::list<std::string>& names, DeferredTest test) {
  int level = SEVERITY_UNKNOWN;
  bool riSeen = false;
  std::vector<std::string> unknown;
  for (const std::string& name : names) {
    if (name == "BX") {
      if (level < WARNING_LOW) level = WARNING_LOW;
    } else if (name == "EX") {
      // Only its BX raises the level.
    } else {
      level = AUTOFIX_ERROR;
      if (name == "ri") {
        riSeen = true;
      } else {
        unknown.push_back(name);
      }
    }
  }

  std::string message;
  if (level == WARNING_LOW) {
    message = "It is recommended that a PDF/X writer not make use of the BX/EX operators";
  } else {
    if (riSeen) message = "Use of the 'ri' operator is prohibited.  ";
    if (!unknown.empty()) {
      message += "The " + JoinQuoted(unknown) + " operator";
      message += unknown.size() > 1 ? "s are " : " is ";
      message += "unknown in PDF 1.3";
    }
  }

  boost::shared_ptr<PDFX_Error> error = walker.AddNodeError(message, std::string(), level, KIND_OPERATOR,
                                                            PROBLEM_INVALID, objectNode, containerNode);
  if (containerNode) walker.AddOperatorsToRemove(*error, names);
  error->AttachFixer(SharedOperatorRemover());
  error->SetDeferredTest(test);
}

}  // namespace Zentu
