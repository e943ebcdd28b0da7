// The engine's named tests: image resolution over a real walk, spot colour
// counting over the whole check, ICC profiles, and the small verdicts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "common/Prefs.h"
#include "core/host.h"
#include "engine/CheckCallbacks.h"
#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "profile_bytes.h"
#include "walker_fixture.h"

namespace {

using enginetest::NodePtr;
using enginetest::TestStandard;
using enginetest::WalkerFixture;
typedef boost::shared_ptr<Zentu::PDFX_Error> ErrorPtr;

std::vector<ErrorPtr> RecordsOfKind(const PDFXPreflight& walker, int kind) {
  std::vector<ErrorPtr> found;
  for (const ErrorPtr& error : walker.GetErrorList())
    if (error->GetObjectKind() == kind) found.push_back(error);
  return found;
}

void SetAll(const std::vector<std::pair<const char*, const char*>>& settings) {
  for (const auto& setting : settings) Prefs::Set(setting.first, setting.second);
}

class CallbackTest : public WalkerFixture {
 protected:
  void SetUp() override {
    WalkerFixture::SetUp();
    Register("Callbacks");
  }

  // One page placing images and forms of the page's resources with `content`.
  void OpenPage(const std::string& content, const std::string& image, const std::vector<std::string>& more = {}) {
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 /Resources << /XObject << /Im1 5 0 R /Fm1 6 0 R >> >> >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>",
        "stream:|" + content,
        image,
        "stream:/Type /XObject /Subtype /Form /BBox [0 0 100 100] /Matrix [1 0 0 1 0 0]"
        " /Resources << /XObject << /Im1 5 0 R >> >>|q 25 0 0 25 0 0 cm /Im1 Do Q"};
    objects.insert(objects.end(), more.begin(), more.end());
    OpenPdf(objects);
  }

  boost::shared_ptr<PDFXPreflight> Walk() {
    boost::shared_ptr<PDFXPreflight> walker = NewWalker();
    walker->Check();
    return walker;
  }
};

std::string Image(int width, int bits) {
  return "stream:/Type /XObject /Subtype /Image /Width " + std::to_string(width) +
         " /Height 10 /ColorSpace /DeviceGray /BitsPerComponent " + std::to_string(bits) + "|x";
}

TEST_F(CallbackTest, ImageResolutionIsJudgedAtItsFirstPlacementOnThePage) {
  struct Case {
    const char* content;
    const char* message;  // empty: passes
  };
  const Case cases[] = {
      {"q 50 0 0 50 0 0 cm /Im1 Do Q", "Image DPI (144.000000) violates workflow constraints (150 - 400)"},
      {"q 48 0 0 50 0 0 cm /Im1 Do Q", ""},  // exactly 150
      {"q 18 0 0 50 0 0 cm /Im1 Do Q", ""},  // exactly 400
      {"q 10 0 0 50 0 0 cm /Im1 Do Q", "Image DPI (720.000000) violates workflow constraints (150 - 400)"},
      {"q 0 0 0 50 0 0 cm /Im1 Do Q", ""},  // a flat placement shows nothing
      {"q 50 0 0 50 0 0 cm /Im1 Do Q q 48 0 0 48 0 0 cm /Im1 Do Q",
       "Image DPI (144.000000) violates workflow constraints (150 - 400)"},
      {"q 48 0 0 48 0 0 cm /Im1 Do Q q 50 0 0 50 0 0 cm /Im1 Do Q", ""},
      // Through a form: 25 points scaled by 2.
      {"q 2 0 0 2 0 0 cm /Fm1 Do Q", "Image DPI (144.000000) violates workflow constraints (150 - 400)"},
  };
  SetAll({{"make_workflow_checks", "true"},
          {"constrain_image_dpi", "true"},
          {"min_image_dpi", "150"},
          {"max_image_dpi", "400"}});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    OpenPage(c.content, Image(100, 8));
    auto walker = Walk();
    std::vector<ErrorPtr> records = RecordsOfKind(*walker, KIND_IMAGE);
    if (*c.message == '\0') {
      EXPECT_TRUE(records.empty());
    } else {
      ASSERT_EQ(records.size(), 1u);
      EXPECT_EQ(records[0]->GetMessage(), c.message);
      EXPECT_EQ(records[0]->GetDetail(), "");
      EXPECT_EQ(records[0]->GetSeverity(), WORKFLOW_ERROR);
      EXPECT_EQ(records[0]->GetProblemKind(), PROBLEM_IMAGE_RESOLUTION);
      ASSERT_TRUE(records[0]->GetContainerNode());
      EXPECT_EQ(records[0]->GetContainerNode()->objectNumber, 5) << "the image is what the problem lies in";
      EXPECT_EQ(records[0]->GetPageIndex(), 0);
    }
    host::CloseAllDocuments();
  }
}

