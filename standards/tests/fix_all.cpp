#include "fix_all.h"

#include <bitset>

#include "core/host.h"
#include "engine/PDFX_Error.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace standardstest {

namespace {

const ASInt32 kChange = pdPermEdit;

// Not fixed, and graded for a fix without asking: 5, or a warning of 2.
bool AutomaticallyFixable(const Zentu::PDFX_Error& error) {
  return !error.IsFixed() && (error.GetSeverity() == 5 || error.GetEffectiveSeverity() == 2);
}

}  // namespace

void TestUserInterface::SetDocument(PDDoc doc) {
  doc_ = doc;
  permissions_ = PDDocGetPermissions(doc);
  notes.clear();
  passwordQuestions = 0;
}

bool TestUserInterface::CheckSecurity() {
  if (permissions_ & kChange) return true;
  static const ASAtom standard = ASAtomFromString("Standard");
  if (PDDocGetNewSecurityHandler(doc_) != standard) {
    notes.push_back("Cannot change permissions for a security handler other than the standard one.");
    return false;
  }
  permissions_ = PDDocPermRequest(doc_, kChange, nullptr);
  if (permissions_ & kChange) return true;
  ASInt32 wanted = permissions_ | kChange;
  void* authorisation = nullptr;
  if (AskPassword(doc_, &wanted, &authorisation)) permissions_ = PDDocPermRequest(doc_, kChange, authorisation);
  if (permissions_ & kChange) return true;
  notes.push_back("You must enter the correct password in order to make fixes to this document");
  return false;
}

bool TestUserInterface::AskPassword(PDDoc, ASInt32*, void** authorisation) {
  ++passwordQuestions;
  *authorisation = nullptr;
  return false;
}

int FixAllFixture::ApplyFix(const boost::shared_ptr<PDFXPreflight>& walker, const ErrorPtr& error) {
  if (error->IsFixed()) return 2;
  if (!ui_.CheckSecurity()) return 1;
  if (!error->GetFixer()) return 4;
  const int answer = ApplyFixes(walker, error, false);
  if (answer == 2) ++fixes_;
  return answer;
}

int FixAllFixture::FixDocument(const boost::shared_ptr<PDFXPreflight>& walker) {
  const std::bitset<10> fixable((1 << 2) | (1 << 5));
  int count = status_.CountResults(fixable);
  passes_ = 0;
  if (count != 0 && !ui_.CheckSecurity()) return 1;
  int result = 2;
  while (count > 0 && passes_ < 10) {
    ++passes_;
    // A list: records filed behind the one in hand are met in this pass.
    for (const ErrorPtr& error : walker->GetErrorList()) {
      if (!AutomaticallyFixable(*error)) continue;
      const int answer = ApplyFix(walker, error);
      if (answer != 2) result = answer;
    }
    FixAll(walker);
    count = status_.CountResults(fixable);
  }
  return result;
}

std::string FixAllFixture::RunRounds(const std::string& standard, const std::string& input,
                                     const std::vector<Round>& rounds) {
  host::CloseAllDocuments();
  fixes_ = 0;
  before_ = input;
  OpenFile(input);
  std::string current = input;
  for (size_t i = 0; i < rounds.size(); ++i) {
    SCOPED_TRACE("round " + std::to_string(i + 1) + " on " + current);
    boost::shared_ptr<PDFXPreflight> walker = CheckWith(standard);
    EXPECT_EQ(Findings(*walker), rounds[i].findings);
    if (i + 1 == rounds.size()) break;
    ui_.SetDocument(pd_);
    EXPECT_EQ(FixDocument(walker), rounds[i].answer);
    walker.reset();
    status_.SetWalker(walker);
    // A document whose security forbids changes is not saved either: the
    // next round checks the file as it was.
    const std::string next = home_.File("round" + std::to_string(i + 1) + ".pdf");
    const bool allowed = host::ChangesAllowed(pd_);
    EXPECT_EQ(HostRegion([&] { host::SaveDocument(pd_, next); }).code, allowed ? 0 : pdErrNotPermitted);
    if (allowed) current = next;
    std::string report;
    EXPECT_TRUE(enginetest::QpdfAccepts(current, &report)) << report;
    host::CloseAllDocuments();
    OpenFile(current);
  }
  return current;
}

void Encrypt(const std::string& in, const std::string& out, bool modify) {
  const std::string command = "qpdf --allow-weak-crypto --encrypt '' owner 40 --modify=" +
                              std::string(modify ? "y" : "n") + " -- " + hosttest::Quoted(in) + " " +
                              hosttest::Quoted(out);
  ASSERT_EQ(hosttest::RunCommand(command), 0) << command;
}

}  // namespace standardstest
