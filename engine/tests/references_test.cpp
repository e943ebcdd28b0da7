#include <gtest/gtest.h>

#include <vector>

#include "common/AcrobatException.h"
#include "core/host.h"
#include "host/calls.h"
#include "host/selectors.h"
#include "test_standard.h"
#include "testing/pdfmaker.h"

namespace {

class ReferencesTest : public enginetest::DocTest {
 protected:
  void SetUp() override {
    // The trailer names 9 as the Information dictionary.
    hosttest::BindTables();
    hosttest::PdfSpec spec;
    spec.objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [] /Count 0 >>",
        "<< /Arr [1 4 0 R] /Sub << /Ref 4 0 R /Deep [<< /Ref 4 0 R >>] >> /Keep 5 0 R >>",  // 3
        "<< /Old true >>",                                                                  // 4
        "<< /New true >>",                                                                  // 5
        "<< /Orphan true >>",                                                               // 6
        "[4 0 R 6 0 R]",                                                                    // 7
        "stream:/Ref 4 0 R|data",                                                           // 8
        "<< /Title (info) >>",                                                              // 9
        "<< /D << /A 11 0 R /B 12 0 R /Arr [13 0 R] /N 3 >> >>",                           // 10
        "<< /Eleven true >>",                                                               // 11
        "<< /Twelve true >>",                                                               // 12
        "<< /Thirteen true /Inner 6 0 R >>",                                                // 13
    };
    spec.trailer = "/Root 1 0 R /Info 9 0 R";
    PDDoc pd = host::OpenDocumentBytes(hosttest::MakePdf(spec), "references test");
    doc_ = MyCosDoc(PDDocGetCosDoc(pd));
    destroyed_.clear();
  }

  bool Same(const MyCosObj& a, int number) const { return a.Equal(Obj(number)) != 0; }
  bool Gone(int number) const { return Obj(number).GetType() == CosNull; }

  static void DestroyProc(MyCosObj& object, ASInt32 clientData) {
    destroyed_.push_back(std::make_pair(object.GetID(), clientData));
  }
  static std::vector<std::pair<ASInt32, ASInt32>> destroyed_;

  PDFXPreflight walker_;
};

std::vector<std::pair<ASInt32, ASInt32>> ReferencesTest::destroyed_;

TEST_F(ReferencesTest, RecordingKeepsTheFirstReplacement) {
  EXPECT_TRUE(walker_.RecordReference(Val(3, "Sub"), Obj(5), nullptr, 0)) << "direct: nothing recorded";
  EXPECT_TRUE(walker_.GetReplacements().empty());

  EXPECT_TRUE(walker_.RecordReference(Obj(4), Obj(5), nullptr, 0));
  EXPECT_TRUE(walker_.RecordReference(Obj(4), Obj(5), nullptr, 0)) << "the same again";
  EXPECT_FALSE(walker_.RecordReference(Obj(4), Obj(6), nullptr, 0)) << "another replacement";
  EXPECT_FALSE(walker_.RecordReference(Obj(4), Obj(5), &DestroyProc, 0)) << "another routine";
  EXPECT_FALSE(walker_.RecordReference(Obj(4), Obj(5), nullptr, 7)) << "other client data";
  ASSERT_EQ(walker_.GetReplacements().size(), 1u);
  EXPECT_TRUE(Same(walker_.GetReplacements().front().replacement, 5));
}

TEST_F(ReferencesTest, CollectingRecordsWhatAValueRefersTo) {
  EXPECT_TRUE(walker_.CollectReferences(Obj(10), &DestroyProc, 4));
  ASSERT_EQ(walker_.GetReplacements().size(), 1u) << "an indirect value is not entered";
  const ReplacementRecord& own = walker_.GetReplacements().front();
  EXPECT_TRUE(Same(own.object, 10));
  EXPECT_EQ(own.destroy, &DestroyProc);
  EXPECT_EQ(own.clientData, 4);

  // A direct dictionary: two references and an array with a third, in the
  // order the dictionary gives its keys (A, Arr, B).
  PDFXPreflight direct;
  EXPECT_TRUE(direct.CollectReferences(Val(10, "D"), &DestroyProc, 9));
  std::vector<ASInt32> numbers;
  for (const ReplacementRecord& r : direct.GetReplacements()) {
    numbers.push_back(r.object.GetID());
    EXPECT_TRUE(r.replacement.IsNull());
    EXPECT_EQ(r.destroy, nullptr) << "the routine belongs to the value itself only";
    EXPECT_EQ(r.clientData, 0);
  }
  EXPECT_EQ(numbers, (std::vector<ASInt32>{11, 13, 12}));
  EXPECT_TRUE(direct.CollectReferences(Val(10, "D").Get("A"), nullptr, 0));
  EXPECT_EQ(direct.GetReplacements().size(), 3u) << "already recorded the same way";
  EXPECT_TRUE(direct.CollectReferences(Val(10, "D").Get("N"), nullptr, 0));
  EXPECT_EQ(direct.GetReplacements().size(), 3u) << "a number refers to nothing";
  // Recorded with a replacement first: a record without one is added.
  PDFXPreflight mixed;
  mixed.RecordReference(Obj(11), Obj(5), nullptr, 0);
  EXPECT_TRUE(mixed.CollectReferences(Obj(11), nullptr, 0));
  EXPECT_EQ(mixed.GetReplacements().size(), 2u);
}

