// The output intent of the PDF/X-1 family and what both families share:
// the tests of the intents, the Default spaces, and the repairs.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "common/CosValueText.h"
#include "common/Prefs.h"
#include "core/host.h"
#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "host/calls.h"
#include "standards/OutputIntents.h"
#include "standards/PDF_X_1_2001.h"
#include "standards/PDF_X_3_2002.h"
#include "standards_fixture.h"
#include "testing/pdfmaker.h"

namespace {

using standardstest::ErrorPtr;
using standardstest::kStandards;
using standardstest::NodePtr;
using standardstest::Record;
using Zentu::PDF_X_1_2001;
typedef std::vector<std::pair<const char*, const char*>> Settings;

const char kCmykProfile[] = "ANSI TR 001.icc";  // beside the test programs

std::string Text(const MyCosObj& object) { return CosValueText::FromObject(object, 0, 0).Text(); }

// A GTS_PDFX intent as the repair fills it.
std::string Filled(const std::string& identifier, const std::string& text, bool made) {
  return "<< /OutputCondition (" + text + ") /OutputConditionIdentifier (" + identifier +
         ") /RegistryName (http://www.color.org) /S /GTS_PDFX " + (made ? "/Type /OutputIntent >>" : ">>");
}

class OutputIntentsTest : public standardstest::StandardsFixture {
 protected:
  // Unless the settings choose otherwise, "Custom" has a CMYK profile to
  // stand on: without one the repair writes nothing.
  void Use(const Settings& settings) {
    Prefs::Section().clear();
    Prefs::Set("default_profile", "Press");
    Prefs::Set("default_profile_names", "Press");
    Prefs::Set("default_profile_filenames", GetModulePath() + "/" + kCmykProfile);
    for (const auto& setting : settings) Prefs::Set(setting.first, setting.second);
  }
  void SetUp() override {
    StandardsFixture::SetUp();
    Use({});
  }
  static PDF_X_1_2001& X1(const boost::shared_ptr<PDFXPreflight>& walker) {
    return dynamic_cast<PDF_X_1_2001&>(*walker->GetConformance());
  }
  // The records filed while `filing` runs.
  static std::vector<Record> FiledBy(const boost::shared_ptr<PDFXPreflight>& walker,
                                     const std::function<void()>& filing) {
    const size_t before = walker->GetErrorList().size();
    filing();
    std::vector<Record> filed;
    for (auto it = std::next(walker->GetErrorList().begin(), static_cast<long>(before));
         it != walker->GetErrorList().end(); ++it)
      filed.push_back(standardstest::Reduced(**it));
    return filed;
  }
};

TEST_F(OutputIntentsTest, TheRepairWritesTheChosenConditionFirstAndKeepsEveryOtherIntent) {
  const std::string custom = Filled("Custom", "", true), other = "{ #5 << /S /GTS_PDFA1 >> }";
  const struct {
    Settings settings;
    std::string intents;  // 5 another subtype, 6 a GTS_PDFX intent
    std::string after;
    int answer = 2;
  } cases[] = {
      {{}, "", "[ " + custom + " ]"},
      {{{"default_profile", ""}}, "", "****NULL*****", 1},
      {{{"default_profile", ""}}, "[5 0 R]", "[ " + other + " ]", 1},
      {{{"default_condition", "CGATS TR 001"}},
       "",
       "[ " + Filled("CGATS TR 001", "SWOP CGATS TR 001-1995", true) + " ]"},
      {{{"default_condition", "CGATS TR 001"}, {"default_condition_type", "profile"}}, "", "[ " + custom + " ]"},
      {{{"default_condition", "cgats tr 001"}}, "", "[ " + custom + " ]"},
      {{}, "[5 0 R 6 0 R]", "[ { #6 " + Filled("Custom", "", false) + " } " + other + " ]"},
      {{}, "[5 0 R]", "[ " + custom + " " + other + " ]"},
      {{}, "6 0 R", "[ { #6 " + Filled("Custom", "", false) + " } ]"},
      {{}, "<< /S /GTS_PDFX >>", "[ " + Filled("Custom", "", false) + " ]"},
      {{}, "5 0 R", "[ " + custom + " ]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.intents + " " + c.after);
    Use(c.settings);
    OnePage("", "", {"<< /S /GTS_PDFA1 >>", "<< /S /GTS_PDFX >>"}, "/Root 1 0 R",
            c.intents.empty() ? "" : "/OutputIntents " + c.intents);
    auto walker = CheckWith(kStandards[0]);
    auto* destination = dynamic_cast<PDF_X_1_2001::DestOutputProfileFixer*>(X1(walker).destOutputProfileFixer.get());
    EXPECT_EQ(destination->GetCondition()->identifier, "Custom");
    EXPECT_EQ(ApplyFixes(walker, Probe(walker, X1(walker).outputIntentFixer), false), c.answer);
    const MyCosObj intents = Obj(1).Get("OutputIntents");
    EXPECT_EQ(Text(intents), c.after);
    if (c.answer == 2) {
      EXPECT_EQ(Call(walker, &PDF_X_1_2001::TestOutputIntentsArray, intents, Obj(1)), 0) << "the next check passes";
    }
  }
}

TEST_F(OutputIntentsTest, OutputIntentsArraysWantExactlyOneIntent) {
  const struct {
    const char* intents;  // 5, 6 and 7 are GTS_PDFX intents, 8 another
    int verdict, severity;
    std::vector<int> marked, unmarked;
  } cases[] = {
      {"<< /S /GTS_PDFX >>", 4, 7, {}, {}},
      {"[]", 2, 5, {}, {}},
      {"[8 0 R << /S /GTS_PDFX >> 8 0 R]", 0, 0, {8}, {}},
      {"[8 0 R 5 0 R 6 0 R 7 0 R]", 3, 7, {5, 6, 8}, {7}},
      {"[<< /S /gts_pdfx >> << /S (GTS_PDFX) >> 8 0 R]", 0, 0, {8}, {}},
      {"[<< /S /gts_pdfx >>]", 2, 5, {}, {}},
  };
  const CheckCallback tests[] = {&PDF_X_1_2001::TestOutputIntentsArray, &Zentu::PDF_X_3_2002::TestOutputIntentsArray};
  for (const auto& c : cases) {
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(std::string(c.intents) + " under " + kStandards[i]);
      OnePage("", "", {"<< /S /GTS_PDFX >>", "<< /S /GTS_PDFX >>", "<< /S /GTS_PDFX >>", "<< /S /GTS_PDFA1 >>"},
              "/Root 1 0 R", "/OutputIntents " + std::string(c.intents));
      auto walker = CheckWith(kStandards[i]);
      std::vector<Record> expected;
      if (c.verdict) {
        expected.push_back(
            {"There must be exactly one OutputIntent annotation with a value of \"GTS_PDFX\" for the /S key",
             "OutputIntents", c.severity, KIND_PAGE, c.verdict, -1, 1});
      }
      EXPECT_EQ(
          FiledBy(walker, [&] { EXPECT_EQ(Call(walker, tests[i], Obj(1).Get("OutputIntents"), Obj(1)), c.verdict); }),
          expected);
      for (int number : c.marked) EXPECT_TRUE(walker->IsVisited(number)) << number;
      for (int number : c.unmarked) EXPECT_FALSE(walker->IsVisited(number)) << number;
      if (c.verdict && i == 0) {
        EXPECT_EQ(walker->GetErrorList().back()->GetFixer(), X1(walker).outputIntentFixer);
      }
    }
  }
}

TEST_F(OutputIntentsTest, TheChosenConditionIsInsistedOnOnlyWhenAsked) {
  const struct {
    Settings settings;  // beside "default_condition_type" "name"
    int verdict, severity;
  } cases[] = {
      {{{"fail_if_CPC_not_default", "true"}, {"default_condition", "OF COM PO P1 F60"}}, 3, 7},
      {{{"fail_if_CPC_not_default", "true"}, {"default_condition", "x"}, {"auto_fix_to_default_CPC", "false"}}, 3, 7},
      {{{"fail_if_CPC_not_default", "true"}, {"default_condition", "x"}, {"auto_fix_to_default_CPC", "true"}}, 3, 5},
      {{{"fail_if_CPC_not_default", "true"}, {"default_condition", "x"}, {"auto_fix_to_default_CPC", "yes"}}, 3, 5},
      {{{"fail_if_CPC_not_default", "True"}, {"default_condition", "x"}}, 0, 0},
      {{{"fail_if_CPC_not_default", "true"}, {"default_condition", "CGATS TR 001"}}, 0, 0},
      {{{"fail_if_CPC_not_default", "true"}}, 12, 0},
  };
  OnePage("", "", {"<< /S /GTS_PDFX /OutputConditionIdentifier (CGATS TR 001) >>"});
  const CheckCallback tests[] = {&PDF_X_1_2001::TestChosenOutputIntent, &Zentu::PDF_X_3_2002::TestChosenOutputIntent};
  for (const auto& c : cases) {
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(std::to_string(c.verdict) + " " + std::to_string(c.severity) + " under " + kStandards[i]);
      Use(c.settings);
      Prefs::Set("default_condition_type", "name");
      auto walker = CheckWith(kStandards[i]);
      std::vector<Record> expected;
      if (c.verdict == 3) {
        expected.push_back({"The characterized printing condition does not match the one selected in the preferences",
                            "OutputConditionIdentifier", c.severity, KIND_CATALOG, 3, 5, -1});
      }
      EXPECT_EQ(FiledBy(walker, [&] { EXPECT_EQ(Call(walker, tests[i], Obj(5)), c.verdict); }), expected);
    }
  }
}

