// The output intent of PDF/X-3: the Default-space tests with their held
// records, the recorded condition, the repair and the deferred test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <boost/weak_ptr.hpp>

#include "common/CosValueText.h"
#include "common/Prefs.h"
#include "core/host.h"
#include "engine/ErrorNames.h"
#include "engine/PDFX_Error.h"
#include "host/calls.h"
#include "standards/PDF_X_3_2002.h"
#include "standards_fixture.h"

namespace {

using standardstest::ErrorPtr;
using standardstest::kNoNode;
using standardstest::Record;
using Zentu::PDF_X_3_2002;
typedef PDF_X_3_2002::OutputIntentMegaFixer MegaFixer;
typedef boost::shared_ptr<PDFXPreflight> WalkerPtr;

const char kX3[] = "PDF/X-3";

std::string Text(const MyCosObj& object) { return CosValueText::FromObject(object, 0, 0).Text(); }
std::string Module(const char* file) { return GetModulePath() + "/" + file; }
std::string Wanted(const std::string& key) {
  return "There must be a /" + key +
         " object with a colorimetric definition for files which use color data in color spaces other than the one "
         "defined in the OutputIntent";
}

PDF_X_3_2002& X3(const WalkerPtr& walker) { return dynamic_cast<PDF_X_3_2002&>(*walker->GetConformance()); }
MegaFixer& Fixer(const WalkerPtr& walker) { return dynamic_cast<MegaFixer&>(*X3(walker).outputIntentFixer); }

// As a rule: the document's condition is the CMYK "CGATS TR 001".
int CmykDocument(RuleContext* context, CheckResult*) {
  PDF_X_3_2002& x3 = dynamic_cast<PDF_X_3_2002&>(*context->standard);
  dynamic_cast<MegaFixer&>(*x3.outputIntentFixer).documentCondition = x3.GetPrintingConditions()["CGATS TR 001"];
  return 0;
}

class X3OutputIntentTest : public standardstest::StandardsFixture {
 protected:
  // The tests are called by hand, on a standard without a tree of its own.
  void SetUp() override {
    StandardsFixture::SetUp();
    bare_ = true;
  }

  // Catalog 1 (with `catalog`), Pages 2, pages 3 and 4 (with `page`) whose
  // content 5 paints in DeviceRGB, then `more` from 6.
  void Pages(const std::string& page, const std::string& catalog = "", const std::vector<std::string>& more = {}) {
    host::CloseAllDocuments();
    const std::string kid = "<< /Type /Page /Parent 2 0 R /Contents 5 0 R /MediaBox [0 0 9 9] /TrimBox [0 0 9 9] ";
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R " + catalog + " >>",
                                        "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>", kid + page + " >>",
                                        kid + page + " >>", "stream:|1 0 0 rg 0 0 1 1 re f"};
    objects.insert(objects.end(), more.begin(), more.end());
    Open(objects);
  }
  // Calls a Default test on the first page as the walk would there.
  static int OnFirstPage(const WalkerPtr& walker, CheckCallback test) {
    walker->GetResourceStack().Push(walker->GetDocument().GetObjByID(2));
    walker->GetResourceStack().Push(walker->GetDocument().GetObjByID(3));
    walker->SetCurrentPage(0);
    const int verdict = Call(walker, test, MyCosObj());
    walker->GetResourceStack().Clear();
    return verdict;
  }
};

