#include <gtest/gtest.h>

#include <string>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

class EditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();
    hosttest::PdfSpec s;
    s.objects = {"<< /Type /Catalog /Pages 2 0 R /OpenAction 6 0 R >>",
                 "<< /Type /Pages /Kids [3 0 R 7 0 R] /Count 2 >>",
                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Annots [4 0 R 5 0 R] >>",
                 "<< /Subtype /Square /Rect [0 0 10 10] /Popup 5 0 R >>",
                 "<< /Subtype /Popup /Rect [0 0 5 5] >>",
                 "<< /S /JavaScript /JS (app.alert(1)) >>",
                 "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>"};
    pd_ = host::OpenDocumentBytes(hosttest::MakePdf(s), "edit");
    doc_ = PDDocGetCosDoc(pd_);
  }
  void TearDown() override { host::CloseAllDocuments(); }
  PDDoc pd_ = nullptr;
  CosDoc doc_ = nullptr;
};

// An empty text removes the entry, and makes no dictionary for it.
TEST_F(EditTest, InfoEntriesAreSetAndTheDictionaryMadeWhenMissing) {
  EXPECT_TRUE(CosObjIsZero(CosDocGetInfoDict(doc_)));
  EXPECT_EQ(PDDocGetInfo(pd_, "Title", nullptr, 0), 0);
  PDDocSetInfo(pd_, "Empty", "", 0);
  EXPECT_TRUE(CosObjIsZero(CosDocGetInfoDict(doc_)));
  EXPECT_FALSE(PDDocGetFlags(pd_) & 1);
  PDDocSetInfo(pd_, "Title", "Report", 6);
  PDDocSetInfo(pd_, "Subject", "Gone", 4);
  CosObj info = CosDocGetInfoDict(doc_);
  EXPECT_TRUE(CosObjIsIndirect(info));
  char buf[4];
  EXPECT_EQ(PDDocGetInfo(pd_, "Title", buf, sizeof buf), 6);
  EXPECT_EQ(std::string(buf, 4), "Repo");
  EXPECT_TRUE(PDDocGetFlags(pd_) & 1);
  PDDocClearFlags(pd_, 1);
  PDDocSetInfo(pd_, "Subject", "", 0);
  EXPECT_FALSE(CosDictKnown(info, ASAtomFromString("Subject")));
  EXPECT_TRUE(PDDocGetFlags(pd_) & 1);
  PDDocClearFlags(pd_, 1);
  EXPECT_FALSE(PDDocGetFlags(pd_) & 1);
}

TEST_F(EditTest, AnnotationsAreFoundMovedAndRemovedByIndex) {
  PDPage page = PDDocAcquirePage(pd_, 0);
  PDAnnot square = PDAnnotFromCosObj(CosDocGetObjByID(doc_, 4));
  PDAnnot popup = PDAnnotFromCosObj(CosDocGetObjByID(doc_, 5));
  EXPECT_EQ(PDPageGetAnnotIndex(page, popup), 1);
  ASFixedRect r{10 * fixedOne, 40 * fixedOne, 30 * fixedOne, 20 * fixedOne};
  PDAnnotSetRect(square, &r);
  ASFixedRect back;
  PDAnnotGetRect(square, &back);
  EXPECT_EQ(back.left, r.left);
  EXPECT_EQ(back.top, r.top);
  PDPageRemoveAnnot(page, 0);
  EXPECT_EQ(PDPageGetNumAnnots(page), 1);
  EXPECT_EQ(PDPageGetAnnotIndex(page, square), -1);
  EXPECT_EQ(PDPageGetAnnotIndex(page, popup), 0);
  hosttest::ClearCallLog();
  PDPageNotifyContentsDidChange(page);
  EXPECT_EQ(hosttest::CallLog().size(), 1u);
  PDPageRelease(page);
  HostRegionResult r2 = HostRegion([&] { PDAnnotFromCosObj(CosNewInteger(doc_, 0, 1)); });
  EXPECT_EQ(r2.code, cosErrTypeMismatch);
}

TEST_F(EditTest, OnlyDictionariesWithANamedSAreActions) {
  CosObj js = CosDocGetObjByID(doc_, 6);
  PDAction action = PDActionFromCosObj(js);
  HostRegionResult r = HostRegion([&] { PDActionFromCosObj(CosDocGetObjByID(doc_, 5)); });
  EXPECT_EQ(r.code, cosErrTypeMismatch);
  PDActionDestroy(action);
  EXPECT_EQ(CosObjGetType(CosDocGetObjByID(doc_, 6)), CosNull);
  // The holder stays: only the action went.
  EXPECT_EQ(CosObjGetType(CosDocGetRoot(doc_)), CosDict);
}

TEST_F(EditTest, ThePageViewShowsOnePageAtATime) {
  AVDoc av = host::ShowInView(pd_);
  AVPageView view = AVDocGetPageView(av);
  EXPECT_EQ(AVPageViewGetPageNum(view), 0);
  AVPageViewGoTo(view, 1);
  EXPECT_EQ(AVPageViewGetFirstVisiblePageNum(view), 1);
  EXPECT_EQ(AVPageViewGetLastVisiblePageNum(view), 1);
  HostRegionResult r = HostRegion([&] { AVPageViewGoTo(view, 2); });
  EXPECT_EQ(r.code, pdErrBadPageIndex);
}

}  // namespace
