// "Fix all" on whole documents under both standards: each family of the
// generator checked, fixed, saved, passed through qpdf and checked again.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/Prefs.h"
#include "core/host.h"
#include "engine/ErrorNames.h"
#include "fix_all.h"
#include "profile_bytes.h"

namespace {

using standardstest::Finding;
using standardstest::kColorSpaces;
using standardstest::kX1a;
using standardstest::kX3;
using standardstest::Round;
typedef std::vector<Finding> Findings;

// Text of an object as the file comparison writes it: "" the object is
// absent; "!text" the object does not hold the text.
struct Holding {
  const char* path;
  std::string text;
};

const char kPage[] = "/Root/Pages/Kids[0]";
const char kImage[] = "/Root/Pages/Kids[0]/Resources/XObject/Im1";
const char kIntent[] = "/Root/OutputIntents[0]";
const char kProfile[] = "/Root/OutputIntents[0]/DestOutputProfile";

// Bytes as the file comparison writes them.
std::string Hex(const std::string& bytes) {
  std::string hex = enginetest::Hex(bytes);
  hex.pop_back();  // its end marker
  for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return hex;
}
std::string Text(const std::string& text) { return "<" + Hex(text) + ">"; }

std::vector<Round> Fixed(const Findings& before, const Findings& after = {}, int answer = 2) {
  return {{before, answer}, {after, 0}};
}
std::vector<Round> Unfixed(const Findings& before, int answer = 2) { return {{before, answer}, {before, 0}}; }

std::string InfoText(PDDoc pd, const char* key) {
  char buffer[64] = {0};
  const ASInt32 length = PDDocGetInfo(pd, key, buffer, sizeof buffer - 1);
  return std::string(buffer, static_cast<size_t>(std::max<ASInt32>(0, std::min<ASInt32>(length, sizeof buffer - 1))));
}

const Finding kTitle{"/Title key", "Title", 5, KIND_INFO, 2, -1, "InfoDictFixer"};
const Finding kCreator{"/Creator key", "Creator", 2, KIND_INFO, 2, -1, "InfoDictFixer"};
const Finding kIntentInCatalog{
    "There must be an OutputIntent in the Catalog object", "OutputIntents", 5, KIND_CATALOG, 2, -1,
    "PDF_X_1_2001::OutputIntentMegaFixer"};
const Finding kX3IntentInCatalog{
    "There must be an OutputIntent in the Catalog object", "OutputIntents", 5, KIND_CATALOG, 2, -1,
    "PDF_X_3_2002::OutputIntentMegaFixer"};
const Finding kInfoRecommended{"/Info key is recommended", "Info", 4, KIND_UNKNOWN, 2, -1, ""};
const char kUnregistered[] =
    "There must be an output profile in the OutputIntent dictionary for characterized printing conditions which are "
    "not listed in the registry";
const char kExactlyOne[] = "There must be exactly one OutputIntent annotation with a value of \"GTS_PDFX\" for the /S key";
const char kDefaultRgb[] =
    "There must be a /DefaultRGB object with a colorimetric definition for files which use color data in color spaces "
    "other than the one defined in the OutputIntent";
const char kDestProfileForOtherSpaces[] =
    "The /DestOutputProfile key in the PDF/X OutputIntent dictionary must contain a profile if there is data in a "
    "colorspace other than the colorspace used by the characterization";
const Finding kX1aEncryption{"Encryption is not allowed for PDF/X-1a:2001", "", 7, KIND_ENCRYPT, 1, -1, ""};
// qpdf writes the key length of 40-bit encryption too.
const Finding kKeyLength{"The \"Length\" key is a PDF 1.4 feature", "Length", 4, KIND_ENCRYPT, 3, -1, ""};

struct Case {
  Case(const char* variant, const char* standard, std::vector<Round> rounds, std::string changed,
       std::vector<Holding> holds = {}, std::map<std::string, std::string> settings = {}, int encryption = 0)
      : variant(variant), standard(standard), rounds(std::move(rounds)), changed(std::move(changed)),
        holds(std::move(holds)), settings(std::move(settings)), encryption(encryption) {}

