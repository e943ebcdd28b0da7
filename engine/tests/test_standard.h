// A small standard that stands in for the real ones in the engine's tests,
// and helpers to make documents and walkers.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/MyCosDoc.h"
#include "common/MyCosObj.h"
#include "engine/Conformance.h"
#include "engine/Fixer.h"
#include "engine/PDFXPreflight.h"

namespace enginetest {

class TestStandard : public Zentu::Conformance {
 public:
  explicit TestStandard(const std::string& standardName, double version = 1.3);

  Zentu::Conformance* Clone() override;
  bool BuildRules() override;
  CheckResult CheckOperator(PDFXPreflight&, int, const char*, const boost::shared_ptr<ObjectNode>&,
                            const boost::shared_ptr<ObjectNode>&) override;
  bool CheckPageBoxes(PDFXPreflight&, const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&,
                      const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&,
                      const boost::shared_ptr<ObjectNode>&, const boost::shared_ptr<ObjectNode>&) override;
  bool WantsKindCheck(PDFXPreflight&, int) override;

  // Runs after the base part of BuildRules.
  std::function<void(TestStandard&)> builder;
  int builds = 0;
};

// Counts the records it is attached to.
class RecordingFixer : public Zentu::Fixer {
 public:
  int FixIt(FixContext&, bool) override { return 2; }
  void AddError(Zentu::PDFX_Error* error) override { attached.push_back(error); }
  std::vector<Zentu::PDFX_Error*> attached;
};

// A document of objects 1 (catalog), 2 (pages) and the given bodies as 3, 4, ...
class DocTest : public ::testing::Test {
 protected:
  void TearDown() override;
  void Open(const std::vector<std::string>& bodies);
  // Object `number` of the open document.
  MyCosObj Obj(int number) const;
  // The value under `key` in object `number`.
  MyCosObj Val(int number, const char* key) const;

  MyCosDoc doc_;
};

}  // namespace enginetest
