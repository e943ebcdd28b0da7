// What each standard asks of content operators, page boxes and embedding,
// in small documents, with the repairs of the records filed.
#include <gtest/gtest.h>

#include <string>
#include <utility>
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
using standardstest::Reduced;
typedef std::vector<std::pair<std::string, int>> Said;  // message and severity

const char kBoxes[] = "/MediaBox [0 0 600 800] /TrimBox [0 0 600 800]";
const char kOneBox[] = "One but not both of /ArtBox and /TrimBox must be set for the page";
const char kRi[] = "Use of the 'ri' operator is prohibited.  ";
const char kBxEx[] = "It is recommended that a PDF/X writer not make use of the BX/EX operators";

class ContentChecksTest : public standardstest::StandardsFixture {
 protected:
  // The operator records, the empty summary of severity -1 included.
  Said Operators(const PDFXPreflight& walker) const {
    Said said;
    for (const Record& record : Filed(walker, KIND_OPERATOR)) said.emplace_back(record.message, record.severity);
    return said;
  }
};

TEST_F(ContentChecksTest, EachFamilySortsTheOperatorsOfAContent) {
  const std::string fancy = "The 'fancy' operator is unknown in PDF 1.3";
  struct Case {
    const char* content;
    Said x1;  // under PDF/X-1a:2001
    Said x3;  // under PDF/X-3
  } cases[] = {
      // An operator a content uses, however often: one record.
      {"PS 0 0 m PS", {{"'PS'", 7}}, {{"'PS'", 7}}},
      {"1 0 0 rg rg 1 0 0 RG RG RG 0 0 9 9 re f rg", {{"'rg'", 7}, {"'RG'", 7}}, {}},
      {"1 0 0 rg 0 1 0 RG 0 0 9 9 re f", {{"'rg'", 7}, {"'RG'", 7}}, {}},
      {"/Perceptual ri", {{kRi, 5}}, {}},
      {"EX", {{"", -1}}, {{"", -1}}},
      {"BX 0 g EX", {{kBxEx, 2}}, {{kBxEx, 2}}},
      {"q 1 0 0 1 5 5 cm 0.5 g 0 0 9 9 re f* Q BT /F1 9 Tf (a) Tj ET 0 0 m 5 5 l S", {}, {}},
      {"/Perceptual ri fancy", {{kRi + fancy, 5}}, {{fancy, 5}}},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(std::string(c.content) + " under " + kStandards[i]);
      OnePage(kBoxes, c.content);
      EXPECT_EQ(Operators(*CheckWith(kStandards[i])), i == 0 ? c.x1 : c.x3);
    }
  }
}

TEST_F(ContentChecksTest, OneRepairTakesEveryOperatorFiledAgainstTheContentOut) {
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(kStandards[i]);
    // Beside "ri", which PDF/X-1a:2001 puts aside for the summary; the one
    // record of PS takes both out.
    OnePage(kBoxes, "PS 0 0 m /Perceptual ri PS 10 10 l S");
    auto walker = CheckWith(kStandards[i]);
    std::vector<ErrorPtr> records = Records(walker, "'PS'");
    ASSERT_EQ(records.size(), 1u);
    for (const ErrorPtr& record : records) {
      EXPECT_EQ(Reduced(*record), (Record{"'PS'", "PS", 7, KIND_OPERATOR, PROBLEM_INVALID, 4, 3}));
      EXPECT_EQ(record->GetFixer(), Zentu::GlobalFixers::OperatorRemoval());
    }
    if (i == 0) records.push_back(OnlyRecord(walker, kRi));
    for (const ErrorPtr& record : records) EXPECT_EQ(ApplyFixes(walker, record, false), 2);
    EXPECT_EQ(walker->GetReplacements().size(), 1u) << "the content is written anew once";

    FixAll(walker);
    EXPECT_EQ(Operators(*Recheck(Save())), Said());
  }
}

