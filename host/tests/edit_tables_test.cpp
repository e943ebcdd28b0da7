#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

double F(ASFixed f) { return f / 65536.0; }

// One page drawing `content` with the XObjects /A (5, 100 x 100), /B (6),
// /Fm (7, a form drawing /A at 50 x 50 and holding itself) and the font /F1.
std::string Page(const std::string& content) {
  hosttest::PdfSpec s;
  s.objects = {"<< /Type /Catalog /Pages 2 0 R >>",
               "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << "
               "/XObject << /B 6 0 R /A 5 0 R /Fm 7 0 R >> /Font << /F1 8 0 R >> >> >>",
               "stream:|" + content,
               "stream:/Type /XObject /Subtype /Image /Width 100 /Height 100 /ColorSpace /DeviceGray "
               "/BitsPerComponent 8|x",
               "stream:/Type /XObject /Subtype /Image /Width 4 /Height 1 /ColorSpace /DeviceGray "
               "/BitsPerComponent 8|x",
               "stream:/Type /XObject /Subtype /Form /BBox [0 0 100 100] /Resources << /XObject << /Im 5 0 R "
               "/Self 7 0 R >> /Font << /F2 9 0 R >> >>|q 50 0 0 50 0 0 cm /Im Do Q /Self Do",
               "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
               "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>"};
  return hosttest::MakePdf(s);
}
const std::string kTwice =
    "q 100 0 0 100 0 0 cm /A Do Q q 200 0 0 50 0 0 cm /A Do Q q 10 0 0 10 5 5 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x80 EI Q";

class EditTablesTest : public ::testing::Test {
 protected:
  void SetUp() override { hosttest::BindTables(); }
  void TearDown() override { host::CloseAllDocuments(); }
  PDPage Open(const std::string& content) {
    doc_ = host::OpenDocumentBytes(Page(content), "edit tables");
    return PDDocAcquirePage(doc_, 0);
  }
  static std::string Size(const ASFixedRect& r) {
    return std::to_string(int(F(r.right - r.left))) + "x" + std::to_string(int(F(r.top - r.bottom)));
  }
  // "type [inline] w x h #object" for each element, a form's or container's in brackets.
  std::string Walk(PDEContent c) {
    std::string out;
    for (ASInt32 i = 0; i < PDEditContentGetNumElems(c); ++i) {
      PDEElement e = PDEditContentGetElem(c, i);
      ASFixedRect r;
      PDEditElementGetBBox(e, &r);
      ASInt32 type = PDEditObjectGetType(e);
      out += std::to_string(type);
      if (type == kPDEImage) {
        CosObj obj = PDEditImageGetCosObj(e);
        out += (PDEditImageIsXObject(e) ? " " : " inline ") + Size(r) +
               (CosObjIsZero(obj) ? "" : " #" + std::to_string(CosObjGetID(obj)));
      }
      if (type != kPDEImage)
        out += " [" + Walk(type == kPDEForm ? PDEditFormGetContent(e) : PDEditContainerGetContent(e)) + "]";
      out += ";";
    }
    return out;
  }
  // The page's own elements through PDModel 1608 (page space, no inline images, no marks).
  std::string Placed(PDPage page) {
    PDEContent c = PDPageAcquirePDEContent(page);
    std::string out;
    for (ASInt32 i = 0; i < PDEContentGetNumElems(c); ++i) {
      ASFixedRect r;
      PDEElementGetBBox(PDEContentGetElem(c, i), &r);
      out += std::to_string(PDEElementGetType(PDEContentGetElem(c, i))) + " " + Size(r) + ";";
    }
    PDEContentRelease(c);
    return out;
  }
  PDDoc doc_ = nullptr;
};

TEST_F(EditTablesTest, InlineImagesAndMarksAreElementsBoxedInTheirOwnContent) {
  // 32 containers deep; the 33rd mark makes none.
  std::string deep, nested = "3 1x1 #5;";
  for (int i = 0; i < 33; ++i) deep += "/P BMC ";
  for (int i = 0; i < 32; ++i) nested = "12 [" + nested + "];";
  const struct {
    std::string content, edit, placed;
  } rows[] = {
      {kTwice, "3 100x100 #5;3 200x50 #5;3 inline 10x10;", "3 100x100;3 200x50;"},
      {"/P BMC " + kTwice + " EMC", "12 [3 100x100 #5;3 200x50 #5;3 inline 10x10;];", "3 100x100;3 200x50;"},
      {"/Q <</MCID 0>> BDC /P BMC EMC q 2 0 0 2 0 0 cm /Fm Do Q EMC",
       "12 [12 [];4 [3 50x50 #5;4 [];];];", "4 200x200;"},
      {deep + "/A Do", nested, "3 1x1;"},
  };
  for (const auto& row : rows) {
    PDPage page = Open(row.content);
    PDEContent c = PDEditPageAcquireContent(page, 0);
    EXPECT_EQ(Walk(c), row.edit);
    EXPECT_EQ(Placed(page), row.placed);
    PDEElement first = PDEditContentGetElem(c, 0);
    PDEditRelease(c);  // a page's content goes by its page
    PDEditPageReleaseContent(page, 0);
    EXPECT_TRUE(HostRegion([&] { PDEditObjectGetType(first); }).raised);
    PDPageRelease(page);
    host::CloseAllDocuments();
  }
}

TEST_F(EditTablesTest, ResourcesAreEnumeratedWithThoseOfTheirForms) {
  static std::vector<std::string> seen;
  static size_t stopAfter = 0;
  auto proc = [](CosObj, CosObj name, void*) -> ASBool {
    seen.push_back(ASAtomGetString(CosNameValue(name)));
    return seen.size() != stopAfter;
  };
  ASCallback callback = ASCallbackCreate(0, reinterpret_cast<void*>(static_cast<PDResourceEnumProc>(proc)));
  Open("/A Do");
  const struct {
    const char* type;
    size_t stop;
    std::vector<std::string> names;
  } rows[] = {
      {"XObject", 0, {"A", "B", "Fm", "Im", "Self"}},  // the form holding itself is entered once
      {"XObject", 3, {"A", "B", "Fm"}},
      {"Font", 0, {"F1", "F2"}},
  };
  for (const auto& row : rows) {
    seen.clear();
    stopAfter = row.stop;
    PDDocEnumResources(doc_, 0, 0, ASAtomFromString(row.type), callback, nullptr);
    EXPECT_EQ(seen, row.names) << row.type;
  }
  EXPECT_TRUE(HostRegion([&] { PDDocEnumResources(doc_, 1, 1, ASAtomFromString("XObject"), callback, nullptr); }).raised);
  ASCallbackDestroy(callback);
}

}  // namespace