TEST_F(X3OutputIntentTest, DefaultSpacesAreFiledOrHeldByTheDocumentsCondition) {
  const struct {
    CheckCallback test;
    const char* key;
    const char* colorSpaces;  // of page 3
    bool cmykDocument;        // else no GTS_PDFX intent was read
    const char* profile;      // chosen for the family
    int verdict, severity;
    bool filed;
  } cases[] = {
      {&PDF_X_3_2002::TestDefaultRGB, "DefaultRGB", "", true, "", 2, 7, true},
      {&PDF_X_3_2002::TestDefaultRGB, "DefaultRGB", "", true, "sRGB", 2, 5, true},
      {&PDF_X_3_2002::TestDefaultGray, "DefaultGray", "", true, "", 2, 7, false},
      {&PDF_X_3_2002::TestDefaultGray, "DefaultGray", "/DefaultGray [/Lab << /WhitePoint [1 1 1] >>]", true, "Gray", 3,
       5, false},
      {&PDF_X_3_2002::TestDefaultCMYK, "DefaultCMYK", "/DefaultCMYK [/ICCBased 6 0 R]", true, "", 0, 0, false},
      {&PDF_X_3_2002::TestDefaultRGB, "DefaultRGB", "", false, "", 2, 7, false},
      {&PDF_X_3_2002::TestDefaultCMYK, "DefaultCMYK", "", false, "", 2, 7, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.key) + " " + c.colorSpaces + (c.cmykDocument ? " CMYK" : " none"));
    Prefs::Section().clear();
    for (const char* family : {"gray_profile", "rgb_profile", "cmyk_profile"}) Prefs::Set(family, c.profile);
    Pages("/Resources << /ColorSpace << " + std::string(c.colorSpaces) + " >> >>", "", {"stream:/N 4|x"});
    WalkerPtr walker = CheckWith(kX3);
    if (c.cmykDocument) Call(walker, &CmykDocument, MyCosObj());
    EXPECT_EQ(OnFirstPage(walker, c.test), c.verdict);
    EXPECT_EQ(OnFirstPage(walker, c.test), 0) << "once per page";
    const std::vector<ErrorPtr> filed = Records(walker, Wanted(c.key));
    const PDFXPreflight::ErrorList& held = X3(walker).holdingList;
    EXPECT_EQ(filed.size() + held.size(), c.verdict ? 1u : 0u);
    if (!c.verdict) continue;
    const ErrorPtr record = c.filed ? filed.at(0) : held.front();
    const MegaFixer& fixer = Fixer(walker);
    EXPECT_EQ(fixer.pending[0].size() + fixer.pending[1].size() + fixer.pending[2].size(), c.filed ? 0u : 1u);
    EXPECT_EQ(standardstest::Reduced(*record),
              (Record{Wanted(c.key), c.key, c.severity, 1, c.verdict, c.colorSpaces[0] ? -1 : kNoNode, -1}));
    EXPECT_EQ(record->GetPageIndex(), 0);
    EXPECT_EQ(record->GetFixer(), X3(walker).outputIntentFixer);
    EXPECT_EQ(record->GetDeferredTest(), &PDF_X_3_2002::TestDestOutputProfile);
  }
}

TEST_F(X3OutputIntentTest, TheDocumentsConditionAndTheTrapNetworksColourModel) {
  Pages("", "",
        {"<< /OutputConditionIdentifier (CGATS TR 001) >>", "<< /OutputConditionIdentifier (Mine) >>",
         "<< /OutputConditionIdentifier (Mine) /DestOutputProfile 10 0 R >>",
         "<< /OutputConditionIdentifier (Mine) /DestOutputProfile 11 0 R >>",
         "stream:|" + hosttest::ReadFile(Module("ecirgb10.icm")), "stream:|not a profile", "<< /PCM /DeviceCMYK >>",
         "<< /PCM /DeviceRGB >>", "<< /PCM (DeviceCMYK) >>"});  // 12 to 14
  WalkerPtr walker = CheckWith(kX3);
  const struct {
    int intent, verdict;
    int family;  // of the condition kept; -1: the registered one itself
    int pcm[3];  // TestTrapNetPCM on 12, 13 and 14
  } cases[] = {
      {6, 0, -1, {0, 3, 3}},
      {7, 0, 3, {0, 0, 0}},
      {8, 0, 1, {3, 0, 3}},
      {9, 12, 1, {3, 0, 3}},  // unreadable: the former condition stays
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.intent);
    EXPECT_EQ(Call(walker, &PDF_X_3_2002::SaveOutputIntentsInfo, Obj(c.intent)), c.verdict);
    const boost::shared_ptr<OutputCondition> kept = Fixer(walker).documentCondition;
    ASSERT_TRUE(kept);
    if (c.family < 0) {
      EXPECT_EQ(kept, X3(walker).GetPrintingConditions()["CGATS TR 001"]);
    } else {
      EXPECT_EQ(kept->family, c.family);
      EXPECT_EQ(kept->identifier + (kept->reference ? " registered" : ""), "Mine");
    }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Call(walker, &PDF_X_3_2002::TestTrapNetPCM, Obj(12 + i)), c.pcm[i]) << i;
  }
}

