// "Fix all" as the checker runs it, on the documents of the generator: a
// user-interface object of the tests that checks the permission to change
// the document, the passes over the open records, and the road of whole
// rounds (check, fix all, save, qpdf --check, check the saved file).
#pragma once
#include <string>
#include <vector>

#include "host/calls.h"
#include "standards_fixture.h"

namespace standardstest {

// What the checker's user-interface object does before a fix: the
// document's permission bits, asked of the host for the change permission
// when they lack it. Its password prompt answers no password; its notes are
// kept instead of shown.
class TestUserInterface {
 public:
  // A new document: its bits as the host opened it.
  void SetDocument(PDDoc doc);
  bool CheckSecurity();
  bool AskPassword(PDDoc doc, ASInt32* wanted, void** authorisation);

  std::vector<std::string> notes;
  int passwordQuestions = 0;

 private:
  PDDoc doc_ = nullptr;
  ASInt32 permissions_ = 0;
};

// One check of a round, and the answer of "Fix all" after it (unused in
// the last round).
struct Round {
  std::vector<Finding> findings;
  int answer;
};

class FixAllFixture : public StandardsFixture {
 protected:
  // "Fix all" on the walker's records: 2 when every fix took (or there was
  // nothing to fix), 1 when the document may not be changed, else the last
  // other answer.
  int FixDocument(const boost::shared_ptr<PDFXPreflight>& walker);
  // One record as "Fix all" fixes it: 1 when the document may not be
  // changed, 4 when it has no fixer.
  int ApplyFix(const boost::shared_ptr<PDFXPreflight>& walker, const ErrorPtr& error);

  // Whole rounds on a generated document: each round checks the open file
  // under `standard` and expects its findings; every round but the last
  // then runs "Fix all", expects its answer, saves to a file of its own,
  // which qpdf must accept, and opens it for the next round. Answers the
  // path of the last file checked.
  std::string RunRounds(const std::string& standard, const std::string& input, const std::vector<Round>& rounds);

  TestUserInterface ui_;
  int passes_ = 0;         // of the last FixDocument
  int fixes_ = 0;          // that answered 2, in the last RunRounds
};

// Encrypts with 40-bit RC4, an empty user password and the change
// permission granted or withheld; the file stays PDF 1.3.
void Encrypt(const std::string& in, const std::string& out, bool modify);

}  // namespace standardstest