TEST_F(ContentChecksTest, PageBoxesAndTheirRepairs) {
  const Record oneBox{kOneBox, "TrimBox", 5, KIND_PAGE, PROBLEM_MISSING, 3, kNoNode};
  struct Case {
    std::string page;  // beside a MediaBox [0 0 600 800]; object 5 is [0 10 600 10]
    std::vector<Record> filed;  // under PDF/X-1a:2001; PDF/X-3 files both boxes as invalid
    const char* trimBox[2];     // after the repair of the first record; "" for none
  } cases[] = {
      {"/ArtBox [0 0 600 800] /TrimBox [0 0 600 800]", {oneBox}, {"[ 0 0 600 800 ]", "[ 0 0 600 800 ]"}},
      {"/CropBox [0 0 600 800] /BleedBox [10 10 590 790]", {oneBox}, {"[ 10 10 590 790 ]", "[ 0 0 600 800 ]"}},
      {"/CropBox [0 0 500 800] /BleedBox [10 10 590 790]", {oneBox}, {"[ 0 0 500 800 ]", "[ 0 0 500 800 ]"}},
      {"/CropBox [0 0 600 800] /ArtBox [0 0 601 800]",
       {{"CropBox must contain ArtBox", "", 7, KIND_PAGE, PROBLEM_INVALID, 3, -1}},
       {"", ""}},
      {"/CropBox [0 0 600 800] /ArtBox [0 0 600 800]", {}, {"", ""}},
      {"/BleedBox 5 0 R /ArtBox [0 0 600 800] /TrimBox [0 0 600 800]",
       {oneBox,
        {"BleedBox must contain ArtBox", "", 7, KIND_PAGE, PROBLEM_INVALID, 3, 5},
        {"BleedBox must contain TrimBox", "", 7, KIND_PAGE, PROBLEM_INVALID, 3, 5}},
       {"[ 0 0 600 800 ]", "[ 0 0 600 800 ]"}},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(c.page + " under " + kStandards[i]);
      OnePage("/MediaBox [0 0 600 800] " + c.page, "", {"[0 10 600 10]"});
      auto walker = CheckWith(kStandards[i]);
      std::vector<Record> expected = c.filed;
      const bool both = c.page.find("/ArtBox") != std::string::npos && c.page.find("/TrimBox") != std::string::npos;
      if (i == 1 && both) expected[0].problemKind = PROBLEM_INVALID;
      EXPECT_EQ(Filed(*walker, KIND_PAGE), expected);
      if (!*c.trimBox[i]) continue;
      EXPECT_EQ(ApplyFixes(walker, OnlyRecord(walker, kOneBox), false), 2);
      EXPECT_EQ(CosValueText::FromObject(Obj(3).Get("TrimBox"), 3, 0).Text(), c.trimBox[i]);
      EXPECT_TRUE(Obj(3).Get("ArtBox").IsNull());
    }
  }

  // Neither box, and nothing in the page tree to copy one from.
  for (const char* name : kStandards) {
    auto walker = CheckWith(name);
    NodePtr page(new ObjectNode(Obj(3), KIND_PAGE, std::string()));
    walker->GetConformance()->CheckPageBoxes(*walker, page, NodePtr(), NodePtr(), NodePtr(), NodePtr(), NodePtr());
    const ErrorPtr& record = walker->GetErrorList().back();
    EXPECT_EQ(Reduced(*record), (Record{kOneBox, "TrimBox", 7, KIND_PAGE, PROBLEM_MISSING, 3, kNoNode})) << name;
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
    EXPECT_EQ(Filed(*CheckWith(name), KIND_FONT),
              (std::vector<Record>{
                  {"'Ryumin' 'UniJIS-UCS2-H' encoding", "", 7, KIND_FONT, PROBLEM_NOT_EMBEDDED, 5, 4},
                  {"'Ryumin' '<<Undefined>>' encoding", "", 7, KIND_FONT, PROBLEM_NOT_EMBEDDED, 6, 5}}))
        << name;
  }
}

// Files one record when the walk is over.
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
  const char jpeg[] =
      "JPEG compressed images are not allowed under the workflow checks selected in settings. (must not be "
      "\"DCTDecode\")";
  for (const char* name : kStandards) {
    SCOPED_TRACE(name);
    Prefs::Set("conformance", name);
    boost::shared_ptr<PDFXPreflight> walker(new PDFXPreflight(&status_));
    walker->GetConformance()->ParseOptions(&probe, 1);
    walker->SetViewDocument(view_);
    walker->Check();
    bool again = false;
    walker->RunDeferredTests(walker, &status_, again);
    EXPECT_EQ(Filed(*walker, KIND_IMAGE),
              (std::vector<Record>{{jpeg, "Filter", WORKFLOW_ERROR, KIND_IMAGE, PROBLEM_BAD_JPEG, 5, 5}}));
    EXPECT_EQ(OnlyRecord(walker, "probe")->GetPageIndex(), 0);
    EXPECT_EQ(OnlyRecord(walker, "later")->GetPageIndex(), -1);
  }
}

}  // namespace
