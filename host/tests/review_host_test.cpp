// Hostile and unusual input for the content reader, the placement
// interpreter, fonts and documents: right answers, bounded work.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

using Clock = std::chrono::steady_clock;

// Sanitized builds run several times slower; the bounds still tell linear
// work from quadratic.
#if defined(__SANITIZE_ADDRESS__)
const double kSlowdown = 10;
#else
const double kSlowdown = 1;
#endif

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
    // Reading again from the start would take hours here; the bound only
    // has to tell that apart from a loaded machine.
    EXPECT_LT(took, 10.0 * kSlowdown) << filter;
  }
}

TEST_F(ReviewContentTest, MutatedContentNeverCrashesOrOverreads) {
  // Seeds of every token kind and inline images of each way of finding
  // their end, cut, flipped, spliced and repeated; a few seconds at most.
  // The bytes reported consumed never pass the content's length.
  const std::vector<std::string> seeds = {
      "q 1 0 0 1 0 0 cm /F1 12 Tf (a\\(b\\)c) Tj <41 42> Tj [1 -2.5 (x)] TJ Q % note\n",
      "/P << /MCID 0 /B true /N null >> BDC EMC {1 add} 0.5 .5 -.5 +3",
      "BI /W 4 /H 1 /BPC 8 /CS /G ID EI E\nEI Q",
      "BI /W 2 /H 1 /BPC 8 /CS /G /F /AHx ID 45 49>\nEI S",
      "BI /W 2 /H 2 /BPC 8 /CS /RGB /F [/A85 /Fl] ID 9jqo^~>\nEI Q",
      "BI /W 8 /H 8 /BPC 8 /CS /RGB /F /Fl ID \x01\x02EI\xff\xfe\nEI\nQ",
      "BI /IM true /W 3 /H 3 /D [1 0] ID \x00\x00\x00 EI Q",
      "BI /W 1 /H 1 /CS [/Indexed /RGB 1 <000000FFFFFF>] /BPC 1 ID \x80 EI"};
  const char pieces[] = "()<>[]{}/%\\ \n\rEIBIDQ0.-+~";
  uint32_t seed = 12345;
  auto next = [&]() {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) & 0xFFFFFF;
  };
  Clock::time_point start = Clock::now();
  int runs = 0;
  for (; runs < 20000 && Seconds(start) < 4.0; ++runs) {
    std::string c = seeds[next() % seeds.size()];
    for (int m = next() % 4 + 1; m > 0; --m) {
      size_t at = c.empty() ? 0 : next() % c.size();
      switch (next() % 5) {
        case 0: c.resize(at); break;
        case 1: if (!c.empty()) c[at] = static_cast<char>(next() & 0xFF); break;
        case 2: c.insert(at, 1, pieces[next() % (sizeof pieces - 1)]); break;
        case 3: c.insert(at, seeds[next() % seeds.size()]); break;
        default: c.erase(at, next() % 8); break;
      }
    }
    ASStm stm = ASMemStmRdOpen(c.data(), static_cast<ASSize_t>(c.size()));
    PDToken t;
    long long used = 0;
    for (;;) {
      ASInt32 n = PDReadContentToken(stm, &t);
      if (n <= 0) break;
      used += n;
      if (t.type != kPDTokenKeyword || std::string(t.text) != "BI") continue;
      ASInt32 consumed = 0;
      CosObj img{0, 0};
      HostRegionResult r = HostRegion([&] { img = PDReadInlineImage(stm, CosObj{0, 0}, doc_, &consumed); });
      if (r.raised) {
        EXPECT_EQ(r.code, cosErrBadSyntax) << c;
        break;
      }
      used += consumed;
      CosObjDestroy(img);
    }
    ASStmClose(stm);
    ASSERT_LE(used, static_cast<long long>(c.size())) << c;
    ASSERT_EQ(ASFrameDepth(), 0);
  }
  EXPECT_GT(runs, 100);
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
  EXPECT_LT(Seconds(start), 20.0 * kSlowdown);

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
  EXPECT_LT(Seconds(start), 2.0 * kSlowdown);
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

