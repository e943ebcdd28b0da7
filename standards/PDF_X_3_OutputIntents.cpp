// The output intent of PDF/X-3:2002: its tests.
#include "standards/PDF_X_3_2002.h"

#include "standards/OutputIntents.h"

namespace Zentu {

namespace {

boost::shared_ptr<Fixer> OutputIntentFixerOf(const RuleContext* context) {
  const PDF_X_3_2002* standard = context ? dynamic_cast<const PDF_X_3_2002*>(context->standard) : nullptr;
  return standard ? standard->outputIntentFixer : boost::shared_ptr<Fixer>();
}

}  // namespace

int PDF_X_3_2002::TestOutputIntentsArray(RuleContext* context, CheckResult*) {
  return family::TestOutputIntentsArray(context, OutputIntentFixerOf(context));
}

int PDF_X_3_2002::TestChosenOutputIntent(RuleContext* context, CheckResult*) {
  return family::TestChosenOutputIntent(context, OutputIntentFixerOf(context));
}

}  // namespace Zentu
