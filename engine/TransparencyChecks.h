// Transparency gathered into one record per page, and the re-grading of the
// records about the document's identification keys.
#pragma once
#include <boost/shared_ptr.hpp>

#include "engine/FixContext.h"
#include "engine/RuleContext.h"

namespace Zentu {
class Fixer;
}

// The shared repair attached to every transparency record; empty until the
// fixers are made at load.
boost::shared_ptr<Zentu::Fixer>& TransparencyRemovalFixerInstance();

// Files the page's transparency record for the context's object, or adds the
// object to the record the page already has. `fixable` false raises the
// record to "Unfixable error". 3 when it filed a new record, else 0.
int AddTransparencyError(RuleContext* context, bool fixable);
// Transparency that the fixer can take out.
int FoundTransparency(RuleContext* context, CheckResult* result);
// Transparency that it cannot.
int FoundUnfixableTransparency(RuleContext* context, CheckResult* result);

// Deferred test of the records about "GTS_PDFXVersion" and
// "GTS_PDFXConformance": grades the record as the worst of the other open
// errors (7 or 6), else 5. True when that changed its severity.
bool CheckGTSVersion(FixContext& context);
