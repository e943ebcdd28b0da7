// Each fixer on the whole road: a document with the problem, checked with a
// test standard whose rules attach the fixer, fixed as the user interface
// fixes, saved and checked again.
#include <regex>

#include "common/MyCosDoc.h"
#include "engine/CheckCallbacks.h"
#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "engine/KeyRule.h"
#include "engine/KeyTable.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "engine/TransparencyChecks.h"
#include "fix_fixture.h"
#include "host/calls.h"

namespace {

using enginetest::ErrorPtr;
using enginetest::FixFixture;
using enginetest::FixStandard;
typedef boost::shared_ptr<KeyRule> RulePtr;
typedef boost::shared_ptr<Zentu::Fixer> FixerPtr;
typedef std::vector<std::string> Paths;

const char kCatalog[] = "<< /Type /Catalog /Pages 2 0 R >>";
const char kPages[] = "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 200 100] >>";
const char kPage[] = "/Type /Page /Parent 2 0 R /Contents 4 0 R";
const char kPagePath[] = "/Root/Pages/Kids[0]";

RulePtr Reporting(KeyRule* rule, int severity, const std::string& message, const FixerPtr& fixer) {
  rule->silent = false;
  rule->severity = severity;
  rule->message = message;
  rule->problemKind = PROBLEM_INVALID;
  rule->SetFixer(fixer);
  return RulePtr(rule);
}

// A rule on any object that holds one of the keys.
RulePtr Prohibit(const std::string& keys, const std::string& message, const FixerPtr& fixer, int severity = 6) {
  return Reporting(new KeyRule(KeyRule::PROHIBITED, keys, "", '|'), severity, message, fixer);
}

// Objects of `kind` holding one of `keys` go through the callback.
RulePtr WhenHolding(int kind, const std::string& keys, CheckCallback callback) {
  RulePtr gate(new KeyRule(kind));
  RulePtr key(new KeyRule(KeyRule::NO_PRESENCE, keys, "", '|'));
  key->AddFollowUp(RulePtr(new KeyRule(callback, "test")));
  gate->AddFollowUp(key);
  return gate;
}

void Require(FixStandard& s, int kind, const char* key, const char* values, const char* message, FixerPtr fixer,
             DeferredTest test = nullptr, int severity = 6) {
  KeySpec spec{kind, KEY_REQUIRED, key, values, 0, severity, message, &fixer, test};
  s.ParseOptions(&spec, 1);
}

std::string InfoText(PDDoc pd, const char* key) {
  char buffer[128] = {0};
  const ASInt32 length = PDDocGetInfo(pd, key, buffer, sizeof buffer - 1);
  return std::string(buffer, static_cast<size_t>(std::min<ASInt32>(length, sizeof buffer - 1)));
}

class FixEndToEndTest : public FixFixture {};

TEST_F(FixEndToEndTest, IdentificationIsWrittenOnceNothingUnfixableIsOpen) {
  FixerPtr identification(new Zentu::InfoDictFixer("PDF/X-1a:2001"));
  UseStandard([identification](FixStandard& s) {
    Require(s, KIND_INFO, "GTS_PDFXVersion", nullptr, "No identification", identification, &CheckGTSVersion, 5);
    s.rules->push_back(Prohibit("Foo", "Foo is prohibited", FixerPtr(), UNFIXABLE_ERROR));
  });
  Open({kCatalog, kPages, std::string("<< ") + kPage + " /Foo true >>", "stream:|0 0 m 10 10 l S",
        "<< /Title (t) >>"},
       "/Root 1 0 R /Info 5 0 R");
  boost::shared_ptr<PDFXPreflight> walker = Check();
  ErrorPtr identificationRecord = OnlyRecord(walker, "No identification");
  ErrorPtr unfixable = OnlyRecord(walker, "Foo is prohibited");
  ASSERT_TRUE(identificationRecord && unfixable);

  EXPECT_EQ(ApplyFixes(walker, identificationRecord, true), 1);
  EXPECT_EQ(InfoText(pd_, "GTS_PDFXVersion"), "");
  unfixable->SetFixed(true);  // as though it had been repaired
  FixAll(walker);
  EXPECT_EQ(ApplyFixes(walker, identificationRecord, true), 2);
  EXPECT_EQ(InfoText(pd_, "GTS_PDFXVersion"), "PDF/X-1a:2001");
  FixAll(walker);

  const std::string after = Save();
  EXPECT_TRUE(enginetest::QpdfAccepts(after));
  EXPECT_TRUE(Records(Recheck(after), "No identification").empty());
  EXPECT_EQ(enginetest::ChangedPaths(enginetest::ObjectsOf(before_), enginetest::ObjectsOf(after)), Paths{"/Info"});
}

TEST_F(FixEndToEndTest, TrappedBecomesTheNameFalseAndMakesAnInfoDictionaryWhenThereIsNone) {
  UseStandard([](FixStandard& s) {
    Require(s, KIND_INFO, "Trapped", "True|False", "Trapped", Zentu::GlobalFixers::InfoDict());
  });
  struct Case {
    std::string trailer;
    Paths changed;
  } cases[] = {{"/Root 1 0 R /Info 5 0 R", {"/Info"}}, {"/Root 1 0 R", {"/Info", "trailer"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.trailer);
    Open({kCatalog, kPages, std::string("<< ") + kPage + " >>", "stream:|0 0 m 10 10 l S", "<< /Title (t) >>"},
         c.trailer);
    EXPECT_EQ(FixEndToEnd("Trapped"), c.changed);
    MyCosObj trapped = Doc().GetInfoDict().Get("Trapped");
    EXPECT_EQ(trapped.CachedType(), CosName);
    EXPECT_EQ(trapped.ValueAsString(), "False");
    host::CloseAllDocuments();
  }
}

TEST_F(FixEndToEndTest, CreationDateSetsBothDatesToOneText) {
  UseStandard([](FixStandard& s) {
    Require(s, KIND_INFO, "CreationDate", nullptr, "No date", Zentu::GlobalFixers::InfoDict());
  });
  Open({kCatalog, kPages, std::string("<< ") + kPage + " >>", "stream:|0 0 m 10 10 l S", "<< /Title (t) >>"},
       "/Root 1 0 R /Info 5 0 R");
  EXPECT_EQ(FixEndToEnd("No date"), Paths{"/Info"});
  const std::string created = InfoText(pd_, "CreationDate");
  EXPECT_TRUE(std::regex_match(created, std::regex("D:[0-9]{14}z"))) << created;
  EXPECT_EQ(InfoText(pd_, "ModDate"), created);
}

TEST_F(FixEndToEndTest, JustSaveWritesTheMissingFileIdentifier) {
  UseStandard([](FixStandard& s) {
    RulePtr trailer(new KeyRule(KIND_TRAILER));
    trailer->AddFollowUp(
        Reporting(new KeyRule(&TestTrailerID, "TestTrailerID"), 6, "No ID", Zentu::GlobalFixers::JustSave()));
    s.rules->push_back(trailer);
  });
  Open({kCatalog, kPages, std::string("<< ") + kPage + " >>", "stream:|0 0 m 10 10 l S"});
  boost::shared_ptr<PDFXPreflight> walker = Check();
  EXPECT_EQ(ApplyFixes(walker, OnlyRecord(walker, "No ID"), false), 2);
  EXPECT_EQ(PDDocGetFlags(pd_) & 1, 1);
  host::CloseAllDocuments();
  OpenFile(before_);
  // Nothing changes but the identifier, which the comparison leaves out.
  EXPECT_EQ(FixEndToEnd("No ID"), Paths{});
  ASSERT_GE(PDDocGetID(pd_, 0, nullptr, 0), 1);
}

TEST_F(FixEndToEndTest, CompressionReplacesAnLzwStreamEverywhereItIsUsed) {
  UseStandard([](FixStandard& s) {
    s.rules->push_back(Reporting(new KeyRule(KeyRule::PROHIBITED, "Filter", "LZWDecode", '|'), 6, "LZW",
                                 Zentu::GlobalFixers::Compression()));
  });
  // Two pages place one image; the image is written with LZW and a predictor.
  const std::string resources = "/Resources << /XObject << /Im1 7 0 R >> >>";
  hosttest::PdfSpec spec;
  spec.objects = {kCatalog, "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 /MediaBox [0 0 200 100] >>",
                  "<< /Type /Page /Parent 2 0 R /Contents 4 0 R " + resources + " >>",
                  "stream:|q 4 0 0 2 0 0 cm /Im1 Do Q",
                  "<< /Type /Page /Parent 2 0 R /Contents 6 0 R " + resources + " >>",
                  "stream:|q 4 0 0 2 0 0 cm /Im1 Do Q", "null"};
  const std::string pixels("\x00\x10\x20\x30\x40\x50\x60\x70", 8);
  {
    PDDoc pd = host::OpenDocumentBytes(hosttest::MakePdf(spec), "lzw");
    MyCosDoc doc(PDDocGetCosDoc(pd));
    CosObj dict = CosNewDict(doc.GetCosDoc(), 0, 8);
    for (const char* entry : {"Type/XObject", "Subtype/Image", "ColorSpace/DeviceGray", "Filter/LZWDecode"}) {
      const std::string text(entry);
      const size_t slash = text.find('/');
      CosDictPut(dict, ASAtomFromString(text.substr(0, slash).c_str()),
                 CosNewName(doc.GetCosDoc(), 0, ASAtomFromString(text.substr(slash + 1).c_str())));
    }
    for (auto entry : {std::make_pair("Width", 4), std::make_pair("Height", 2), std::make_pair("BitsPerComponent", 8)})
      CosDictPut(dict, ASAtomFromString(entry.first), CosNewInteger(doc.GetCosDoc(), 0, entry.second));
    CosObj parms = CosNewDict(doc.GetCosDoc(), 0, 2);
    CosDictPut(parms, ASAtomFromString("Predictor"), CosNewInteger(doc.GetCosDoc(), 0, 12));
    CosDictPut(parms, ASAtomFromString("Columns"), CosNewInteger(doc.GetCosDoc(), 0, 4));
    CosDictPut(dict, ASAtomFromString("DecodeParms"), parms);
    ASStm data = ASMemStmRdOpen(pixels.data(), pixels.size());
    CosObj image = CosNewStream(doc.GetCosDoc(), 1, data, 0, 0, dict, MyCosObj::NullObj(), -1);
    ASStmClose(data);
    for (int page : {3, 5}) {
      MyCosObj xobjects = doc.GetObjByID(page).Get("Resources").Get("XObject");
      xobjects.Put("Im1", MyCosObj(image));
    }
    before_ = home_.File("before.pdf");
    host::SaveDocument(pd, before_);
    host::CloseDocument(pd);
  }
  OpenFile(before_);
  auto image = [this](int page) {
    return Doc().GetRoot().Get("Pages").Get("Kids").Get(page).Get("Resources").Get("XObject").Get("Im1");
  };
  const MyCosObj old = image(0);
  ASSERT_EQ(old.Get("Filter").ValueAsString(), "LZWDecode");

  auto fixed = [&] {
    const MyCosObj first = image(0);
    const MyCosObj second = image(1);
    EXPECT_TRUE(first.Equal(second));
    EXPECT_FALSE(first.Equal(old));
    EXPECT_EQ(first.Get("Filter").ValueAsString(), "FlateDecode");
    EXPECT_TRUE(first.Get("DecodeParms").IsNull());
    EXPECT_EQ(old.GetType(), CosNull) << "the old stream is destroyed";
    std::string decoded;
    ASStm stm = first.OpenStm(cosOpenFiltered);
    char buffer[64];
    for (ASSize_t got; (got = ASStmRead(buffer, 1, sizeof buffer, stm)) > 0;) decoded.append(buffer, got);
    ASStmClose(stm);
    EXPECT_EQ(decoded, pixels);
  };
  EXPECT_EQ(FixEndToEnd("LZW (must not be \"LZWDecode\")", fixed), Paths{"/Root/Pages/Kids[0]/Resources/XObject/Im1"});
}

TEST_F(FixEndToEndTest, KeyRemovalTakesTheKeyTheRecordNames) {
  UseStandard([](FixStandard& s) {
    FixerPtr fixer = Zentu::GlobalFixers::KeyRemoval();
    KeySpec spec{KIND_PAGE, KEY_PROHIBITED, "Foo", nullptr, 0, 6, "Foo on a page", &fixer, nullptr};
    s.ParseOptions(&spec, 1);
  });
  Open({kCatalog, kPages, std::string("<< ") + kPage + " /Foo 7 >>", "stream:|0 0 m 10 10 l S"});
  EXPECT_EQ(FixEndToEnd("Foo on a page", [this] { EXPECT_TRUE(Obj(3).Get("Foo").IsNull()); }), Paths{kPagePath});
}

TEST_F(FixEndToEndTest, OperatorsLeaveTheirContentsEvenWithInheritedResources) {
  UseStandard(nullptr, {"RG"});
  // The second page has no resources of its own: they come from its parent,
  // and its inline image needs them to be read.
  Open({kCatalog,
        "<< /Type /Pages /Kids [3 0 R 5 0 R] /Count 2 /MediaBox [0 0 200 100] "
        "/Resources << /ExtGState << /RG 7 0 R >> >> >>",
        std::string("<< ") + kPage + " >>", "stream:|q 1 0 0 RG 0 0 m 10 10 l S Q",
        "<< /Type /Page /Parent 2 0 R /Contents 6 0 R >>",
        "stream:|q /RG gs BI /W 2 /H 1 /BPC 8 /CS /G ID \x01\xfe EI 1 0 0 RG Q", "<< /LW 2 >>"});
  hosttest::ClearCallLog();
  EXPECT_EQ(FixEndToEnd("The 'RG' operator is unknown in PDF 1.3"),
            (Paths{"/Root/Pages/Kids[0]/Contents", "/Root/Pages/Kids[1]/Contents"}));
  const std::map<std::string, std::string> expected = {
      {"/Root/Pages/Kids[0]/Contents", "q 0 0 m 10 10 l S Q"},
      {"/Root/Pages/Kids[1]/Contents", "q /RG gs BI /W 2 /H 1 /BPC 8 /CS /G ID \x01\xfe EI Q"}};
  enginetest::ObjectMap after = enginetest::ObjectsOf(home_.File("after.pdf"));
  for (const auto& e : expected) {
    std::string hex;
    for (unsigned char c : e.second) {
      hex += "0123456789abcdef"[c >> 4];
      hex += "0123456789abcdef"[c & 15];
    }
    EXPECT_EQ(after[e.first], "<< >> stream " + hex) << e.first;
  }
  const std::vector<std::string>& log = hosttest::CallLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "page contents changed 0"), log.end());
}

