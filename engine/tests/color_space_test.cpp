// Colour spaces, images and inline images: what each hands on to the
// object visit, visited or only walked, and walks that refer back to
// themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ErrorNames.h"
#include "kinds_fixture.h"

namespace {

using enginetest::KindFixture;
using enginetest::NodePtr;
using enginetest::Visit;

const char kFunction[] = "<< /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [1 0 0 0] /N 1 >>";
const char kProfile[] = "stream:/N 4|profile";

std::vector<int> Keys(const PDFXPreflight::NodeMap& map) {
  std::vector<int> keys;
  for (const auto& entry : map) keys.push_back(entry.first);
  return keys;
}

class ColorSpaceTest : public KindFixture {
 protected:
  std::vector<int> ReferrersSeen(int kind) const {
    std::vector<int> numbers;
    for (const Visit& v : SeenVisits(kind)) numbers.push_back(v.referrer);
    return numbers;
  }
};

TEST_F(ColorSpaceTest, EachFamilyHandsOnWhatItRefersTo) {
  // The page names /CS0, object 5; the objects from 6 on are what it refers to.
  struct Case {
    const char* name;
    std::vector<std::string> objects;  // 5, 6, ...
    bool deviceColorOnly;
    std::vector<int> spaces;     // colour spaces the standard saw
    std::vector<int> streams;    // streams it saw
    std::vector<int> functions;  // functions it saw
  } cases[] = {
      {"a device name", {"/DeviceCMYK"}, true, {5}, {}, {}},
      {"a device family in an array", {"[/DeviceGray]"}, true, {5}, {}, {}},
      {"a family with nothing to follow", {"[/CalRGB << /WhitePoint [1 1 1] >>]"}, true, {5}, {}, {}},
      {"a family that is not a name", {"[(Indexed) 6 0 R 1 7 0 R]", "/DeviceCMYK", "stream:|ab"}, true, {5}, {},
       {}},
      {"an empty array", {"[]"}, true, {5}, {}, {}},
      {"ICCBased without alternate", {"[/ICCBased 6 0 R]", kProfile}, true, {5}, {6}, {}},
      {"ICCBased, device colour only: the alternate is visited",
       {"[/ICCBased 6 0 R]", "stream:/N 4 /Alternate 7 0 R|profile", "[/DeviceCMYK]"}, true, {5, 7}, {6}, {}},
      {"ICCBased, managed colour: the alternate is only walked",
       {"[/ICCBased 6 0 R]", "stream:/N 4 /Alternate 7 0 R|profile", "[/Indexed /DeviceCMYK 1 8 0 R]",
        "stream:|abcdefgh"},
       false, {5, -1}, {6, 8}, {}},
      {"Indexed with a lookup string", {"[/Indexed 6 0 R 1 (abcdefgh)]", "/DeviceCMYK"}, true, {5, 6}, {}, {}},
      {"Indexed with a lookup stream", {"[/Indexed 6 0 R 1 7 0 R]", "/DeviceCMYK", "stream:|abcdefgh"}, true,
       {5, 6}, {7}, {}},
      {"Pattern alone", {"[/Pattern]"}, true, {5}, {}, {}},
      {"Pattern over a base", {"[/Pattern 6 0 R]", "/DeviceCMYK"}, true, {5, 6}, {}, {}},
      {"Separation without tint transform", {"[/Separation /Spot 6 0 R]", "/DeviceCMYK"}, true, {5, 6}, {}, {}},
      {"Separation with its tint transform", {"[/Separation /Spot 6 0 R 7 0 R]", "/DeviceCMYK", kFunction}, true,
       {5, 6}, {}, {7}},
      {"DeviceN", {"[/DeviceN [/A /B] 6 0 R 7 0 R]", "/DeviceCMYK", kFunction}, true, {5, 6}, {}, {7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log_->visits.clear();
    answers_->deviceColorOnly = c.deviceColorOnly;
    OnePage("/ColorSpace << /CS0 5 0 R >>", "/CS0 cs", c.objects);
    auto walker = CheckAll();
    EXPECT_EQ(Seen(KIND_COLORSPACE), c.spaces);
    EXPECT_EQ(Seen(KIND_STREAM), c.streams);
    EXPECT_EQ(Seen(KIND_FUNCTION), c.functions);
    EXPECT_FALSE(walker->GetSeverities().test(PROBLEM));
    // Everything handed on names the space that refers to it.
    for (const Visit& v : log_->visits) {
      if (v.number > 5) {
        EXPECT_EQ(v.referrer, v.kind == KIND_STREAM && v.number == 8 ? 7 : 5) << v.number;
      }
    }
    EXPECT_TRUE(walker->GetPendingMap().empty());
  }
}

TEST_F(ColorSpaceTest, TheTintTransformOfObjectNineIsAFunction) {
  OnePage("/ColorSpace << /CS0 [/Separation /Spot /DeviceCMYK 9 0 R] >>", "/CS0 cs",
          {"<< /Filler 5 >>", "<< /Filler 6 >>", "<< /Filler 7 >>", "<< /Filler 8 >>", kFunction});
  CheckAll();
  EXPECT_EQ(Seen(KIND_FUNCTION), (std::vector<int>{9}));
  EXPECT_EQ(SeenVisits(KIND_FUNCTION).front().referrer, -1) << "the direct space";
}

TEST_F(ColorSpaceTest, WithoutTheVisitFlagSubSpacesAreWalkedNotVisited) {
  // 5 Indexed over ICCBased 6 with lookup 7; the profile 8 has an alternate 9
  // that is itself Indexed with lookup 10.
  OnePage("", "", {"[/Indexed 6 0 R 1 7 0 R]", "[/ICCBased 8 0 R]", "stream:|abcdefgh",
                   "stream:/N 4 /Alternate 9 0 R|profile", "[/Indexed /DeviceCMYK 0 10 0 R]", "stream:|abcd"});
  auto walker = NewWalker();
  walker->CheckColorSpace(NodeOf(5, KIND_COLORSPACE), NodePtr(), false);
  EXPECT_EQ(Keys(walker->GetPendingMap()), (std::vector<int>{7, 8, 10}));
  EXPECT_TRUE(log_->visits.empty());

  auto flagged = NewWalker();
  flagged->CheckColorSpace(NodeOf(5, KIND_COLORSPACE), NodePtr(), true);
  EXPECT_EQ(Keys(flagged->GetPendingMap()), (std::vector<int>{6, 7}));
  EXPECT_EQ(flagged->GetPendingMap()[6]->objectKind, KIND_COLORSPACE);
  EXPECT_EQ(flagged->GetPendingMap()[7]->objectKind, KIND_STREAM);
}

TEST_F(ColorSpaceTest, ColorantsAreWalkedAndNotCheckedAgain) {
  // Form 9, checked after the DeviceN space, names the colorant's space 6
  // as well: it was walked with the DeviceN space and is not checked as an
  // object of its own.
  OnePage("/ColorSpace << /CS0 5 0 R >> /XObject << /Fm 9 0 R >>", "/CS0 cs /Fm Do",
          {"[/DeviceN [/Spot /Cyan] /DeviceCMYK 7 0 R << /Colorants << /Spot 6 0 R /Cyan [/Separation /Cyan 8 0 R "
           "7 0 R] >> >>]",
           "[/Separation /Spot /DeviceCMYK 7 0 R]", kFunction, "/DeviceCMYK",
           "stream:/Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources << /ColorSpace << /CS1 6 0 R >> >>|/CS1 cs"});
  auto walker = CheckAll();
  // The space, its alternate, the alternate of colorant 6 (the direct
  // colorant's alternate 8 waits in the pending map), then 8.
  EXPECT_EQ(Seen(KIND_COLORSPACE), (std::vector<int>{5, -1, -1, 8}));
  EXPECT_EQ(Seen(KIND_FUNCTION), (std::vector<int>{7}));
  ASSERT_TRUE(walker->IsVisited(6));
  EXPECT_EQ(walker->GetVisitedMap()[6]->objectKind, KIND_COLORSPACE);
  EXPECT_EQ(walker->GetPendingMap().size(), 0u);
}

TEST_F(ColorSpaceTest, SpacesThatReferBackToThemselvesEnd) {
  struct Case {
    const char* name;
    std::vector<std::string> objects;  // 5, 6, ...; /CS0 is 5
    bool deviceColorOnly;
  } cases[] = {
      {"an Indexed space over itself", {"[/Indexed 5 0 R 1 6 0 R]", "stream:|abcdefgh"}, true},
      {"a profile whose alternate is its own space", {"[/ICCBased 6 0 R]", "stream:/N 4 /Alternate 5 0 R|p"}, false},
      {"a DeviceN space that is its own colorant",
       {"[/DeviceN [/A] /DeviceCMYK 6 0 R << /Colorants << /A 5 0 R >> >>]", kFunction}, true},
      {"a loop through a direct base that is visited",
       {"[/Indexed [/ICCBased 6 0 R] 1 (abcdefgh)]", "stream:/N 4 /Alternate 5 0 R|p"}, false},
      {"two spaces that are each other's colorant",
       {"[/DeviceN [/A] /DeviceCMYK 7 0 R << /Colorants << /A 6 0 R >> >>]",
        "[/DeviceN [/B] /DeviceCMYK 8 0 R << /Colorants << /B 5 0 R >> >>]", kFunction, kFunction},
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log_->visits.clear();
    answers_->deviceColorOnly = c.deviceColorOnly;
    OnePage("/ColorSpace << /CS0 5 0 R >>", "/CS0 cs", c.objects);
    auto walker = CheckAll();
    EXPECT_FALSE(walker->GetSeverities().test(PROBLEM));
    EXPECT_EQ(Seen(KIND_COLORSPACE).front(), 5);
    EXPECT_TRUE(walker->IsVisited(5));
    // Walked directly too, without the flag: each object is gone through
    // once, so what it hands on has one referrer.
    auto direct = NewWalker();
    direct->CheckColorSpace(NodeOf(5, KIND_COLORSPACE), NodePtr(), false);
    EXPECT_FALSE(direct->GetPendingMap().empty());
    for (const auto& entry : direct->GetPendingMap()) EXPECT_EQ(entry.second->referrers.size(), 1u) << entry.first;
  }
}

TEST_F(ColorSpaceTest, ANestedWalkStopsAtItsDepth) {
  // Forty Indexed spaces, each over the next, each with its own lookup
  // stream: 5 over 7 over 9 ..., lookups 6, 8, 10 ...
  std::vector<std::string> objects;
  for (int i = 0; i < 40; ++i) {
    const int space = 5 + 2 * i;
    const std::string base = i == 39 ? "/DeviceGray" : std::to_string(space + 2) + " 0 R";
    objects.push_back("[/Indexed " + base + " 1 " + std::to_string(space + 1) + " 0 R]");
    objects.push_back("stream:|ab");
  }
  OnePage("", "", objects);
  auto walker = NewWalker();
  walker->CheckColorSpace(NodeOf(5, KIND_COLORSPACE), NodePtr(), false);
  EXPECT_EQ(walker->GetPendingMap().size(), 32u);
  EXPECT_EQ(walker->GetPendingMap().rbegin()->first, 6 + 2 * 31);
  // The next walk starts afresh.
  walker->GetPendingMap().clear();
  walker->CheckColorSpace(NodeOf(5, KIND_COLORSPACE), NodePtr(), false);
  EXPECT_EQ(walker->GetPendingMap().size(), 32u);
}

TEST_F(ColorSpaceTest, AnImageHandsOnItsSpaceAndItsOPIDictionary) {
  OnePage("/XObject << /Im0 5 0 R /Im1 8 0 R >>", "/Im0 Do /Im1 Do /Im0 Do",
          {"stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace 6 0 R"
           " /OPI 7 0 R|x",
           "[/Indexed /DeviceCMYK 0 9 0 R]", "<< /1.3 << /Type /OPI /Version 1.3 /F (hi.tif) >> >>",
           "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace 6 0 R|x",
           "stream:|abcd"});
  auto walker = CheckAll();
  // Shared by two images, checked once; its base is direct and visited with it.
  EXPECT_EQ(Seen(KIND_COLORSPACE), (std::vector<int>{6, -1}));
  EXPECT_EQ(ReferrersSeen(KIND_COLORSPACE), (std::vector<int>{5, 6}));
  EXPECT_EQ(Seen(KIND_OPI), (std::vector<int>{7}));
  EXPECT_EQ(ReferrersSeen(KIND_OPI), (std::vector<int>{5}));
  EXPECT_EQ(Seen(KIND_STREAM), (std::vector<int>{9}));

  // Without the flag the image's space is walked and only what it refers to is visited.
  auto direct = NewWalker();
  direct->CheckImage(NodeOf(5, KIND_IMAGE), NodePtr(), false);
  EXPECT_EQ(Keys(direct->GetPendingMap()), (std::vector<int>{7, 9}));
}

TEST_F(ColorSpaceTest, AnInlineImageNamesItsSpaceOrAResource) {
  struct Case {
    const char* name;
    std::string image;
    std::vector<int> spaces;
  } cases[] = {
      {"a family name is a space", "/CS /G", {-1}},
      {"CS comes before ColorSpace", "/CS /CS0 /ColorSpace /G", {5}},
      {"ColorSpace when there is no CS", "/ColorSpace /CS0", {5}},
      {"RGB is not a family: it names a resource", "/CS /DeviceRGB", {6}},
      {"a name no resource defines", "/CS /RGB", {}},
      {"the case of a family counts", "/CS /devicecmyk", {}},
      {"an array is a space", "/CS [/Indexed /DeviceGray 1 <00ff>]", {-1, -1}},
      {"no space at all", "/IM true", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log_->visits.clear();
    OnePage("/ColorSpace << /CS0 5 0 R /DeviceRGB 6 0 R >>",
            "BI " + c.image + " /W 1 /H 1 /BPC 8 ID x EI", {"[/Pattern]", "/DeviceGray"});
    CheckAll();
    EXPECT_EQ(Seen(KIND_COLORSPACE), c.spaces);
    if (!c.spaces.empty()) {
      EXPECT_EQ(ReferrersSeen(KIND_COLORSPACE).front(), 4) << "the content stream";
    }
  }
}

}  // namespace
