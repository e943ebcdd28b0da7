// Checking small documents against the registered PDF/X standards the way
// the checker does (settings of the test's own, the deferred tests run),
// and reading the records back in a form a table can state.
#pragma once
#include <ostream>
#include <string>
#include <vector>

#include "documents.h"
#include "fix_fixture.h"

namespace standardstest {

typedef boost::shared_ptr<Zentu::PDFX_Error> ErrorPtr;
typedef boost::shared_ptr<ObjectNode> NodePtr;

// The number of a record's node: the object's number, -1 for a direct
// object, kNoNode when the record has no such node.
const int kNoNode = -2;
int NumberOf(const NodePtr& node);

// A record as the tests state it.
struct Record {
  std::string message;
  std::string detail;
  int severity;
  int objectKind;
  int problemKind;
  int container;  // NumberOf the container node
  int object;     // NumberOf the object node

  bool operator==(const Record& other) const;
};
std::ostream& operator<<(std::ostream& out, const Record& record);
Record Reduced(const Zentu::PDFX_Error& error);

// A record as the checks of whole documents state it.
struct Finding {
  std::string message;
  std::string detail;
  int severity;
  int objectKind;
  int problemKind;
  int page;           // -1 before the first page
  std::string fixer;  // the fixer's class without the namespace; empty for none

  bool operator==(const Finding& other) const;
};
std::ostream& operator<<(std::ostream& out, const Finding& finding);
// The records a check shows: every one of severity 0 or more, and the
// operator summaries of contents that noted an operator, whatever their
// severity, in filing order.
std::vector<Finding> Findings(const PDFXPreflight& walker);

extern const char* const kStandards[2];  // both registered standards

// Messages both standards file: the colour spaces, stream and inline-image
// filters PDF/X-1a:2001 admits, and transparency found on a page.
extern const char kColorSpaces[];
extern const char kFilters[];
extern const char kInlineFilters[];
extern const char kTransparency[];

class StandardsFixture : public enginetest::FixFixture {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The active document checked against the registered standard of that
  // name; each callback, when given, runs as a rule of its own behind the
  // standard's (on every object visited), or alone while `bare_`.
  boost::shared_ptr<PDFXPreflight> CheckWith(const std::string& standard,
                                             const std::vector<CheckCallback>& callbacks = {});
  // Calls `test` as a rule of the walker's standard would, on `value` held
  // by `holder`.
  static int Call(const boost::shared_ptr<PDFXPreflight>& walker, CheckCallback test, const MyCosObj& value,
                  const MyCosObj& holder = MyCosObj());
  // A record of the walker's carrying `fixer`, for a repair to be asked about.
  static ErrorPtr Probe(const boost::shared_ptr<PDFXPreflight>& walker, const boost::shared_ptr<Zentu::Fixer>& fixer,
                        int objectKind = 5);
  // Catalog 1 (with `catalogEntries`), Pages 2, page 3 (with `pageEntries`
  // beside its Type, Parent and Contents) and its content 4; `more` are
  // objects 5, 6, ... Documents open before are closed.
  void OnePage(const std::string& pageEntries, const std::string& content,
               const std::vector<std::string>& more = {}, const std::string& trailer = "/Root 1 0 R",
               const std::string& catalogEntries = "");
  // Writes the document to before.pdf and opens it, closing what was open.
  void OpenDocument(const Document& document);
  // The open document checked against `standard` (deferred tests included)
  // shows exactly `expected`.
  void ExpectFindings(const std::string& standard, const std::vector<Finding>& expected);
  // The open records of that object kind, in filing order.
  std::vector<Record> Filed(const PDFXPreflight& walker, int objectKind) const;

  bool bare_ = false;  // checks leave out the standard's rules and key table
};

}  // namespace standardstest
