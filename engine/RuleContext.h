// What a key rule is evaluated on, and the callbacks that rules name.
#pragma once
#include "common/MyCosObj.h"

class PDFXPreflight;
namespace Zentu {
class Conformance;
}

// The verdict record of the dictionary check, handed to every rule and callback.
struct CheckResult {
  // False once the check itself filed an error for a key-table or feature entry.
  bool passed = false;
};

struct RuleContext {
  Zentu::Conformance* standard = nullptr;
  int containerKind = 0;  // object kind of the container; 0 at the top
  int objectKind = 0;     // object kind of the value
  MyCosObj value;         // the object under test
  MyCosObj container;     // the object that holds it
  MyCosObj outerContainer;
  PDFXPreflight* walker = nullptr;  // files the errors
};

// A named test of a kind-6 rule: 0 passes, anything else is the problem code.
typedef int (*CheckCallback)(RuleContext* context, CheckResult* result);
