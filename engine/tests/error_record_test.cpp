#include <gtest/gtest.h>

#include <stdexcept>

#include "common/AcrobatException.h"
#include "core/host.h"
#include "host/selectors.h"
#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "engine/PDFXPreflight.h"
#include "engine/TransparencyError.h"
#include "test_standard.h"

namespace {

using Zentu::PDFX_Error;
typedef boost::shared_ptr<PDFX_Error> ErrorPtr;

TEST(ErrorNames, DisplayNamesByValue) {
  struct Case {
    const std::string& (*lookup)(int);
    int value;
    const char* name;
  } cases[] = {
      {SeverityName, -1, "Unknown"},          {SeverityName, 0, "Problem in verification"},
      {SeverityName, 1, "Cancelled"},          {SeverityName, 2, "Warning"},
      {SeverityName, 4, "Warning"},            {SeverityName, 5, "AutoFix error"},
      {SeverityName, 7, "Unfixable error"},    {SeverityName, 9, "Debug warning"},
      {SeverityName, 10, ""},                  {SeverityName, -2, ""},
      {ObjectKindName, 0, "Unknown"},          {ObjectKindName, 21, "Encrypt dictionary"},
      {ObjectKindName, 24, "operator in stream"}, {ObjectKindName, 28, "None"},
      {ObjectKindName, 32, "Outline entry"},   {ObjectKindName, 33, ""},
      {ObjectKindName, 34, ""},                {ProblemKindName, 0, ""},
      {ProblemKindName, 1, ""},                {ProblemKindName, 2, "missing value"},
      {ProblemKindName, 11, "too many spot colors"}, {ProblemKindName, 12, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.lookup(c.value), c.name) << c.value;
  EXPECT_EQ(SeverityNames().size(), 12u);
  EXPECT_EQ(ObjectKindNames().size(), 34u);
  EXPECT_EQ(ProblemKindNames().size(), 13u);
  EXPECT_TRUE(BuildErrorNameTables());
  EXPECT_EQ(ObjectKindNames().size(), 34u);  // a second build adds nothing
}

class ErrorRecordTest : public enginetest::DocTest {
 protected:
  void SetUp() override { Open({"<< /Type /Page >>", "<< /Kids [3 0 R] >>"}); }

  // A record of the walker built from nodes, not yet filed.
  ErrorPtr Make(PDFXPreflight& owner, int severity) {
    return ErrorPtr(new PDFX_Error(&owner, "m", "d", severity, KIND_PAGE, PROBLEM_INVALID,
                                   boost::shared_ptr<ObjectNode>(), boost::shared_ptr<ObjectNode>()));
  }

  PDFXPreflight walker_;
};

TEST_F(ErrorRecordTest, CountsFollowFilingFixingAndRegrading) {
  ErrorPtr e = Make(walker_, 7);
  EXPECT_EQ(walker_.GetOpenCounts()[7], 1) << "counted open when made";
  EXPECT_EQ(walker_.GetTotalCounts()[7], 0);
  EXPECT_FALSE(walker_.GetSeverities().test(7));

  walker_.InsertError(e, 7);
  EXPECT_EQ(walker_.GetOpenCounts()[7], 1);
  EXPECT_EQ(walker_.GetTotalCounts()[7], 1);
  EXPECT_TRUE(walker_.GetSeverities().test(7));
  EXPECT_EQ(e->GetOwner(), &walker_);

  e->SetFixed(true);
  EXPECT_EQ(walker_.GetOpenCounts()[7], 0);
  EXPECT_EQ(walker_.GetTotalCounts()[7], 1);
  EXPECT_TRUE(walker_.GetSeverities().test(7));
  EXPECT_EQ(e->GetEffectiveSeverity(), -1);
  e->SetFixed(false);
  EXPECT_EQ(walker_.GetOpenCounts()[7], 1);
  EXPECT_EQ(e->GetEffectiveSeverity(), 7);

  e->SetSeverity(5);
  EXPECT_EQ(walker_.GetOpenCounts()[7], 0);
  EXPECT_EQ(walker_.GetOpenCounts()[5], 1);
  EXPECT_EQ(walker_.GetTotalCounts()[7], 1);
  EXPECT_EQ(walker_.GetTotalCounts()[5], 0);
}

TEST_F(ErrorRecordTest, RegradingWithAnEmptyOpenCountMovesNothing) {
  // Made for one walker, filed in another: the second has no open count for it.
  PDFXPreflight other;
  ErrorPtr e = Make(other, 7);
  walker_.InsertError(e, 7);
  e->SetSeverity(5);
  EXPECT_EQ(walker_.GetOpenCounts()[7], 0);
  EXPECT_EQ(walker_.GetOpenCounts()[5], 0);
  EXPECT_EQ(e->GetSeverity(), 5);
}

TEST_F(ErrorRecordTest, ARecordMadeWithoutOwnerIsCountedWhenFiled) {
  walker_.SetCurrentPage(3);
  for (bool fixed : {false, true}) {
    ErrorPtr held(new PDFX_Error(nullptr, "m", "d", 6, KIND_PAGE, PROBLEM_INVALID, boost::shared_ptr<ObjectNode>(),
                                 boost::shared_ptr<ObjectNode>()));
    held->SetFixed(fixed);
    EXPECT_EQ(walker_.GetOpenCounts()[6], fixed ? 1 : 0);
    walker_.InsertError(held, 6);
    EXPECT_EQ(walker_.GetOpenCounts()[6], 1) << "fixed " << fixed;
    EXPECT_EQ(held->GetOwner(), &walker_);
    EXPECT_EQ(held->GetPageIndex(), 3);
    EXPECT_EQ(held->weak_from_this().lock(), held) << "a record can be held weakly";
  }
}

TEST_F(ErrorRecordTest, RecordsWithoutOwnerOrFixedStoreTheSeverityOnly) {
  ErrorPtr loose = Make(walker_, 6);
  loose->Reset();  // no owner now
  loose->SetSeverity(7);
  EXPECT_EQ(loose->GetSeverity(), 7);
  EXPECT_EQ(walker_.GetOpenCounts()[6], 1) << "Reset leaves the counts alone";
  EXPECT_EQ(walker_.GetOpenCounts()[7], 0);

  ErrorPtr fixed = walker_.InsertError(Make(walker_, 7), 7);
  fixed->SetFixed(true);
  fixed->SetSeverity(5);
  EXPECT_EQ(walker_.GetOpenCounts()[7], 0);
  EXPECT_EQ(walker_.GetOpenCounts()[5], 0) << "a fixed record is not open";
  fixed->SetFixed(false);
  EXPECT_EQ(walker_.GetOpenCounts()[5], 1) << "reopened under its new severity";
  EXPECT_EQ(walker_.GetOpenCounts()[7], 0);
}

TEST_F(ErrorRecordTest, FilingOutsideTheCountedSeverities) {
  ErrorPtr none = walker_.InsertError(Make(walker_, -1), -1);
  EXPECT_EQ(walker_.GetErrorList().size(), 1u);
  EXPECT_TRUE(walker_.GetSeverities().none());
  EXPECT_EQ(none->GetOwner(), &walker_);

  walker_.SetCurrentPage(2);
  ErrorPtr bad = Make(walker_, 10);
  try {
    walker_.InsertError(bad, 10);
    FAIL() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "invalid bitset<N> position");
  }
  EXPECT_EQ(walker_.GetErrorList().back(), bad) << "appended before the failure";
  EXPECT_EQ(bad->GetPageIndex(), 2);
  EXPECT_EQ(bad->GetOwner(), &walker_);
  EXPECT_TRUE(walker_.GetSeverities().none());
  for (int s = 0; s < 10; ++s) EXPECT_EQ(walker_.GetTotalCounts()[s], 0);

  // Leaving the uncounted severity counts the record like any other open one.
  bad->SetSeverity(5);
  EXPECT_EQ(walker_.GetOpenCounts()[5], 1);
  bad->SetFixed(true);
  EXPECT_EQ(walker_.GetOpenCounts()[5], 0);
}

TEST_F(ErrorRecordTest, FilingGivesThePageUnlessTheRecordHasOne) {
  walker_.SetCurrentPage(3);
  ErrorPtr fresh = walker_.InsertError(Make(walker_, 4), 4);
  ErrorPtr early = Make(walker_, 4);
  early->SetPageIndex(1);
  walker_.InsertError(early, 4);
  EXPECT_EQ(fresh->GetPageIndex(), 3);
  EXPECT_EQ(early->GetPageIndex(), 1);
  EXPECT_EQ(walker_.GetTotalCounts()[4], 2);
  EXPECT_THROW(walker_.InsertError(ErrorPtr(), 4), std::invalid_argument);
}

TEST_F(ErrorRecordTest, FilingHelpersPutEachObjectInItsNode) {
  // The holder goes to the object node, the object in question to the container node.
  ErrorPtr e = walker_.AddError(Obj(4), Obj(3), "msg", "det", 6, KIND_PAGE, PROBLEM_MISSING);
  ASSERT_TRUE(e->GetObjectNode() && e->GetContainerNode());
  EXPECT_EQ(e->GetObjectNode()->objectNumber, 4);
  EXPECT_EQ(e->GetContainerNode()->objectNumber, 3);
  EXPECT_EQ(e->GetContainerNode()->objectKind, KIND_PAGE) << "kind classified";
  EXPECT_EQ(e->GetMessage(), "msg");
  EXPECT_EQ(e->GetDetail(), "det");
  EXPECT_EQ(e->GetSeverity(), 6);
  EXPECT_EQ(e->GetProblemKind(), PROBLEM_MISSING);
  EXPECT_EQ(walker_.GetOpenCounts()[6], 1);
  EXPECT_EQ(walker_.GetTotalCounts()[6], 1);

  boost::shared_ptr<ObjectNode> a(new ObjectNode(Obj(4), 0, ""));
  boost::shared_ptr<ObjectNode> b(new ObjectNode(Obj(3), 0, ""));
  ErrorPtr n = walker_.AddNodeError("m", "", -1, KIND_NONE, PROBLEM_GENERAL, a, b);
  EXPECT_EQ(n->GetObjectNode(), a);
  EXPECT_EQ(n->GetContainerNode(), b);
  EXPECT_EQ(walker_.GetErrorList().size(), 2u);
  EXPECT_EQ(walker_.GetErrorList().front(), e);

  // A transparency record is filed like any other and keeps its extra nodes.
  boost::shared_ptr<Zentu::TransparencyError> t(new Zentu::TransparencyError(
      &walker_, Obj(4), Obj(3), "Transparency is used on this page", "", 5, KIND_PAGE, PROBLEM_INVALID));
  t->nodes.push_back(a);
  walker_.InsertError(t, 5);
  EXPECT_EQ(walker_.GetTotalCounts()[5], 1);
  EXPECT_EQ(t->nodes.size(), 1u);
}

TEST_F(ErrorRecordTest, AFailedNodeLeavesNoCountBehind) {
  MyCosObj holder = Obj(4);
  MyCosObj subject = Obj(3);
  hosttest::RaiseOnNextCall(host::TableId::Cos, CosSel::ObjGetType, cosErrReadError);
  EXPECT_THROW(walker_.AddError(holder, subject, "m", "", 7, KIND_PAGE, PROBLEM_INVALID), Zentu::AcrobatException);
  hosttest::ClearHooks();
  EXPECT_EQ(walker_.GetOpenCounts()[7], 0);
  EXPECT_TRUE(walker_.GetErrorList().empty());
}

TEST_F(ErrorRecordTest, AttachingAFixerCallsItsHook) {
  boost::shared_ptr<enginetest::RecordingFixer> fixer(new enginetest::RecordingFixer);
  ErrorPtr e = walker_.InsertError(Make(walker_, 6), 6);
  e->AttachFixer(fixer);
  EXPECT_EQ(e->GetFixer(), fixer);
  ASSERT_EQ(fixer->attached.size(), 1u);
  EXPECT_EQ(fixer->attached[0], e.get());
  e->AttachFixer(boost::shared_ptr<Zentu::Fixer>());
  EXPECT_FALSE(e->GetFixer());
}

}  // namespace
