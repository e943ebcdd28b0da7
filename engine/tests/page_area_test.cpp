// A page's finished area and an annotation's shown rectangle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/host.h"
#include "engine/PageArea.h"
#include "host/calls.h"
#include "testing/pdfmaker.h"

namespace {

ASFixed F(long whole) { return static_cast<ASFixed>(whole * 65536L); }

class PageAreaTest : public ::testing::Test {
 protected:
  void SetUp() override { hosttest::BindTables(); }
  void TearDown() override { host::CloseAllDocuments(); }

  PDDoc Open(const std::vector<std::string>& objects) {
    hosttest::PdfSpec spec;
    spec.objects = objects;
    return host::OpenDocumentBytes(hosttest::MakePdf(spec), "page area test");
  }
};

TEST_F(PageAreaTest, TheFirstBoxNameFoundUpTheTreeWins) {
  PDDoc doc = Open({
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R 6 0 R 7 0 R] /Count 5 /CropBox [0 0 612 792] /Rotate 90 >>",
      "<< /Type /Page /Parent 2 0 R >>",
      "<< /Type /Page /Parent 2 0 R /BleedBox [1 2 3 4] /TrimBox [5 6 7 8] /MediaBox [0 0 9 9] /Rotate 0 >>",
      "<< /Type /Page /Parent 2 0 R /CropBox [0.7 0 612.9 792.4] /PZ 2 >>",
      "<< /Type /Page /Parent 2 0 R /ArtBox [0 0 40000 -40000] >>",
      "<< /Type /Pages /Parent 2 0 R /Kids [8 0 R] /Count 1 /TrimBox [10 10 590 790] >>",
      "<< /Type /Page /Parent 7 0 R /MediaBox [0 0 600 800] /Rotate 270 >>",
  });
  struct Case {
    int page;
    ASFixedRect rect;
    PDRotate rotation;
  };
  const Case cases[] = {
      {0, {F(0), F(792), F(612), F(0)}, 90},  // the parent's CropBox
      {1, {F(1), F(4), F(3), F(2)}, 0},        // BleedBox before TrimBox and MediaBox
      {2, {F(0), F(792), F(612), F(0)}, 90},  // numbers taken whole
      {3, {F(0), ASFixedMin, ASFixedMax, F(0)}, 90},  // past 16.16: saturated, not wrapped
      {4, {F(10), F(790), F(590), F(10)}, 270},       // an ancestor's TrimBox before the page's MediaBox
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    ASFixedRect rect{-1, -1, -1, -1};
    PDRotate rotation = -1;
    double zoom = 1.5;
    ASSERT_TRUE(GetPageBox(doc, c.page, rect, rotation, zoom));
    EXPECT_EQ(rect.left, c.rect.left);
    EXPECT_EQ(rect.top, c.rect.top);
    EXPECT_EQ(rect.right, c.rect.right);
    EXPECT_EQ(rect.bottom, c.rect.bottom);
    EXPECT_EQ(rotation, c.rotation);
    EXPECT_DOUBLE_EQ(zoom, 1.5) << "a zoom given stays";
  }

  // A zoom of 0 asks for the page's own.
  ASFixedRect rect;
  PDRotate rotation = 0;
  double zoom = 0.0;
  GetPageBox(doc, 2, rect, rotation, zoom);
  EXPECT_DOUBLE_EQ(zoom, 2.0);
  zoom = 0.0;
  GetPageBox(doc, 0, rect, rotation, zoom);
  EXPECT_DOUBLE_EQ(zoom, 1.0);
}

TEST_F(PageAreaTest, APageWithoutBoxesGivesAnEmptyRectangle) {
  PDDoc doc = Open({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox 9 0 R >>"});
  ASFixedRect rect{1, 2, 3, 4};
  PDRotate rotation = 0;
  double zoom = 0.0;
  EXPECT_FALSE(GetPageBox(doc, 0, rect, rotation, zoom));
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right, 0);
  EXPECT_EQ(rect.bottom, 0);
}

TEST_F(PageAreaTest, AnnotationsThatKeepTheirSizeOrUprightnessTurnAboutTheirLeftTopCorner) {
  PDDoc doc = Open({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Annots ["
                    "<< /Subtype /Text /Rect [50 20 100 200] >> "
                    "<< /Subtype /Square /Rect [50 20 100 200] >> "
                    "<< /Subtype /Square /F 16 /Rect [50 20 100 200] >> "
                    "<< /Subtype /Square /F 8 /Rect [50 20 100 200] >>] >>"});
  PDPage page = PDDocAcquirePage(doc, 0);
  struct Case {
    int annot;
    PDRotate rotation;
    double zoom;
    ASFixedRect rect;
  };
  const ASFixedRect original{F(50), F(200), F(100), F(20)};
  const Case cases[] = {
      {0, 90, 1.0, {F(50), F(250), F(230), F(200)}},    // Text never turns with the page
      {0, 0, 2.0, {F(50), F(200), F(75), F(110)}},      // nor zooms
      {0, 0, 0.0, original},                            // zoom 0: none known
      {1, 90, 2.0, original},                           // a Square without flags follows the page
      {2, 180, 2.0, {F(0), F(380), F(50), F(200)}},     // NoRotate only
      {2, 270, 1.0, {F(-130), F(200), F(50), F(150)}},
      {3, 90, 2.0, {F(50), F(200), F(75), F(110)}},     // NoZoom only
      {3, 0, 1.0, original},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.annot) + " at " + std::to_string(c.rotation));
    ASFixedRect rect;
    GetAnnotationRect(PDPageGetAnnot(page, c.annot), c.rotation, c.zoom, rect);
    EXPECT_EQ(rect.left, c.rect.left);
    EXPECT_EQ(rect.top, c.rect.top);
    EXPECT_EQ(rect.right, c.rect.right);
    EXPECT_EQ(rect.bottom, c.rect.bottom);
  }
  PDPageRelease(page);
}

}  // namespace