  const char* variant;   // "": the baseline
  const char* standard;  // null: both
  std::vector<Round> rounds;
  std::string changed;                          // paths changed from the input to the last file, each and a space
  std::vector<Holding> holds;                   // in the last file
  std::map<std::string, std::string> settings;  // beside "default_condition"; "" removes a key
  int encryption;                               // 1: the change permission granted, 2: withheld
};

class FixAllTest : public standardstest::FixAllFixture {
 protected:
  // The case under each of its standards: the rounds, then the input
  // untouched, the version entry written exactly when a fix took,
  // the changed paths and what the last file holds.
  void Run(const Case& c) {
    for (const char* standard : {kX1a, kX3}) {
      if (c.standard && std::string(c.standard) != standard) continue;
      SCOPED_TRACE(std::string(*c.variant ? c.variant : "baseline") + " under " + standard);
      Prefs::Section().clear();
      Prefs::Set("default_condition", "CGATS TR 001");
      for (const auto& setting : c.settings) {
        if (setting.second.empty()) {
          Prefs::Section().erase(setting.first);
        } else {
          Prefs::Set(setting.first, setting.second);
        }
      }
      const std::string name = *c.variant ? c.variant : "baseline";
      const std::string pdf =
          (*c.variant ? standardstest::Make(standard, c.variant) : standardstest::Baseline(standard)).Pdf();
      const std::string input = home_.File(name + ".pdf");
      hosttest::WriteFile(c.encryption ? home_.File("plain.pdf") : input, pdf);
      if (c.encryption) standardstest::Encrypt(home_.File("plain.pdf"), input, c.encryption == 1);
      const std::string written = hosttest::ReadFile(input);
      const std::string last = RunRounds(standard, input, c.rounds);
      const bool fixedAny = fixes_ > 0;
      host::CloseAllDocuments();
      EXPECT_EQ(hosttest::ReadFile(input), written) << "the input changed";

      PDDoc saved = host::OpenDocument(last);
      EXPECT_EQ(InfoText(saved, "Zent_PDFX_Corvane"), fixedAny ? "1.3" : "");
      host::CloseDocument(saved);
      const enginetest::ObjectMap after = enginetest::ObjectsOf(last);
      std::string changed;
      for (const std::string& path : enginetest::ChangedPaths(enginetest::ObjectsOf(input), after))
        changed += path + " ";
      EXPECT_EQ(changed, c.changed);
      for (const Holding& h : c.holds) {
        auto found = after.find(h.path);
        if (h.text.empty()) {
          EXPECT_TRUE(found == after.end()) << h.path << " is there";
        } else if (h.text[0] == '!') {
          ASSERT_TRUE(found != after.end()) << h.path;
          EXPECT_EQ(found->second.find(h.text.substr(1)), std::string::npos) << found->second;
        } else {
          ASSERT_TRUE(found != after.end()) << h.path;
          EXPECT_NE(found->second.find(h.text), std::string::npos) << found->second << " without " << h.text;
        }
      }
    }
  }
};

TEST_F(FixAllTest, EachFamilyIsFixedOrLeftAsItIs) {
  const Finding lzw{standardstest::kFilters, "", 5, KIND_IMAGE, 5, 0, "CompressionFixer"};
  const Finding rgb{kColorSpaces, "", 7, KIND_COLORSPACE, 3, 0, ""};
  const Finding transparency{standardstest::kTransparency, "", 7, KIND_PAGE, 3, 0, "TransparencyRemovalFixer"};
  const Finding rg{"'rg'", "rg", 7, KIND_OPERATOR, 3, 0, "OperatorRemovalFixer"};
  const Finding fileSpec{"File specifications are prohibited in PDF/X-3", "", 7, KIND_FILESPEC, 1, 0, ""};
  const Finding notEmbedded{"", "", 7, KIND_FILESPEC, 6, 0, ""};
  const Finding trapped{"/Trapped key (must be \"True\" or \"False\")", "Trapped", 5, KIND_INFO, 3, -1, "InfoDictFixer"};
  const Finding conformance{"/GTS_PDFXConformance key (must be \"PDF/X-1a:2001\")", "GTS_PDFXConformance", 5,
                            KIND_INFO, 2, -1, "InfoDictFixer"};
  const Finding version{"/GTS_PDFXVersion key (must be \"PDF/X-1:2001\")", "GTS_PDFXVersion", 5, KIND_INFO, 3, -1,
                        "InfoDictFixer"};
  const Finding boxes{"One but not both of /ArtBox and /TrimBox must be set for the page", "TrimBox", 5, KIND_PAGE, 2,
                      0, "UseMediaBoxFixer"};
  const Finding garbage{"ICC profile can't be read", "", 5, KIND_ICC_PROFILE, 4, -1, "ReplaceProfileFixer"};
  const Finding one{kExactlyOne, "OutputIntents", 5, KIND_PAGE, 2, -1, "PDF_X_1_2001::OutputIntentMegaFixer"};
  Finding x3One = one;
  x3One.fixer = "PDF_X_3_2002::OutputIntentMegaFixer";
  Finding artBox = boxes, x3ArtBox = boxes, ccitt = lzw, conformance7 = conformance, version7 = version, twoIntents = one,
          notAnArray = one, trappedText = trapped, x3Version = version;
  artBox.fixer = x3ArtBox.fixer = "KeyRemovalFixer";
  x3ArtBox.problemKind = twoIntents.problemKind = trappedText.problemKind = 3;
  ccitt.message = "Only 1-bit images may use CCITTFaxDecode (must be \"1\")";
  ccitt.detail = "BitsPerComponent";
  ccitt.severity = conformance7.severity = version7.severity = twoIntents.severity = notAnArray.severity = 7;
  notAnArray.problemKind = trappedText.problemKind = 4;
  x3Version.message = "/GTS_PDFXVersion key (must be \"PDF/X-3:2002\")";
  Finding x3Two = twoIntents, x3NotAnArray = notAnArray;
  x3Two.fixer = x3NotAnArray.fixer = x3One.fixer;

  const Case cases[] = {
      {"", nullptr, Fixed({}), ""},
      {"no-file-identifier", nullptr, Fixed({{"The /ID key in Trailer", "", 5, KIND_TRAILER, 2, -1, "JustSaveFixer"}}),
       ""},
      {"no-title-or-creator",
       nullptr,
       Fixed({kTitle, kCreator}),
       "/Info ",
       {{"/Info", "/Title " + Text("no-title-or-creator")}, {"/Info", "/Creator " + Text("Unknown")}}},
      {"trapped-unknown", nullptr, Fixed({trapped}), "/Info ", {{"/Info", "/Trapped /False"}}},
      {"trapped-string", nullptr, Fixed({trappedText}), "/Info ", {{"/Info", "/Trapped /False"}}},
      {"version-without-conformance",
       kX1a,
       Fixed({conformance, version}),
       "/Info ",
       {{"/Info", "/GTS_PDFXConformance " + Text("PDF/X-1a:2001")}, {"/Info", "/GTS_PDFXVersion " + Text("PDF/X-1:2001")}}},
      {"version-without-conformance", kX3, Fixed({x3Version}), "/Info ",
       {{"/Info", "/GTS_PDFXVersion " + Text("PDF/X-3:2002")}}},
      {"version-without-conformance-rg", kX1a, Unfixed({conformance7, version7, rg}), ""},
      {"transfer-function-state",
       nullptr,
       Fixed({{"/TR key", "TR", 5, KIND_EXTGSTATE, 3, 0, "KeyRemovalFixer"}}),
       "/Root/Pages/Kids[0]/Resources/ExtGState/GS1 ",
       {{"/Root/Pages/Kids[0]/Resources/ExtGState/GS1", "!/TR"}}},
      {"opaque-state", nullptr, Fixed({}), ""},
      {"halftone-type-1-state", nullptr, Fixed({}), ""},
      {"halftone-type-6-state", nullptr,
       Unfixed({{"/HalftoneType key (must be \"1\" or \"5\")", "HalftoneType", 7, KIND_HALFTONE, 3, 0, ""}}), ""},
      {"ri-operator",
       kX1a,
       Fixed({{"Use of the 'ri' operator is prohibited.  ", "", 5, KIND_OPERATOR, 3, 0, "OperatorRemovalFixer"}}),
       "/Root/Pages/Kids[0]/Contents ",
       {{"/Root/Pages/Kids[0]/Contents", "!" + Hex(" ri")}}},
      {"ri-operator", kX3, Fixed({}), ""},
      {"ex-operator", nullptr, Unfixed({{"", "", -1, KIND_OPERATOR, 3, 0, "OperatorRemovalFixer"}}), ""},
      {"rg-operator", kX1a, Unfixed({rg}), ""},
      {"rg-operator", kX3, Fixed({}), ""},
      {"rgb-image", kX1a, Unfixed({rgb}), ""},
      {"rgb-image",
       kX3,
       Fixed({{kDefaultRgb, "DefaultRGB", 7, KIND_PAGE, 2, 0, "PDF_X_3_2002::OutputIntentMegaFixer"},
              {kDestProfileForOtherSpaces, "DestOutputProfile", 5, KIND_CATALOG, 2, -1,
               "PDF_X_3_2002::OutputIntentMegaFixer"}},
             {{kDefaultRgb, "DefaultRGB", 7, KIND_PAGE, 2, 0, "PDF_X_3_2002::OutputIntentMegaFixer"}}, 1),
       std::string(kIntent) + " " + kProfile + " "},
      {"garbage-icc-image", kX1a, Unfixed({rgb}), ""},
      {"garbage-icc-image", kX3, Fixed({}), ""},
      {"lzw-image", nullptr, Fixed({lzw}), std::string(kImage) + " ", {{kImage, "/Filter /FlateDecode"}}},
      {"ccitt-8-bit-image", nullptr, Unfixed({ccitt}), ""},
      {"flate-inline-image", nullptr, Fixed({}), ""},
      {"lzw-inline-image", nullptr, Unfixed({{standardstest::kInlineFilters, "", 7, KIND_UNKNOWN, 3, 0, ""}}), ""},
      {"separation-info", nullptr,
       Unfixed({{"Pre-separated PDF files are not allowed", "SeparationInfo", 7, KIND_PAGE, 3, 0, ""}}), ""},
      {"postscript-xobject", nullptr,
       Unfixed({{"PostScript XObjects are not allowed (must not be \"PS\")", "Subtype", 7, KIND_XOBJECT, 4, 0, ""}}),
       ""},
      {"opi-form", kX1a, Unfixed({{"OPI objects are prohibited in PDF/X-1a:2001", "", 7, KIND_OPI, 1, 0, ""}}), ""},
      {"opi-form", kX3,
       Unfixed({{"OPI objects are prohibited in PDF/X-3", "", 7, KIND_OPI, 1, 0, ""}, fileSpec, notEmbedded}), ""},
      {"external-image-data", kX1a, Fixed({}), ""},
      {"external-image-data", kX3, Unfixed({fileSpec, notEmbedded}), ""},
      {"image-soft-mask-none",
       nullptr,
       Fixed({{"The \"SMask\" key is a PDF 1.4 feature", "SMask", 7, KIND_IMAGE, 3, 0, ""},
              {standardstest::kTransparency, "", 5, KIND_PAGE, 3, 0, "TransparencyRemovalFixer"}}),
       std::string(kImage) + " ",
       {{kImage, "!/SMask"}}},
      {"half-transparent-state", nullptr, Unfixed({transparency}), ""},
      {"transparent-page-group", nullptr, Unfixed({transparency}), ""},
      {"transparent-form", nullptr, Unfixed({transparency}), ""},
      {"transparent-appearance", nullptr, Unfixed({transparency}), ""},
      {"alternate-image-for-printing", nullptr,
       Unfixed({{"Alternate images may not have DefaultForPrinting set to true (must be \"false\")",
                 "DefaultForPrinting", 7, KIND_UNKNOWN, 3, 0, ""}}),
       ""},
      {"no-trim-box", nullptr, Fixed({boxes}), std::string(kPage) + " ", {{kPage, "/TrimBox [ 0 0 612 792 ]"}}},
      {"art-and-trim-box", kX1a, Fixed({artBox}), std::string(kPage) + " ", {{kPage, "!/ArtBox"}}},
      {"art-and-trim-box", kX3, Fixed({x3ArtBox}), std::string(kPage) + " ", {{kPage, "!/ArtBox"}}},
      {"square-annotation",
       nullptr,
       Fixed({{"Non-TrapNet annotations must not obscure the visual impression of a page", "Rect", 5, KIND_ANNOTATION,
               3, 0, "ObscuringAnnotationFixer"}}),
       std::string(kPage) + " /Root/Pages/Kids[0]/Annots[0] ",
       {{"/Root/Pages/Kids[0]/Annots[0]", ""}}},
      {"javascript-open-action",
       nullptr,
       Fixed({{"Actions are not allowed", "", 5, KIND_UNKNOWN, 3, -1, "ActionFixer"}}),
       "/Root ",
       {{"/Root", "/Type /Catalog"}, {"/Root", "!/OpenAction"}}},
      {"trap-network-cmyk", nullptr, Fixed({}), ""},
      {"trap-network-rgb", kX1a,
       Unfixed({{"The PCM key of the TrapNet annotation must be /DeviceCMYK (must be \"DeviceCMYK\")", "PCM", 7,
                 KIND_FORM, 3, 0, ""}}),
       ""},
      {"trap-network-rgb", kX3,
       Unfixed({{"The PCM key of the TrapNet annotation must match the output condition colorspace", "", 7, KIND_FORM,
                 3, 0, ""}}),
       ""},
      {"view-area-in-preferences", nullptr, Fixed({}), ""},
      {"view-area-beside-preferences", nullptr,
       Unfixed({{"This is a PDF 1.4 feature", "ViewArea", 4, KIND_CATALOG, 3, -1, ""}}), ""},
      {"no-output-intents",
       kX1a,
       Fixed({kIntentInCatalog}),
       "/Root ",
       {{"/Root", "/OutputConditionIdentifier " + Text("CGATS TR 001")}, {"/Root", "/RegistryName "},
        {"/Root", "/OutputCondition "}}},
      {"no-output-intents", kX3, Fixed({kX3IntentInCatalog}, {kInfoRecommended}), "/Root "},
      {"empty-output-intents", kX1a, Fixed({one}), "/Root "},
      {"empty-output-intents", kX3, Fixed({x3One}, {kInfoRecommended}), "/Root "},
      {"two-output-intents", kX1a, Unfixed({twoIntents}), ""},
      {"two-output-intents", kX3, Unfixed({x3Two}), ""},
      {"output-intents-not-an-array", kX1a, Unfixed({notAnArray}), ""},
      {"output-intents-not-an-array", kX3, Unfixed({x3NotAnArray}), ""},
      {"press-intent-without-profile", kX1a,
       Unfixed({{kUnregistered, "DestOutputProfile", 7, KIND_CATALOG, 2, -1, "PDF_X_1_2001::DestOutputProfileFixer"}}),
       ""},
      {"press-intent-without-profile",
       kX3,
       Fixed({{"/DestOutputProfile key is required", "DestOutputProfile", 5, KIND_UNKNOWN, 2, -1,
               "PDF_X_3_2002::OutputIntentMegaFixer"}}),
       std::string(kIntent) + " " + kProfile + " ",
       {{kIntent, "/OutputConditionIdentifier " + Text("CGATS TR 001")},
        {kIntent, "/RegistryName " + Text("http://www.color.org")},
        {kProfile, "stream " + Hex(standardstest::ModuleProfile("ANSI TR 001.icc"))}}},
      {"press-intent-a2b0-profile", kX1a,
       Unfixed({{"ICC profile does not contain an AtoB1 tag", "", 7, KIND_ICC_PROFILE, 2, -1, ""}}), ""},
      {"press-intent-monitor-profile", kX3,
       Unfixed({{"ICC profile is not an output device profile", "", 7, KIND_ICC_PROFILE, 3, -1, ""}}), ""},
      {"press-intent-garbage-profile", nullptr, Unfixed({garbage}, 1), ""},
      {"default-gray-space",
       kX1a,
       Fixed({{"PDF/X-1:2001 uses OutputIntents instead of /DefaultGray", "DefaultGray", 5, KIND_PAGE, 3, 0,
               "PDF_X_1_2001::OutputIntentMegaFixer"},
              {kColorSpaces, "", 5, KIND_COLORSPACE, 3, 0, "PDF_X_1_2001::OutputIntentMegaFixer"}}),
       std::string(kPage) + " /Root/Pages/Kids[0]/Resources/ColorSpace/DefaultGray "
                            "/Root/Pages/Kids[0]/Resources/ColorSpace/DefaultGray[1] ",
       {{"/Root/Pages/Kids[0]/Resources/ColorSpace/DefaultGray", ""}}},
      {"default-gray-space", kX3, Fixed({}), ""},
  };
  for (const Case& c : cases) Run(c);
}

}  // namespace