// Catalog 1, Pages 2 (with `pages`), page 3 (with `page`), its content 4
// using DeviceGray, then ICC stream 5 (/N 1), dictionary 6, [/ICCBased 5 0 R]
// 7 and a font 8.
std::vector<std::string> Document(const std::string& pages, const std::string& page) {
  return {"<< /Type /Catalog /Pages 2 0 R >>",
          "<< /Type /Pages /Kids [3 0 R] /Count 1 " + pages + " >>",
          "<< /Type /Page /Parent 2 0 R /Contents 4 0 R /MediaBox [0 0 9 9] /TrimBox [0 0 9 9] " + page + " >>",
          "stream:|0 g 0 0 1 1 re f 0.5 g 1 1 1 1 re f",
          "stream:/N 1|profile",
          "<< /Foo 1 >>",
          "[/ICCBased 5 0 R]",
          "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"};
}

std::string Spaces(const char* entries) { return "/Resources << /ColorSpace << " + std::string(entries) + " >> >>"; }

TEST_F(OutputIntentsTest, ColorimetricDefaultSpacesOfTheFirstFamilyGoWithTheRepair) {
  const std::string gray = "PDF/X-1:2001 uses OutputIntents instead of /DefaultGray";
  const struct {
    std::string pages, page;
    std::vector<Record> filed;  // however many objects of the page reach the tests
    int holder;                 // the object whose Resources lose the entry
    std::string replaced;       // "number>replacement", or "number" to destroy
  } cases[] = {
      {"", Spaces("/DefaultGray [/ICCBased 5 0 R]"), {{gray, "DefaultGray", 5, 1, 3, -1, 3}}, 3, "5"},
      {"", Spaces("/DefaultGray 7 0 R"), {{gray, "DefaultGray", 5, 1, 3, 7, 3}}, 3, "7>/DeviceGray 5"},
      {"", Spaces("/DefaultGray 6 0 R"), {{gray, "DefaultGray", 5, 1, 3, 6, 3}}, 3, "6>/DeviceGray"},
      {Spaces("/DefaultCMYK [/CalRGB << /WhitePoint [1 1 1] >>]"),
       "",
       {{"PDF/X-1:2001 uses OutputIntents instead of /DefaultCMYK", "DefaultCMYK", 5, 1, 3, -1, 3}},
       2,
       ""},
      {"", Spaces("/DefaultCMYK [/DeviceN [/Spot] /DeviceCMYK 6 0 R]"), {}, 0, ""},
      {"", Spaces("/DefaultGray [/Indexed /DeviceGray 1 <00ff>] /DefaultCMYK /DeviceCMYK"), {}, 0, ""},
      {"", "", {}, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pages + c.page);
    host::CloseAllDocuments();
    Open(Document(c.pages, c.page));
    auto walker = CheckWith(kStandards[0], {&PDF_X_1_2001::TestDefaultGray, &PDF_X_1_2001::TestDefaultCMYK});
    std::vector<Record> filed;
    for (const ErrorPtr& record : walker->GetErrorList())
      if (record->GetDetail().compare(0, 7, "Default") == 0) filed.push_back(standardstest::Reduced(*record));
    ASSERT_EQ(filed, c.filed);
    if (filed.empty()) continue;
    const ErrorPtr& record = walker->GetErrorList().back();
    EXPECT_EQ(record->GetFixer(), X1(walker).outputIntentFixer);
    EXPECT_EQ(ApplyFixes(walker, record, false), 2);
    EXPECT_TRUE(Obj(c.holder).Get("Resources").Get("ColorSpace").Get(record->GetDetail().c_str()).IsNull());
    std::string replaced;
    for (const ReplacementRecord& r : walker->GetReplacements()) {
      replaced += (replaced.empty() ? "" : " ") + std::to_string(r.object.GetID());
      if (!r.replacement.IsNull()) replaced += ">" + Text(r.replacement);
    }
    EXPECT_EQ(replaced, c.replaced);
  }
}

