// Graphics states, halftones, patterns, shadings and functions: what each
// hands on to the object visit.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ErrorNames.h"
#include "kinds_fixture.h"

namespace {

using enginetest::Filed;
using enginetest::KindFixture;
using enginetest::NodePtr;
using enginetest::Visit;

const char kFunction[] = "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>";

class GraphicsCheckTest : public KindFixture {
 protected:
  std::vector<int> ReferrersSeen(int kind) const {
    std::vector<int> numbers;
    for (const Visit& v : SeenVisits(kind)) numbers.push_back(v.referrer);
    return numbers;
  }
  // Checks a page whose content uses graphics state /G0, object 5.
  boost::shared_ptr<PDFXPreflight> CheckState(const std::vector<std::string>& objects) {
    log_->visits.clear();
    OnePage("/ExtGState << /G0 5 0 R >>", "/G0 gs", objects);
    return CheckAll();
  }
};

TEST_F(GraphicsCheckTest, TransferEntriesAreFunctionsUnlessNamed) {
  struct Case {
    const char* name;
    std::string state;  // the inside of object 5; functions are 6, 7, 8, 9
    std::vector<int> functions;
  } cases[] = {
      {"Identity names no function", "/TR /Identity", {}},
      {"a function dictionary", "/TR 6 0 R", {6}},
      {"an array of four functions", "/TR2 [6 0 R 7 0 R 8 0 R 9 0 R]", {6, 7, 8, 9}},
      {"an array of whatever it holds", "/TR [/Identity 6 0 R null 7 0 R]", {-1, 6, 7}},
      {"every key of the table", "/BG 6 0 R /BG2 7 0 R /UCR 8 0 R /UCR2 /Default /TR2 /Default /TR 9 0 R",
       {6, 7, 8, 9}},
      {"other keys are not functions", "/SMask 6 0 R /HT /Default", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto walker = CheckState({"<< /Type /ExtGState " + c.state + " >>", kFunction, kFunction, kFunction, kFunction});
    EXPECT_EQ(Seen(KIND_FUNCTION), c.functions);
    for (int referrer : ReferrersSeen(KIND_FUNCTION)) EXPECT_EQ(referrer, 5);
  }
}

TEST_F(GraphicsCheckTest, BlackGenerationIsHandedOnBeforeUndercolourRemoval) {
  // Direct functions are checked as they are handed on.
  CheckState({"<< /Type /ExtGState /UCR << /FunctionType 2 /N 2 >> /BG << /FunctionType 2 /N 1 >> >>"});
  std::vector<long> order;
  for (const NodePtr& node : content_->nodes)
    if (node->objectKind == KIND_FUNCTION) order.push_back(static_cast<long>(node->object.Get("N")));
  EXPECT_EQ(order, (std::vector<long>{1, 2}));
}

TEST_F(GraphicsCheckTest, HalftonesAreWalkedWhenTheyHaveAType) {
  struct Case {
    const char* name;
    std::vector<std::string> objects;  // 5 the state, 6 its halftone, ...
    std::vector<int> functions;
    std::vector<int> marked;  // halftones entered in the visited map
  } cases[] = {
      {"a default halftone", {"<< /HT /Default >>"}, {}, {}},
      {"a halftone without Type",
       {"<< /HT 6 0 R >>", "<< /HalftoneType 1 /Frequency 60 /Angle 45 /SpotFunction 7 0 R >>", kFunction},
       {},
       {}},
      {"a halftone with a spot function dictionary",
       {"<< /HT 6 0 R >>",
        "<< /Type /Halftone /HalftoneType 1 /Frequency 60 /Angle 45 /SpotFunction 7 0 R /TransferFunction 8 0 R >>",
        kFunction, kFunction},
       {7, 8},
       {6}},
      {"a spot function given by name",
       {"<< /HT 6 0 R >>", "<< /Type /Halftone /HalftoneType 1 /SpotFunction /Round /TransferFunction /Identity >>"},
       {},
       {6}},
      {"a threshold halftone stream",
       {"<< /HT 6 0 R >>", "stream:/Type /Halftone /HalftoneType 6 /Width 1 /Height 1 /TransferFunction 7 0 R|x",
        kFunction},
       {7},
       {6}},
      {"type 5: each component with a Type",
       {"<< /HT 6 0 R >>",
        "<< /Type /Halftone /HalftoneType 5 /Default 7 0 R /Cyan << /Type /Halftone /HalftoneType 1"
        " /SpotFunction 9 0 R >> /Magenta << /HalftoneType 1 /SpotFunction 10 0 R >> /Black 11 0 R >>",
        "<< /Type /Halftone /HalftoneType 1 /SpotFunction 8 0 R >>", kFunction, kFunction, kFunction,
        "stream:/Type /Halftone /HalftoneType 6 /Width 1 /Height 1 /TransferFunction 12 0 R|x", kFunction},
       {8, 9, 12},
       {6, 7, 11}},
      {"a name spelt with its slash stops the walk",
       {"<< /HT 6 0 R >>", "<< /Type /#2FHalftone /HalftoneType 1 /SpotFunction 7 0 R >>", kFunction},
       {},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto walker = CheckState(c.objects);
    EXPECT_EQ(Seen(KIND_FUNCTION), c.functions);
    EXPECT_TRUE(Seen(KIND_HALFTONE).empty()) << "walked, never checked";
    for (int number : c.marked) EXPECT_TRUE(walker->IsVisited(number)) << number;
    for (int number = 6; number < static_cast<int>(c.objects.size()) + 5; ++number) {
      if (std::find(c.marked.begin(), c.marked.end(), number) == c.marked.end() &&
          std::find(c.functions.begin(), c.functions.end(), number) == c.functions.end()) {
        EXPECT_FALSE(walker->IsVisited(number)) << number;
      }
    }
  }
}

TEST_F(GraphicsCheckTest, HalftonesThatReferBackToThemselvesEnd) {
  auto walker = CheckState(
      {"<< /HT 6 0 R >>",
       "<< /Type /Halftone /HalftoneType 5 /Default 6 0 R /Cyan 7 0 R /Magenta << /Type /Halftone"
       " /HalftoneType 1 /SpotFunction 8 0 R >> >>",
       "<< /Type /Halftone /HalftoneType 5 /Default 6 0 R /Yellow 7 0 R >>", kFunction});
  EXPECT_FALSE(walker->GetSeverities().test(PROBLEM));
  EXPECT_EQ(Seen(KIND_FUNCTION), (std::vector<int>{8}));
  EXPECT_TRUE(walker->IsVisited(6));
  EXPECT_TRUE(walker->IsVisited(7));
  // Gone through once each: the spot function has one referrer.
  ASSERT_TRUE(walker->IsVisited(8));
  EXPECT_EQ(walker->GetVisitedMap()[8]->referrers.size(), 1u);
}

TEST_F(GraphicsCheckTest, NestedHalftonesStopAtTheirDepth) {
  // Type 5 halftones 6, 8, 10, ... each holding the next and a spot function.
  std::vector<std::string> objects = {"<< /HT 6 0 R >>"};
  for (int i = 0; i < 40; ++i) {
    const int own = 6 + 2 * i;
    objects.push_back("<< /Type /Halftone /HalftoneType 5 /Default << /Type /Halftone /HalftoneType 1"
                      " /SpotFunction " + std::to_string(own + 1) + " 0 R >> /Next " + std::to_string(own + 2) +
                      " 0 R >>");
    objects.push_back(kFunction);
  }
  objects.push_back("<< /Type /Halftone /HalftoneType 1 >>");
  auto walker = CheckState(objects);
  // Levels 1 to 32 are walked; the components of levels 1 to 31 as well.
  EXPECT_EQ(Seen(KIND_FUNCTION).size(), 31u);
}

TEST_F(GraphicsCheckTest, PatternsHandOnTheirContentOrTheirShading) {
  // Tiling pattern 5 draws image 9 from its own resources; shading pattern
  // 6 has graphics state 7 and shading 8; pattern 10 is of type 3.
  OnePage("/Pattern << /P0 5 0 R /P1 6 0 R /P2 10 0 R >> /XObject << /Im 11 0 R >>",
          "/Pattern cs /P0 scn /P1 scn /P2 scn",
          {"stream:/Type /Pattern /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 1 1] /XStep 1 /YStep 1"
           " /Resources << /XObject << /Im 9 0 R >> >>|/Im Do",
           "<< /Type /Pattern /PatternType 2 /Shading 8 0 R /ExtGState 7 0 R >>", "<< /Type /ExtGState >>",
           "<< /ShadingType 2 /ColorSpace /DeviceGray /Coords [0 0 1 0] /Function 12 0 R >>",
           "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray|x",
           "<< /Type /Pattern /PatternType 3 /Shading 8 0 R >>",
           "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace /DeviceGray|y",
           kFunction});
  auto walker = CheckAll();
  EXPECT_EQ(Seen(KIND_PATTERN), (std::vector<int>{5, 6, 10}));
  EXPECT_EQ(Seen(KIND_IMAGE), (std::vector<int>{9})) << "the pattern's resources, not the page's";
  EXPECT_EQ(Operators(), (std::vector<std::string>{"cs", "scn", "scn", "scn", "Do"}));
  EXPECT_EQ(Seen(KIND_EXTGSTATE), (std::vector<int>{7}));
  EXPECT_EQ(Seen(KIND_SHADING), (std::vector<int>{8}));
  EXPECT_EQ(ReferrersSeen(KIND_SHADING), (std::vector<int>{6}));
  EXPECT_EQ(walker->GetResourceStack().Size(), 0u);
}

TEST_F(GraphicsCheckTest, AShadingPatternHandsOnItsStateBeforeItsShading) {
  // Direct ones are checked as they are handed on.
  OnePage("/Pattern << /P0 << /PatternType 2 /Shading << /ShadingType 1 >> /ExtGState << /Type /ExtGState >> >> >>",
          "/Pattern cs /P0 scn", {});
  CheckAll();
  std::vector<int> kinds;
  for (const Visit& v : log_->visits)
    if (v.number == -1) kinds.push_back(v.kind);
  EXPECT_EQ(kinds, (std::vector<int>{KIND_PATTERN, KIND_EXTGSTATE, KIND_SHADING}));
}

TEST_F(GraphicsCheckTest, AShadingHandsOnItsSpaceAndFunctions) {
  // Shadings 5 and 6 share colour space 7; 5 has three functions, 6 one.
  OnePage("/Shading << /Sh0 5 0 R /Sh1 6 0 R /Sh2 << /ShadingType 2 /Function /Identity >> >>",
          "/Sh0 sh /Sh1 sh /Sh2 sh",
          {"<< /ShadingType 2 /ColorSpace 7 0 R /Coords [0 0 1 0] /Function [8 0 R 9 0 R 10 0 R] >>",
           "stream:/ShadingType 4 /ColorSpace 7 0 R /BitsPerCoordinate 8 /BitsPerComponent 8 /BitsPerFlag 8"
           " /Decode [0 1 0 1 0 1] /Function 11 0 R|xyz",
           "[/Separation /Spot /DeviceCMYK 12 0 R]", kFunction, kFunction, kFunction,
           "stream:/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8|ab",
           "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [1 1 1 1] /N 1 >>"});
  auto walker = CheckAll();
  EXPECT_EQ(Seen(KIND_SHADING), (std::vector<int>{-1, 5, 6}));
  EXPECT_EQ(Seen(KIND_COLORSPACE), (std::vector<int>{7, -1})) << "once for the check, and its direct alternate";
  EXPECT_EQ(Seen(KIND_FUNCTION), (std::vector<int>{8, 9, 10, 11, 12}));
  EXPECT_EQ(walker->GetVisitedMap()[7]->referrers.size(), 2u);
}

TEST_F(GraphicsCheckTest, FunctionsHandOnWhatTheyStitch) {
  // The state's transfer is stitching function 9 over the function under
  // test, 5; 6 and 7 are plain functions, 8 stitches 7.
  struct Case {
    const char* name;
    std::string function;
    std::vector<int> functions;  // checked, in order
  } cases[] = {
      {"a stitching function",
       "<< /FunctionType 3 /Domain [0 1] /Functions [6 0 R 7 0 R] /Bounds [0.5] /Encode [0 1 0 1] >>",
       {9, 5, 6, 7}},
      {"stitching of stitching", "<< /FunctionType 3 /Functions [6 0 R 8 0 R] >>", {9, 5, 6, 8, 7}},
      {"a type 2 function", "<< /FunctionType 2 /Functions [6 0 R] >>", {9, 5}},
      {"a function that stitches itself", "<< /FunctionType 3 /Functions [5 0 R 6 0 R] >>", {9, 5, 6}},
      {"a type that is not a number", "<< /FunctionType /Three /Functions [6 0 R] >>", {9, 5}},
      {"no functions", "<< /FunctionType 3 /Functions null >>", {9, 5}},
      {"a function given by name", "/Identity", {9, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log_->visits.clear();
    OnePage("/ExtGState << /G0 << /TR 9 0 R >> >>", "/G0 gs",
            {c.function, kFunction, kFunction, "<< /FunctionType 3 /Functions [7 0 R] >>",
             "<< /FunctionType 3 /Functions [5 0 R] >>"});
    CheckAll();
    EXPECT_EQ(Seen(KIND_FUNCTION), c.functions);
  }
}

TEST_F(GraphicsCheckTest, ASampledFunctionsFileIsFollowedOnce) {
  OnePage("/ExtGState << /G0 << /TR 5 0 R >> >>", "/G0 gs",
          {"stream:/FunctionType 0 /Domain [0 1] /Range [0 1] /Size [2] /BitsPerSample 8 /F (samples.dat)|"});
  auto walker = CheckAll();
  EXPECT_EQ(Seen(KIND_FILESPEC), (std::vector<int>{-1}));
  EXPECT_EQ(ReferrersSeen(KIND_FILESPEC), (std::vector<int>{5}));
  EXPECT_EQ(Records(*walker),
            (std::vector<Filed>{{UNFIXABLE_ERROR, KIND_FILESPEC, PROBLEM_NOT_EMBEDDED, "", 5, -1}}));
}

}  // namespace
