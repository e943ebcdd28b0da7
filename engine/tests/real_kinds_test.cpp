// Real documents that Ghostscript writes at test time from small PostScript
// programs: TrueType, Type0/CIDFontType2, Type 1 as CFF and Type 3 fonts,
// one font left out on purpose; ICCBased, Indexed, Separation and DeviceN
// spaces, shadings, patterns, halftones and transfer functions. Every
// object of those kinds that the file holds must be reached.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/MyCosDoc.h"
#include "core/host.h"
#include "engine/ErrorNames.h"
#include "host/calls.h"
#include "kinds_fixture.h"

namespace {

using enginetest::KindFixture;
using enginetest::NodePtr;
using enginetest::Visit;

using hosttest::FileExists;
using hosttest::Quoted;

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// The first profile of those the build installs.
std::string InstalledProfile() {
  for (const char* path : {"/usr/share/color/icc/sRGB.icc", "/usr/share/color/icc/colord/sRGB.icc"})
    if (FileExists(path)) return path;
  return std::string();
}

// What the file holds, by role, each an object number.
struct Inventory {
  std::vector<int> fonts, descriptors, fontPrograms, glyphs, fontStreams, encodings;
  std::vector<int> functions, halftones, shadings, patterns, profiles, spaces;
  std::set<std::string> fontSubtypes, programSubtypes, families;
};

std::string NameOf(const MyCosObj& value) {
  return value.CachedType() == CosName ? value.ValueAsString() : std::string();
}

ASBool CollectValue(MyCosObj& first, MyCosObj& second, void* data) {
  // An array gives its elements first, a dictionary its values second.
  static_cast<std::vector<MyCosObj>*>(data)->push_back(second.IsNull() ? first : second);
  return 1;
}

// The indirect objects reachable from the catalog, in the order met: a
// writer may leave objects that nothing refers to.
std::vector<MyCosObj> Reachable(PDDoc pd) {
  std::vector<MyCosObj> found;
  std::set<int> numbers;
  std::vector<MyCosObj> work = {MyCosDoc(PDDocGetCosDoc(pd)).GetRoot()};
  while (!work.empty()) {
    const MyCosObj value = work.back();
    work.pop_back();
    const ASInt32 type = value.CachedType();
    if (type != CosDict && type != CosArray && type != CosStream) continue;
    if (value.IsIndirect()) {
      if (!numbers.insert(value.GetID()).second) continue;
      found.push_back(value);
    }
    if (type == CosArray) {
      for (ASInt32 i = 0; i < value.Length(); ++i) work.push_back(value.Get(i));
    } else {
      value.Enum(&CollectValue, &work);
    }
  }
  return found;
}

Inventory Scan(PDDoc pd) {
  const std::vector<MyCosObj> objects = Reachable(pd);
  Inventory in;
  auto indirect = [](const MyCosObj& value, std::vector<int>& into) {
    if (!value.IsNull() && value.IsIndirect()) into.push_back(value.GetID());
  };
  for (const MyCosObj& object : objects) {
    const int number = object.GetID();
    if (object.CachedType() == CosArray && object.Length() > 0) {
      const std::string family = NameOf(object.Get(0));
      if (family == "ICCBased" || family == "Indexed" || family == "Separation" || family == "DeviceN") {
        in.spaces.push_back(number);
        in.families.insert(family);
        if (family == "ICCBased") indirect(object.Get(1), in.profiles);
      }
      continue;
    }
    if (object.CachedType() != CosDict && object.CachedType() != CosStream) continue;
    const std::string type = NameOf(object.Get("Type"));
    if (type == "Font") {
      in.fonts.push_back(number);
      in.fontSubtypes.insert(NameOf(object.Get("Subtype")));
      const MyCosObj procs = object.Get("CharProcs");
      if (procs.CachedType() == CosDict) {
        struct Glyphs {
          static ASBool Entry(MyCosObj&, MyCosObj& value, void* data) {
            if (value.IsIndirect()) static_cast<std::vector<int>*>(data)->push_back(value.GetID());
            return 1;
          }
        };
        procs.Enum(&Glyphs::Entry, &in.glyphs);
      }
      indirect(object.Get("ToUnicode"), in.fontStreams);
      if (object.Get("Encoding").CachedType() == CosDict) indirect(object.Get("Encoding"), in.encodings);
    } else if (type == "FontDescriptor") {
      in.descriptors.push_back(number);
      for (const char* key : {"FontFile", "FontFile2", "FontFile3", "CIDSet"}) {
        const MyCosObj program = object.Get(key);
        if (program.IsNull()) continue;
        indirect(program, in.fontPrograms);
        in.programSubtypes.insert(std::string(key) + " " + NameOf(program.Get("Subtype")));
      }
    } else if (type == "Halftone" || !object.Get("HalftoneType").IsNull()) {
      in.halftones.push_back(number);
    } else if (!object.Get("FunctionType").IsNull()) {
      in.functions.push_back(number);
    } else if (!object.Get("ShadingType").IsNull()) {
      in.shadings.push_back(number);
    } else if (!object.Get("PatternType").IsNull()) {
      in.patterns.push_back(number);
    }
  }
  return in;
}

class RealKindsTest : public KindFixture {
 protected:
  // Every number in `numbers` was shown to the standard as `kind`.
  void ExpectSeen(const std::vector<int>& numbers, int kind, const char* what) const {
    const std::vector<int> seen = Seen(kind);
    const std::set<int> seenSet(seen.begin(), seen.end());
    for (int number : numbers) EXPECT_TRUE(seenSet.count(number)) << what << " " << number;
  }
  // The records about what is not embedded; the standard's own rules may file others.
  std::vector<enginetest::Filed> NotEmbedded(const PDFXPreflight& walker) const {
    std::vector<enginetest::Filed> records;
    for (const enginetest::Filed& filed : Records(walker))
      if (filed.problemKind == PROBLEM_NOT_EMBEDDED) records.push_back(filed);
    return records;
  }
  void ExpectVisited(const PDFXPreflight& walker, const std::vector<int>& numbers, const char* what) const {
    for (int number : numbers) EXPECT_TRUE(walker.IsVisited(number)) << what << " " << number;
  }
};

TEST_F(RealKindsTest, FontsOfEveryKindAndOneLeftOut) {
  // A TrueType font for the simple and the CID-keyed font, as fontconfig names it.
  std::string found;
  hosttest::RunCommand("fc-match -f '%{postscriptname}|%{file}' ':fontformat=TrueType'", &found);
  const size_t bar = found.find('|');
  std::string trueTypeName, trueTypeFile;
  if (bar != std::string::npos && FileExists(Trimmed(found.substr(bar + 1)))) {
    trueTypeName = found.substr(0, bar);
    trueTypeFile = Trimmed(found.substr(bar + 1));
  }
  std::string program = "%!PS\n<< /NeverEmbed [/Helvetica] >> setdistillerparams\n" + std::string(enginetest::kType3FontProgram);
  std::string page = "/Helvetica findfont 12 scalefont setfont 72 740 moveto (Helvetica is not embedded) show\n";
  page += "/NimbusSans-Regular findfont 14 scalefont setfont 72 700 moveto (Type 1 written as CFF) show\n";
  page += "/Boxes findfont 24 scalefont setfont 72 660 moveto (ABAB) show\n";
  if (!trueTypeName.empty()) {
    hosttest::WriteFile(home_.File("cidfmap"), "/ZentuCID << /FileType /TrueType /Path (" + trueTypeFile +
                                                   ") /SubfontID 0 /CSI [(Identity) 0] >> ;\n");
    page += "/" + trueTypeName + " findfont 14 scalefont setfont 72 620 moveto (TrueType text) show\n";
    page += "/ZentuCID-Identity-H /Identity-H [/ZentuCID /CIDFont findresource] composefont\n";
    page += "14 scalefont setfont 72 580 moveto <002400250026> show\n";
  }
  program += page + "showpage\n" + page + "showpage\n" +
             "/Helvetica findfont 12 scalefont setfont 72 700 moveto (Page three) show showpage\n";
  const std::string pdf = Distill("fonts", program, "-I" + Quoted(home_.path()));
  auto walker = CheckWholeFile(pdf);
  const Inventory in = Scan(pd_);

  EXPECT_TRUE(in.fontSubtypes.count("Type1") && in.fontSubtypes.count("Type3"));
  EXPECT_TRUE(in.programSubtypes.count("FontFile3 Type1C"));
  if (!trueTypeName.empty()) {
    EXPECT_TRUE(in.fontSubtypes.count("TrueType") && in.fontSubtypes.count("Type0") &&
                in.fontSubtypes.count("CIDFontType2"));
    EXPECT_TRUE(in.programSubtypes.count("FontFile2 ") && in.programSubtypes.count("CIDSet "));
  }
  ExpectSeen(in.fonts, KIND_FONT, "font");
  ExpectSeen(in.descriptors, KIND_FONT_DESCRIPTOR, "descriptor");
  ExpectSeen(in.fontPrograms, KIND_STREAM, "font program or CIDSet");
  ExpectSeen(in.glyphs, KIND_CONTENTS, "Type 3 glyph");
  EXPECT_FALSE(in.glyphs.empty());
  ExpectVisited(*walker, in.fontStreams, "ToUnicode");
  ExpectVisited(*walker, in.encodings, "encoding");

  // Helvetica is one font object on three pages: one record.
  const std::vector<enginetest::Filed> records = NotEmbedded(*walker);
  ASSERT_EQ(records.size(), 1u) << ::testing::PrintToString(records);
  const enginetest::Filed filed = records.front();
  EXPECT_EQ(filed.severity, UNFIXABLE_ERROR);
  EXPECT_EQ(filed.objectKind, KIND_FONT);
  EXPECT_EQ(filed.problemKind, PROBLEM_NOT_EMBEDDED);
  EXPECT_EQ(filed.message.rfind("'Helvetica' '", 0), 0u) << filed.message;
  EXPECT_EQ(NameOf(Obj(filed.containerNumber).Get("BaseFont")), "Helvetica") << "the font is what the problem lies in";
}

TEST_F(RealKindsTest, ColourSpacesShadingsPatternsAndHalftones) {
  const std::string profile = InstalledProfile();
  ASSERT_FALSE(profile.empty()) << "./setup installs icc-profiles-free and colord-data";
  ASSERT_EQ(hosttest::RunCommand("cp " + Quoted(profile) + " " + Quoted(home_.File("rgb.icc"))), 0);
  const std::string icc = "[/ICCBased << /N 3 /Alternate /DeviceRGB /DataSource (" + home_.File("rgb.icc") +
                          ") (r) file >>]";
  const std::string program = "%!PS\n" + icc + R"PS( setcolorspace 0.2 0.4 0.6 setcolor 72 600 100 100 rectfill
[/Indexed /DeviceCMYK 1 <00000000FF000000>] setcolorspace 1 setcolor 200 600 100 100 rectfill
[/Separation (Spot) /DeviceCMYK {dup 0.5 mul exch 0 exch 0}] setcolorspace 0.7 setcolor 320 600 100 100 rectfill
[/DeviceN [/Cyan /Spot] /DeviceCMYK {0 0 4 -1 roll}
 << /Colorants << /Spot [/Separation /Spot /DeviceCMYK {dup 0.5 mul exch 0 exch 0}] >> >>] setcolorspace
0.3 0.6 setcolor 440 600 100 100 rectfill
gsave 72 400 200 100 rectclip
<< /ShadingType 2 /ColorSpace /DeviceCMYK /Coords [72 400 272 400] /Extend [true true]
   /Function << /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 0 1]
      /Functions [ << /FunctionType 2 /Domain [0 1] /C0 [0 0 0 0] /C1 [1 0 0 0] /N 1 >>
                   << /FunctionType 2 /Domain [0 1] /C0 [1 0 0 0] /C1 [0 1 0 0] /N 1 >> ] >> >> shfill
grestore
<< /PatternType 2 /Shading << /ShadingType 2 /ColorSpace /DeviceCMYK /Coords [0 0 100 0]
   /Function << /FunctionType 2 /Domain [0 1] /C0 [0 0 1 0] /C1 [0 1 0 0] /N 1 >> >> >> matrix makepattern setpattern
300 400 100 100 rectfill
<< /PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 10 10] /XStep 10 /YStep 10
   /PaintProc { pop 0 0 0 1 setcmykcolor 0 0 5 5 rectfill } >> matrix makepattern setpattern
