#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

struct Tok {
  int type;
  std::string text;
  int bytes;
};

class ContentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();
    pd_ = host::OpenDocumentBytes(hosttest::MakePagesPdf(1), "content");
    doc_ = PDDocGetCosDoc(pd_);
  }
  void TearDown() override { host::CloseAllDocuments(); }

  // Tokens of `content` up to the end; an inline image after BI is read whole
  // and shows as one token of type -1 whose text is its data.
  std::vector<Tok> Tokens(const std::string& content, CosObj resources = CosObj{0, 0}) {
    std::vector<Tok> out;
    ASStm stm = ASMemStmRdOpen(content.data(), static_cast<ASSize_t>(content.size()));
    PDToken t;
    for (;;) {
      ASInt32 n = PDReadContentToken(stm, &t);
      if (n <= 0) break;
      out.push_back({t.type, t.text, n});
      if (t.type == kPDTokenKeyword && std::string(t.text) == "BI") {
        ASInt32 used = 0;
        CosObj img = PDReadInlineImage(stm, resources, doc_, &used);
        ASStm data = CosStreamOpenStm(img, cosOpenRaw);
        std::string bytes(content.size(), 0);
        bytes.resize(ASStmRead(&bytes[0], 1, static_cast<ASSize_t>(bytes.size()), data));
        ASStmClose(data);
        out.push_back({-1, bytes, used});
        images_.push_back(img);
      }
    }
    ASStmClose(stm);
    return out;
  }
  static int Total(const std::vector<Tok>& toks) {
    int n = 0;
    for (auto& t : toks) n += t.bytes;
    return n;
  }

  PDDoc pd_ = nullptr;
  CosDoc doc_ = nullptr;
  std::vector<CosObj> images_;
};

TEST_F(ContentTest, TokensCarryKindTextAndBytesWithLeadingSpace) {
  std::string c = "q % comment\n 1 0 0 RG /F1 12 Tf (a(b)\\)c) Tj <41 42> Tj [1 -2.5] TJ\n"
                  "/P << /MCID 0 /B true >> BDC EMC {1 add} null";
  auto toks = Tokens(c);
  std::vector<std::pair<int, std::string>> want = {
      {kPDTokenKeyword, "q"},      {kPDTokenNumber, "1"},         {kPDTokenNumber, "0"},
      {kPDTokenNumber, "0"},       {kPDTokenKeyword, "RG"},       {kPDTokenKeyword, "/F1"},
      {kPDTokenNumber, "12"},      {kPDTokenKeyword, "Tf"},       {kPDTokenString, "(a(b)\\)c)"},
      {kPDTokenKeyword, "Tj"},     {kPDTokenHexString, "<41 42>"}, {kPDTokenKeyword, "Tj"},
      {kPDTokenArrayBegin, "["},   {kPDTokenNumber, "1"},         {kPDTokenNumber, "-2.5"},
      {kPDTokenArrayEnd, "]"},     {kPDTokenKeyword, "TJ"},       {kPDTokenKeyword, "/P"},
      {kPDTokenDictBegin, "<<"},   {kPDTokenKeyword, "/MCID"},    {kPDTokenNumber, "0"},
      {kPDTokenKeyword, "/B"},     {kPDTokenBoolean, "true"},     {kPDTokenDictEnd, ">>"},
      {kPDTokenKeyword, "BDC"},    {kPDTokenKeyword, "EMC"},      {kPDTokenBraceBegin, "{"},
      {kPDTokenNumber, "1"},       {kPDTokenKeyword, "add"},      {kPDTokenBraceEnd, "}"},
      {kPDTokenNull, "null"}};
  ASSERT_EQ(toks.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(toks[i].type, want[i].first) << i;
    EXPECT_EQ(toks[i].text, want[i].second) << i;
  }
  EXPECT_EQ(toks[1].bytes, 13);  // " % comment\n 1"
  EXPECT_EQ(Total(toks), static_cast<int>(c.size()));
}