TEST_F(OutputIntentsTest, RecordsAboutARemovedSpaceAreSettledWithIt) {
  Open(Document("", Spaces("/DefaultGray 7 0 R")));
  auto walker = CheckWith(kStandards[0], {&PDF_X_1_2001::TestDefaultGray});
  ErrorPtr gray = OnlyRecord(walker, "PDF/X-1:2001 uses OutputIntents instead of /DefaultGray");
  ASSERT_TRUE(gray);
  ErrorPtr about = walker->AddNodeError("ICCBased", "", 7, KIND_COLORSPACE, 3, NodePtr(),
                                        NodePtr(new ObjectNode(Obj(7), 0, std::string())));
  FixContext context;
  context.error = gray.get();
  context.walker = walker;
  EXPECT_TRUE(PDF_X_1_2001::TestDefaultSpacesAgainstOutputIntent(context));
  EXPECT_EQ(about->GetSeverity(), 5);
  EXPECT_EQ(about->GetFixer(), X1(walker).outputIntentFixer);
  EXPECT_FALSE(PDF_X_1_2001::TestDefaultSpacesAgainstOutputIntent(context));
  // The repair of either settles both; an entry gone already is no obstacle.
  Obj(3).Get("Resources").Get("ColorSpace").Remove("DefaultGray");
  EXPECT_EQ(ApplyFixes(walker, about, false), 2);
  EXPECT_TRUE(gray->IsFixed());
  EXPECT_TRUE(walker->GetReplacements().empty());
}

