// Hostile and unusual input for the content reader, the placement
// interpreter, fonts and documents: right answers, bounded work.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

class ReviewContentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();
    pd_ = host::OpenDocumentBytes(hosttest::MakePagesPdf(1), "content");
    doc_ = PDDocGetCosDoc(pd_);
  }
  void TearDown() override { host::CloseAllDocuments(); }

  struct Tok {
    int type;
    std::string text;
  };
  // Tokens up to the end; an inline image shows as one token of type -1
  // holding its data.
  std::vector<Tok> Tokens(const std::string& content) {
    std::vector<Tok> out;
    ASStm stm = ASMemStmRdOpen(content.data(), static_cast<ASSize_t>(content.size()));
    PDToken t;
    while (PDReadContentToken(stm, &t) > 0) {
      out.push_back({t.type, t.text});
      if (t.type != kPDTokenKeyword || std::string(t.text) != "BI") continue;
      ASInt32 used = 0;
      CosObj img = PDReadInlineImage(stm, CosObj{0, 0}, doc_, &used);
      ASStm data = CosStreamOpenStm(img, cosOpenRaw);
      std::string bytes(content.size(), 0);
      bytes.resize(ASStmRead(&bytes[0], 1, static_cast<ASSize_t>(bytes.size()), data));
      ASStmClose(data);
      CosObjDestroy(img);
      out.push_back({-1, bytes});
    }
    ASStmClose(stm);
    return out;
  }

  PDDoc pd_ = nullptr;
  CosDoc doc_ = nullptr;
};

TEST_F(ReviewContentTest, NumbersOfAnyLengthAreNumbers) {
  // Writers that print doubles in full give numbers of 17 digits and more;
  // read as operators they would be reported and removed as unknown ones.
  const std::string longest = "-0." + std::string(300, '0') + "1";
  for (const std::string& number :
       {std::string("0.99999999999999989"), std::string("-12345678901234567"),
        std::string("1.0000000000000000000000000"), longest}) {
    auto toks = Tokens(number + " 0 0 1 0 0 cm");
    ASSERT_EQ(toks.size(), 7u) << number;
    EXPECT_EQ(toks[0].type, kPDTokenNumber) << number;
    EXPECT_EQ(toks[6].type, kPDTokenKeyword);
  }
  // Long operators and near-numbers stay keywords.
  for (const char* word : {"1.2.3", "12345678901234567x", "--5", "."}) {
    auto toks = Tokens(std::string(word) + " Q");
    ASSERT_EQ(toks.size(), 2u) << word;
    EXPECT_EQ(toks[0].type, kPDTokenKeyword) << word;
  }
}

TEST_F(ReviewContentTest, TheFirstFilterOfAnInlineImageTellsWhereItsDataEnds) {
  // ASCII85 outside, Flate inside: the bytes in the content are ASCII85 text
  // up to "~>", even when a line of it starts with "EI" and a delimiter.
  std::string a85 = "9jqo^\nEI/Bl~>";
  auto toks = Tokens("q BI /W 4 /H 4 /BPC 8 /CS /G /F [/A85 /Fl] ID " + a85 + "\nEI Q");
  ASSERT_EQ(toks.size(), 4u);
  EXPECT_EQ(toks[2].text, a85);
  EXPECT_EQ(toks[3].text, "Q");

  std::string hex = "0A\nEI[0B>";
  toks = Tokens("BI /W 2 /H 1 /BPC 8 /CS /G /F [/AHx /DCT] ID " + hex + " EI Q");
  ASSERT_EQ(toks.size(), 3u);
  EXPECT_EQ(toks[1].text, hex);
}

TEST_F(ReviewContentTest, ComponentCountsPastAnyColourSpaceGiveNoWrappedLength) {
  // 2^24 x 2^24 samples of 32768 components of 16 bits: a length that does
  // not fit 64 bits must not be used. The data begins with "EI ", which a
  // wrapped length of 0 would take for the image's end.
  std::string names;
  for (int i = 0; i < 32768; ++i) names += "/a ";
  auto toks = Tokens("BI /W 16777216 /H 16777216 /BPC 16 /CS [/DeviceN [" + names +
                     "] /DeviceGray null] ID EI xx\nEI Q");
  ASSERT_EQ(toks.size(), 3u);
  EXPECT_EQ(toks[1].text, "EI xx");
  EXPECT_EQ(toks[2].text, "Q");
}

TEST_F(ReviewContentTest, LongEncodedInlineImagesAreReadInLinearTime) {
  // The end marker is looked for in what was read last, not again from the
  // start each time more is read. Data full of "~" makes every look slow.
  for (const char* filter : {"/AHx", "/A85"}) {
    bool hex = std::string(filter) == "/AHx";
    std::string data(16u << 20, hex ? '0' : '~');
    data += hex ? ">" : "~>";
    Clock::time_point start = Clock::now();
    auto toks = Tokens(std::string("BI /W 1 /H 1 /BPC 8 /CS /G /F ") + filter + " ID " + data + "\nEI Q");
    double took = Seconds(start);
    ASSERT_EQ(toks.size(), 3u);
    EXPECT_EQ(toks[1].text.size(), data.size());
    EXPECT_EQ(toks[2].text, "Q");
    EXPECT_LT(took, 1.0) << filter;
  }
}