// Placements whose matrices are not exact in binary: exactly at a limit
// passes, a hundredth of a dot per inch past it fails, under both tests.
TEST_F(CallbackTest, ResolutionsAtTheLimitsAreJudgedToThreeDecimals) {
  const struct {
    int bits, pixels;
    const char* content;
    const char* shown;  // the resolution in the message; empty: passes
  } cases[] = {
      {8, 1001, "q 0.18 0 0 0.18 0 0 cm 1001 0 0 50 0 0 cm /Im1 Do Q", ""},  // 400.000016 unrounded
      {8, 1003, "q 1.2 0 0 1.2 0 0 cm 401.2 0 0 50 0 0 cm /Im1 Do Q", ""},   // 149.999999
      {8, 1000, "q 179.9955 0 0 50 0 0 cm /Im1 Do Q", "400.010000"},
      {8, 1000, "q 480.032 0 0 50 0 0 cm /Im1 Do Q", "149.990000"},
      {1, 1001, "q 0.06 0 0 0.06 0 0 cm 1001 0 0 50 0 0 cm /Im1 Do Q", ""},  // 1200.00005
      {1, 1003, "q 1.2 0 0 1.2 0 0 cm 200.6 0 0 50 0 0 cm /Im1 Do Q", ""},   // 299.999998
      {1, 1000, "q 59.9995 0 0 50 0 0 cm /Im1 Do Q", "1200.010000"},
      {1, 1000, "q 240.008 0 0 50 0 0 cm /Im1 Do Q", "299.990000"},
  };
  SetAll({{"make_workflow_checks", "true"},
          {"constrain_image_dpi", "true"},
          {"constrain_1bit_dpi", "true"},
          {"min_image_dpi", "150"},
          {"max_image_dpi", "400"},
          {"min_1bit_dpi", "300"},
          {"max_1bit_dpi", "1200"}});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.content);
    OpenPage(c.content, Image(c.pixels, c.bits));
    auto walker = Walk();
    std::vector<ErrorPtr> records = RecordsOfKind(*walker, KIND_IMAGE);
    if (*c.shown == '\0') {
      EXPECT_TRUE(records.empty()) << records.front()->GetMessage();
    } else {
      ASSERT_EQ(records.size(), 1u);
      const std::string limits = c.bits == 1 ? "(300 - 1200)" : "(150 - 400)";
      EXPECT_EQ(records[0]->GetMessage(), std::string(c.bits == 1 ? "1-bit image DPI (" : "Image DPI (") + c.shown +
                                              ") violates workflow constraints " + limits);
    }
    host::CloseAllDocuments();
  }
}

TEST_F(CallbackTest, ResolutionsPast32767DpiAreNotWrappedIntoTheAllowedRange) {
  SetAll({{"make_workflow_checks", "true"}, {"constrain_image_dpi", "true"}});
  // 100 pixels over about a ten-thousandth of a point: tens of millions of dpi.
  OpenPage("q 0.0001 0 0 50 0 0 cm /Im1 Do Q", Image(100, 8));
  auto walker = Walk();
  std::vector<ErrorPtr> records = RecordsOfKind(*walker, KIND_IMAGE);
  ASSERT_EQ(records.size(), 1u);
  const std::string& message = records[0]->GetMessage();
  ASSERT_EQ(message.compare(0, 11, "Image DPI ("), 0) << message;
  EXPECT_GT(std::strtod(message.c_str() + 11, nullptr), 1e7) << message;
  EXPECT_NE(message.find("(150 - 400)"), std::string::npos) << "the defaults stand in for missing limits";
}