TEST_F(OutputIntentsTest, ADefaultSpaceIsAddedWhereThePageReadsItsResources) {
  const std::string font = "/Font << /F1 { #8  << /BaseFont /Helvetica /Subtype /Type1 /Type /Font >> } >>";
  const struct {
    std::string pages, page;
    std::string pagesAfter, pageAfter;  // the Resources of each
  } cases[] = {
      {"/Resources << /Font << /F1 8 0 R >> /ColorSpace << >> >>", "",
       "<< /ColorSpace << /DefaultRGB /DeviceRGB >> " + font + " >>", "****NULL*****"},
      {Spaces("/DefaultRGB /DeviceGray"), "/Resources << /Font << /F1 8 0 R >> >>",
       "<< /ColorSpace << /DefaultRGB /DeviceGray >> >>",
       "<< /ColorSpace { #9  << /DefaultRGB /DeviceRGB >> } " + font + " >>"},
      // New Resources, indirect, only where none are in force.
      {"", "/Resources 8", "****NULL*****", "<< /ColorSpace { #10  << /DefaultRGB /DeviceRGB >> } >>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pages + c.page);
    host::CloseAllDocuments();
    Open(Document(c.pages, c.page));
    MyCosObj space;
    ASSERT_TRUE(space.NewName(Doc(), false, "DeviceRGB"));
    Zentu::family::AddDefaultSpace(Doc(), Obj(3), "DefaultRGB", space);
    EXPECT_EQ(Text(Obj(2).Get("Resources")), c.pagesAfter);
    EXPECT_EQ(Text(Obj(3).Get("Resources")), c.pageAfter);
  }
}

TEST_F(OutputIntentsTest, TheDestinationProfileIsAskedForAndEmbedded) {
  const std::string cmyk = hosttest::ReadFile(GetModulePath() + "/" + kCmykProfile);
  ASSERT_FALSE(cmyk.empty());
  hosttest::WriteFile(home_.File("copy.icc"), cmyk);
  const struct {
    const char* file;     // listed as "Press"; "" for the copy, by its full path
    const char* chosen;   // "default_profile"
    const char* intents;  // 5 is a GTS_PDFX intent without a profile, 6 one with
    int severity;         // of the record on 5
    int repaired;
  } cases[] = {
      {kCmykProfile, "Press", "[5 0 R]", 5, 2},
      {"", "Press", "[6 0 R]", 5, 2},
      {kCmykProfile, "Press", "[<< /S /GTS_PDFA1 >>]", 5, 1},
      {"nowhere.icc", "Press", "[5 0 R]", 5, 1},
      {kCmykProfile, "Other", "[5 0 R]", 7, 1},
      {kCmykProfile, "", "[5 0 R]", 7, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.chosen + " " + c.intents);
    const std::string file = *c.file ? c.file : home_.File("copy.icc");
    Use({{"default_profile_names", "Press"},
         {"default_profile_filenames", file.c_str()},
         {"default_profile", c.chosen}});
    OnePage("", "",
            {"<< /S /GTS_PDFX /OutputConditionIdentifier (Press) >>", "<< /S /GTS_PDFX /DestOutputProfile 7 0 R >>",
             "stream:|old"},
            "/Root 1 0 R", "/OutputIntents " + std::string(c.intents));
    auto walker = CheckWith(kStandards[0]);
    const std::vector<Record> filed = FiledBy(walker, [&] {
      EXPECT_EQ(Call(walker, &PDF_X_1_2001::TestDestOutputProfile, Obj(5), Obj(1)), 2);
      EXPECT_EQ(Call(walker, &PDF_X_1_2001::TestDestOutputProfile, Obj(6), Obj(1)), 0);
    });
    const char message[] =
        "There must be an output profile in the OutputIntent dictionary for characterized printing conditions "
        "which are not listed in the registry";
    EXPECT_EQ(filed, (std::vector<Record>{{message, "DestOutputProfile", c.severity, KIND_CATALOG, 2, 5, 1}}));
    const ErrorPtr record = walker->GetErrorList().back();
    ASSERT_EQ(record->GetFixer(), X1(walker).destOutputProfileFixer);

    const std::string before = Text(Obj(1));
    EXPECT_EQ(ApplyFixes(walker, record, false), c.repaired);
    if (c.repaired != 2) {
      EXPECT_EQ(Text(Obj(1)), before);
      continue;
    }
    const MyCosObj stream = Obj(1).Get("OutputIntents").Get(0).Get("DestOutputProfile");
    ASSERT_TRUE(stream.CachedType() == CosStream && stream.IsIndirect());
    EXPECT_NE(stream.GetID(), 7);
    EXPECT_EQ(Text(stream.Dict()), "<< /Filter /FlateDecode /Length " + Text(stream.Dict().Get("Length")) + " /N 4 >>");
    EXPECT_TRUE(enginetest::DecodedData(stream.GetCosObj()) == cmyk);
    auto* destination = dynamic_cast<PDF_X_1_2001::DestOutputProfileFixer*>(record->GetFixer().get());
    EXPECT_EQ(destination->GetCondition()->family, 2) << "settled from the file";
  }

  // A host failure inside names the repair and leaves no frame behind.
  Use({{"default_profile_names", "Press"}, {"default_profile_filenames", kCmykProfile}, {"default_profile", "Press"}});
  auto walker = CheckWith(kStandards[0]);
  const int depth = host::FrameDepth();
  hosttest::RaiseOnNextCall(host::TableId::Cos, CosSel::NewStream, cosErrCannotEncode);
  try {
    ApplyFixes(walker, Probe(walker, X1(walker).destOutputProfileFixer), false);
    ADD_FAILURE() << "no exception";
  } catch (const Zentu::AcrobatException& e) {
    EXPECT_EQ(e.ObjectNumber(), -1);
    EXPECT_EQ(e.ErrorCode(), cosErrCannotEncode);
    EXPECT_EQ(e.Where(), "PDF_X_1_2002::DestOutputProfileFixer::FixIt");
  }
  EXPECT_EQ(host::FrameDepth(), depth);
  EXPECT_TRUE(Obj(5).Get("DestOutputProfile").IsNull());
}

}  // namespace
