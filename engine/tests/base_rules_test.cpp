// The base part of every rule build: reference printing conditions and the
// workflow rules the settings switch on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Prefs.h"
#include "engine/CheckCallbacks.h"
#include "engine/ErrorNames.h"
#include "engine/PDFX_Error.h"
#include "testing/processes.h"
#include "walker_fixture.h"

namespace {

using enginetest::TestStandard;
using enginetest::WalkerFixture;
typedef boost::shared_ptr<KeyRule> RulePtr;

class BaseRulesTest : public WalkerFixture {
 protected:
  void SetAll(const std::vector<std::pair<const char*, const char*>>& settings) {
    for (const auto& setting : settings) Prefs::Set(setting.first, setting.second);
  }
  void AllOn() {
    SetAll({{"make_workflow_checks", "true"},
            {"allow_jpeg_compression", "false"},
            {"type1_fonts_only", "true"},
            {"constrain_1bit_dpi", "true"},
            {"constrain_image_dpi", "true"},
            {"max_spots", "4"}});
  }

  TestStandard standard_{"Base"};
};

TEST_F(BaseRulesTest, TwelveReferenceConditionsFilledOnceBesideThePlugIn) {
  // The first build of the process fills the table.
  hosttest::InProcessOfItsOwn([&] {
    struct Row {
      const char* identifier;
      int kind;
      const char* file;
    };
    const Row rows[] = {
        {"CGATS TR 001", 2, "ANSI TR 001.icc"},
        {"Ifra_NP_40lcm_neg+CTP_05.00", 2, "ISO 12647-3.icc"},
        {"OF COM PO P1 F60", 2, "OF COM PO P1 F60.icc"},
        {"OF COM PO P2 F60", 2, "OF COM PO P2 F60.icc"},
        {"OF COM PO P3 F60", 2, "OF COM PO P3 F60.icc"},
        {"OF COM PO P4 F60", 2, "OF COM PO P4 F60.icc"},
        {"OF COM NE P1 F60", 2, ""},
        {"OF COM NE P2 F60", 2, ""},
        {"OF COM NE P3 F60", 2, ""},
        {"OF COM NE P4 F60", 2, ""},
        {"SC GC2 CO F30", 2, ""},
        {"eciRGB", 1, "ecirgb10.icm"},
    };
    OutputConditionMap& table = standard_.GetPrintingConditions();
    ASSERT_TRUE(table.empty());
    ASSERT_TRUE(standard_.BuildRules());
    ASSERT_EQ(table.size(), 12u);
    const std::string folder = GetModulePath();
    ASSERT_FALSE(folder.empty());
    for (const Row& row : rows) {
      SCOPED_TRACE(row.identifier);
      ASSERT_TRUE(table[row.identifier]);
      const OutputCondition& condition = *table[row.identifier];
      EXPECT_EQ(condition.identifier, row.identifier);
      EXPECT_EQ(condition.kind, row.kind);
      EXPECT_EQ(condition.family, row.kind) << "CMYK 2 and RGB 1, without reading the file";
      EXPECT_TRUE(condition.reference);
      ASSERT_TRUE(condition.profile);
      EXPECT_EQ(condition.profile->file, folder + "/" + row.file);
      EXPECT_EQ(condition.profile->colorSpace, -1);
      EXPECT_FALSE(condition.profile->read);
    }
    EXPECT_EQ(table["CGATS TR 001"]->description, "SWOP CGATS TR 001-1995");
    EXPECT_EQ(table["Ifra_NP_40lcm_neg+CTP_05.00"]->description,
              "ISO 12647-3, coldset offset, screen frequency 40/cm, contact exposed negative acting plates and directly "
              "exposed plates (CTP)");
    EXPECT_EQ(table["SC GC2 CO F30"]->description,
              "ISO 12647-5, conventional UV or water-based air dried, screen frequency 30/cm");
    EXPECT_EQ(table["eciRGB"]->description, "ECI RGB");
    const std::string negative = table["OF COM NE P1 F60"]->profile->file;
    EXPECT_EQ(negative.back(), '/');

    // Later builds, by this standard or another, leave the table alone.
    boost::shared_ptr<OutputCondition> first = table["CGATS TR 001"];
    TestStandard other("Other");
    other.BuildRules();
    standard_.BuildRules();
    EXPECT_EQ(table.size(), 12u);
    EXPECT_EQ(table["CGATS TR 001"], first);
  });
}

TEST_F(BaseRulesTest, WorkflowRulesNeedExactlyTheWordTrue) {
  AllOn();
  for (const char* value : {"TRUE", "True", "yes", "1", ""}) {
    SCOPED_TRACE(value);
    Prefs::Set("make_workflow_checks", value);
    standard_.BuildRules();
    EXPECT_TRUE(standard_.rules->empty());
  }
  Prefs::Section().erase("make_workflow_checks");
  standard_.BuildRules();
  EXPECT_TRUE(standard_.rules->empty());

  Prefs::Set("make_workflow_checks", "true");
  standard_.BuildRules();
  ASSERT_EQ(standard_.rules->size(), 4u);
  const std::vector<RulePtr>& rules = *standard_.rules;
  EXPECT_EQ(rules[0]->kind, KeyRule::COS_TYPE) << "JPEG first";
  EXPECT_EQ(rules[1]->objectKind, KIND_FONT);
  EXPECT_EQ(rules[2]->objectKind, KIND_IMAGE);
  EXPECT_EQ(rules[3]->objectKind, KIND_COLORSPACE);

  // A second build holds only its own rules.
  Prefs::Set("type1_fonts_only", "false");
  standard_.BuildRules();
  EXPECT_EQ(standard_.rules->size(), 3u);
  EXPECT_EQ(standard_.GetPrintingConditions().size(), 12u);
}

TEST_F(BaseRulesTest, JpegRuleFilesOnDctImagesOnly) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
           "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /Filter /DCTDecode|x",
           "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /Filter [/FlateDecode]|x",
           "stream:/Type /XObject /Subtype /Form /BBox [0 0 1 1] /Filter /DCTDecode|x", "<< >>",
           "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /Filter [/FlateDecode /DCTDecode]|x"});
  for (const char* value : {"", "true"}) {
    SCOPED_TRACE(value);
    Prefs::Set("make_workflow_checks", "true");
    if (*value) Prefs::Set("allow_jpeg_compression", value);
    standard_.BuildRules();
    EXPECT_TRUE(standard_.rules->empty());
  }
  Prefs::Set("allow_jpeg_compression", "false");
  standard_.BuildRules();
  ASSERT_EQ(standard_.rules->size(), 1u);
  const KeyRule& streams = *standard_.rules->front();
  EXPECT_EQ(streams.presence, KeyRule::NO_PRESENCE);
  EXPECT_EQ(streams.cosTypes, (std::vector<int>{CosStream}));

  PDFXPreflight walker;
  standard_.CheckDict(walker, KIND_IMAGE, Obj(3), Obj(6));
  standard_.CheckDict(walker, KIND_IMAGE, Obj(4), Obj(6));
  standard_.CheckDict(walker, KIND_FORM, Obj(5), Obj(6));
  ASSERT_EQ(walker.GetErrorList().size(), 1u);
  // A filter array is judged element by element.
  standard_.CheckDict(walker, KIND_IMAGE, Obj(7), Obj(6));
  ASSERT_EQ(walker.GetErrorList().size(), 2u);
  EXPECT_EQ(walker.GetErrorList().back()->GetContainerNode()->objectNumber, 7);
  const Zentu::PDFX_Error& record = *walker.GetErrorList().front();
  EXPECT_EQ(record.GetMessage(),
            "JPEG compressed images are not allowed under the workflow checks selected in settings. "
            "(must not be \"DCTDecode\")");
  EXPECT_EQ(record.GetSeverity(), WORKFLOW_ERROR);
  EXPECT_EQ(record.GetProblemKind(), PROBLEM_BAD_JPEG);
  EXPECT_EQ(record.GetDetail(), "Filter");
}

