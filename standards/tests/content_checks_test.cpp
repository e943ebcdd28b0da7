// What each standard asks of content operators, page boxes and embedding,
// checked in small documents, with the repairs of the records filed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/CosValueText.h"
#include "common/Prefs.h"
#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "engine/KeyTable.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "standards_fixture.h"

namespace {

using standardstest::ErrorPtr;
using standardstest::kNoNode;
using standardstest::kStandards;
using standardstest::NodePtr;
using standardstest::Record;
using standardstest::StandardsFixture;

const char kBoxes[] = "/MediaBox [0 0 600 800] /TrimBox [0 0 600 800]";
const char kOneBox[] = "One but not both of /ArtBox and /TrimBox must be set for the page";
const char kRi[] = "Use of the 'ri' operator is prohibited.  ";
const char kBxEx[] = "It is recommended that a PDF/X writer not make use of the BX/EX operators";

struct Said {
  std::string message;
  int severity;
  bool operator==(const Said& other) const { return message == other.message && severity == other.severity; }
};
std::ostream& operator<<(std::ostream& out, const Said& said) {
  return out << "{\"" << said.message << "\", " << said.severity << "}";
}

std::string Text(const MyCosObj& value) { return CosValueText::FromObject(value, 3, 0).Text(); }

class ContentChecksTest : public StandardsFixture {
 protected:
  // Every record about operators, the empty summary of severity -1 included.
  std::vector<Said> OperatorRecords(const PDFXPreflight& walker) const {
    std::vector<Said> said;
    for (const ErrorPtr& error : walker.GetErrorList())
      if (error->GetObjectKind() == KIND_OPERATOR) said.push_back(Said{error->GetMessage(), error->GetSeverity()});
    return said;
  }
};

TEST_F(ContentChecksTest, EachFamilySortsTheOperatorsOfAContent) {
  struct Case {
    const char* content;
    std::vector<Said> x1;  // under PDF/X-1a:2001
    std::vector<Said> x3;  // under PDF/X-3
  } cases[] = {
      {"PS 0 0 m PS", {{"'PS'", 7}, {"'PS'", 7}}, {{"'PS'", 7}, {"'PS'", 7}}},
      {"1 0 0 rg 0 1 0 RG 0 0 9 9 re f", {{"'rg'", 7}, {"'RG'", 7}}, {}},
      {"/Perceptual ri", {{kRi, 5}}, {}},
      {"EX", {{"", -1}}, {{"", -1}}},
      {"BX 0 g EX", {{kBxEx, 2}}, {{kBxEx, 2}}},
      {"q 1 0 0 1 5 5 cm 0.5 g 0 0 9 9 re f* Q BT /F1 9 Tf (a) Tj ET 0 0 m 5 5 l S", {}, {}},
      {"/Perceptual ri fancy", {{kRi + std::string("The 'fancy' operator is unknown in PDF 1.3"), 5}},
       {{"The 'fancy' operator is unknown in PDF 1.3", 5}}},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(std::string(c.content) + " under " + kStandards[i]);
      OnePage(kBoxes, c.content);
      auto walker = CheckWith(kStandards[i]);
      EXPECT_EQ(OperatorRecords(*walker), i == 0 ? c.x1 : c.x3);
    }
  }
}

TEST_F(ContentChecksTest, OneRepairTakesEveryOperatorFiledAgainstTheContentOut) {
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(kStandards[i]);
    // Beside "ri", which PDF/X-1a:2001 puts aside for the summary.
    OnePage(kBoxes, "PS 0 0 m /Perceptual ri PS 10 10 l S");
    auto walker = CheckWith(kStandards[i]);
    std::vector<ErrorPtr> ps = Records(walker, "'PS'");
    ASSERT_EQ(ps.size(), 2u);
    for (const ErrorPtr& record : ps) {
      EXPECT_EQ(standardstest::Reduced(*record), (Record{"'PS'", "PS", 7, KIND_OPERATOR, PROBLEM_INVALID, 4, 3}));
      EXPECT_EQ(record->GetFixer(), Zentu::GlobalFixers::OperatorRemoval());
    }
    EXPECT_EQ(ApplyFixes(walker, ps[0], false), 2);
    EXPECT_EQ(walker->GetReplacements().size(), 1u);
    EXPECT_EQ(ApplyFixes(walker, ps[1], false), 2);
    std::vector<ErrorPtr> summary = Records(walker, kRi);
    ASSERT_EQ(summary.size(), i == 0 ? 1u : 0u);
    if (!summary.empty()) {
      EXPECT_EQ(ApplyFixes(walker, summary[0], false), 2);
    }
    EXPECT_EQ(walker->GetReplacements().size(), 1u) << "the content is written anew once";

    FixAll(walker);
    auto again = Recheck(Save());
    EXPECT_TRUE(OperatorRecords(*again).empty()) << ::testing::PrintToString(OperatorRecords(*again));
  }
}

