// A standard with no rules, for the benchmarks: the walk runs in full and
// every object it reaches is only counted.
#pragma once
#include <boost/shared_ptr.hpp>

#include "engine/Conformance.h"

class BareStandard : public Zentu::Conformance {
 public:
  explicit BareStandard(const char* standardName = "Bench") { name = standardName; }
  Zentu::Conformance* Clone() override {
    BuildRules();
    return new BareStandard(*this);
  }
  CheckResult CheckNode(PDFXPreflight&, const boost::shared_ptr<ObjectNode>&,
                        const boost::shared_ptr<ObjectNode>&) override {
    ++ObjectsChecked();
    return CheckResult();
  }
  CheckResult CheckOperator(PDFXPreflight&, int, const char*, const boost::shared_ptr<ObjectNode>&,
                            const boost::shared_ptr<ObjectNode>&) override {
    return CheckResult();
  }
  bool CheckPageBoxes(PDFXPreflight&, const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&,
                      const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&,
                      const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&) override {
    return true;
  }
  bool WantsKindCheck(PDFXPreflight&, int) override { return true; }

  static long& ObjectsChecked() {
    static long count = 0;
    return count;
  }
};
