#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/host.h"
#include "dialogs/manager.h"
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
  // "type w x h" for each element, a container's elements in brackets.
  std::string Walk(PDEContent c) {
    std::string out;
    for (ASInt32 i = 0; i < PDEditContentGetNumElems(c); ++i) {
      PDEElement e = PDEditContentGetElem(c, i);
      ASFixedRect r;
      PDEditElementGetBBox(e, &r);
      ASInt32 type = PDEditObjectGetType(e);
      out += std::to_string(type);
      if (type == kPDEImage)
        out += (PDEditImageIsXObject(e) ? " " : " inline ") + std::to_string(int(F(r.right - r.left))) + "x" +
               std::to_string(int(F(r.top - r.bottom))) +
               (CosObjIsZero(PDEditImageGetCosObj(e)) ? "" : " #" + std::to_string(CosObjGetID(PDEditImageGetCosObj(e))));
      if (type == kPDEForm) out += " [" + Walk(PDEditFormGetContent(e)) + "]";
      if (type == kPDEContainer) out += " [" + Walk(PDEditContainerGetContent(e)) + "]";
      out += ";";
    }
    return out;
  }
  // The same through PDModel 1608 (page space, no inline images, no marks).
  std::string Placed(PDPage page) {
    PDEContent c = PDPageAcquirePDEContent(page);
    std::string out;
    for (ASInt32 i = 0; i < PDEContentGetNumElems(c); ++i) {
      ASFixedRect r;
      PDEElementGetBBox(PDEContentGetElem(c, i), &r);
      out += std::to_string(PDEElementGetType(PDEContentGetElem(c, i))) + " " +
             std::to_string(int(F(r.right - r.left))) + "x" + std::to_string(int(F(r.top - r.bottom))) + ";";
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

  // The plug-ins' object number sits at 43 too.
  CosObj a = CosDocGetObjByID(PDDocGetCosDoc(doc_), 5);
  EXPECT_EQ(HFTProc<CosID (*)(CosObj)>(gCosHFT, 43)(a), 5);
}

TEST_F(EditTablesTest, TheProgressMonitorTellsTheDriver) {
  struct Lines : host::Driver {
    void Act(ADMDialogRef) override {}
    int Alert(const host::AlertRequest&) override { return 1; }
    void Progress(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
  } driver;
  host::SetDriver(&driver);
  void* data = nullptr;
  AVProgressMonitor m = AVAppGetDocProgressMonitor(&data);
  ASSERT_TRUE(m && data && m->size == sizeof(AVProgressMonitorRec));
  m->beginOperation(data);
  m->setDuration(3, data);
  m->setCurrValue(2, data);
  EXPECT_EQ(m->getCurrValue(data), 2);
  EXPECT_EQ(m->getDuration(data), 3);
  m->endOperation(data);
  m->beginOperation(data);
  EXPECT_EQ(m->getCurrValue(data), 0);
  host::SetDriver(nullptr);
  EXPECT_EQ(driver.lines, (std::vector<std::string>{"PROGRESS begin", "PROGRESS duration 3", "PROGRESS value 2",
                                                    "PROGRESS end", "PROGRESS begin"}));
}

}  // namespace
