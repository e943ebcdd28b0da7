// Fonts: the "not embedded" record, and what a font hands on (descriptor,
// font programs, encodings, ToUnicode, descendants, Type 3 glyphs).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ErrorNames.h"
#include "kinds_fixture.h"

namespace {

using enginetest::Filed;
using enginetest::KindFixture;
using enginetest::NodePtr;
using enginetest::Tree;
using enginetest::Visit;

class FontCheckTest : public KindFixture {
 protected:
  std::vector<int> ReferrersSeen(int kind) const {
    std::vector<int> numbers;
    for (const Visit& v : SeenVisits(kind)) numbers.push_back(v.referrer);
    return numbers;
  }
};

TEST_F(FontCheckTest, AFontWithoutItsProgramIsFiledWithItsNameAndEncoding) {
  struct Case {
    const char* name;
    std::string font;  // object 5
    std::vector<Filed> records;
  } cases[] = {
      {"a named encoding", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>",
       {{UNFIXABLE_ERROR, KIND_FONT, PROBLEM_NOT_EMBEDDED, "'Helvetica' 'WinAnsiEncoding' encoding", 4, 5}}},
      {"no encoding", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
       {{UNFIXABLE_ERROR, KIND_FONT, PROBLEM_NOT_EMBEDDED, "'Helvetica' '<<Undefined>>' encoding", 4, 5}}},
      {"the base of an encoding dictionary",
       "<< /Type /Font /Subtype /TrueType /BaseFont /Arial,Bold /Encoding << /BaseEncoding /MacRomanEncoding "
       "/Differences [32 /space] >> >>",
       {{UNFIXABLE_ERROR, KIND_FONT, PROBLEM_NOT_EMBEDDED, "'Arial,Bold' 'MacRomanEncoding' encoding", 4, 5}}},
      {"a descriptor without a program",
       "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman /FontDescriptor << /Type /FontDescriptor >> >>",
       {{UNFIXABLE_ERROR, KIND_FONT, PROBLEM_NOT_EMBEDDED, "'Times-Roman' '<<Undefined>>' encoding", 4, 5}}},
      {"an embedded program",
       "<< /Type /Font /Subtype /Type1 /BaseFont /ABCDEF+Minion /FontDescriptor << /FontFile3 6 0 R >> >>",
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OnePage("/Font << /F1 5 0 R >>", "BT /F1 12 Tf (a) Tj ET", {c.font, "stream:/Subtype /Type1C|cff"});
    auto walker = CheckAll();
    EXPECT_EQ(Records(*walker), c.records);
    for (const auto& error : walker->GetErrorList()) {
      EXPECT_EQ(error->GetDetail(), "");
      EXPECT_FALSE(error->GetFixer());
    }
  }
}

TEST_F(FontCheckTest, AStandardThatDoesNotAskForFontsGetsNoRecord) {
  answers_->unwantedKinds = {KIND_FONT};
  OnePage("/Font << /F1 5 0 R >>", "BT /F1 12 Tf (a) Tj ET",
          {"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
  auto walker = CheckAll();
  EXPECT_TRUE(Records(*walker).empty());
  EXPECT_EQ(answers_->askedKinds, (std::vector<int>{KIND_FONT}));
}

TEST_F(FontCheckTest, AnIndirectFontIsFiledOnceADirectOneEachTimeItIsNamed) {
  std::vector<std::string> objects = Tree("3 0 R 5 0 R", 2);
  objects.insert(objects.end(),
                 {"<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << /Font << /F1 7 0 R /F2 << /Type /Font"
                  " /Subtype /Type1 /BaseFont /Courier >> >> >> >>",
                  "stream:|BT /F1 9 Tf /F2 9 Tf /F1 9 Tf /F2 9 Tf ET",
                  "<< /Type /Page /Parent 2 0 R /Contents 6 0 R /Resources << /Font << /F1 7 0 R >> >> >>",
                  "stream:|BT /F1 9 Tf ET", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
  OpenPdf(objects);
  auto walker = CheckAll();
  std::vector<std::string> messages;
  for (const Filed& filed : Records(*walker)) messages.push_back(filed.message);
  EXPECT_EQ(messages, (std::vector<std::string>{"'Courier' '<<Undefined>>' encoding",
                                                "'Courier' '<<Undefined>>' encoding",
                                                "'Helvetica' '<<Undefined>>' encoding"}));
}

TEST_F(FontCheckTest, AnEmbeddedFontHandsOnDescriptorEncodingAndToUnicode) {
  // TrueType 5 with descriptor 6 (program 7), encoding dictionary 8 and
  // ToUnicode 9, whose data lies in the file named by its /F.
  OnePage("/Font << /F1 5 0 R >>", "BT /F1 12 Tf (a) Tj ET",
          {"<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+Arial /FontDescriptor 6 0 R /Encoding 8 0 R"
           " /ToUnicode 9 0 R >>",
           "<< /Type /FontDescriptor /FontName /ABCDEF+Arial /FontFile2 7 0 R >>", "stream:|ttf",
           "<< /Type /Encoding /Differences [32 /space] >>", "stream:/F (cmap.txt)|"});
  auto walker = CheckAll();
  // Only the ToUnicode data's file is not embedded.
  EXPECT_EQ(Records(*walker),
            (std::vector<Filed>{{UNFIXABLE_ERROR, KIND_FILESPEC, PROBLEM_NOT_EMBEDDED, "", 9, -1}}));
  EXPECT_EQ(Seen(KIND_FONT_DESCRIPTOR), (std::vector<int>{6}));
  EXPECT_EQ(ReferrersSeen(KIND_FONT_DESCRIPTOR), (std::vector<int>{5}));
  EXPECT_EQ(Seen(KIND_STREAM), (std::vector<int>{7}));
  EXPECT_EQ(ReferrersSeen(KIND_STREAM), (std::vector<int>{6}));
  // The encoding and the ToUnicode stream are read with the font, not checked on their own.
  EXPECT_TRUE(walker->IsVisited(8));
  EXPECT_TRUE(walker->IsVisited(9));
  EXPECT_EQ(walker->GetVisitedMap()[9]->objectKind, KIND_STREAM);
  EXPECT_EQ(Seen(KIND_FILESPEC), (std::vector<int>{-1})) << "the ToUnicode data's file";
  EXPECT_EQ(ReferrersSeen(KIND_FILESPEC), (std::vector<int>{9}));
}

TEST_F(FontCheckTest, AType0FontLeadsThroughItsDescendantToTheCIDSet) {
  OnePage("/Font << /F1 5 0 R >>", "BT /F1 12 Tf <0001> Tj ET",
          {"<< /Type /Font /Subtype /Type0 /BaseFont /ABCDEF+Kozuka /Encoding /Identity-H"
           " /DescendantFonts [6 0 R] >>",
           "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /ABCDEF+Kozuka /FontDescriptor 7 0 R >>",
           "<< /Type /FontDescriptor /FontName /ABCDEF+Kozuka /CIDSet 8 0 R /FontFile2 9 0 R >>", "stream:|\xff",
           "stream:|ttf"});
  auto walker = CheckAll();
  EXPECT_TRUE(Records(*walker).empty());
  EXPECT_EQ(Seen(KIND_FONT), (std::vector<int>{5, 6}));
  EXPECT_EQ(ReferrersSeen(KIND_FONT), (std::vector<int>{4, 5}));
  EXPECT_EQ(Seen(KIND_FONT_DESCRIPTOR), (std::vector<int>{7}));
  EXPECT_EQ(Seen(KIND_STREAM), (std::vector<int>{8, 9}));
  EXPECT_EQ(ReferrersSeen(KIND_STREAM), (std::vector<int>{7, 7}));
}

TEST_F(FontCheckTest, ANotEmbeddedDescendantIsFiledWithItsType0Font) {
  OnePage("/Font << /F1 5 0 R >>", "BT /F1 12 Tf <0001> Tj ET",
          {"<< /Type /Font /Subtype /Type0 /BaseFont /Ryumin /Encoding /UniJIS-UCS2-H /DescendantFonts [6 0 R] >>",
           "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /Ryumin /FontDescriptor << /Flags 4 >> >>"});
  auto walker = CheckAll();
  EXPECT_EQ(Records(*walker),
            (std::vector<Filed>{
                {UNFIXABLE_ERROR, KIND_FONT, PROBLEM_NOT_EMBEDDED, "'Ryumin' 'UniJIS-UCS2-H' encoding", 4, 5},
                {UNFIXABLE_ERROR, KIND_FONT, PROBLEM_NOT_EMBEDDED, "'Ryumin' '<<Undefined>>' encoding", 5, 6}}));
}

TEST_F(FontCheckTest, AType3FontsGlyphsAreContentWithItsResources) {
  // Glyph /a draws image 9 from the font's own resources; /b is a
  // glyph that names no resource; /c is not a stream.
  OnePage("/Font << /T3 5 0 R >> /XObject << /Im 10 0 R >>", "BT /T3 12 Tf (abc) Tj ET",
          {"<< /Type /Font /Subtype /Type3 /FontMatrix [0.001 0 0 0.001 0 0] /FontBBox [0 0 1000 1000]"
           " /CharProcs 6 0 R /Resources 8 0 R /Encoding << /Differences [97 /a /b /c] >>"
           " /FirstChar 97 /LastChar 99 /Widths [1000 1000 1000] >>",
           "<< /a 7 0 R /b 11 0 R /c 12 >>", "stream:|1000 0 d0 /Im Do /Page Do",
           "<< /XObject << /Im 9 0 R >> >>",
           "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray|x",
           "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray|y",
           "stream:|1000 0 d0 0 0 m 1 1 l S"});
  auto walker = CheckAll();
  EXPECT_TRUE(Records(*walker).empty()) << "a Type 3 font has no program to embed";
  EXPECT_EQ(Seen(KIND_CONTENTS), (std::vector<int>{4, 7, 11}));
  std::vector<Visit> glyphs = SeenVisits(KIND_CONTENTS);
  EXPECT_EQ(glyphs[1].referrer, 6) << "the CharProcs dictionary";
  // The glyph saw the font's resources, not the page's.
  EXPECT_EQ(Seen(KIND_IMAGE), (std::vector<int>{9}));
  EXPECT_EQ(Operators(), (std::vector<std::string>{"BT", "Tf", "Tj", "ET", "d0", "Do", "Do", "d0", "m", "l", "S"}));
  // CharProcs and the glyphs are never checked as objects of their own.
  EXPECT_TRUE(walker->IsVisited(6));
  EXPECT_TRUE(walker->IsVisited(7));
  EXPECT_EQ(walker->GetResourceStack().Size(), 0u);
}

TEST_F(FontCheckTest, AType3GlyphThatNamesItsOwnFontEnds) {
  // Resources 6 hold the direct Type 3 font /T3 whose glyph shows /T3 again.
  OnePage("/Font << /T3 5 0 R >>", "BT /T3 12 Tf (a) Tj ET",
          {"<< /Type /Font /Subtype /Type3 /FontMatrix [1 0 0 1 0 0] /CharProcs << /a 7 0 R >> /Resources 6 0 R >>",
           "<< /Font << /T3 << /Type /Font /Subtype /Type3 /FontMatrix [1 0 0 1 0 0] /CharProcs << /a 7 0 R >>"
           " /Resources 6 0 R >> >> >>",
           "stream:|1000 0 d0 BT /T3 1 Tf (a) Tj ET"});
  auto walker = CheckAll();
  EXPECT_FALSE(walker->GetSeverities().test(PROBLEM));
  // The page's font, then the direct one its glyph names, whose glyph reads
  // the direct font's glyphs no more.
  EXPECT_EQ(Seen(KIND_FONT), (std::vector<int>{5, -1, -1}));
  EXPECT_EQ(walker->GetResourceStack().Size(), 0u);
}

TEST_F(FontCheckTest, ABrokenFontEntryIsLeftToTheRules) {
  OnePage("/Font << /F1 5 0 R /F2 /Helvetica >>", "BT /F1 12 Tf /F2 12 Tf ET", {"[/Type /Font]"});
  auto walker = CheckAll();
  EXPECT_FALSE(walker->GetSeverities().test(PROBLEM));
  EXPECT_TRUE(Records(*walker).empty());
  EXPECT_EQ(Seen(KIND_FONT), (std::vector<int>{-1, 5}));
}

}  // namespace
