// A standard that also records the operators and page boxes the walker
// shows it, and puts chosen operators aside as the real standards do.
#pragma once
#include <set>
#include <string>
#include <vector>

#include "walker_fixture.h"

namespace enginetest {

struct OperatorCall {
  std::string op;
  int kind;
  NodePtr object;
  NodePtr container;
};

struct BoxCall {
  NodePtr page;
  NodePtr boxes[5];  // ArtBox, BleedBox, CropBox, MediaBox, TrimBox
};

struct ContentLog {
  std::vector<OperatorCall> operators;
  std::vector<BoxCall> boxes;
  std::set<std::string> aside;       // appended to the walker's operator list
  std::set<std::string> prohibited;  // filed at once with AddOperatorError
  std::vector<NodePtr> nodes;        // every node the standard saw, in order
};

class ContentStandard : public RecordingStandard {
 public:
  ContentStandard(const std::string& standardName, const boost::shared_ptr<WalkLog>& log,
                  const boost::shared_ptr<ContentLog>& content)
      : RecordingStandard(standardName, log), content_(content) {}

  Zentu::Conformance* Clone() override;
  CheckResult CheckNode(PDFXPreflight& walker, const NodePtr& node, const NodePtr& referrer) override;
  CheckResult CheckOperator(PDFXPreflight& walker, int kind, const char* op, const NodePtr& objectNode,
                            const NodePtr& containerNode) override;
  bool CheckPageBoxes(PDFXPreflight& walker, const NodePtr& page, const NodePtr& art, const NodePtr& bleed,
                      const NodePtr& crop, const NodePtr& media, const NodePtr& trim) override;

 private:
  boost::shared_ptr<ContentLog> content_;
};

class VisitFixture : public WalkerFixture {
 protected:
  void SetUp() override;

  // Checks the open document; the walker stays for inspection.
  boost::shared_ptr<PDFXPreflight> CheckAll();
  // The operators shown to the standard, in order.
  std::vector<std::string> Operators() const;
  // The progress texts that hold `part`.
  std::vector<std::string> TextsWith(const std::string& part) const;
  // Ghostscript makes `name`.pdf in the test's folder from the program;
  // `options` go before the program. Answers the PDF's path.
  std::string Distill(const std::string& name, const std::string& program, const std::string& options);
  // Checks the file: every page, without a problem or a cancel, nothing left
  // pending, no resource level left pushed.
  boost::shared_ptr<PDFXPreflight> CheckWholeFile(const std::string& path);
  // Records of object kind 24 ("operator in stream").
  std::vector<boost::shared_ptr<Zentu::PDFX_Error>> OperatorRecords(const PDFXPreflight& walker) const;

  boost::shared_ptr<ContentLog> content_{new ContentLog};
};

// A PostScript Type 3 font named /Boxes whose glyphs A and B are a box and a triangle.
extern const char kType3FontProgram[];

// Objects 1 (the catalog) and 2 (the one Pages node, with the given kids
// such as "3 0 R 5 0 R", their count and further entries); a test appends
// objects 3, 4, ...
std::vector<std::string> Tree(const std::string& kids, int count, const std::string& pagesExtra = "");

}  // namespace enginetest
