// A standard whose answers to WantsKindCheck and IsDeviceColorOnly a test
// sets, and a fixture for the walkers by kind: one page whose resources and
// content a test gives, with further objects from 5 on.
#pragma once
#include <set>
#include <string>
#include <vector>

#include "visit_fixture.h"

namespace enginetest {

// Shared by the registered standard and its clones.
struct KindAnswers {
  std::set<int> unwantedKinds;  // WantsKindCheck answers false for these
  bool deviceColorOnly = true;
  std::vector<int> askedKinds;  // every WantsKindCheck, in order
};

class KindStandard : public ContentStandard {
 public:
  KindStandard(const std::string& standardName, const boost::shared_ptr<WalkLog>& log,
               const boost::shared_ptr<ContentLog>& content, const boost::shared_ptr<KindAnswers>& answers)
      : ContentStandard(standardName, log, content), answers_(answers) {}

  Zentu::Conformance* Clone() override;
  bool IsDeviceColorOnly() const override { return answers_->deviceColorOnly; }
  bool WantsKindCheck(PDFXPreflight& walker, int objectKind) override;

 private:
  boost::shared_ptr<KindAnswers> answers_;
};

// A record reduced to what the walkers by kind decide.
struct Filed {
  int severity;
  int objectKind;
  int problemKind;
  std::string message;
  int objectNumber;     // of the object node; -1 direct, -2 none
  int containerNumber;  // of the container node; -1 direct, -2 none

  bool operator==(const Filed& other) const;
};
std::ostream& operator<<(std::ostream& out, const Filed& filed);

class KindFixture : public VisitFixture {
 protected:
  void SetUp() override;

  // Catalog 1, Pages 2, page 3 with the resources (the inside of the
  // dictionary) and content 4; `more` are objects 5, 6, ...
  void OnePage(const std::string& resources, const std::string& content, const std::vector<std::string>& more);
  // The records filed, in order.
  std::vector<Filed> Records(const PDFXPreflight& walker) const;
  // A node of the open document's object `number`.
  NodePtr NodeOf(int number, int kind) const;

  boost::shared_ptr<KindAnswers> answers_{new KindAnswers};
};

}  // namespace enginetest