TEST_F(BaseRulesTest, FontRuleRequiresType1) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
           "<< /Type /Font /Subtype /TrueType /BaseFont /Arial >>",
           "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>", "<< >>"});
  SetAll({{"make_workflow_checks", "true"}, {"type1_fonts_only", "true"}});
  standard_.BuildRules();
  PDFXPreflight walker;
  standard_.CheckDict(walker, KIND_FONT, Obj(3), Obj(5));
  standard_.CheckDict(walker, KIND_FONT, Obj(4), Obj(5));
  ASSERT_EQ(walker.GetErrorList().size(), 1u);
  const Zentu::PDFX_Error& record = *walker.GetErrorList().front();
  EXPECT_EQ(record.GetMessage(), "Workflow restrictions require that all fonts be Type1. (must be \"Type1\")");
  EXPECT_EQ(record.GetSeverity(), WORKFLOW_ERROR);
  EXPECT_EQ(record.GetProblemKind(), PROBLEM_NOT_TYPE1);
  EXPECT_EQ(record.GetObjectKind(), KIND_FONT);
}

TEST_F(BaseRulesTest, ResolutionBranchesOneBitFirst) {
  struct Case {
    const char* oneBit;
    const char* image;
    std::vector<CheckCallback> tests;  // the branches, in order
  };
  const Case cases[] = {
      {"true", "true", {Check1BitImageDPI, CheckImageDPI}},
      {"true", "false", {Check1BitImageDPI}},
      {"", "true", {CheckImageDPI}},
      {"false", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.oneBit) + "/" + c.image);
    Prefs::Section().clear();
    Prefs::Set("make_workflow_checks", "true");
    if (*c.oneBit) Prefs::Set("constrain_1bit_dpi", c.oneBit);
    if (*c.image) Prefs::Set("constrain_image_dpi", c.image);
    standard_.BuildRules();
    if (c.tests.empty()) {
      EXPECT_TRUE(standard_.rules->empty());
      continue;
    }
    ASSERT_EQ(standard_.rules->size(), 1u);
    const KeyRule& images = *standard_.rules->front();
    EXPECT_EQ(images.kind, KeyRule::OBJECT_KIND);
    EXPECT_EQ(images.objectKind, KIND_IMAGE);
    ASSERT_EQ(images.children.size(), c.tests.size());
    for (size_t i = 0; i < c.tests.size(); ++i) {
      const KeyRule& branch = *images.children[i];
      EXPECT_EQ(branch.kind, KeyRule::KEY);
      EXPECT_TRUE(branch.silent) << "a mismatch files nothing";
      EXPECT_EQ(branch.negate, c.tests[i] == CheckImageDPI);
      EXPECT_EQ(branch.keyNames, (std::vector<std::string>{"BitsPerComponent"}));
      EXPECT_EQ(branch.values, (std::vector<std::string>{"1"}));
      ASSERT_EQ(branch.children.size(), 1u);
      EXPECT_EQ(branch.children[0]->callback, c.tests[i]);
      EXPECT_EQ(branch.children[0]->callbackName, "");
    }
  }
}

