// Transparency gathered per page, and the grading of the identification record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "engine/TransparencyChecks.h"
#include "engine/TransparencyError.h"
#include "test_standard.h"

namespace {

using enginetest::DocTest;
using enginetest::RecordingFixer;
using enginetest::TestStandard;
typedef boost::shared_ptr<Zentu::PDFX_Error> ErrorPtr;

class TransparencyTest : public DocTest {
 protected:
  void SetUp() override {
    // 3: resources; 4 to 6: graphics states without /Type; 7: a soft-masked image.
    Open({"<< /ExtGState << /G1 4 0 R /G2 5 0 R /G3 6 0 R >> >>", "<< /ca 0.5 >>", "<< /CA 0.5 >>",
          "<< /BM /Multiply >>", "stream:/Type /XObject /Subtype /Image /SMask 4 0 R|x"});
    TransparencyRemovalFixerInstance() = fixer_;
  }
  void TearDown() override {
    TransparencyRemovalFixerInstance().reset();
    DocTest::TearDown();
  }

  int Found(int number, bool fixable, int kind = KIND_EXTGSTATE) {
    RuleContext context;
    context.standard = &standard_;
    context.containerKind = KIND_RESOURCES;
    context.objectKind = kind;
    context.value = Obj(number);
    context.container = Obj(3);
    context.walker = &walker_;
    return fixable ? FoundTransparency(&context, nullptr) : FoundUnfixableTransparency(&context, nullptr);
  }

  boost::shared_ptr<Zentu::TransparencyError> Record(size_t index) {
    auto it = walker_.GetErrorList().begin();
    std::advance(it, static_cast<long>(index));
    return boost::dynamic_pointer_cast<Zentu::TransparencyError>(*it);
  }

  TestStandard standard_{"Transparency"};
  PDFXPreflight walker_;
  boost::shared_ptr<RecordingFixer> fixer_{new RecordingFixer};
};

TEST_F(TransparencyTest, OnePageGathersEveryObjectInOneRecord) {
  walker_.SetCurrentPage(0);
  EXPECT_EQ(Found(4, true), PROBLEM_INVALID);
  EXPECT_EQ(Found(5, true), 0);
  EXPECT_EQ(Found(6, true), 0);
  ASSERT_EQ(walker_.GetErrorList().size(), 1u);
  auto record = Record(0);
  ASSERT_TRUE(record);
  EXPECT_EQ(record->GetMessage(), "Transparency is used on this page");
  EXPECT_EQ(record->GetDetail(), "");
  EXPECT_EQ(record->GetSeverity(), AUTOFIX_ERROR);
  EXPECT_EQ(record->GetObjectKind(), KIND_PAGE);
  EXPECT_EQ(record->GetProblemKind(), PROBLEM_INVALID);
  EXPECT_EQ(record->GetPageIndex(), 0);
  EXPECT_EQ(record->GetFixer(), fixer_);
  ASSERT_EQ(fixer_->attached.size(), 1u);
  EXPECT_EQ(fixer_->attached[0], record.get());

  // The first object is the record's subject, the others follow in order;
  // every node keeps the kind the walk knew, though none says /Type.
  ASSERT_TRUE(record->GetContainerNode());
  EXPECT_EQ(record->GetContainerNode()->objectNumber, 4);
  EXPECT_EQ(record->GetContainerNode()->objectKind, KIND_EXTGSTATE);
  ASSERT_TRUE(record->GetObjectNode());
  EXPECT_EQ(record->GetObjectNode()->objectNumber, 3);
  EXPECT_EQ(record->GetObjectNode()->objectKind, KIND_RESOURCES);
  ASSERT_EQ(record->nodes.size(), 2u);
  EXPECT_EQ(record->nodes.front()->objectNumber, 5);
  EXPECT_EQ(record->nodes.back()->objectNumber, 6);
  for (const auto& node : record->nodes) EXPECT_EQ(node->objectKind, KIND_EXTGSTATE);
  EXPECT_EQ(walker_.GetOpenCounts()[AUTOFIX_ERROR], 1);

  // Something the fixer cannot take out raises the same record.
  EXPECT_EQ(Found(7, false, KIND_IMAGE), 0);
  EXPECT_EQ(walker_.GetErrorList().size(), 1u);
  EXPECT_EQ(record->GetSeverity(), UNFIXABLE_ERROR);
  EXPECT_EQ(record->nodes.back()->objectKind, KIND_IMAGE);
  EXPECT_EQ(walker_.GetOpenCounts()[AUTOFIX_ERROR], 0);
  EXPECT_EQ(walker_.GetOpenCounts()[UNFIXABLE_ERROR], 1);
  EXPECT_EQ(Found(4, true), 0);
  EXPECT_EQ(record->GetSeverity(), UNFIXABLE_ERROR) << "never lowered again";
}

TEST_F(TransparencyTest, EachPageHasItsOwnRecord) {
  walker_.SetCurrentPage(0);
  Found(4, true);
  walker_.SetCurrentPage(1);
  EXPECT_EQ(Found(5, false), PROBLEM_INVALID);
  Found(6, true);
  ASSERT_EQ(walker_.GetErrorList().size(), 2u);
  EXPECT_EQ(Record(0)->GetPageIndex(), 0);
  EXPECT_EQ(Record(0)->GetSeverity(), AUTOFIX_ERROR);
  EXPECT_TRUE(Record(0)->nodes.empty());
  EXPECT_EQ(Record(1)->GetPageIndex(), 1);
  EXPECT_EQ(Record(1)->GetSeverity(), UNFIXABLE_ERROR);
  EXPECT_EQ(Record(1)->nodes.size(), 1u);
  EXPECT_EQ(fixer_->attached.size(), 2u);
}

TEST_F(TransparencyTest, TransparencyBeforeAnyPageStillGetsARecord) {
  // The walker is on no page (-1), which is also the standard's "no record yet".
  ASSERT_EQ(walker_.GetCurrentPage(), -1);
  EXPECT_EQ(Found(4, true), PROBLEM_INVALID);
  EXPECT_EQ(Found(5, true), 0);
  ASSERT_EQ(walker_.GetErrorList().size(), 1u);
  EXPECT_EQ(Record(0)->nodes.size(), 1u);
}

class IdentificationTest : public ::testing::Test {
 protected:
  ErrorPtr File(int severity, int kind = KIND_PAGE, const std::string& detail = "") {
    ErrorPtr error(new Zentu::PDFX_Error(&walker_, "m", detail, severity, kind, PROBLEM_INVALID,
                                         boost::shared_ptr<ObjectNode>(), boost::shared_ptr<ObjectNode>()));
    return walker_.InsertError(error, severity);
  }
  bool Grade(const ErrorPtr& error) {
    FixContext context;
    context.error = error.get();
    return CheckGTSVersion(context);
  }