420 400 100 100 rectfill
gsave 72 150 translate 200 200 scale
)PS" + icc + R"PS( setcolorspace
<< /ImageType 1 /Width 100 /Height 100 /BitsPerComponent 8 /Decode [0 1 0 1 0 1] /ImageMatrix [100 0 0 -100 0 100]
   /DataSource { 300 string 0 1 299 { 1 index exch dup 7 mul 256 mod put } for } >> image
grestore
showpage
<< /HalftoneType 5 /Default << /HalftoneType 1 /Frequency 60 /Angle 45 /SpotFunction {dup mul exch dup mul add 1 exch sub} >> >> sethalftone
{1 exch sub} {0.5 mul} {dup mul} {} setcolortransfer
{} setblackgeneration {pop 0} setundercolorremoval
0.5 0.2 0.1 0.3 setcmykcolor 72 500 100 100 rectfill
showpage
)PS";
  const std::string pdf =
      Distill("colours", program,
              "-dPreserveHalftoneInfo=true -dTransferFunctionInfo=/Preserve -dUCRandBGInfo=/Preserve "
              "--permit-file-read=" + Quoted(home_.path() + "/"));
  auto walker = CheckWholeFile(pdf);
  const Inventory in = Scan(pd_);

  EXPECT_EQ(in.families, (std::set<std::string>{"DeviceN", "ICCBased", "Indexed", "Separation"}));
  std::set<std::string> seenFamilies;
  for (const NodePtr& node : content_->nodes)
    if (node->objectKind == KIND_COLORSPACE && node->object.CachedType() == CosArray)
      seenFamilies.insert(NameOf(node->object.Get(0)));
  for (const std::string& family : in.families) EXPECT_TRUE(seenFamilies.count(family)) << family;
  ExpectVisited(*walker, in.spaces, "colour space");
  ExpectSeen(in.profiles, KIND_STREAM, "profile");
  EXPECT_FALSE(in.profiles.empty());
  ExpectSeen(in.functions, KIND_FUNCTION, "function");
  EXPECT_GE(in.functions.size(), 8u) << "tint transforms, shading functions, stitched ones, spot and transfer functions";
  ExpectSeen(in.shadings, KIND_SHADING, "shading");
  EXPECT_GE(in.shadings.size(), 2u);
  ExpectSeen(in.patterns, KIND_PATTERN, "pattern");
  EXPECT_GE(in.patterns.size(), 2u);
  ExpectVisited(*walker, in.halftones, "halftone");
  EXPECT_GE(in.halftones.size(), 2u) << "a type 5 halftone and its component";
  EXPECT_EQ(Seen(KIND_IMAGE).size(), 1u);
  EXPECT_TRUE(NotEmbedded(*walker).empty()) << ::testing::PrintToString(NotEmbedded(*walker));
}

