// Checking and fixing a document the way the checker's user interface
// does: a test standard with rules that attach the fixers, the fix of each
// record with its own context, the clean-up and the deferred tests, then
// saving and checking the saved file again.
#pragma once
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>
#include <gtest/gtest.h>

#include "core/host.h"
#include "engine/PDFXPreflight.h"
#include "engine/StatusInterface.h"
#include "test_standard.h"
#include "testing/pdfmaker.h"

namespace enginetest {

typedef boost::shared_ptr<Zentu::PDFX_Error> ErrorPtr;
typedef boost::shared_ptr<ObjectNode> NodePtr;

// A test standard that also puts chosen operators aside and checks the
// page boxes through a hook.
class FixStandard : public TestStandard {
 public:
  explicit FixStandard(const std::string& standardName) : TestStandard(standardName) {}

  Zentu::Conformance* Clone() override;
  CheckResult CheckOperator(PDFXPreflight& walker, int, const char* op, const boost::shared_ptr<ObjectNode>&,
                            const boost::shared_ptr<ObjectNode>&) override;
  bool CheckPageBoxes(PDFXPreflight& walker, const boost::shared_ptr<ObjectNode>& page,
                      const boost::shared_ptr<ObjectNode>& artBox, const boost::shared_ptr<ObjectNode>& bleedBox,
                      const boost::shared_ptr<ObjectNode>& cropBox, const boost::shared_ptr<ObjectNode>& mediaBox,
                      const boost::shared_ptr<ObjectNode>& trimBox) override;

  std::set<std::string> putAside;
  std::function<void(PDFXPreflight&, const boost::shared_ptr<ObjectNode>& page,
                     const boost::shared_ptr<ObjectNode>& mediaBox, const boost::shared_ptr<ObjectNode>& trimBox)>
      pageBoxes;
};

// Each object reachable from the trailer under the first path that reaches
// it ("/Root/Pages/Kids[0]"), written out with references as those paths
// and streams with their decoded data. The trailer's /ID and /Size, the
// version entry the fixing writes into Info, and an Info left empty without
// it are left out, so that two files compare by what they hold.
typedef std::map<std::string, std::string> ObjectMap;
ObjectMap ObjectsOf(const std::string& file);
// The paths whose objects differ between the two maps, or are in one only.
std::vector<std::string> ChangedPaths(const ObjectMap& before, const ObjectMap& after);

class FixFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Registers the one standard of the test; `builder` adds its rules.
  void UseStandard(const std::function<void(FixStandard&)>& builder, const std::set<std::string>& putAside = {});
  // Writes the document to before.pdf and opens it as the active document.
  void Open(const std::vector<std::string>& objects, const std::string& trailer = "/Root 1 0 R");
  void OpenFile(const std::string& path);
  // A checked walker of the active document, with the deferred tests run;
  // `prepare` sees the walker before the check.
  boost::shared_ptr<PDFXPreflight> Check(const std::function<void(PDFXPreflight&)>& prepare = nullptr);
  // What the user interface does for one record: a context, FixIt, and on 2
  // the document marked changed (flag 2), the record marked fixed and the
  // standard's PDF version ("1.3") written into Info.
  int ApplyFixes(const boost::shared_ptr<PDFXPreflight>& walker, const ErrorPtr& error, bool interactive);
  // The clean-up twice, then the deferred tests until they rest.
  void FixAll(const boost::shared_ptr<PDFXPreflight>& walker);
  // Saves the active document to after.pdf and answers the path.
  std::string Save();
  // Opens the saved file as the active document and checks it.
  boost::shared_ptr<PDFXPreflight> Recheck(const std::string& path);
  // The open records whose message is `message`.
  std::vector<ErrorPtr> Records(const boost::shared_ptr<PDFXPreflight>& walker, const std::string& message) const;
  // One record with that message; fails the test when there is not exactly one.
  ErrorPtr OnlyRecord(const boost::shared_ptr<PDFXPreflight>& walker, const std::string& message) const;

  // The whole road for the records with `message`: check, fix each
  // non-interactively (every answer must be 2), fix all, save, check the
  // saved file again (the records are gone) and run qpdf --check on it.
  // `fixed` looks at the document between fixing and saving. Answers the
  // paths whose objects changed.
  std::vector<std::string> FixEndToEnd(const std::string& message, const std::function<void()>& fixed = nullptr);

  MyCosObj Obj(int number) const;
  MyCosDoc Doc() const;

  hosttest::TempDir home_;
  Zentu::HeadlessStatus status_;
  std::string before_;
  AVDoc view_ = nullptr;
  PDDoc pd_ = nullptr;
};

// The stream's data with its filters applied.
std::string DecodedData(CosObj stream);

// qpdf --check on the file: true when it reports neither errors nor warnings.
bool QpdfAccepts(const std::string& path, std::string* output = nullptr);

}  // namespace enginetest
