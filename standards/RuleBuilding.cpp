#include "standards/RuleBuilding.h"

int AlwaysFalse(RuleContext*, CheckResult*) { return 1; }