TEST_F(CallbackTest, OneBitImagesHaveTheirOwnLimitsAndBranch) {
  SetAll({{"make_workflow_checks", "true"},
          {"constrain_image_dpi", "true"},
          {"constrain_1bit_dpi", "true"},
          {"min_1bit_dpi", "300"},
          {"max_1bit_dpi", "1200"}});
  OpenPage("q 50 0 0 50 0 0 cm /Im1 Do Q", Image(100, 1));
  auto walker = Walk();
  std::vector<ErrorPtr> records = RecordsOfKind(*walker, KIND_IMAGE);
  ASSERT_EQ(records.size(), 1u) << "only the 1-bit branch judges a 1-bit image";
  EXPECT_EQ(records[0]->GetMessage(), "1-bit image DPI (144.000000) violates workflow constraints (300 - 1200)");
  EXPECT_EQ(records[0]->GetProblemKind(), PROBLEM_BITMAP_RESOLUTION);
  host::CloseAllDocuments();

  // Only the 1-bit branch on: an 8-bit image is not judged at all.
  Prefs::Set("constrain_image_dpi", "false");
  OpenPage("q 50 0 0 50 0 0 cm /Im1 Do Q", Image(100, 8));
  EXPECT_TRUE(RecordsOfKind(*Walk(), KIND_IMAGE).empty());
}

TEST_F(CallbackTest, AnImageNotPlacedOnTheWalkedPagePasses) {
  Prefs::Set("min_image_dpi", "150");
  Prefs::Set("max_image_dpi", "400");
  OpenPage("0 0 m 1 1 l S", Image(100, 8));
  auto walker = Walk();
  ASSERT_EQ(walker->GetPageCounter(), 0);
  TestStandard standard("Direct");
  RuleContext context;
  context.standard = &standard;
  context.objectKind = KIND_IMAGE;
  context.value = Obj(5);
  context.walker = walker.get();
  EXPECT_EQ(CheckImageDPI(&context, nullptr), 0);
  EXPECT_EQ(Check1BitImageDPI(&context, nullptr), 0);
  EXPECT_TRUE(RecordsOfKind(*walker, KIND_IMAGE).empty());
}

TEST_F(CallbackTest, TheFileIdentifierNeedsBothStrings) {
  struct Case {
    const char* trailer;
    int verdict;
  };
  const Case cases[] = {
      {"/Root 1 0 R /ID [<0102> <0304>]", 0},
      {"/Root 1 0 R", PROBLEM_MISSING},
      {"/Root 1 0 R /ID [<0102> <>]", PROBLEM_MISSING},
      {"/Root 1 0 R /ID [<> <0304>]", PROBLEM_MISSING},
      {"/Root 1 0 R /ID [<0102>]", PROBLEM_MISSING},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.trailer);
    OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"}, c.trailer);
    auto walker = Walk();
    RuleContext context;
    context.walker = walker.get();
    EXPECT_EQ(TestTrailerID(&context, nullptr), c.verdict);
    host::CloseAllDocuments();
  }
}

TEST_F(CallbackTest, SpotColoursAreCountedOverTheWholeWalk) {
  SetAll({{"make_workflow_checks", "true"}, {"max_spots", "2"}});
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>",
           "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 /Resources << /ColorSpace << /CS0 7 0 R /CS1 8 0 R"
           " /CS2 9 0 R >> >> >>",
           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>",
           "stream:|/CS0 cs 1 scn 0 0 5 5 re f /CS1 cs 1 scn 0 0 5 5 re f",
           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 6 0 R >>",
           "stream:|/CS1 cs 1 scn 0 0 5 5 re f /CS2 cs 1 1 scn 0 0 5 5 re f",
           "[/Separation /A /DeviceCMYK 10 0 R]", "[/Separation /B /DeviceCMYK 10 0 R]",
           "[/DeviceN [/C /Cyan] /DeviceCMYK 10 0 R]",
           "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [1 0 0 0] /N 1 >>"});
  auto walker = Walk();
  std::vector<ErrorPtr> records = RecordsOfKind(*walker, KIND_COLORSPACE);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]->GetMessage(),
            "Number of spot colors (3) exceeds workflow maximum of 2.  Spot colors used: A, B, C.");
  EXPECT_EQ(records[0]->GetPageIndex(), 1) << "filed where the third name was met";
}

