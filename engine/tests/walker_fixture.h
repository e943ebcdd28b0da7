// A standard that records what the walker hands it, and a fixture that
// opens a document in the headless application and makes walkers for it.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <gtest/gtest.h>

#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "engine/StatusInterface.h"
#include "test_standard.h"
#include "testing/pdfmaker.h"

namespace enginetest {

typedef boost::shared_ptr<ObjectNode> NodePtr;

// One node the standard was shown.
struct Visit {
  int kind;
  int number;    // -1 for a direct object
  int referrer;  // the referrer's number; -2 without referrer
  int page;      // the walker's current page then
};

struct WalkLog {
  std::vector<Visit> visits;
  std::vector<int> cosObjKinds;  // CheckCosObj calls, by object kind
  std::vector<MyCosObj> cosObjs;
  std::function<void(PDFXPreflight&, const NodePtr&)> onNode;
};

// Clones share the log, so what the walker's clone sees can be read here.
class RecordingStandard : public TestStandard {
 public:
  RecordingStandard(const std::string& standardName, const boost::shared_ptr<WalkLog>& log)
      : TestStandard(standardName), log_(log) {}

  Zentu::Conformance* Clone() override;
  CheckResult CheckNode(PDFXPreflight& walker, const NodePtr& node, const NodePtr& referrer) override;
  CheckResult CheckCosObj(PDFXPreflight& walker, int objectKind, const MyCosObj& object) override;

 private:
  boost::shared_ptr<WalkLog> log_;
};

// Remembers every progress text; cancels at the first text that begins with
// the given prefix.
class RecordingStatus : public Zentu::HeadlessStatus {
 public:
  using Zentu::HeadlessStatus::Progress;
  long Progress(const std::string& text, long value, long max) override;

  std::vector<std::string> texts;
  std::vector<long> values;
  std::string cancelAt;

  // The page walk's own reports, without those of each object and each
  // step of content (those hold a line break).
  std::vector<std::string> PageTexts() const;
  std::vector<long> PageValues() const;
};

class WalkerFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Registers a recording standard under the name.
  void Register(const std::string& name);
  // Opens objects 1, 2, ... (object 1 is the catalog) as the active document.
  void OpenPdf(const std::vector<std::string>& objects, const std::string& trailer = "/Root 1 0 R");
  boost::shared_ptr<PDFXPreflight> NewWalker();
  // The object numbers of the nodes of that kind the standard saw, in order.
  std::vector<int> Seen(int kind) const;
  std::vector<Visit> SeenVisits(int kind) const;
  MyCosObj Obj(int number) const;

  hosttest::TempDir home_;
  boost::shared_ptr<WalkLog> log_{new WalkLog};
  RecordingStatus status_;
  AVDoc view_ = nullptr;
  PDDoc pd_ = nullptr;
};

}  // namespace enginetest
