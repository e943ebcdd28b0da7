#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

double F(ASFixed f) { return f / 65536.0; }

class PlacementsTest : public ::testing::Test {
 protected:
  void SetUp() override { hosttest::BindTables(); }
  void TearDown() override { host::CloseAllDocuments(); }

  PDPage Page(const std::vector<std::string>& objects, const std::string& trailer = "/Root 1 0 R") {
    hosttest::PdfSpec s;
    s.objects = objects;
    s.trailer = trailer;
    pd_ = host::OpenDocumentBytes(hosttest::MakePdf(s), "placements");
    return PDDocAcquirePage(pd_, 0);
  }
  PDDoc pd_ = nullptr;
};

// Objects: 1 catalog, 2 pages (Resources inherited), 3 page, 4 contents, 5 image, 6 form, 7 form content of 6.
std::vector<std::string> Doc(const std::string& content, const std::string& formContent,
                             const std::string& formExtra = "") {
  return {"<< /Type /Catalog /Pages 2 0 R >>",
          "<< /Type /Pages /Kids [3 0 R] /Count 1 /Resources << /XObject << /Im 5 0 R /Fm 6 0 R >> >> >>",
          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Rotate 450 "
          "/Annots [<< /Subtype /Text /F 24 /Rect [100 200 50 20] >> << /Subtype /Square >>] >>",
          "stream:|" + content,
          "stream:/Type /XObject /Subtype /Image /Width 100 /Height 50 /BitsPerComponent 8 "
          "/ColorSpace /DeviceGray|" + std::string(5000, 'x'),
          "stream:/Type /XObject /Subtype /Form /BBox [0 0 10 10] /Matrix [2 0 0 2 5 5] " + formExtra + "|" +
              formContent};
}

TEST_F(PlacementsTest, ImagesAndFormsArePlacedInPageSpace) {
  PDPage page = Page(Doc("q 50 0 0 25 100 100 cm /Im Do Q q 1 0 0 1 10 20 cm /Fm Do Q /Im Do",
                         "q 3 0 0 3 0 0 cm /Im Do Q"));
  PDEContent c = PDPageAcquirePDEContent(page);
  ASSERT_EQ(PDEContentGetNumElems(c), 3);
  ASFixedRect r;
  PDEElement img = PDEContentGetElem(c, 0);
  EXPECT_EQ(PDEElementGetType(img), kPDEImage);
  EXPECT_EQ(CosObjGetID(PDEElementGetCosObj(img)), 5);
  PDEElementGetBBox(img, &r);
  EXPECT_EQ(F(r.left), 100);
  EXPECT_EQ(F(r.bottom), 100);
  EXPECT_EQ(F(r.right), 150);
  EXPECT_EQ(F(r.top), 125);
  // The form: its BBox through its Matrix and the page's cm; inside, its image.
  PDEElement form = PDEContentGetElem(c, 1);
  EXPECT_EQ(PDEElementGetType(form), kPDEForm);
  PDEElementGetBBox(form, &r);
  EXPECT_EQ(F(r.left), 15);
  EXPECT_EQ(F(r.right), 35);
  PDEContent inner = PDEFormGetContent(form);
  ASSERT_EQ(PDEContentGetNumElems(inner), 1);
  PDEElementGetBBox(PDEContentGetElem(inner, 0), &r);
  EXPECT_EQ(F(r.left), 15);   // 0 * 3 * 2 + 5 + 10
  EXPECT_EQ(F(r.right), 21);  // 1 * 3 * 2 + 5 + 10
  EXPECT_EQ(F(r.bottom), 25);
  // After Q the identity is back: the last image is the unit square.
  PDEElementGetBBox(PDEContentGetElem(c, 2), &r);
  EXPECT_EQ(F(r.right) - F(r.left), 1);
  PDEContentRelease(c);
  HostRegionResult gone = HostRegion([&] { PDEContentGetNumElems(c); });
  EXPECT_EQ(gone.code, genErrBadHandle);
  PDPageRelease(page);
}

TEST_F(PlacementsTest, NamesWrittenWithEscapesFindTheirXObjects) {
  std::vector<std::string> objects = Doc("/I#6d Do q 2 0 0 2 0 0 cm /F#6D Do Q", "");
  PDPage page = Page(objects);
  PDEContent c = PDPageAcquirePDEContent(page);
  ASSERT_EQ(PDEContentGetNumElems(c), 2);
  EXPECT_EQ(PDEElementGetType(PDEContentGetElem(c, 0)), kPDEImage);
  EXPECT_EQ(PDEElementGetType(PDEContentGetElem(c, 1)), kPDEForm);
  PDEContentRelease(c);
  PDPageRelease(page);
}