TEST_F(ReviewPlacementsTest, MutatedPageContentIsReadSafely) {
  // Page content cut, flipped and spliced, with an image and a form that
  // places the image and itself; each read ends with its elements or a raise.
  hosttest::PdfSpec s;
  s.objects = {"<< /Type /Catalog /Pages 2 0 R >>",
               "<< /Type /Pages /Kids [3 0 R] /Count 1 /Resources << /XObject << /Im 5 0 R /Fm 6 0 R >> >> >>",
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>", "stream:|q Q",
               "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 "
               "/ColorSpace /DeviceGray|x",
               "stream:/Type /XObject /Subtype /Form /BBox [0 0 10 10] /Matrix [2 0 0 2 5 5]|"
               "q 3 0 0 3 0 0 cm /Im Do Q /Fm Do"};
  PDDoc pd = host::OpenDocumentBytes(hosttest::MakePdf(s), "mutated");
  CosDoc doc = PDDocGetCosDoc(pd);
  CosObj pageDict = CosDocGetObjByID(doc, 3);
  const std::string seed =
      "q 50 0 0 25 100 100 cm /Im Do Q q 1 0 0 1 10 20 cm /Fm Do Q /Im Do "
      "BI /W 2 /H 1 /BPC 8 /CS /G ID ab EI 1e308 0 0 1e308 -1e308 0 cm /Fm Do";
  uint32_t state = 777;
  auto next = [&]() {
    state = state * 1103515245u + 12345u;
    return (state >> 8) & 0xFFFFFF;
  };
  Clock::time_point start = Clock::now();
  int runs = 0;
  for (; runs < 3000 && Seconds(start) < 4.0; ++runs) {
    std::string c = seed;
    for (int m = next() % 4 + 1; m > 0; --m) {
      if (c.empty()) c = "Q";
      size_t at = next() % c.size();
      switch (next() % 4) {
        case 0: c.resize(at + 1); break;
        case 1: c[at] = static_cast<char>(next() & 0xFF); break;
        case 2: c.insert(at, seed.substr(next() % seed.size(), next() % 16)); break;
        default: c.erase(at, next() % 8); break;
      }
    }
    ASStm src = ASMemStmRdOpen(c.data(), static_cast<ASSize_t>(c.size()));
    CosObj content = CosNewStream(doc, 1, src, 0, 1, CosNewNull(), CosNewNull(), -1);
    ASStmClose(src);
    CosDictPut(pageDict, ASAtomFromString("Contents"), content);
    PDPage page = PDDocAcquirePage(pd, 0);
    PDEContent elements = nullptr;
    HostRegionResult r = HostRegion([&] { elements = PDPageAcquirePDEContent(page); });
    if (!r.raised) {
      for (ASInt32 i = 0; i < PDEContentGetNumElems(elements); ++i) {
        PDEElement e = PDEContentGetElem(elements, i);
        ASFixedRect box;
        PDEElementGetBBox(e, &box);
        if (PDEElementGetType(e) == kPDEForm) PDEContentGetNumElems(PDEFormGetContent(e));
      }
      PDEContentRelease(elements);
    }
    PDPageRelease(page);
    ASSERT_EQ(ASFrameDepth(), 0);
  }
  EXPECT_GT(runs, 100);
}

TEST(ReviewCosTest, ADocumentClosedDuringAnEnumerationEndsIt) {
  // An enumeration procedure that closes the document: the entries after it
  // are not handed out from a document that is gone. A stream, and direct
  // arrays and dictionaries, outlive their document in the library.
  hosttest::BindTables();
  hosttest::PdfSpec s;
  s.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
               "stream:/A 1 /B [1 2 3] /C << /D 3 /E 4 >>|data"};
  for (const char* key : {"", "B", "C"}) {
    PDDoc pd = host::OpenDocumentBytes(hosttest::MakePdf(s), "closed");
    CosObj obj = CosDocGetObjByID(PDDocGetCosDoc(pd), 3);
    if (*key) obj = CosDictGet(CosStreamDict(obj), ASAtomFromString(key));
    struct Seen {
      PDDoc pd;
      int calls = 0;
    } seen{pd};
    HostRegionResult r = HostRegion([&] {
      CosObjEnum(
          obj,
          [](CosObj, CosObj, void* data) -> ASBool {
            auto* seen = static_cast<Seen*>(data);
            if (++seen->calls == 1) host::CloseDocument(seen->pd);
            return 1;
          },
          &seen);
    });
    EXPECT_EQ(seen.calls, 1) << key;
    EXPECT_EQ(r.code, genErrBadHandle) << key;
    EXPECT_EQ(ASFrameDepth(), 0);
  }
}