TEST_F(BaseRulesTest, SpotLimitIsClampedAndNeedsANumber) {
  struct Case {
    const char* text;
    int maximum;  // -1: no rule, the maximum as it was
  };
  const Case cases[] = {{"40", 32}, {"-3", 0}, {"2", 2}, {"32", 32}, {"7 spots", 7}, {"abc", -1}, {"", -1}};
  Prefs::Set("make_workflow_checks", "true");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    standard_.maxSpotColors = 99;
    standard_.spotColorNames = {"Old"};
    standard_.spotColorError.reset(new Zentu::PDFX_Error(nullptr, "old", "", 8, KIND_COLORSPACE, 11,
                                                         boost::shared_ptr<ObjectNode>(),
                                                         boost::shared_ptr<ObjectNode>()));
    Prefs::Set("max_spots", c.text);
    standard_.BuildRules();
    if (c.maximum < 0) {
      EXPECT_TRUE(standard_.rules->empty());
      EXPECT_EQ(standard_.maxSpotColors, 99);
      EXPECT_EQ(standard_.spotColorNames.size(), 1u);
      continue;
    }
    EXPECT_EQ(standard_.maxSpotColors, c.maximum);
    EXPECT_TRUE(standard_.spotColorNames.empty());
    EXPECT_FALSE(standard_.spotColorError);
    ASSERT_EQ(standard_.rules->size(), 1u);
    const KeyRule& spaces = *standard_.rules->front();
    EXPECT_EQ(spaces.objectKind, KIND_COLORSPACE);
    ASSERT_EQ(spaces.children.size(), 1u);
    const KeyRule& families = *spaces.children[0];
    EXPECT_EQ(families.kind, KeyRule::ELEMENTS);
    EXPECT_EQ(families.presence, KeyRule::NO_PRESENCE);
    EXPECT_EQ(families.ranges, (std::vector<KeyRule::Range>{KeyRule::Range(0, 1)}));
    EXPECT_EQ(families.values, (std::vector<std::string>{"DeviceN", "Separation"}));
    ASSERT_EQ(families.children.size(), 1u);
    EXPECT_EQ(families.children[0]->callback, CheckSpotColorCount);
  }
}

TEST_F(BaseRulesTest, EachBuildResetsTheBookkeeping) {
  standard_.text = "left over";
  standard_.secondLimit = 3;
  standard_.BuildRules();
  EXPECT_EQ(standard_.text, "");
  EXPECT_EQ(standard_.secondLimit, -1);
}

}  // namespace