TEST_F(FixEndToEndTest, AlternateImagesGoWithTheKey) {
  UseStandard([](FixStandard& s) {
    s.rules->push_back(Prohibit("Alternates", "Alternates", Zentu::GlobalFixers::AlternateImagesRemoval()));
  });
  const std::string image = "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray "
                            "/BitsPerComponent 8";
  Open({kCatalog, kPages, std::string("<< ") + kPage + " /Resources << /XObject << /Im1 5 0 R >> >> >>",
        "stream:|q 1 0 0 1 0 0 cm /Im1 Do Q", image + " /Alternates [<< /Image 6 0 R >>]|\x80", image + "|\x7f"});
  auto fixed = [this] { EXPECT_EQ(Obj(6).GetType(), CosNull) << "the alternate that nothing uses is destroyed"; };
  EXPECT_EQ(FixEndToEnd("Alternates", fixed), (Paths{"/Root/Pages/Kids[0]/Resources/XObject/Im1",
                                                     "/Root/Pages/Kids[0]/Resources/XObject/Im1/Alternates[0]/Image"}));
}

TEST_F(FixEndToEndTest, TransparencyLosesEverySoftMaskAndBlendingKey) {
  UseStandard([](FixStandard& s) {
    s.rules->push_back(WhenHolding(KIND_EXTGSTATE, "SMask|CA|ca|BM|AIS", &FoundTransparency));
    s.rules->push_back(WhenHolding(KIND_IMAGE, "SMask", &FoundTransparency));
  });
  Open({kCatalog, kPages,
        std::string("<< ") + kPage + " /Resources << /ExtGState << /G1 5 0 R >> /XObject << /Im1 7 0 R >> >> >>",
        "stream:|q /G1 gs 1 0 0 1 0 0 cm /Im1 Do Q",
        "<< /SMask 6 0 R /CA 0.5 /ca 0.5 /BM /Normal /AIS false >>",
        "<< /Type /Mask /S /Luminosity /G 9 0 R >>",
        "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 "
        "/SMask 8 0 R|\x80",
        "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8|\xff",
        "stream:/Type /XObject /Subtype /Form /BBox [0 0 1 1] /Group << /S /Transparency >>|0 0 1 1 re f"});
  const std::string g1 = "/Root/Pages/Kids[0]/Resources/ExtGState/G1";
  const std::string im1 = "/Root/Pages/Kids[0]/Resources/XObject/Im1";
  auto fixed = [this] {
    for (const char* key : {"SMask", "CA", "ca", "BM", "AIS"}) EXPECT_TRUE(Obj(5).Get(key).IsNull()) << key;
    EXPECT_TRUE(Obj(7).Get("SMask").IsNull());
  };
  EXPECT_EQ(FixEndToEnd("Transparency is used on this page", fixed),
            (Paths{g1, g1 + "/SMask", g1 + "/SMask/G", im1, im1 + "/SMask"}));
}