TEST_F(X3OutputIntentTest, TheRepairWritesTheChosenConditionsIntent) {
  const std::string cmyk = hosttest::ReadFile(Module("ANSI TR 001.icc"));
  const std::string cgats =
      "/OutputConditionIdentifier (CGATS TR 001) /RegistryName (http://www.color.org) /S /GTS_PDFX";
  const struct {
    std::vector<std::pair<const char*, const char*>> settings;
    const char* intents;
    std::string record;  // asked about: "catalog", "array" (the test's), "row 113" (object kind 0) or "page"
    int answer;
    std::string after;  // the GTS_PDFX intent, but its profile
    bool profile;       // it holds the chosen condition's profile
  } cases[] = {
      {{{"default_condition_type", "profile"}, {"default_profile", "Press"}, {"default_profile_info_key", "Press"}},
       "[<< /S /GTS_PDFX /OutputConditionIdentifier (Mine) /RegistryName (x) >>]",
       "catalog",
       2,
       "<< /Info (Press) /OutputConditionIdentifier (Custom) /S /GTS_PDFX >>",
       true},
      {{{"default_condition", "CGATS TR 001"}}, "[]", "array", 2, "<< " + cgats + " /Type /OutputIntent >>", false},
      {{{"default_condition", "CGATS TR 001"}},
       "[<< /S /GTS_PDFX /OutputConditionIdentifier (Mine) >>]",
       "row 113",
       2,
       "<< " + cgats + " >>",
       true},
      {{{"default_condition", "CGATS TR 001"}}, "[<< /S /GTS_PDFX >>]", "page", 1, "<< /S /GTS_PDFX >>", false},
      {{}, "[<< /S /GTS_PDFX >>]", "catalog", 1, "<< /S /GTS_PDFX >>", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.record + " " + c.intents);
    Prefs::Section().clear();
    Prefs::Set("default_profile_names", "Press");
    Prefs::Set("default_profile_filenames", "ANSI TR 001.icc");
    for (const auto& setting : c.settings) Prefs::Set(setting.first, setting.second);
    Pages("", "/OutputIntents " + std::string(c.intents));
    WalkerPtr walker = CheckWith(kX3);
    ErrorPtr record;
    if (c.record == "array") {
      Call(walker, &PDF_X_3_2002::TestOutputIntentsArray, Obj(1).Get("OutputIntents"), Obj(1));
    } else if (c.record == "page") {
      Call(walker, &CmykDocument, MyCosObj());
      OnFirstPage(walker, &PDF_X_3_2002::TestDefaultRGB);  // filed; no RGB profile to repair it with
    } else if (c.record == "row 113") {
      walker->AddNodeError("row 113", "DestOutputProfile", 5, KIND_UNKNOWN, 2, {}, {})
          ->AttachFixer(X3(walker).outputIntentFixer);
      bool again = false;
      walker->RunDeferredTests(walker, &status_, again);
      EXPECT_EQ(Fixer(walker).destOutputProfileError.lock(), walker->GetErrorList().back());
    } else {
      Probe(walker, X3(walker).outputIntentFixer);
    }
    EXPECT_EQ(ApplyFixes(walker, walker->GetErrorList().back(), false), c.answer);
    MyCosObj intent = Obj(1).Get("OutputIntents").Get(Obj(1).Get("OutputIntents").Length() - 1);
    const MyCosObj profile = intent.Get("DestOutputProfile");
    intent.Remove("DestOutputProfile");
    EXPECT_EQ(Text(intent), c.after);
    ASSERT_EQ(profile.IsNull(), !c.profile);
    if (!c.profile) continue;
    EXPECT_TRUE(profile.IsIndirect());
    EXPECT_EQ(Text(profile.Dict()),
              "<< /Filter /FlateDecode /Length " + Text(profile.Dict().Get("Length")) + " /N 4 >>");
    EXPECT_TRUE(enginetest::DecodedData(profile.GetCosObj()) == cmyk);
  }
}

TEST_F(X3OutputIntentTest, PagesShareTheDefaultSpaceMadeFromTheChosenProfile) {
  for (const std::string& file : {Module("ecirgb10.icm"), std::string("/nowhere/rgb.icc")}) {
    SCOPED_TRACE(file);
    const bool opens = file != "/nowhere/rgb.icc";
    Prefs::Set("rgb_profile_names", "RGB");
    Prefs::Set("rgb_profile_filenames", file);
    Prefs::Set("rgb_profile", "RGB");
    Pages("/Resources << /ColorSpace << /DefaultRGB /DeviceRGB >> >>");
    WalkerPtr walker = CheckWith(kX3, {&CmykDocument, &PDF_X_3_2002::TestDefaultRGB});
    const std::vector<ErrorPtr> records = Records(walker, Wanted("DefaultRGB"));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1]->GetPageIndex(), 1);
    EXPECT_EQ(ApplyFixes(walker, records[0], false), opens ? 2 : 1);
    EXPECT_EQ(records[1]->IsFixed(), opens);
    const MyCosObj spaces[2] = {Obj(3).Get("Resources").Get("ColorSpace").Get("DefaultRGB"),
                                Obj(4).Get("Resources").Get("ColorSpace").Get("DefaultRGB")};
    if (!opens) {
      EXPECT_TRUE(spaces[0].IsNull() && spaces[1].IsNull()) << "the device entries went all the same";
      continue;
    }
    ASSERT_TRUE(spaces[0].IsIndirect() && spaces[0].Get(1).IsIndirect());
    EXPECT_EQ(spaces[0].GetID(), spaces[1].GetID());
    EXPECT_EQ(Text(spaces[0].Get(0)) + Text(spaces[0].Get(1).Dict().Get("N")), "/ICCBased3");
  }

  // A host failure inside names the Default space and leaves no frame behind.
  Prefs::Set("rgb_profile_filenames", Module("ecirgb10.icm"));
  Pages("");
  WalkerPtr walker = CheckWith(kX3, {&CmykDocument, &PDF_X_3_2002::TestDefaultRGB});
  const int depth = host::FrameDepth();
  hosttest::RaiseOnNextCall(host::TableId::Cos, CosSel::NewStream, cosErrCannotEncode);
  try {
    ApplyFixes(walker, walker->GetErrorList().back(), false);
    ADD_FAILURE() << "no exception";
  } catch (const Zentu::AcrobatException& e) {
    EXPECT_EQ(e.ObjectNumber(), -1);
    EXPECT_EQ(e.Where(), "PDF_X_3_2002::OutputIntentFixer::FixIt (fixing DefaultRGB)");
  }
  EXPECT_EQ(host::FrameDepth(), depth);
}