TEST_F(ContentChecksTest, PageBoxesAndTheirRepairs) {
  struct Case {
    const char* name;
    std::string page;
    std::vector<std::string> more;  // objects 5, ...
    std::vector<Record> x1;
    std::vector<Record> x3;
    // What the repair of the first record leaves on the page (or "" for no repair).
    const char* trimBox1;
    const char* trimBox3;
    bool artBoxAfter;
  } cases[] = {
      {"ArtBox and TrimBox",
       "/MediaBox [0 0 600 800] /ArtBox [0 0 600 800] /TrimBox [0 0 600 800]",
       {},
       {{kOneBox, "TrimBox", 5, KIND_PAGE, PROBLEM_MISSING, 3, kNoNode}},
       {{kOneBox, "TrimBox", 5, KIND_PAGE, PROBLEM_INVALID, 3, kNoNode}},
       "[ 0 0 600 800 ]",
       "[ 0 0 600 800 ]",
       false},
      {"neither box, a BleedBox inside the CropBox",
       "/MediaBox [0 0 600 800] /CropBox [0 0 600 800] /BleedBox [10 10 590 790]",
       {},
       {{kOneBox, "TrimBox", 5, KIND_PAGE, PROBLEM_MISSING, 3, kNoNode}},
       {{kOneBox, "TrimBox", 5, KIND_PAGE, PROBLEM_MISSING, 3, kNoNode}},
       "[ 10 10 590 790 ]",
       "[ 0 0 600 800 ]",
       false},
      {"neither box, a BleedBox outside the CropBox",
       "/MediaBox [0 0 600 800] /CropBox [0 0 500 800] /BleedBox [10 10 590 790]",
       {},
       {{kOneBox, "TrimBox", 5, KIND_PAGE, PROBLEM_MISSING, 3, kNoNode}},
       {{kOneBox, "TrimBox", 5, KIND_PAGE, PROBLEM_MISSING, 3, kNoNode}},
       "[ 0 0 500 800 ]",
       "[ 0 0 500 800 ]",
       false},
      {"an ArtBox one unit wider than the CropBox",
       "/MediaBox [0 0 600 800] /CropBox 5 0 R /ArtBox [0 0 601 800]",
       {"[0 0 600 800]"},
       {{"CropBox must contain ArtBox", "", 7, KIND_PAGE, PROBLEM_INVALID, 3, 5}},
       {{"CropBox must contain ArtBox", "", 7, KIND_PAGE, PROBLEM_INVALID, 3, 5}},
       "",
       "",
       true},
      {"an ArtBox on the CropBox's edges", "/MediaBox [0 0 600 800] /CropBox 5 0 R /ArtBox [0 0 600 800]",
       {"[0 0 600 800]"}, {}, {}, "", "", true},
      {"a BleedBox of zero height",
       "/MediaBox [0 0 600 800] /BleedBox 5 0 R /ArtBox [0 0 600 800] /TrimBox [0 0 600 800]",
       {"[0 10 600 10]"},
       {{kOneBox, "TrimBox", 5, KIND_PAGE, PROBLEM_MISSING, 3, kNoNode},
        {"BleedBox must contain ArtBox", "", 7, KIND_PAGE, PROBLEM_INVALID, 3, 5},
        {"BleedBox must contain TrimBox", "", 7, KIND_PAGE, PROBLEM_INVALID, 3, 5}},
       {{kOneBox, "TrimBox", 5, KIND_PAGE, PROBLEM_INVALID, 3, kNoNode},
        {"BleedBox must contain ArtBox", "", 7, KIND_PAGE, PROBLEM_INVALID, 3, 5},
        {"BleedBox must contain TrimBox", "", 7, KIND_PAGE, PROBLEM_INVALID, 3, 5}},
       "[ 0 0 600 800 ]",
       "[ 0 0 600 800 ]",
       false},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(std::string(c.name) + " under " + kStandards[i]);
      OnePage(c.page, "0 0 m 9 9 l S", c.more);
      auto walker = CheckWith(kStandards[i]);
      EXPECT_EQ(Filed(*walker, KIND_PAGE), i == 0 ? c.x1 : c.x3);
      const char* trimBox = i == 0 ? c.trimBox1 : c.trimBox3;
      if (*trimBox) {
        ErrorPtr record = OnlyRecord(walker, kOneBox);
        ASSERT_TRUE(record && record->GetFixer());
        EXPECT_EQ(ApplyFixes(walker, record, false), 2);
        EXPECT_EQ(Text(Obj(3).Get("TrimBox")), trimBox);
      }
      EXPECT_EQ(!Obj(3).Get("ArtBox").IsNull(), c.artBoxAfter);
    }
  }
}

