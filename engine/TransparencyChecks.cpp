#include "engine/TransparencyChecks.h"

#include <string>

#include <boost/make_shared.hpp>

#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/Fixer.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "engine/TransparencyError.h"

namespace {

typedef boost::shared_ptr<ObjectNode> NodePtr;

bool IsIdentificationRecord(const Zentu::PDFX_Error& error) {
  return error.GetObjectKind() == KIND_INFO &&
         (error.GetDetail() == "GTS_PDFXConformance" || error.GetDetail() == "GTS_PDFXVersion");
}

}  // namespace

boost::shared_ptr<Zentu::Fixer>& TransparencyRemovalFixerInstance() {
  static boost::shared_ptr<Zentu::Fixer> fixer;
  return fixer;
}

int AddTransparencyError(RuleContext* context, bool fixable) {
  if (!context || !context->standard || !context->walker) return 0;
  Zentu::Conformance& standard = *context->standard;
  PDFXPreflight& walker = *context->walker;
  const int page = walker.GetCurrentPage();

  // The standard keeps the page of its last transparency record and that
  // record. The nodes take the kinds the walk gave the objects: an
  // ExtGState seldom says /Type, and the fixer goes by the kind.
  boost::shared_ptr<Zentu::TransparencyError> known =
      boost::dynamic_pointer_cast<Zentu::TransparencyError>(standard.secondLimitError);
  if (known && standard.secondLimit == page) {
    known->nodes.push_back(boost::make_shared<ObjectNode>(context->value, context->objectKind, std::string()));
    if (!fixable) known->SetSeverity(UNFIXABLE_ERROR);
    return 0;
  }

  NodePtr subject = boost::make_shared<ObjectNode>(context->value, context->objectKind, std::string());
  NodePtr holder = boost::make_shared<ObjectNode>(context->container, context->containerKind, std::string());
  const int severity = fixable ? AUTOFIX_ERROR : UNFIXABLE_ERROR;
  boost::shared_ptr<Zentu::TransparencyError> error(new Zentu::TransparencyError(
      &walker, "Transparency is used on this page", std::string(), severity, KIND_PAGE, PROBLEM_INVALID, subject,
      holder));
  error->AttachFixer(TransparencyRemovalFixerInstance());
  standard.secondLimit = page;
  standard.secondLimitError = error;
  walker.InsertError(error, severity);
  return PROBLEM_INVALID;
}

int FoundTransparency(RuleContext* context, CheckResult*) { return AddTransparencyError(context, true); }

int FoundUnfixableTransparency(RuleContext* context, CheckResult*) { return AddTransparencyError(context, false); }

bool CheckGTSVersion(FixContext& context) {
  Zentu::PDFX_Error* error = context.error;
  if (!error || !error->GetOwner()) return false;
  bool fixable = false;
  bool unfixable = false;
  for (const boost::shared_ptr<Zentu::PDFX_Error>& other : error->GetOwner()->GetErrorList()) {
    if (!other || other.get() == error || IsIdentificationRecord(*other)) continue;
    const int severity = other->GetEffectiveSeverity();
    if (severity == FIXABLE_ERROR) fixable = true;
    if (severity == UNFIXABLE_ERROR) unfixable = true;
  }
  const int wanted = unfixable ? UNFIXABLE_ERROR : fixable ? FIXABLE_ERROR : AUTOFIX_ERROR;
  // The walker runs this test with one record of the several that carry it:
  // the other open identification records follow the same grade, or "Fix
  // all" would keep trying one that cannot be written yet.
  bool changed = false;
  for (const boost::shared_ptr<Zentu::PDFX_Error>& other : error->GetOwner()->GetErrorList()) {
    if (!other || (other.get() != error && (other->IsFixed() || !IsIdentificationRecord(*other) ||
                                            other->GetDeferredTest() != &CheckGTSVersion)))
      continue;
    if (other->GetSeverity() == wanted) continue;
    other->SetSeverity(wanted);
    changed = true;
  }
  return changed;
}
