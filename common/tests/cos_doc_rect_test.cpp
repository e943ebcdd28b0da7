#include <gtest/gtest.h>

#include <string>

#include "common/CosRect.h"
#include "common/MyCosDoc.h"
#include "core/host.h"
#include "host/calls.h"
#include "testing/pdfmaker.h"

namespace {

class DocRectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();
    hosttest::PdfSpec s;
    s.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
                 "<< /Good [0 0 612 792] /Flip [612 792 0 0] /Thin [0 0 0 792] /Dot [10 10 10 10] "
                 "/Inner [10 10 600 780] /Taller [0 0 612 792.5] /Left [-0.5 0 612 792] /Three [1 2 3] "
                 "/Five [1 2 3 4 5] /Names [/a /b /c /d] /Name /N >>",
                 "<< /Title (T) >>"};
    s.trailer = "/Root 1 0 R /Info 4 0 R";
    pd_ = host::OpenDocumentBytes(hosttest::MakePdf(s), "rects");
    doc_ = MyCosDoc(PDDocGetCosDoc(pd_));
    boxes_ = doc_.GetObjByID(3);
  }
  void TearDown() override {
    hosttest::ClearHooks();
    host::CloseAllDocuments();
  }
  CosRect Box(const char* key) { return CosRect(boxes_.Get(key)); }

  PDDoc pd_ = nullptr;
  MyCosDoc doc_;
  MyCosObj boxes_;
};

TEST_F(DocRectTest, RectanglesAreOrderedAndValidated) {
  struct Case {
    const char* key;
    double l, b, r, t;
    bool valid;
  } cases[] = {
      {"Good", 0, 0, 612, 792, true},   {"Flip", 0, 0, 612, 792, true}, {"Thin", 0, 0, 0, 792, false},
      {"Dot", 10, 10, 10, 10, false},   {"Three", 0, 0, 0, 0, false},   {"Five", 0, 0, 0, 0, false},
      {"Name", 0, 0, 0, 0, false},      {"Missing", 0, 0, 0, 0, false},
  };
  for (const Case& c : cases) {
    CosRect r = Box(c.key);
    EXPECT_EQ(r.valid, c.valid) << c.key;
    EXPECT_EQ(r.left, c.l) << c.key;
    EXPECT_EQ(r.bottom, c.b) << c.key;
    EXPECT_EQ(r.right, c.r) << c.key;
    EXPECT_EQ(r.top, c.t) << c.key;
  }
  try {
    Box("Names");
    ADD_FAILURE() << "four names made a rectangle";
  } catch (const Zentu::AcrobatException& e) {
    EXPECT_EQ(e.Where(), "MyCosObj::operator double()");
  }
}

TEST_F(DocRectTest, ContainmentIncludesEdgesAndRefusesInvalidSides) {
  CosRect outer = Box("Good");
  EXPECT_TRUE(outer.Contains(Box("Good")));
  EXPECT_TRUE(outer.Contains(Box("Inner")));
  EXPECT_TRUE(outer.Contains(Box("Flip")));
  EXPECT_FALSE(outer.Contains(Box("Taller")));
  EXPECT_FALSE(outer.Contains(Box("Left")));
  EXPECT_FALSE(outer.Contains(Box("Thin")));
  CosRect thin = Box("Thin");
  EXPECT_FALSE(thin.Contains(Box("Dot")));
}

TEST_F(DocRectTest, DocumentGettersHandOutWrappers) {
  EXPECT_TRUE(doc_.IsValid());
  EXPECT_FALSE(MyCosDoc().IsValid());
  EXPECT_TRUE(boxes_.GetDoc().IsValid());
  EXPECT_EQ(doc_.GetRoot().Get("Type").ValueAsString(), "Catalog");
  EXPECT_EQ(doc_.GetInfoDict().Get("Title").ValueAsString(), "T");
  EXPECT_EQ(doc_.GetPDDoc(), pd_);
  EXPECT_EQ(doc_.GetRoot().KeyText(), "");
  // A failing getter names itself and carries no object number.
  hosttest::RaiseOnNextCall(host::TableId::Cos, CosSel::DocGetRoot, cosErrReadError);
  try {
    doc_.GetRoot();
    ADD_FAILURE() << "no exception";
  } catch (const Zentu::AcrobatException& e) {
    EXPECT_EQ(e.Where(), "MyCosDoc::GetRoot");
    EXPECT_EQ(e.ObjectNumber(), -1);
    EXPECT_EQ(e.Display().find("for object"), std::string::npos);
  }
}

}  // namespace