TEST_F(ContentChecksTest, APageWithoutBoxesToCopyHasNoRepair) {
  OnePage(kBoxes, "");
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(kStandards[i]);
    auto walker = CheckWith(kStandards[i]);
    const size_t before = walker->GetErrorList().size();
    NodePtr page(new ObjectNode(Obj(3), KIND_PAGE, std::string()));
    EXPECT_TRUE(walker->GetConformance()->CheckPageBoxes(*walker, page, NodePtr(), NodePtr(), NodePtr(), NodePtr(),
                                                         NodePtr()));
    ASSERT_EQ(walker->GetErrorList().size(), before + 1);
    const ErrorPtr& record = walker->GetErrorList().back();
    EXPECT_EQ(standardstest::Reduced(*record),
              (Record{kOneBox, "TrimBox", UNFIXABLE_ERROR, KIND_PAGE, PROBLEM_MISSING, 3, kNoNode}));
    EXPECT_FALSE(record->GetFixer());
  }
}

TEST_F(ContentChecksTest, EmbeddingIsAskedForFontsAndEmbeddedFilesOnlyByTheFirstFamily) {
  PDFXPreflight idle;
  for (int i = 0; i < 2; ++i) {
    boost::shared_ptr<Zentu::Conformance> standard = Zentu::Conformance::CreateByName(kStandards[i]);
    for (int kind = KIND_UNKNOWN; kind <= KIND_FORM_FIELD; ++kind) {
      const bool wanted = i == 1 || kind == KIND_FONT || kind == KIND_EMBEDDED_FILE;
      EXPECT_EQ(standard->WantsKindCheck(idle, kind), wanted) << kStandards[i] << " kind " << kind;
    }
  }

  // A Type0 font whose descendant is not embedded: both are filed.
  OnePage(std::string(kBoxes) + " /Resources << /Font << /F1 5 0 R >> >>", "BT /F1 12 Tf <0001> Tj ET",
          {"<< /Type /Font /Subtype /Type0 /BaseFont /Ryumin /Encoding /UniJIS-UCS2-H /DescendantFonts [6 0 R] >>",
           "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /Ryumin /FontDescriptor << /Flags 4 >> >>"});
  for (const char* name : kStandards) {
    SCOPED_TRACE(name);
    auto walker = CheckWith(name);
    EXPECT_EQ(Filed(*walker, KIND_FONT),
              (std::vector<Record>{
                  {"'Ryumin' 'UniJIS-UCS2-H' encoding", "", 7, KIND_FONT, PROBLEM_NOT_EMBEDDED, 5, 4},
                  {"'Ryumin' '<<Undefined>>' encoding", "", 7, KIND_FONT, PROBLEM_NOT_EMBEDDED, 6, 5}}));
  }
}

// Files one record when the walk is over; the page it gets is the walker's then.
bool FileAfterTheWalk(FixContext& context) {
  for (const ErrorPtr& error : context.walker->GetErrorList())
    if (error->GetMessage() == "later") return false;
  context.walker->AddError(MyCosObj(), MyCosObj(), "later", "", 4, KIND_UNKNOWN, PROBLEM_INVALID);
  return true;
}

TEST_F(ContentChecksTest, AfterTheWalkRecordsBelongToNoPageAndFilterArraysMeetTheJpegRule) {
  Prefs::Set("make_workflow_checks", "true");
  Prefs::Set("allow_jpeg_compression", "false");
  OnePage(std::string(kBoxes) + " /Zent_Probe 1 /Resources << /XObject << /Im1 5 0 R >> >>", "/Im1 Do",
          {"stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray "
           "/Filter [/FlateDecode /DCTDecode]|x"});
  const KeySpec probe = {KIND_PAGE, KEY_PROHIBITED, "Zent_Probe", nullptr, 0, 4, "probe", nullptr, &FileAfterTheWalk};
  for (const char* name : kStandards) {
    SCOPED_TRACE(name);
    Prefs::Set("conformance", name);
    boost::shared_ptr<PDFXPreflight> walker(new PDFXPreflight(&status_));
    walker->GetConformance()->ParseOptions(&probe, 1);
    walker->SetViewDocument(view_);
    walker->Check();
    bool again = false;
    walker->RunDeferredTests(walker, &status_, again);

    ErrorPtr jpeg = OnlyRecord(walker,
                               "JPEG compressed images are not allowed under the workflow checks selected in "
                               "settings. (must not be \"DCTDecode\")");
    ASSERT_TRUE(jpeg);
    EXPECT_EQ(standardstest::Reduced(*jpeg), (Record{jpeg->GetMessage(), "Filter", WORKFLOW_ERROR, KIND_IMAGE,
                                                      PROBLEM_BAD_JPEG, 5, 5}));
    EXPECT_EQ(OnlyRecord(walker, "probe")->GetPageIndex(), 0);
    ErrorPtr later = OnlyRecord(walker, "later");
    ASSERT_TRUE(later);
    EXPECT_EQ(later->GetPageIndex(), -1);
  }
}

}  // namespace