TEST_F(FixEndToEndTest, ActionsLeaveTheirHoldersWhichStay) {
  FixerPtr fixer(new Zentu::ActionFixer);
  UseStandard([fixer](FixStandard& s) { s.rules->push_back(Prohibit("A|AA|OpenAction", "Action", fixer)); });
  Open({"<< /Type /Catalog /Pages 2 0 R /OpenAction << /S /JavaScript /JS (a) >> >>", kPages,
        std::string("<< ") + kPage + " /AA << /O 5 0 R >> >>", "stream:|0 0 m 10 10 l S",
        "<< /S /JavaScript /JS (b) /Next 6 0 R >>", "<< /S /JavaScript /JS (c) >>"});
  auto fixed = [this] {
    EXPECT_TRUE(Doc().GetRoot().Equal(Obj(1)));
    EXPECT_EQ(Obj(3).Get("Type").ValueAsString(), "Page");
    EXPECT_EQ(Obj(5).GetType(), CosNull) << "the page's action";
  };
  EXPECT_EQ(FixEndToEnd("Action", fixed),
            (Paths{"/Root", "/Root/Pages/Kids[0]", "/Root/Pages/Kids[0]/AA/O", "/Root/Pages/Kids[0]/AA/O/Next"}));
}

// Files a record for each annotation of the page that is not a popup and
// overlaps its MediaBox.
FixerPtr& AnnotationFixer() {
  static FixerPtr fixer(new Zentu::ObscuringAnnotationFixer);
  return fixer;
}

