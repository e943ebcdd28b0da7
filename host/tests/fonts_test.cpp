#include <gtest/gtest.h>

#include <string>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

class FontsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();
    hosttest::PdfSpec s;
    s.objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [] /Count 0 >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
        "<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+Arial /FontDescriptor 5 0 R "
        "/Encoding << /BaseEncoding /MacRomanEncoding /Differences [32 /space] >> >>",
        "<< /Type /FontDescriptor /FontName /ABCDEF+Arial /FontFile2 6 0 R >>",
        "stream:|ttf",
        "<< /Type /Font /Subtype /Type3 /Name /T3 /CharProcs << >> /FontMatrix [1 0 0 1 0 0] "
        "/FontDescriptor 5 0 R >>",
        "<< /Type /Font /Subtype /Type0 /BaseFont /Kozuka /Encoding /Identity-H /DescendantFonts [9 0 R] >>",
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Kozuka /FontDescriptor 5 0 R >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /" + std::string(200, 'L') + " >>",
    };
    pd_ = host::OpenDocumentBytes(hosttest::MakePdf(s), "fonts");
    doc_ = PDDocGetCosDoc(pd_);
  }
  void TearDown() override { host::CloseAllDocuments(); }
  PDFont Font(int id) { return PDFontFromCosObj(CosDocGetObjByID(doc_, id)); }
  std::string Name(int id) {
    char buf[129];
    PDFontGetName(Font(id), buf, sizeof buf);
    return buf;
  }
  std::string Encoding(int id) {
    const char* e = PDFontGetEncodingName(Font(id));
    return e ? e : "<none>";
  }

  PDDoc pd_ = nullptr;
  CosDoc doc_ = nullptr;
};

TEST_F(FontsTest, EmbeddingSubtypeNameAndEncodingFollowTheDictionaries) {
  struct Case {
    int id;
    bool embedded;
    const char* subtype;
    const char* name;
    const char* encoding;
  } cases[] = {
      {3, false, "Type1", "Helvetica", "WinAnsiEncoding"},
      {4, true, "TrueType", "ABCDEF+Arial", "MacRomanEncoding"},
      {7, false, "Type3", "T3", "<none>"},          // never embedded, even with a program
      {8, true, "Type0", "Kozuka", "Identity-H"},  // answers for its descendant
      {9, true, "CIDFontType2", "Kozuka", "<none>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PDFontIsEmbedded(Font(c.id)) != 0, c.embedded) << c.id;
    EXPECT_STREQ(ASAtomGetString(PDFontGetSubtype(Font(c.id))), c.subtype) << c.id;
    EXPECT_EQ(Name(c.id), c.name) << c.id;
    EXPECT_EQ(Encoding(c.id), c.encoding) << c.id;
  }
  // The name is cut to the buffer, terminator included.
  EXPECT_EQ(Name(10).size(), 128u);
  EXPECT_EQ(Font(3), Font(3));
  HostRegionResult r = HostRegion([&] { PDFontFromCosObj(CosDocGetObjByID(doc_, 6)); });
  EXPECT_EQ(r.code, cosErrTypeMismatch);
}

}  // namespace