TEST(ReviewPagesTest, ChangingEveryPageInTurnIsLinear) {
  // A fix on each page in turn: acquiring the next page after a change must
  // not walk the whole page tree again when the change moved no page.
  hosttest::BindTables();
  const int kPages = 4000;
  PDDoc pd = host::OpenDocumentBytes(hosttest::MakePagesPdf(kPages), "pages");
  CosDoc doc = PDDocGetCosDoc(pd);
  Clock::time_point start = Clock::now();
  for (int i = 0; i < kPages; ++i) {
    PDPage page = PDDocAcquirePage(pd, i);
    CosObj dict = PDPageGetCosObj(page);
    CosDictPut(dict, ASAtomFromString("Rotate"), CosNewInteger(doc, 0, 90));
    // A new content stream in place of the old one, which goes.
    CosObj old = CosDictGet(dict, ASAtomFromString("Contents"));
    ASStm src = ASMemStmRdOpen("q Q", 3);
    CosDictPut(dict, ASAtomFromString("Contents"), CosNewStream(doc, 1, src, 0, 1, CosNewNull(), CosNewNull(), -1));
    ASStmClose(src);
    CosObjDestroy(old);
    CosArrayPut(CosDictGet(dict, ASAtomFromString("MediaBox")), 2, CosNewInteger(doc, 0, 600));
    PDPageRelease(page);
  }
  EXPECT_LT(Seconds(start), 2.0 * kSlowdown);
  EXPECT_EQ(PDDocGetNumPages(pd), kPages);
  host::CloseAllDocuments();
}

TEST(ReviewPagesTest, ChangesThatMovePagesAreSeen) {
  hosttest::BindTables();
  PDDoc pd = host::OpenDocumentBytes(hosttest::MakePagesPdf(4), "pages");
  CosDoc doc = PDDocGetCosDoc(pd);
  CosObj pages = CosDocGetObjByID(doc, 2);
  CosObj kids = CosDictGet(pages, ASAtomFromString("Kids"));
  auto idOfPage = [&](int n) {
    PDPage page = PDDocAcquirePage(pd, n);
    ASInt32 id = CosObjGetID(PDPageGetCosObj(page));
    PDPageRelease(page);
    return id;
  };
  ASSERT_EQ(PDDocGetNumPages(pd), 4);
  CosArrayRemoveNth(kids, 0);  // the Kids array itself
  EXPECT_EQ(PDDocGetNumPages(pd), 3);
  EXPECT_EQ(idOfPage(0), 5);
  CosArrayInsert(kids, 0, CosDocGetObjByID(doc, 3));
  EXPECT_EQ(PDDocGetNumPages(pd), 4);
  CosArrayPut(kids, 4, CosDocGetObjByID(doc, 3));
  EXPECT_EQ(PDDocGetNumPages(pd), 5) << "a page named twice counts twice";
  EXPECT_NE(idOfPage(4), 3) << "its second place is a copy of its own";
  CosObjDestroy(CosDocGetObjByID(doc, 5));  // a page object goes
  EXPECT_EQ(PDDocGetNumPages(pd), 4);
  EXPECT_EQ(idOfPage(1), 7);

  // A page made a node of its own, a new Kids array, a new page tree root.
  CosObj page7 = CosDocGetObjByID(doc, 7);
  CosObj inner = CosNewArray(doc, 0, 1);
  CosArrayPut(inner, 0, CosDocGetObjByID(doc, 9));
  CosDictPut(page7, ASAtomFromString("Kids"), inner);
  CosDictPut(page7, ASAtomFromString("Type"), CosNewName(doc, 0, ASAtomFromString("Pages")));
  EXPECT_EQ(PDDocGetNumPages(pd), 4) << "7 is a node now, over 9, which the root names too";
  CosObj fresh = CosNewArray(doc, 0, 1);
  CosArrayPut(fresh, 0, CosDocGetObjByID(doc, 3));
  CosDictPut(pages, ASAtomFromString("Kids"), fresh);
  EXPECT_EQ(PDDocGetNumPages(pd), 1);
  CosObj root = CosNewDict(doc, 1, 2);
  CosObj one = CosNewArray(doc, 0, 2);
  CosArrayPut(one, 0, CosDocGetObjByID(doc, 9));
  CosArrayPut(one, 1, CosDocGetObjByID(doc, 3));
  CosDictPut(root, ASAtomFromString("Kids"), one);
  CosDictPut(CosDocGetRoot(doc), ASAtomFromString("Pages"), root);
  EXPECT_EQ(PDDocGetNumPages(pd), 2);
  EXPECT_EQ(idOfPage(0), 9);
  host::CloseAllDocuments();
}

}  // namespace