int ObscuringAnnotations(RuleContext* context, CheckResult*) {
  const MyCosObj box = context->value.Get("MediaBox").IsNull() ? context->value.Get("Parent").Get("MediaBox")
                                                                 : context->value.Get("MediaBox");
  const MyCosObj annots = context->value.Get("Annots");
  for (ASInt32 i = 0; annots.CachedType() == CosArray && i < annots.Length(); ++i) {
    const MyCosObj annot = annots.Get(i);
    if (annot.Get("Subtype").ValueAsString() == "Popup") continue;
    const MyCosObj rect = annot.Get("Rect");
    const bool overlaps = double(rect.Get(0)) < double(box.Get(2)) && double(rect.Get(2)) > double(box.Get(0)) &&
                          double(rect.Get(1)) < double(box.Get(3)) && double(rect.Get(3)) > double(box.Get(1));
    if (!overlaps) continue;
    context->walker->AddError(context->value, annot, "Obscures the page", "", 6, KIND_ANNOTATION, PROBLEM_INVALID)
        ->AttachFixer(AnnotationFixer());
  }
  return 0;
}

TEST_F(FixEndToEndTest, ObscuringAnnotationsAreRemovedWithTheirPopupsOrMovedOut) {
  UseStandard([](FixStandard& s) { s.rules->push_back(WhenHolding(KIND_PAGE, "Annots", &ObscuringAnnotations)); });
  Open({kCatalog, kPages, std::string("<< ") + kPage + " /Annots [5 0 R 6 0 R 7 0 R] >>", "stream:|0 0 m 10 10 l S",
        "<< /Type /Annot /Subtype /Square /Rect [20 20 80 80] /Popup 6 0 R >>",
        "<< /Type /Annot /Subtype /Popup /Rect [100 20 180 80] /Parent 5 0 R >>",
        "<< /Type /Annot /Subtype /Text /Rect [10 90 30 110] >>"});
  const std::string annots = std::string(kPagePath) + "/Annots";
  EXPECT_EQ(FixEndToEnd("Obscures the page"),
            (Paths{kPagePath, annots + "[0]", annots + "[1]", annots + "[2]"}));
  const MyCosObj left = Doc().GetRoot().Get("Pages").Get("Kids").Get(0).Get("Annots");
  ASSERT_EQ(left.Length(), 1);
  // The note lay over the top edge of a wide box: it moves up, one unit past it.
  const MyCosObj rect = left.Get(0).Get("Rect");
  const double expected[] = {10, 101, 30, 121};
  for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(double(rect.Get(i)), expected[i]) << i;
}

TEST_F(FixEndToEndTest, AMissingTrimBoxTakesTheInheritedMediaBox) {
  UseStandard([](FixStandard& s) {
    s.pageBoxes = [](PDFXPreflight& walker, const enginetest::NodePtr& page, const enginetest::NodePtr& mediaBox,
                     const enginetest::NodePtr& trimBox) {
      if (trimBox || !mediaBox) return;
      walker.AddNodeError("No TrimBox", "TrimBox", 6, KIND_PAGE, PROBLEM_MISSING, enginetest::NodePtr(), page)
          ->AttachFixer(FixerPtr(new Zentu::UseMediaBoxFixer(mediaBox)));
    };
  });
  Open({kCatalog, kPages, std::string("<< ") + kPage + " >>", "stream:|0 0 m 10 10 l S"});
  EXPECT_EQ(FixEndToEnd("No TrimBox"), Paths{kPagePath});
  const MyCosObj trim = Doc().GetRoot().Get("Pages").Get("Kids").Get(0).Get("TrimBox");
  ASSERT_EQ(trim.CachedType(), CosArray);
  EXPECT_FALSE(trim.IsIndirect());
  EXPECT_EQ(long(trim.Get(2)), 200);
}

}  // namespace