class SpotColorTest : public WalkerFixture {
 protected:
  void SetUp() override {
    WalkerFixture::SetUp();
    OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
             "[/Separation /A /DeviceCMYK 20 0 R]", "[/DeviceN [/B /Cyan /Magenta] /DeviceCMYK 20 0 R]",
             "[/Separation /All /DeviceCMYK 20 0 R]", "[/Separation /None /DeviceCMYK 20 0 R]",
             "[/Separation /C /DeviceCMYK 20 0 R]", "[/DeviceN [/A /D] /DeviceCMYK 20 0 R]",
             "[/Separation /B /DeviceCMYK 20 0 R]", "[/Indexed /DeviceRGB 1 <000000FFFFFF>]",
             "<< /ColorSpace << /CS0 3 0 R >> >>", "null", "null", "null", "null", "null", "null", "null",
             "null", "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>"});
    Prefs::Set("make_workflow_checks", "true");
    Prefs::Set("max_spots", "2");
    standard_.BuildRules();
  }

  // Runs the standard's rules on a colour space as the walk would.
  void Check(int number) { standard_.CheckDict(walker_, KIND_COLORSPACE, Obj(number), Obj(11)); }

  TestStandard standard_{"Spots"};
  PDFXPreflight walker_;
};

TEST_F(SpotColorTest, OneRecordReportsTheExcessWithTheLatestCountAndList) {
  ASSERT_EQ(standard_.maxSpotColors, 2);
  for (int number : {3, 4, 5, 6}) Check(number);
  EXPECT_TRUE(walker_.GetErrorList().empty()) << "A and B only: Cyan, Magenta, All and None add nothing";
  EXPECT_EQ(SpotColorList(standard_), "A, B");

  Check(7);
  ASSERT_EQ(walker_.GetErrorList().size(), 1u);
  ErrorPtr record = walker_.GetErrorList().front();
  EXPECT_EQ(record->GetMessage(), "Number of spot colors (3) exceeds workflow maximum of 2.  Spot colors used: A, B, C.");
  EXPECT_EQ(record->GetSeverity(), WORKFLOW_ERROR);
  EXPECT_EQ(record->GetObjectKind(), KIND_COLORSPACE);
  EXPECT_EQ(record->GetProblemKind(), PROBLEM_TOO_MANY_SPOTS);
  EXPECT_EQ(record->GetDetail(), "");
  ASSERT_TRUE(record->GetContainerNode());
  EXPECT_EQ(record->GetContainerNode()->objectNumber, 7) << "the colour space is what the problem lies in";
  EXPECT_EQ(standard_.spotColorError, record);

  Check(8);  // A again and D
  Check(9);  // B again
  Check(10);
  ASSERT_EQ(walker_.GetErrorList().size(), 1u);
  EXPECT_EQ(record->GetMessage(), "Number of spot colors (4) exceeds workflow maximum of 2.  Spot colors used: A, B, C, D.");
}

TEST_F(SpotColorTest, TheVerdictSaysWhetherThisCallWentPastTheMaximum) {
  RuleContext context;
  context.standard = &standard_;
  context.objectKind = KIND_COLORSPACE;
  context.walker = &walker_;
  context.container = Obj(11);
  struct Step {
    int number;
    int verdict;
  };
  const Step steps[] = {{3, 0}, {4, 0}, {3, 0}, {7, PROBLEM_TOO_MANY_SPOTS}, {7, 0}, {8, PROBLEM_TOO_MANY_SPOTS}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.number);
    context.value = Obj(step.number);
    EXPECT_EQ(CheckSpotColorCount(&context, nullptr), step.verdict);
  }
  EXPECT_EQ(walker_.GetErrorList().size(), 1u);

  // Without a maximum nothing is ever too many.
  standard_.maxSpotColors = -1;
  standard_.spotColorNames.clear();
  context.value = Obj(8);
  EXPECT_EQ(CheckSpotColorCount(&context, nullptr), 0);
}

class ProfileCallbackTest : public WalkerFixture {
 protected:
  void SetUp() override {
    WalkerFixture::SetUp();
    const std::string good = enginetest::ProfileBytes("prtr", "CMYK", "Press");
    OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>", "[/ICCBased 4 0 R]",
             "stream:/N 4 /Filter /ASCIIHexDecode|" + enginetest::Hex(good), "[/ICCBased 6 0 R]",
             "stream:/N 4|not a profile", "<< /Type /Catalog >>"});
  }

  int Test(int profile, int space) {
    RuleContext context;
    context.standard = &standard_;
    context.containerKind = KIND_COLORSPACE;
    context.objectKind = KIND_STREAM;
    context.value = Obj(profile);
    context.container = Obj(space);
    context.walker = &walker_;
    return TestICCProfile(&context, nullptr);
  }

  TestStandard standard_{"Profiles"};
  PDFXPreflight walker_;
};

