// The operator records: the summary of a content's operators put aside,
// and the record of one offending operator.
#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "engine/PDFXPreflight.h"
#include "test_standard.h"

namespace {

using enginetest::RecordingFixer;
using enginetest::TestStandard;
typedef boost::shared_ptr<ObjectNode> NodePtr;

bool MarkingTest(FixContext&) { return false; }

class OperatorChecksTest : public enginetest::DocTest {
 protected:
  void SetUp() override {
    Open({"<< /Type /Page /Contents 4 0 R >>", "stream:|ri", "stream:|BX"});
    page_.reset(new ObjectNode(Obj(3), KIND_PAGE, std::string()));
    content_.reset(new ObjectNode(Obj(4), KIND_CONTENTS, std::string()));
  }

  TestStandard standard_{"T"};
  PDFXPreflight walker_;
  NodePtr page_;
  NodePtr content_;
};

TEST_F(OperatorChecksTest, TheSummaryNamesWhatWasPutAside) {
  struct Case {
    std::list<std::string> names;
    const char* message;
    int severity;
  } cases[] = {
      {{"ri", "X"}, "Use of the 'ri' operator is prohibited.  The 'X' operator is unknown in PDF 1.3", 5},
      {{"BX", "EX"}, "It is recommended that a PDF/X writer not make use of the BX/EX operators", 2},
      {{"BX"}, "It is recommended that a PDF/X writer not make use of the BX/EX operators", 2},
      {{"a", "b", "c"}, "The 'a', 'b', and 'c' operators are unknown in PDF 1.3", 5},
      {{"a", "b"}, "The 'a' and 'b' operators are unknown in PDF 1.3", 5},
      {{"sh"}, "The 'sh' operator is unknown in PDF 1.3", 5},
      {{"ri"}, "Use of the 'ri' operator is prohibited.  ", 5},
      {{"ri", "BX"}, "Use of the 'ri' operator is prohibited.  ", 5},
      {{"BX", "EX", "X"}, "The 'X' operator is unknown in PDF 1.3", 5},
      {{"x", "y", "x"}, "The 'x', 'y', and 'x' operators are unknown in PDF 1.3", 5},
      {{"EX"}, "", -1},
      {{}, "", -1},
  };
  for (const Case& c : cases) {
    const size_t before = walker_.GetErrorList().size();
    standard_.CheckOperatorUsage(walker_, page_, content_, c.names, nullptr);
    ASSERT_EQ(walker_.GetErrorList().size(), before + 1) << c.message;
    const auto& record = walker_.GetErrorList().back();
    EXPECT_EQ(record->GetMessage(), c.message);
    EXPECT_EQ(record->GetSeverity(), c.severity) << c.message;
    EXPECT_EQ(record->GetDetail(), "");
    EXPECT_EQ(record->GetObjectKind(), KIND_OPERATOR);
    EXPECT_EQ(record->GetProblemKind(), PROBLEM_INVALID);
    EXPECT_EQ(record->GetObjectNode(), page_);
    EXPECT_EQ(record->GetContainerNode(), content_);
    EXPECT_EQ(record->GetDeferredTest(), nullptr);
  }
  // Severities count as filed; an empty summary counts nowhere.
  EXPECT_EQ(walker_.GetTotalCounts()[AUTOFIX_ERROR], 8);
  EXPECT_EQ(walker_.GetTotalCounts()[WARNING_LOW], 2);
  EXPECT_EQ(walker_.GetOpenCounts()[AUTOFIX_ERROR], 8);
}

TEST_F(OperatorChecksTest, EachRecordListsOnlyTheOperatorsItNames) {
  NodePtr other(new ObjectNode(Obj(5), KIND_CONTENTS, std::string()));
  standard_.AddOperatorError(walker_, page_, content_, UNFIXABLE_ERROR, "PS", boost::shared_ptr<Zentu::Fixer>(),
                             nullptr);
  standard_.CheckOperatorUsage(walker_, page_, content_, {"ri", "X", "ri"}, &MarkingTest);
  standard_.CheckOperatorUsage(walker_, page_, other, {"BX"}, nullptr);
  standard_.CheckOperatorUsage(walker_, page_, content_, {"X", "Y"}, nullptr);
  std::vector<const Zentu::PDFX_Error*> records;
  for (const auto& record : walker_.GetErrorList()) records.push_back(record.get());
  ASSERT_EQ(records.size(), 4u);
  auto listed = [&](size_t i) {
    const std::list<std::string>* names = walker_.FindOperatorsToRemove(*records[i]);
    return names ? *names : std::list<std::string>{"none"};
  };
  const std::list<std::string> expected[] = {{"PS"}, {"ri", "X"}, {"BX"}, {"X", "Y"}};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(listed(i), expected[i]) << i;
  EXPECT_EQ(records[1]->GetDeferredTest(), &MarkingTest);
  // Once applied, that record's list is gone; the others of its content stay.
  walker_.MarkOperatorsRemoved(*records[1]);
  EXPECT_TRUE(walker_.OperatorsRemoved(*records[1]) && !walker_.OperatorsRemoved(*records[3]));
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(listed(i), i == 1 ? std::list<std::string>{"none"} : expected[i]) << i;
}

TEST_F(OperatorChecksTest, OneOffendingOperatorIsOneRecord) {
  boost::shared_ptr<RecordingFixer> fixer(new RecordingFixer);
  walker_.SetCurrentPage(2);
  standard_.AddOperatorError(walker_, page_, content_, UNFIXABLE_ERROR, "ri", fixer, &MarkingTest);
  ASSERT_EQ(walker_.GetErrorList().size(), 1u);
  const auto& record = walker_.GetErrorList().back();
  EXPECT_EQ(record->GetMessage(), "'ri'");
  EXPECT_EQ(record->GetDetail(), "ri");
  EXPECT_EQ(record->GetSeverity(), UNFIXABLE_ERROR);
  EXPECT_EQ(record->GetObjectKind(), KIND_OPERATOR);
  EXPECT_EQ(record->GetProblemKind(), PROBLEM_INVALID);
  EXPECT_EQ(record->GetObjectNode(), page_);
  EXPECT_EQ(record->GetContainerNode(), content_);
  EXPECT_EQ(record->GetPageIndex(), 2);
  EXPECT_EQ(record->GetFixer(), fixer);
  EXPECT_EQ(fixer->attached, (std::vector<Zentu::PDFX_Error*>{record.get()}));
  EXPECT_EQ(record->GetDeferredTest(), &MarkingTest);
  EXPECT_TRUE(walker_.GetSeverities().test(UNFIXABLE_ERROR));

  // Without a fixer the record is filed all the same.
  standard_.AddOperatorError(walker_, page_, content_, WARNING, "BX", boost::shared_ptr<Zentu::Fixer>(), nullptr);
  EXPECT_FALSE(walker_.GetErrorList().back()->GetFixer());
  EXPECT_EQ(fixer->attached.size(), 1u);
  EXPECT_EQ(*walker_.FindOperatorsToRemove(*record), (std::list<std::string>{"ri"}));
  EXPECT_EQ(*walker_.FindOperatorsToRemove(*walker_.GetErrorList().back()), (std::list<std::string>{"BX"}));
}

}  // namespace
