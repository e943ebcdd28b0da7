// Content of real documents: files that Ghostscript writes at test time
// from small PostScript programs (text, inline and XObject images, a
// Type 3 font), forms nested five deep, and the documentation PDFs that
// installed packages ship.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/host.h"
#include "engine/ErrorNames.h"
#include "host/calls.h"
#include "visit_fixture.h"

namespace {

using enginetest::Tree;
using enginetest::Visit;
using enginetest::VisitFixture;

// Text, an inline image, an image XObject, then the Type 3 font on page one.
const std::string kProgram = std::string(R"PS(%!PS
/Helvetica findfont 14 scalefont setfont
72 720 moveto (Hello, text) show
gsave 72 500 translate 64 64 scale
8 8 8 [8 0 0 -8 0 8] {<000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f202122232425262728292a2b2c2d2e2f303132333435363738393a3b3c3d3e3f>} image
grestore
gsave 300 400 translate 200 200 scale /DeviceRGB setcolorspace
<< /ImageType 1 /Width 100 /Height 100 /BitsPerComponent 8 /Decode [0 1 0 1 0 1]
   /ImageMatrix [100 0 0 -100 0 100] /DataSource { 300 string 0 1 299 { 1 index exch dup 7 mul 256 mod put } for } >> image
grestore
)PS") + enginetest::kType3FontProgram + R"PS(/Boxes findfont 24 scalefont setfont
72 300 moveto (ABAB) show
showpage
/Helvetica findfont 14 scalefont setfont
72 720 moveto (Page two) show
showpage
)PS";

using hosttest::FileExists;
using hosttest::Quoted;

class RealContentTest : public VisitFixture {
 protected:
};

TEST_F(RealContentTest, AGhostscriptDocumentWithTextImagesAndAType3Font) {
  const std::string pdf = Distill("sample", kProgram, "-dSAFER");
  ASSERT_TRUE(hosttest::FileExists(pdf));
  content_->aside = {"ri", "BX", "EX"};
  auto walker = CheckWholeFile(pdf);
  EXPECT_EQ(Seen(KIND_PAGE).size(), 2u);
  EXPECT_EQ(SeenVisits(KIND_INLINE_IMAGE).size(), 1u);
  EXPECT_EQ(Seen(KIND_IMAGE).size(), 1u);
  EXPECT_GE(Seen(KIND_FONT).size(), 2u) << "Helvetica and the Type 3 font";
  const std::vector<std::string> ops = Operators();
  for (const char* op : {"BT", "Tf", "Tj", "ET", "BI", "Do", "cm"})
    EXPECT_NE(std::find(ops.begin(), ops.end(), op), ops.end()) << op;
  // The inline image's temporary object left nothing changed.
  EXPECT_EQ(PDDocGetFlags(pd_) & 1, 0);
}

TEST_F(RealContentTest, FormsNestedFiveDeep) {
  // Page 3 with content 4 shows form 5, which shows 6, ... 9, which shows image 10.
  std::vector<std::string> objects = Tree("3 0 R", 1);
  objects.push_back("<< /Type /Page /Parent 2 0 R /Contents 4 0 R /Resources << /XObject << /Fm 5 0 R >> >> >>");
  objects.push_back("stream:|q 1 0 0 1 10 10 cm /Fm Do Q");
  for (int depth = 0; depth < 5; ++depth) {
    const int next = 6 + depth;
    const std::string name = next == 10 ? "/Im" : "/Fm";
    objects.push_back("stream:/Type /XObject /Subtype /Form /BBox [0 0 100 100] /Resources << /XObject << " + name +
                      " " + std::to_string(next) + " 0 R >> >>|q 0.5 0 0 0.5 0 0 cm " + name + " Do Q");
  }
  objects.push_back(
      "stream:/Type /XObject /Subtype /Image /Width 2 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray|ab");
  const std::string path = home_.File("nested.pdf");
  hosttest::WriteFile(path, hosttest::MakePdf({"1.3", objects, "/Root 1 0 R"}));
  auto walker = CheckWholeFile(path);

  EXPECT_EQ(Seen(KIND_FORM), (std::vector<int>{5, 6, 7, 8, 9}));
  std::vector<int> referrers;
  for (const Visit& v : SeenVisits(KIND_FORM)) referrers.push_back(v.referrer);
  EXPECT_EQ(referrers, (std::vector<int>{4, 5, 6, 7, 8}));
  EXPECT_EQ(Seen(KIND_IMAGE), (std::vector<int>{10}));
  // Each form's content is read once; the page's content as well.
  EXPECT_EQ(Seen(KIND_CONTENTS), (std::vector<int>{4, 5, 6, 7, 8, 9}));
  EXPECT_EQ(Operators().size(), 6u * 4u);
}

TEST_F(RealContentTest, PackagedDocumentation) {
  const std::vector<std::string> docs = {
      "/usr/share/doc/libtasn1-doc/libtasn1.pdf", "/usr/share/doc/shared-mime-info/shared-mime-info-spec.pdf",
      "/usr/share/doc/zlib1g-dev/crc-doc.1.0.pdf.gz", "/usr/share/doc/liblcms2-dev/LittleCMS2.14 API.pdf.gz"};
  int walked = 0;
  for (size_t i = 0; i < docs.size(); ++i) {
    if (!FileExists(docs[i])) continue;
    std::string source = docs[i];
    if (source.compare(source.size() - 3, 3, ".gz") == 0) {
      source = home_.File("packed" + std::to_string(i) + ".pdf");
      ASSERT_EQ(hosttest::RunCommand("gunzip -c " + Quoted(docs[i]) + " > " + Quoted(source)), 0);
    }
    // The trailer is read from a cross-reference table: one is written.
    const std::string path = home_.File("doc" + std::to_string(i) + ".pdf");
    std::string output;
    const int status =
        hosttest::RunCommand("qpdf --object-streams=disable " + Quoted(source) + " " + Quoted(path) + " 2>&1", &output);
    ASSERT_TRUE(status == 0 || status == 3) << output;  // 3: warnings about the source
    log_->visits.clear();
    content_->operators.clear();
    CheckWholeFile(path);
    EXPECT_GT(Operators().size(), 100u) << path;
    EXPECT_FALSE(Seen(KIND_FONT).empty()) << path;
    host::CloseAllDocuments();
    view_ = nullptr;
    ++walked;
  }
  if (walked == 0) GTEST_SKIP() << "no packaged documentation is installed";
}

}  // namespace