  PDFXPreflight walker_;
};

TEST_F(IdentificationTest, TheRecordIsAsSevereAsTheWorstOtherOpenError) {
  ErrorPtr version = File(UNFIXABLE_ERROR, KIND_INFO, "GTS_PDFXVersion");
  ErrorPtr conformance = File(UNFIXABLE_ERROR, KIND_INFO, "GTS_PDFXConformance");
  File(WARNING);
  File(WORKFLOW_ERROR);
  EXPECT_TRUE(Grade(version)) << "nothing worse than a warning: 5";
  EXPECT_EQ(version->GetSeverity(), AUTOFIX_ERROR);
  EXPECT_FALSE(Grade(version)) << "already right";

  ErrorPtr fixable = File(FIXABLE_ERROR, KIND_INFO, "Trapped");
  EXPECT_TRUE(Grade(version));
  EXPECT_EQ(version->GetSeverity(), FIXABLE_ERROR);

  ErrorPtr unfixable = File(UNFIXABLE_ERROR);
  EXPECT_TRUE(Grade(version));
  EXPECT_EQ(version->GetSeverity(), UNFIXABLE_ERROR);
  EXPECT_EQ(walker_.GetOpenCounts()[UNFIXABLE_ERROR], 3);

  // A fixed error no longer counts; the other identification record never did.
  unfixable->SetFixed(true);
  EXPECT_TRUE(Grade(version));
  EXPECT_EQ(version->GetSeverity(), FIXABLE_ERROR);
  fixable->SetFixed(true);
  EXPECT_TRUE(Grade(version));
  EXPECT_EQ(version->GetSeverity(), AUTOFIX_ERROR);
  EXPECT_EQ(conformance->GetSeverity(), UNFIXABLE_ERROR);
  EXPECT_TRUE(Grade(conformance));
  EXPECT_EQ(conformance->GetSeverity(), AUTOFIX_ERROR);
}

TEST_F(IdentificationTest, ARecordOutsideAnyListIsLeftAlone) {
  ErrorPtr loose(new Zentu::PDFX_Error(nullptr, "m", "GTS_PDFXVersion", UNFIXABLE_ERROR, KIND_INFO,
                                       PROBLEM_INVALID, boost::shared_ptr<ObjectNode>(),
                                       boost::shared_ptr<ObjectNode>()));
  EXPECT_FALSE(Grade(loose));
  EXPECT_EQ(loose->GetSeverity(), UNFIXABLE_ERROR);
}

}  // namespace