TEST_F(ContentTest, LongTokensAreCutButCountedWhole) {
  std::string name = "/" + std::string(1000, 'N');
  std::string str = "(" + std::string(5000, 's') + ")";
  auto toks = Tokens(name + " " + str + " Tj");
  ASSERT_EQ(toks.size(), 3u);
  EXPECT_EQ(toks[0].bytes, 1001);
  EXPECT_EQ(toks[0].text.size(), PD_TOKEN_TEXT_SIZE - 1u);
  EXPECT_EQ(toks[0].text[0], '/');
  EXPECT_EQ(toks[1].bytes, 5003);
  EXPECT_EQ(toks[2].text, "Tj");
}

TEST_F(ContentTest, CutOffStreamsEndLikeTheirEnd) {
  for (const char* c : {"1 0 0 RG (never closed", "q <4142", "BT ) ET", "q >"}) {
    auto toks = Tokens(c);
    ASSERT_FALSE(toks.empty()) << c;
    EXPECT_NE(toks.back().type, kPDTokenNone) << c;
  }
  EXPECT_EQ(Tokens("1 0 0 RG (never closed").size(), 4u);
  EXPECT_TRUE(Tokens("").empty());
  EXPECT_TRUE(Tokens("   % only a comment").empty());
}

TEST_F(ContentTest, InlineImagesAreReadWholeEvenWithEIInTheirData) {
  // 4 x 1 gray, 8 bits: the data is the four bytes "EI E" — it holds "EI".
  std::string c = "q BI /W 4 /H 1 /BPC 8 /CS /G ID EI E\nEI Q";
  auto toks = Tokens(c);
  ASSERT_EQ(toks.size(), 4u);
  EXPECT_EQ(toks[1].text, "BI");
  EXPECT_EQ(toks[2].type, -1);
  EXPECT_EQ(toks[2].text, "EI E");
  EXPECT_EQ(toks[3].text, "Q");
  EXPECT_EQ(Total(toks), static_cast<int>(c.size()));
  // The temporary object keeps the keys as written.
  CosObj img = images_[0];
  EXPECT_EQ(CosObjGetType(img), CosStream);
  EXPECT_EQ(CosIntegerValue(CosDictGet(CosStreamDict(img), ASAtomFromString("W"))), 4);
  EXPECT_STREQ(ASAtomGetString(CosNameValue(CosDictGet(CosStreamDict(img), ASAtomFromString("CS")))), "G");
}

TEST_F(ContentTest, FilteredInlineImagesFindTheirEnd) {
  // Hex data ends at ">"; a flate-like binary blob is found by a plausible "EI".
  std::string hex = "BI /W 2 /H 1 /BPC 8 /CS /G /F /AHx ID 45 49>\nEI S";
  auto toks = Tokens(hex);
  ASSERT_EQ(toks.size(), 3u);
  EXPECT_EQ(toks[1].text, "45 49>");
  EXPECT_EQ(toks[2].text, "S");

  std::string blob = std::string("\x01\x02" "EI\xff\xfe", 6);  // "EI" followed by binary: not the end
  std::string bin = "BI /W 8 /H 8 /BPC 8 /CS /RGB /F /Fl ID " + blob + "\nEI\nQ";
  toks = Tokens(bin);
  ASSERT_EQ(toks.size(), 3u);
  EXPECT_EQ(toks[1].text, blob);
  EXPECT_EQ(toks[2].text, "Q");

  // A named colour space is resolved through the resources for the length.
  PDDoc pd = host::OpenDocumentBytes(
      hosttest::MakePdf({"1.3", {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
                                 "<< /ColorSpace << /CS0 [/DeviceN [/A /B] /DeviceCMYK 4 0 R] >> >>",
                                 "<< /FunctionType 2 /Domain [0 1] /N 1 >>"}, "/Root 1 0 R"}),
      "res");
  doc_ = PDDocGetCosDoc(pd);
  const char raw[] = "BI /W 1 /H 2 /BPC 8 /CS /CS0 ID EI\x00\x01\n EI Q";
  toks = Tokens(std::string(raw, sizeof raw - 1), CosDocGetObjByID(doc_, 3));
  ASSERT_EQ(toks.size(), 3u);
  EXPECT_EQ(toks[1].text.size(), 4u);
}