TEST_F(ProfileCallbackTest, AReadableProfilePassesAndIsNotCheckedAgain) {
  EXPECT_EQ(Test(4, 3), 0);
  EXPECT_TRUE(walker_.GetErrorList().empty());
  EXPECT_TRUE(walker_.IsVisited(4));
}

TEST_F(ProfileCallbackTest, AnUnreadableProfileFilesOneRecordOnTheStream) {
  EXPECT_EQ(Test(6, 5), 0);
  ASSERT_EQ(walker_.GetErrorList().size(), 1u);
  ErrorPtr record = walker_.GetErrorList().front();
  EXPECT_EQ(record->GetMessage(), "ICC profile can't be read");
  EXPECT_EQ(record->GetSeverity(), AUTOFIX_ERROR);
  EXPECT_EQ(record->GetObjectKind(), KIND_ICC_PROFILE);
  EXPECT_EQ(record->GetProblemKind(), PROBLEM_WRONG_TYPE);
  ASSERT_TRUE(record->GetContainerNode());
  ASSERT_TRUE(record->GetObjectNode());
  EXPECT_EQ(record->GetContainerNode()->objectNumber, 6);
  EXPECT_EQ(record->GetContainerNode()->objectKind, KIND_ICC_PROFILE);
  EXPECT_EQ(record->GetObjectNode()->objectNumber, 5);
  EXPECT_EQ(record->GetObjectNode()->objectKind, KIND_COLORSPACE);
  EXPECT_TRUE(walker_.IsVisited(6));

  // A value that is no stream at all cannot be read either.
  EXPECT_EQ(Test(7, 5), 0);
  EXPECT_EQ(walker_.GetErrorList().size(), 2u);
}

class SmallVerdictTest : public WalkerFixture {
 protected:
  void SetUp() override {
    WalkerFixture::SetUp();
    OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>",
             "<< /F 4 /A << /X 1 >> /Filter [/FlateDecode /CCITTFaxDecode] >>", "<< /F 2 /Filter /CCITTFaxDecode >>",
             "<< /F 6 /Filter /FlateDecode >>", "<< /F /Print /Filter [/FlateDecode (CCITTFaxDecode)] >>",
             "<< /F 4.0 >>"});
  }

  int Run(CheckCallback test, const MyCosObj& value) {
    RuleContext context;
    context.standard = &standard_;
    context.value = value;
    context.walker = &walker_;
    return test(&context, nullptr);
  }

  TestStandard standard_{"Small"};
  PDFXPreflight walker_;
};

TEST_F(SmallVerdictTest, PrintableFlagsAndFaxFilters) {
  struct Case {
    int object;
    int printable;  // TestPrintable on /F
    int fax;        // TestFilterForCCITT on the dictionary
  };
  const Case cases[] = {
      {3, 0, 0},
      {4, PROBLEM_INVALID, 0},
      {5, 0, PROBLEM_MISSING},
      {6, PROBLEM_INVALID, PROBLEM_MISSING},  // a name is no flag; a string is no filter
      {7, 0, PROBLEM_MISSING},                // no filter at all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.object);
    EXPECT_EQ(Run(TestPrintable, Obj(c.object).Get("F")), c.printable);
    EXPECT_EQ(Run(TestFilterForCCITT, Obj(c.object)), c.fax);
  }
  EXPECT_TRUE(walker_.GetErrorList().empty());
}

TEST_F(SmallVerdictTest, MarkAsCheckedEntersIndirectObjectsOnce) {
  EXPECT_EQ(Run(MarkAsChecked, Obj(3)), 0);
  ASSERT_TRUE(walker_.IsVisited(3));
  NodePtr first = walker_.GetVisitedMap()[3];
  EXPECT_EQ(Run(MarkAsChecked, Obj(3)), 0);
  EXPECT_EQ(walker_.GetVisitedMap()[3], first) << "the first node stays";
  EXPECT_EQ(Run(MarkAsChecked, Obj(3).Get("A")), 0);
  EXPECT_EQ(walker_.GetVisitedMap().size(), 1u) << "a direct object has no number to enter";
}

}  // namespace
