// What the standards' rule builders use beside the engine's key rules.
#pragma once
#include "engine/RuleContext.h"

// Fails on every call (verdict 1): a reporting rule with it files its
// message for every object it is reached for.
int AlwaysFalse(RuleContext* context, CheckResult* result);