TEST_F(FixAllTest, OutputIntentsAndDefaultSpacesFollowTheSettings) {
  const std::string press = GetModulePath() + "/ANSI TR 001.icc";
  const std::string rgb = GetModulePath() + "/ecirgb10.icm";
  Finding unregistered{kUnregistered, "DestOutputProfile", 7, KIND_CATALOG, 2, -1,
                       "PDF_X_1_2001::DestOutputProfileFixer"};
  Finding fixableUnregistered = unregistered;
  fixableUnregistered.severity = 5;
  const Finding defaultRgb{kDefaultRgb, "DefaultRGB", 5, KIND_PAGE, 2, 0, "PDF_X_3_2002::OutputIntentMegaFixer"};
  const Finding destProfile{kDestProfileForOtherSpaces, "DestOutputProfile", 5, KIND_CATALOG, 2, -1,
                            "PDF_X_3_2002::OutputIntentMegaFixer"};
  const std::map<std::string, std::string> custom = {{"default_condition", ""}};
  const Case cases[] = {
      // "Custom" with no profile to embed would be refused by the next check.
      {"no-output-intents", kX1a, Unfixed({kIntentInCatalog}, 1), "", {{"/Root", "!/OutputIntents"}}, custom},
      {"no-output-intents", kX3, Unfixed({kX3IntentInCatalog}, 1), "", {{"/Root", "!/OutputIntents"}},
       {{"default_condition_type", "profile"}}},
      {"no-output-intents",
       kX1a,
       {{{kIntentInCatalog}, 2}, {{fixableUnregistered}, 2}, {{}, 0}},
       "/Root " + std::string(kProfile) + " ",
       {{kProfile, "stream " + Hex(hosttest::ReadFile(press))}},
       {{"default_condition", ""},
        {"default_profile", "Press"},
        {"default_profile_names", "Monitor|Press"},
        {"default_profile_filenames", rgb + "|" + press}}},
      {"no-output-intents", kX3, Fixed({kX3IntentInCatalog}), "/Root ", {{"/Root", "/Info " + Text("Press")}},
       {{"default_profile_info_key", "Press"}}},
      {"rgb-image",
       kX3,
       Fixed({defaultRgb, destProfile}),
       std::string(kIntent) + " " + kProfile + " " + kPage + " /Root/Pages/Kids[0]/Resources/ColorSpace " +
           "/Root/Pages/Kids[0]/Resources/ColorSpace/DefaultRGB /Root/Pages/Kids[0]/Resources/ColorSpace/DefaultRGB[1] ",
       {{"/Root/Pages/Kids[0]/Resources/ColorSpace/DefaultRGB[1]", "stream " + Hex(hosttest::ReadFile(rgb))},
        {kProfile, "stream " + Hex(hosttest::ReadFile(press))}},
       {{"rgb_profile", "eciRGB"}, {"rgb_profile_names", "sRGB|eciRGB"}, {"rgb_profile_filenames", press + "|" + rgb}}},
  };
  for (const Case& c : cases) Run(c);
}