TEST_F(RealKindsTest, AnInstalledProfileWithItsAlternate) {
  // Ghostscript writes no Alternate into the profiles it embeds: this file
  // is made here, with a real profile, used by the page and by an image.
  const std::string profile = InstalledProfile();
  ASSERT_FALSE(profile.empty());
  const std::string bytes = hosttest::ReadFile(profile);
  for (bool deviceColorOnly : {true, false}) {
    SCOPED_TRACE(deviceColorOnly);
    log_->visits.clear();
    answers_->deviceColorOnly = deviceColorOnly;
    OnePage("/ColorSpace << /CS0 5 0 R >> /XObject << /Im 8 0 R >>", "/CS0 cs 0.5 0.5 0.5 sc /Im Do",
            {"[/ICCBased 6 0 R]", "stream:/N 3 /Alternate 7 0 R|" + bytes, "[/CalRGB << /WhitePoint [1 1 1] >>]",
             "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /BitsPerComponent 8 /ColorSpace 5 0 R|rgb"});
    auto walker = CheckAll();
    EXPECT_FALSE(walker->GetSeverities().test(PROBLEM));
    EXPECT_EQ(Seen(KIND_STREAM), (std::vector<int>{6}));
    EXPECT_EQ(Seen(KIND_COLORSPACE), deviceColorOnly ? (std::vector<int>{5, 7}) : (std::vector<int>{5}));
    EXPECT_EQ(walker->GetVisitedMap()[5]->referrers.size(), 2u) << "the content and the image";
  }
}

}  // namespace