TEST_F(X3OutputIntentTest, ColourOutsideARegisteredConditionWantsADestinationProfile) {
  Zentu::PDF_X_3_2002 built;
  built.BuildRules();
  const boost::shared_ptr<OutputIntentRecord> eciRGB = built.GetPrintingConditions()["eciRGB"]->profile;
  const OutputIntentRecord saved = *eciRGB;
  const Record gray{Wanted("DefaultGray"), "DefaultGray", 7, KIND_PAGE, 2, kNoNode, -1};
  const Record cmyk{Wanted("DefaultCMYK"), "DefaultCMYK", 7, KIND_PAGE, 2, kNoNode, -1};
  for (const char* has : {"", "/DestOutputProfile 7 0 R"}) {
    for (bool file : {true, false}) {
      SCOPED_TRACE(std::string(has) + (file ? " with" : " without") + " the profile file");
      *eciRGB = saved;
      if (!file) eciRGB->file = "/nowhere/ecirgb10.icm";
      Pages("", "/OutputIntents [6 0 R]",
            {"<< /S /GTS_PDFX /OutputConditionIdentifier (eciRGB) " + std::string(has) + " >>", "stream:|x"});
      WalkerPtr walker = CheckWith(kX3);
      Probe(walker, X3(walker).outputIntentFixer);          // filed first, it carries the deferred test
      OnFirstPage(walker, &PDF_X_3_2002::TestDefaultCMYK);  // held: no intent read yet
      OnFirstPage(walker, &PDF_X_3_2002::TestDefaultGray);
      EXPECT_EQ(Call(walker, &PDF_X_3_2002::SaveOutputIntentsInfo, Obj(6)), 0);
      bool again = false;
      walker->RunDeferredTests(walker, &status_, again);
      EXPECT_TRUE(again);
      std::vector<Record> filed;
      for (const ErrorPtr& record : walker->GetErrorList())
        if (record->GetMessage() != "probe") filed.push_back(standardstest::Reduced(*record));
      const char message[] =
          "The /DestOutputProfile key in the PDF/X OutputIntent dictionary must contain a profile if there is data "
          "in a colorspace other than the colorspace used by the characterization";
      std::vector<Record> expected = {gray, cmyk};
      if (!*has)
        expected.insert(expected.begin(), {message, "DestOutputProfile", file ? 5 : 7, 5, 2, kNoNode, kNoNode});
      EXPECT_EQ(filed, expected);
      EXPECT_EQ(walker->GetOpenCounts()[7], *has || file ? 2 : 3);
      walker->RunDeferredTests(walker, &status_, again);
      EXPECT_FALSE(again) << "the next pass files nothing";
      EXPECT_EQ(walker->GetErrorList().size(), expected.size() + 1);
      EXPECT_TRUE(X3(walker).holdingList.empty());
    }
  }
  *eciRGB = saved;

  // A record still held goes with the check.
  Pages("");
  WalkerPtr walker = CheckWith(kX3);
  OnFirstPage(walker, &PDF_X_3_2002::TestDefaultRGB);
  const boost::weak_ptr<Zentu::PDFX_Error> held = X3(walker).holdingList.front();
  walker.reset();
  status_.SetWalker(WalkerPtr());
  EXPECT_TRUE(held.expired());
}

}  // namespace