TEST_F(ContentTest, DestroyingAnInlineImageLeavesTheDocumentUnchanged) {
  ASSERT_EQ(PDDocGetFlags(pd_) & 1, 0);
  Tokens("q BI /W 1 /H 1 /BPC 8 /CS /G ID x\nEI Q");
  ASSERT_EQ(images_.size(), 1u);
  CosObjDestroy(images_[0]);
  EXPECT_EQ(CosObjGetType(images_[0]), CosNull);
  EXPECT_EQ(PDDocGetFlags(pd_) & 1, 0) << "reading content is no change";
  // So does a new object destroyed again; a change to one of the file's marks it.
  CosObj made = CosNewDict(doc_, true, 1);
  CosObjDestroy(made);
  EXPECT_EQ(PDDocGetFlags(pd_) & 1, 0);
  CosDictPut(CosDocGetObjByID(doc_, 3), ASAtomFromString("Made"), CosNewInteger(doc_, 0, 1));
  EXPECT_EQ(PDDocGetFlags(pd_) & 1, 1);
}

// A page of many inline images costs what one does: a destroyed image takes
// the handles of its parts along, and its number serves the next one, in an
// unchanged document and in a changed one alike.
TEST_F(ContentTest, DestroyedInlineImagesTakeTheirPartsAlongAndGiveTheirNumbersBack) {
  const ASAtom decode = ASAtomFromString("D"), width = ASAtomFromString("W");
  for (const bool changed : {false, true}) {
    SCOPED_TRACE(changed ? "changed" : "unchanged");
    if (changed) CosDictPut(CosDocGetObjByID(doc_, 3), ASAtomFromString("Made"), CosNewInteger(doc_, 0, 1));
    images_.clear();
    Tokens("BI /W 1 /H 1 /BPC 8 /CS /G /D [1 0] ID x\nEI BI /W 1 /H 1 /BPC 8 /CS /G ID y\nEI");
    ASSERT_EQ(images_.size(), 2u);
    const ASInt32 first = CosObjGetID(images_[0]);
    EXPECT_NE(CosObjGetID(images_[1]), first) << "two at once are two objects";
    const CosObj parts[] = {CosStreamDict(images_[0]), CosDictGet(CosStreamDict(images_[0]), decode),
                            CosArrayGet(CosDictGet(CosStreamDict(images_[0]), decode), 0),
                            CosDictGet(CosStreamDict(images_[1]), width)};
    EXPECT_EQ(CosObjGetType(parts[1]), CosArray);
    for (const CosObj& image : images_) CosObjDestroy(image);
    for (const CosObj& gone : {images_[0], images_[1], parts[0], parts[1], parts[2], parts[3]})
      EXPECT_EQ(CosObjGetType(gone), CosNull);
    EXPECT_EQ(PDDocGetFlags(pd_) & 1, changed ? 1 : 0);
    for (int i = 0; i < 1000; ++i) {
      images_.clear();
      Tokens("BI /W 1 /H 1 /BPC 8 /CS /G ID z\nEI");
      ASSERT_EQ(images_.size(), 1u);
      ASSERT_EQ(CosObjGetID(images_[0]), first) << i;
      EXPECT_EQ(CosIntegerValue(CosDictGet(CosStreamDict(images_[0]), width)), 1);
      CosObjDestroy(images_[0]);
    }
    // The file's own objects are as they were.
    EXPECT_EQ(CosObjGetType(CosDocGetObjByID(doc_, 3)), CosDict);
  }
}

TEST_F(ContentTest, ABrokenInlineImageRaises) {
  ASStm stm = ASMemStmRdOpen("BI /W 1 ID xx", 13);
  PDToken t;
  PDReadContentToken(stm, &t);
  HostRegionResult r = HostRegion([&] {
    ASInt32 used;
    PDReadInlineImage(stm, CosObj{0, 0}, doc_, &used);
  });
  ASStmClose(stm);
  EXPECT_EQ(r.code, cosErrBadSyntax);
}

}  // namespace