TEST_F(PlacementsTest, SelfPlacingFormsAndBrokenContentEnd) {
  PDPage page = Page(Doc("/Fm Do", "/Fm Do /Im Do", "/Resources << /XObject << /Fm 6 0 R /Im 5 0 R >> >>"));
  PDEContent c = PDPageAcquirePDEContent(page);
  ASSERT_EQ(PDEContentGetNumElems(c), 1);
  PDEContent inner = PDEFormGetContent(PDEContentGetElem(c, 0));
  ASSERT_EQ(PDEContentGetNumElems(inner), 2);  // itself (not read again) and the image
  EXPECT_EQ(PDEContentGetNumElems(PDEFormGetContent(PDEContentGetElem(inner, 0))), 0);
  PDEContentRelease(c);
  PDPageRelease(page);

  page = Page(Doc("q 2 0 0 2 0 0 cm (cut off", ""));
  c = PDPageAcquirePDEContent(page);
  EXPECT_EQ(PDEContentGetNumElems(c), 0);
  PDEContentRelease(c);
  PDPageRelease(page);
}

TEST_F(PlacementsTest, AnnotationsRotationAndIdentifier) {
  PDPage page = Page(Doc("", ""), "/Root 1 0 R /ID [<0102> <>]");
  EXPECT_EQ(PDPageGetRotate(page), 90);
  ASSERT_EQ(PDPageGetNumAnnots(page), 2);
  PDAnnot text = PDPageGetAnnot(page, 0);
  EXPECT_EQ(PDAnnotGetFlags(text), 24);
  EXPECT_STREQ(ASAtomGetString(PDAnnotGetSubtype(text)), "Text");
  ASFixedRect r;
  PDAnnotGetRect(text, &r);
  EXPECT_EQ(F(r.left), 50);
  EXPECT_EQ(F(r.top), 200);
  EXPECT_EQ(F(r.right), 100);
  EXPECT_EQ(F(r.bottom), 20);
  EXPECT_EQ(PDAnnotGetFlags(PDPageGetAnnot(page, 1)), 0);
  ASUns8 id[39];
  EXPECT_EQ(PDDocGetID(pd_, 0, id, sizeof id), 2);
  EXPECT_EQ(id[1], 2);
  EXPECT_EQ(PDDocGetID(pd_, 1, id, sizeof id), 0);
  EXPECT_EQ(PDDocGetID(pd_, 2, id, sizeof id), 0);
  PDPageRelease(page);
}

TEST_F(PlacementsTest, FixedPointMatrices) {
  ASFixedMatrix translate{fixedOne, 0, 0, fixedOne, 10 * fixedOne, 20 * fixedOne};
  ASFixedMatrix rotate{0, fixedOne, -fixedOne, 0, 0, 0};  // 90 degrees
  ASFixedMatrix both;
  ASFixedMatrixConcat(&both, &translate, &rotate);  // translate first, then rotate
  ASFixedPoint p{fixedOne, 0}, q;
  ASFixedMatrixTransform(&q, &both, &p);
  EXPECT_EQ(F(q.h), -20);
  EXPECT_EQ(F(q.v), 11);
  ASFixedMatrix inv;
  ASSERT_TRUE(ASFixedMatrixInvert(&inv, &both));
  ASFixedPoint back;
  ASFixedMatrixTransform(&back, &inv, &q);
  EXPECT_EQ(back.h, p.h);
  EXPECT_EQ(back.v, p.v);
  ASFixedRect unit{0, fixedOne, fixedOne, 0}, out;
  ASFixedMatrixTransformRect(&out, &rotate, &unit);
  EXPECT_EQ(F(out.left), -1);
  EXPECT_EQ(F(out.right), 0);
  EXPECT_EQ(ASFixedMul(3 * fixedOne, fixedOne / 2), 3 * fixedOne / 2);
  EXPECT_EQ(ASFixedDiv(fixedOne, 0), ASFixedMax);
  EXPECT_EQ(ASFixedMul(30000 * fixedOne, 30000 * fixedOne), ASFixedMax);
}

TEST_F(PlacementsTest, FixedNumbersAsTextReadBackToThemselves) {
  struct Case {
    ASFixed value;
    const char* text;
  } cases[] = {{612 * fixedOne, "612"}, {0x88000, "8.5"}, {0, "0"}, {-fixedOne / 4, "-0.25"},
               {1, "0.00002"},          {ASFixedMax, "32768"}, {ASFixedMin, "-32768"}};
  for (const Case& c : cases) {
    char text[32];
    ASFixedToCString(c.value, text, sizeof text, 8);
    EXPECT_STREQ(text, c.text);
    EXPECT_EQ(ASCStringToFixed(text), c.value) << text;
  }
  // Text to fixed rounds to the nearest value and saturates; no number is 0.
  EXPECT_EQ(ASCStringToFixed(" 0.000008"), 1);
  EXPECT_EQ(ASCStringToFixed("1e9"), ASFixedMax);
  EXPECT_EQ(ASCStringToFixed("-1e400"), ASFixedMin);
  EXPECT_EQ(ASCStringToFixed("box"), 0);
}

}  // namespace