// A page whose forms place one another many times over: `levels` forms, each
// placing the next `times` times, the last placing an image.
std::string NestedFormsPdf(int levels, int times, const std::string& formPadding = "") {
  hosttest::PdfSpec s;
  s.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
               "/Resources << /XObject << /X 5 0 R >> >> >>",
               "stream:|/X Do"};
  std::string places;
  for (int i = 0; i < times; ++i) places += "q /X Do Q\n";
  for (int k = 0; k < levels; ++k) {
    int next = 5 + k + 1;
    s.objects.push_back("stream:/Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /XObject << /X " +
                        std::to_string(next) + " 0 R >> >>|" + formPadding + places);
  }
  s.objects.push_back("stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 "
                      "/ColorSpace /DeviceGray|x");
  return hosttest::MakePdf(s);
}

class ReviewPlacementsTest : public ::testing::Test {
 protected:
  void SetUp() override { hosttest::BindTables(); }
  void TearDown() override { host::CloseAllDocuments(); }
  // The code the page's placements raise, 0 when they were read.
  ASErrorCode AcquireError(const std::string& pdf, ASInt32* count = nullptr) {
    PDDoc pd = host::OpenDocumentBytes(pdf, "forms");
    PDPage page = PDDocAcquirePage(pd, 0);
    PDEContent content = nullptr;
    HostRegionResult r = HostRegion([&] { content = PDPageAcquirePDEContent(page); });
    if (content && count) *count = PDEContentGetNumElems(content);
    if (content) PDEContentRelease(content);
    PDPageRelease(page);
    return r.raised ? r.code : 0;
  }
};

TEST_F(ReviewPlacementsTest, FormsPlacingEachOtherOverAndOverEndInAnError) {
  // Small forms nested into a hundred million placements: a clear error in
  // a moment, not hours and all the memory there is.
  ASInt32 count = -1;
  EXPECT_EQ(AcquireError(NestedFormsPdf(3, 10), &count), 0);
  EXPECT_EQ(count, 1);
  Clock::time_point start = Clock::now();
  EXPECT_EQ(AcquireError(NestedFormsPdf(8, 10)), cosErrDataTooLarge);
  EXPECT_LT(Seconds(start), 20.0);

  // A big form read again for each of its placements counts each time.
  host::SetDecodedDataCap(size_t(8) << 20);
  EXPECT_EQ(AcquireError(NestedFormsPdf(1, 4, "% " + std::string(1 << 20, 'x') + "\n")), 0);
  EXPECT_EQ(AcquireError(NestedFormsPdf(2, 40, "% " + std::string(1 << 20, 'x') + "\n")), cosErrDataTooLarge);
}

TEST(ReviewFontsTest, FontHandlesAreFoundWithoutWalkingAllFonts) {
  // A document with tens of thousands of fonts (one subset per page) asks
  // about each: looking a handle up must not cost a walk over all of them.
  hosttest::BindTables();
  PDDoc pd = host::OpenDocumentBytes(hosttest::MakePagesPdf(1), "fonts");
  CosDoc doc = PDDocGetCosDoc(pd);
  const int kFonts = 60000;
  std::vector<PDFont> fonts;
  for (int i = 0; i < kFonts; ++i) {
    CosObj dict = CosNewDict(doc, 0, 2);
    CosDictPut(dict, ASAtomFromString("Subtype"), CosNewName(doc, 0, ASAtomFromString("TrueType")));
    fonts.push_back(PDFontFromCosObj(dict));
  }
  Clock::time_point start = Clock::now();
  for (PDFont font : fonts) ASSERT_STREQ(ASAtomGetString(PDFontGetSubtype(font)), "TrueType");
  EXPECT_LT(Seconds(start), 1.0);
  host::CloseAllDocuments();
}

TEST(ReviewDocumentsTest, ObjectStreamsAreCappedLikeEveryOtherStream) {
  // The library decodes an object stream whole when one of its objects is
  // read, past the host's cap: a small file could take all the memory there
  // is. Made by qpdf itself, with a 4 MB string in an object stream.
  hosttest::BindTables();
  hosttest::TempDir dir;
  hosttest::PdfSpec s;
  s.objects = {"<< /Type /Catalog /Pages 2 0 R /Big 3 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
               "<< /Text (" + std::string(4u << 20, 'a') + ") >>"};
  hosttest::WriteFile(dir.File("in.pdf"), hosttest::MakePdf(s));
  std::string output;
  ASSERT_EQ(hosttest::RunCommand("qpdf --object-streams=generate '" + dir.File("in.pdf") + "' '" +
                                     dir.File("objstm.pdf") + "'",
                                 &output),
            0)
      << output;
  ASSERT_NE(hosttest::ReadFile(dir.File("objstm.pdf")).find("/ObjStm"), std::string::npos);

  // Under the cap the file opens and its objects read as usual.
  PDDoc pd = host::OpenDocument(dir.File("objstm.pdf"));
  CosObj big = CosDictGet(CosDocGetRoot(PDDocGetCosDoc(pd)), ASAtomFromString("Big"));
  ASInt32 length = 0;
  CosStringValue(CosDictGet(big, ASAtomFromString("Text")), &length);
  EXPECT_EQ(length, 4 << 20);
  host::CloseAllDocuments();

  // Over it, a clear error before anything is read.
  host::SetDecodedDataCap(size_t(1) << 20);
  HostRegionResult r = HostRegion([&] { host::OpenDocument(dir.File("objstm.pdf")); });
  EXPECT_EQ(r.code, cosErrDataTooLarge);
  EXPECT_EQ(ASFrameDepth(), 0);
  host::CloseAllDocuments();
}

}  // namespace