TEST_F(ReferencesTest, CleanupPutsTheReplacementEverywhere) {
  walker_.RecordReference(Obj(4), Obj(5), nullptr, 0);
  EXPECT_TRUE(walker_.Cleanup());
  EXPECT_TRUE(Same(Val(3, "Arr").Get(1), 5)) << "array element inside an indirect object";
  EXPECT_TRUE(Same(Val(3, "Sub").Get("Ref"), 5)) << "direct dictionary value";
  EXPECT_TRUE(Same(Val(3, "Sub").Get("Deep").Get(0).Get("Ref"), 5)) << "nested deeper";
  EXPECT_TRUE(Same(Obj(7).Get(0), 5)) << "indirect array";
  EXPECT_TRUE(Same(Val(8, "Ref"), 5)) << "stream dictionary";
  EXPECT_TRUE(Gone(4));
  EXPECT_TRUE(walker_.GetReplacements().empty());
}

TEST_F(ReferencesTest, CleanupDestroysOnlyWhatNothingNeeds) {
  walker_.RecordReference(Obj(11), MyCosObj(), nullptr, 0);             // only 10 refers to it
  walker_.RecordReference(Obj(9), MyCosObj(), nullptr, 0);              // only the trailer refers to it
  walker_.RecordReference(Obj(1), MyCosObj(), nullptr, 0);              // the catalog
  walker_.RecordReference(Obj(12), MyCosObj(), &DestroyProc, 21);       // becomes an orphan below
  Obj(10).Remove("D");
  Obj(7).PutAt(1, MyCosObj());  // 6 keeps one referrer: 13
  walker_.RecordReference(Obj(6), MyCosObj(), nullptr, 0);
  EXPECT_TRUE(walker_.Cleanup());
  EXPECT_TRUE(Gone(11));
  EXPECT_FALSE(Gone(9)) << "the Information dictionary stays";
  EXPECT_TRUE(doc_.GetInfoDict().Equal(Obj(9)));
  EXPECT_FALSE(Gone(1));
  EXPECT_FALSE(Gone(6));
  EXPECT_FALSE(Gone(12)) << "its routine destroys it, not the walker";
  EXPECT_EQ(destroyed_, (std::vector<std::pair<ASInt32, ASInt32>>{{12, 21}}));
  // What is still needed stays recorded for the next clean-up.
  ASSERT_EQ(walker_.GetReplacements().size(), 3u);
  for (const ReplacementRecord& r : walker_.GetReplacements()) EXPECT_TRUE(r.stillReferenced);
}

TEST_F(ReferencesTest, ATrailerReferenceIsReplacedToo) {
  walker_.RecordReference(Obj(9), Obj(5), nullptr, 0);
  EXPECT_TRUE(walker_.Cleanup());
  EXPECT_TRUE(doc_.GetInfoDict().Equal(Obj(5)));
  EXPECT_TRUE(Gone(9));
}

TEST_F(ReferencesTest, ANewCatalogReplacesTheOldOne) {
  walker_.RecordReference(Obj(1), Obj(5), nullptr, 0);
  EXPECT_TRUE(walker_.Cleanup());
  EXPECT_TRUE(doc_.GetRoot().Equal(Obj(5)));
  EXPECT_TRUE(Gone(1));
}

TEST_F(ReferencesTest, AFailedScanDestroysNothing) {
  walker_.RecordReference(Obj(6), MyCosObj(), nullptr, 0);
  walker_.RecordReference(Obj(4), Obj(5), nullptr, 0);
  Obj(7).PutAt(1, MyCosObj());
  Obj(13).Remove("Inner");
  hosttest::RaiseOnNextCall(host::TableId::Cos, CosSel::DocEnumIndirect, 0x40000003);
  try {
    walker_.Cleanup();
    FAIL() << "no exception";
  } catch (const Zentu::AcrobatException& e) {
    EXPECT_EQ(e.Where(), "PDFXPreflight::Cleanup()");
    EXPECT_EQ(e.ErrorCode(), 0x40000003);
  }
  hosttest::ClearHooks();
  EXPECT_FALSE(Gone(6));
  EXPECT_FALSE(Gone(4));
  EXPECT_EQ(walker_.GetReplacements().size(), 2u);
  // The next clean-up does the work.
  EXPECT_TRUE(walker_.Cleanup());
  EXPECT_TRUE(Gone(6));
  EXPECT_TRUE(Gone(4));
  EXPECT_TRUE(walker_.GetReplacements().empty());
}

}  // namespace