TEST_F(FixAllTest, EncryptedDocumentsAreFixedOnlyWithTheChangePermission) {
  const char kNoPassword[] = "You must enter the correct password in order to make fixes to this document";
  const struct {
    Case c;
    std::vector<std::string> notes;
    int questions;
    int passes;
  } cases[] = {
      {{"no-title-or-creator", kX1a, Fixed({kKeyLength, kX1aEncryption, kTitle, kCreator}, {kKeyLength, kX1aEncryption}), "/Info ",
        {{"/Info", "/Title " + Text("no-title-or-creator")}}, {}, 1},
       {}, 0, 1},
      {{"no-title-or-creator", kX1a, Unfixed({kKeyLength, kX1aEncryption, kTitle, kCreator}, 1), "", {}, {}, 2},
       {kNoPassword}, 1, 0},
      // Nothing to fix: nothing asked.
      {{"", kX1a, Unfixed({kKeyLength, kX1aEncryption}), "", {}, {}, 2}, {}, 0, 0},
      // A fix that never takes: ten passes.
      {{"press-intent-garbage-profile", kX1a,
        Unfixed({{"ICC profile can't be read", "", 5, KIND_ICC_PROFILE, 4, -1, "ReplaceProfileFixer"}}, 1), ""},
       {}, 0, 10},
  };
  for (const auto& row : cases) {
    Run(row.c);
    EXPECT_EQ(ui_.notes, row.notes) << row.c.variant;
    EXPECT_EQ(ui_.passwordQuestions, row.questions) << row.c.variant;
    EXPECT_EQ(passes_, row.passes) << row.c.variant;
  }
}
