// The fixers one by one on records made for them: the answers and the
// changes, and the cases the whole road does not reach.
#include <regex>

#include <boost/weak_ptr.hpp>

#include "common/MyCosDoc.h"
#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "engine/ObjectNode.h"
#include "engine/PDFX_Error.h"
#include "engine/TransparencyChecks.h"
#include "engine/TransparencyError.h"
#include "fix_fixture.h"
#include "host/calls.h"

namespace {

using enginetest::ErrorPtr;
using enginetest::FixFixture;
using enginetest::NodePtr;
typedef boost::shared_ptr<Zentu::Fixer> FixerPtr;

// Answers string questions as told and remembers the prompt.
class AskingStatus : public Zentu::HeadlessStatus {
 public:
  Zentu::StringAnswer AskString(const char*, const char* prompt, const char* defaultValue) override {
    asked = prompt;
    offered = defaultValue;
    return answer;
  }
  Zentu::StringAnswer answer;
  std::string asked;
  std::string offered;
};

class FixersTest : public FixFixture {
 protected:
  // Objects 1 to 3 are the catalog, pages and page (page 0); `more` are 5 on.
  void OpenDoc(const std::vector<std::string>& more, const std::string& page = "",
               const std::string& trailer = "/Root 1 0 R") {
    UseStandard(nullptr);
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                                        "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 200 100] >>",
                                        "<< /Type /Page /Parent 2 0 R /Contents 4 0 R " + page + " >>",
                                        "stream:|0 0 m 10 10 l S"};
    objects.insert(objects.end(), more.begin(), more.end());
    Open(objects, trailer);
    walker_ = Check();
    walker_->SetCurrentPage(0);
  }
  // A record about `subject`, held by `holder`.
  ErrorPtr Record(const MyCosObj& holder, const MyCosObj& subject, const std::string& detail = "",
                  int severity = FIXABLE_ERROR, int problem = PROBLEM_INVALID, int kind = KIND_PAGE) {
    return walker_->AddError(holder, subject, "m", detail, severity, kind, problem);
  }
  int Fix(Zentu::Fixer& fixer, const ErrorPtr& error, bool interactive = false, Zentu::StatusInterface* ui = nullptr) {
    FixContext context;
    context.error = error.get();
    context.ui = ui ? ui : &status_;
    context.walker = walker_;
    return fixer.FixIt(context, interactive);
  }
  MyCosObj Info(const char* key) const { return Doc().GetInfoDict().Get(key); }

  boost::shared_ptr<PDFXPreflight> walker_;
};

TEST_F(FixersTest, IdentificationWaitsForOpenErrorsAndIsTakenBackWhenTheyReturn) {
  struct Case {
    int otherSeverity;  // -1: no other record
    bool interactive;
    int answer;
  } cases[] = {{UNFIXABLE_ERROR, true, 1}, {FIXABLE_ERROR, true, 2}, {FIXABLE_ERROR, false, 1}, {-1, false, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.otherSeverity << (c.interactive ? " asking" : ""));
    OpenDoc({});
    Zentu::InfoDictFixer fixer("PDF/X-3:2002");
    ErrorPtr record = Record(MyCosObj(), MyCosObj(), "GTS_PDFXVersion", AUTOFIX_ERROR, PROBLEM_MISSING, KIND_INFO);
    if (c.otherSeverity >= 0) Record(Obj(3), Obj(3), "", c.otherSeverity);
    EXPECT_EQ(Fix(fixer, record, c.interactive), c.answer);
    EXPECT_EQ(Info("GTS_PDFXVersion").ValueAsString(), c.answer == 2 ? "PDF/X-3:2002" : "");
    TearDown();
    SetUp();
  }

  OpenDoc({});
  Zentu::InfoDictFixer fixer("PDF/X-3:2002");
  ErrorPtr record = Record(MyCosObj(), MyCosObj(), "GTS_PDFXConformance", AUTOFIX_ERROR, PROBLEM_MISSING, KIND_INFO);
  ASSERT_EQ(Fix(fixer, record), 2);
  record->SetFixed(true);
  Record(Obj(3), Obj(3), "", UNFIXABLE_ERROR);
  EXPECT_EQ(Fix(fixer, record), 1);
  EXPECT_TRUE(Info("GTS_PDFXConformance").IsNull());
  EXPECT_FALSE(record->IsFixed());
}

TEST_F(FixersTest, TrappedTakesTheChosenNameOrLeavesTheDictionaryAlone) {
  struct Case {
    std::string value;
    bool interactive;
    int button;  // the alert's answer
    int answer;
    const char* trapped;  // null: unchanged
    std::vector<std::string> buttons;
  } cases[] = {
      {"", false, 0, 2, "False", {}},
      {"True", false, 0, 2, "True", {}},
      {"", true, 1, 2, "True", {"/True", "/False", "Cancel"}},
      {"", true, 2, 2, "False", {"/True", "/False", "Cancel"}},
      {"", true, 3, 1, nullptr, {"/True", "/False", "Cancel"}},
      {"True", true, 2, 1, nullptr, {"/True", "Cancel"}},
      {"Maybe", false, 0, 4, nullptr, {"OK"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.value << "' " << c.interactive << " " << c.button);
    OpenDoc({"<< /Trapped /Unknown >>"}, "", "/Root 1 0 R /Info 5 0 R");
    std::vector<host::AlertRequest> alerts;
    host::SetAlertHandler([&](const host::AlertRequest& r) {
      alerts.push_back(r);
      return c.button;
    });
    Zentu::InfoDictFixer fixer(c.value);
    EXPECT_EQ(Fix(fixer, Record(MyCosObj(), Info("Trapped"), "Trapped", 6, PROBLEM_INVALID, KIND_INFO), c.interactive),
              c.answer);
    const MyCosObj trapped = Info("Trapped");
    EXPECT_EQ(trapped.CachedType(), CosName);
    EXPECT_EQ(trapped.ValueAsString(), c.trapped ? c.trapped : "Unknown");
    ASSERT_EQ(alerts.size(), c.buttons.empty() ? 0u : 1u);
    if (!alerts.empty()) {
      EXPECT_EQ(alerts[0].buttons, c.buttons);
      EXPECT_EQ(alerts[0].message, c.value == "Maybe" ? "Error for /Trapped fix"
                                                       : "Choose a value for the /Trapped key \n(or press \"Cancel\")");
    }
    TearDown();
    SetUp();
  }
}

TEST_F(FixersTest, DatesAndTextEntries) {
  OpenDoc({});
  Zentu::InfoDictFixer fixer;
  EXPECT_EQ(Fix(fixer, Record(MyCosObj(), MyCosObj(), "ModDate", 6, PROBLEM_MISSING, KIND_INFO)), 2);
  EXPECT_TRUE(std::regex_match(Info("ModDate").ValueAsString(), std::regex("D:[0-9]{14}z")));
  EXPECT_TRUE(Info("CreationDate").IsNull()) << "a ModDate leaves the CreationDate";
  EXPECT_EQ(Fix(fixer, Record(MyCosObj(), MyCosObj(), "Keywords", 6, PROBLEM_MISSING, KIND_INFO)), 4);

  // Without asking: the file's name for a Title, "Unknown" for the others.
  EXPECT_EQ(Fix(fixer, Record(MyCosObj(), MyCosObj(), "Title", 6, PROBLEM_MISSING, KIND_INFO)), 2);
  EXPECT_EQ(Info("Title").ValueAsString(), "before");
  AskingStatus asking;
  asking.answer = Zentu::StringAnswer{1, "Typed"};
  EXPECT_EQ(Fix(fixer, Record(MyCosObj(), MyCosObj(), "Creator", 6, PROBLEM_MISSING, KIND_INFO), true, &asking), 2);
  EXPECT_EQ(asking.asked, "Enter the string to be used for the Creator key in the Info dictionary");
  EXPECT_EQ(asking.offered, "Unknown");
  EXPECT_EQ(Info("Creator").ValueAsString(), "Typed");
  // An emptied text is accepted: the entry goes, and the next check finds it missing again.
  asking.answer = Zentu::StringAnswer{1, ""};
  EXPECT_EQ(Fix(fixer, Record(MyCosObj(), MyCosObj(), "Creator", 6, PROBLEM_MISSING, KIND_INFO), true, &asking), 2);
  EXPECT_TRUE(Info("Creator").IsNull());
  asking.answer = Zentu::StringAnswer{0, "Ignored"};
  EXPECT_EQ(Fix(fixer, Record(MyCosObj(), MyCosObj(), "Producer", 6, PROBLEM_MISSING, KIND_INFO), true, &asking), 1);
  EXPECT_TRUE(Info("Producer").IsNull());
}

TEST(TitleFromDisplayPath, LastPartWithoutAPdfExtension) {
  const std::pair<const char*, const char*> cases[] = {{"docs/Report.PDF", "Report"}, {"/a/notes.txt.pdf", "notes.txt"},
                                                       {"/a/a.pdfx", "a.pdfx"},       {"Report.pdf", "Report"},
                                                       {"/a/b/plain", "plain"},       {"/a/.Pdf", ""}};
  for (const auto& c : cases) EXPECT_EQ(TitleFromDisplayPath(c.first), c.second) << c.first;
}

TEST_F(FixersTest, KeyRemovalFindsItsTargetAndKey) {
  OpenDoc({"<< /Foo 1 /ArtBox [0 0 1 1] >>", "<< /Bar 1 >>"});
  Zentu::KeyRemovalFixer named("ArtBox");
  Zentu::KeyRemovalFixer fromDetail;
  EXPECT_EQ(Fix(fromDetail, Record(Obj(6), Obj(5), "Foo")), 2);
  EXPECT_TRUE(Obj(5).Get("Foo").IsNull());
  EXPECT_EQ(Fix(named, Record(Obj(6), Obj(5), "Foo")), 2);
  EXPECT_TRUE(Obj(5).Get("ArtBox").IsNull());
  // Without a container node the holder is the target.
  ErrorPtr holderOnly = walker_->AddNodeError("m", "Bar", 6, KIND_PAGE, PROBLEM_INVALID,
                                              NodePtr(new ObjectNode(Obj(6), 0, "")), NodePtr());
  EXPECT_EQ(Fix(fromDetail, holderOnly), 2);
  EXPECT_TRUE(Obj(6).Get("Bar").IsNull());
  EXPECT_EQ(Fix(fromDetail, Record(MyCosObj(), MyCosObj(), "Foo")), 1);
}

TEST_F(FixersTest, TransparencyByKindStopsAtWhatItCannotChange) {
  const std::string image = "stream:/Type /XObject /Subtype /Image /Width 1 /Height 1 /SMask 7 0 R|x";
  OpenDoc({"<< /BM /Normal /ca 1 /LW 2 >>", image, "<< /Type /Font /Subtype /Type3 >>"});
  Zentu::TransparencyRemovalFixer fixer;
  auto record = [this](int first, std::vector<std::pair<int, int>> nodes) {
    boost::shared_ptr<Zentu::TransparencyError> error(new Zentu::TransparencyError(
        walker_.get(), "t", "", AUTOFIX_ERROR, KIND_PAGE, PROBLEM_INVALID,
        NodePtr(new ObjectNode(Obj(first), first == 5 ? KIND_EXTGSTATE : KIND_IMAGE, "")), NodePtr()));
    for (const auto& n : nodes) error->nodes.push_back(NodePtr(new ObjectNode(Obj(n.first), n.second, "")));
    return walker_->InsertError(error, AUTOFIX_ERROR);
  };
  // A graphics state without /Type loses BM /Normal too; the font stops
  // the list before the image.
  EXPECT_EQ(Fix(fixer, record(5, {{7, KIND_FONT}, {6, KIND_IMAGE}})), 1);
  EXPECT_TRUE(Obj(5).Get("BM").IsNull());
  EXPECT_TRUE(Obj(5).Get("ca").IsNull());
  EXPECT_FALSE(Obj(5).Get("LW").IsNull());
  EXPECT_FALSE(Obj(6).Get("SMask").IsNull());
  // Objects whose keys are gone already count as done.
  EXPECT_EQ(Fix(fixer, record(6, {{5, KIND_EXTGSTATE}})), 2);
  EXPECT_TRUE(Obj(6).Get("SMask").IsNull());
  EXPECT_EQ(Fix(fixer, record(6, {})), 2);
}

TEST_F(FixersTest, ActionsAreTakenFromTheirHolderOnly) {
  OpenDoc({"<< /OpenAction [3 0 R /Fit] /AA << /X 1 >> /A << /S /URI /URI (u) >> >>",
           "<< /AA << /O << /S /JavaScript /JS (j) >> /C (not an action) >> >>", "<< /A << /S /URI /URI (v) >> >>"});
  Zentu::ActionFixer fixer;
  // A destination and an /AA without actions are no actions.
  EXPECT_EQ(Fix(fixer, Record(Obj(3), Obj(5))), 2);
  EXPECT_TRUE(Obj(5).Get("A").IsNull());
  EXPECT_EQ(Obj(5).Get("OpenAction").CachedType(), CosArray);
  EXPECT_EQ(Obj(5).Get("AA").CachedType(), CosDict);
  EXPECT_EQ(Fix(fixer, Record(Obj(3), Obj(6))), 2);
  EXPECT_TRUE(Obj(6).Get("AA").IsNull());
  EXPECT_EQ(Obj(6).GetType(), CosDict) << "the holder stays";
  // A host failure leaves the record open and the action in place.
  hosttest::RaiseOnNextCall(host::TableId::PDModel, PDModelSel::ActionFromCosObj, genErrBadParm);
  EXPECT_EQ(Fix(fixer, Record(Obj(3), Obj(7))), 1);
  EXPECT_FALSE(Obj(7).Get("A").IsNull());
  EXPECT_EQ(Fix(fixer, Record(MyCosObj(), MyCosObj())), 1);
}

TEST_F(FixersTest, ObscuringAnnotationsMoveAlongTheShorterSideAndRemovalFollowsThePopupChain) {
  // A tall page: a note over its right edge moves right.
  OpenDoc({"<< /Type /Annot /Subtype /Text /Rect [90 10 110 20] >>",
           "<< /Type /Annot /Subtype /Widget /FT /Sig /Rect [5 5 15 15] >>",
           "<< /Type /Annot /Subtype /Circle /Rect [0 0 5 5] /Popup 8 0 R >>",
           "<< /Type /Annot /Subtype /Popup /Rect [0 0 5 5] /Parent 9 0 R >>",
           "<< /Type /Annot /Subtype /Square /Rect [0 0 5 5] >>"},
          "/MediaBox [0 0 100 300] /Annots [5 0 R 6 0 R 7 0 R 8 0 R 9 0 R]");
  Zentu::ObscuringAnnotationFixer fixer;
  EXPECT_EQ(Fix(fixer, Record(Obj(3), Obj(5))), 2);
  EXPECT_DOUBLE_EQ(double(Obj(5).Get("Rect").Get(0)), 101);
  EXPECT_DOUBLE_EQ(double(Obj(5).Get("Rect").Get(2)), 121);
  // A signature field over the left edge moves left, one unit beyond it.
  EXPECT_EQ(Fix(fixer, Record(Obj(3), Obj(6))), 2);
  EXPECT_NEAR(double(Obj(6).Get("Rect").Get(2)), -1, 1.0 / 65536);
  // The popup names another annotation as its parent: only the circle and
  // its popup go.
  EXPECT_EQ(Fix(fixer, Record(Obj(3), Obj(7))), 2);
  const MyCosObj annots = Obj(3).Get("Annots");
  ASSERT_EQ(annots.Length(), 3);
  EXPECT_TRUE(annots.Get(2).Equal(Obj(9)));
  EXPECT_TRUE(Obj(7).Get("Popup").IsNull());
  EXPECT_EQ(Fix(fixer, Record(Obj(3), MyCosObj())), 2);
  ErrorPtr offPage = Record(Obj(3), Obj(9));
  offPage->SetPageIndex(-1);
  EXPECT_EQ(Fix(fixer, offPage), 1);
}

TEST_F(FixersTest, MediaBoxCopiesGoUnderTheDetailsKeyOnThePage) {
  OpenDoc({"[0 0 50 50]"}, "/MediaBox [0 0 10 20]");
  EXPECT_EQ(Fix(*FixerPtr(new Zentu::UseMediaBoxFixer(NodePtr())), Record(Obj(2), Obj(3), "TrimBox")), 1);
  Zentu::UseMediaBoxFixer direct(NodePtr(new ObjectNode(Obj(3).Get("MediaBox"), 0, "MediaBox")));
  EXPECT_EQ(Fix(direct, Record(Obj(2), Obj(3), "")), 2);
  EXPECT_EQ(long(Obj(3).Get("ArtBox").Get(3)), 20);
  // A record about the box value names the page as its holder; an
  // indirect box is shared, not copied.
  Zentu::UseMediaBoxFixer indirect(NodePtr(new ObjectNode(Obj(5), 0, "")));
  EXPECT_EQ(Fix(indirect, Record(Obj(3), Obj(3).Get("MediaBox"), "BleedBox")), 2);
  EXPECT_TRUE(Obj(3).Get("BleedBox").Equal(Obj(5)));
}

TEST_F(FixersTest, OperatorsAreTakenWithTheResourcesInForceAndOncePerCheckAndContent) {
  UseStandard(nullptr, {"RG"});
  // The page inherits 9; the form, the Type 3 font and the tiling pattern
  // have their own; each content sets RG.
  Open({"<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox [0 0 200 100] /Resources 9 0 R >>",
        "<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>",
        "stream:|1 0 0 RG /Fm1 Do /Pattern cs /P1 scn 0 0 1 1 re f BT /T3 1 Tf (a) Tj ET",
        "stream:/Type /XObject /Subtype /Form /BBox [0 0 1 1] /Resources 6 0 R|1 0 0 RG", "<< /ProcSet [/PDF] >>",
        "<< /Type /Font /Subtype /Type3 /FontBBox [0 0 1 1] /FontMatrix [1 0 0 1 0 0] /CharProcs << /a 8 0 R >> "
        "/Encoding << /Type /Encoding /Differences [97 /a] >> /FirstChar 97 /LastChar 97 /Widths [1] "
        "/Resources 11 0 R >>",
        "stream:|1 0 d0 1 0 0 RG",
        "<< /XObject << /Fm1 5 0 R >> /Font << /T3 7 0 R >> /Pattern << /P1 10 0 R >> >>",
        "stream:/PatternType 1 /PaintType 1 /TilingType 1 /BBox [0 0 1 1] /XStep 1 /YStep 1 /Resources 12 0 R|"
        "1 0 0 RG",
        "<< /ProcSet [/Text] >>", "<< /ProcSet [/ImageB] >>"});
  walker_ = Check();
  const std::map<int, int> resourcesOf = {{4, 9}, {5, 6}, {8, 11}, {10, 12}};
  std::vector<ErrorPtr> records = Records(walker_, "The 'RG' operator is unknown in PDF 1.3");
  ASSERT_EQ(records.size(), resourcesOf.size());
  for (const ErrorPtr& record : records) {
    const int content = record->GetContainerNode()->objectNumber;
    ASSERT_TRUE(resourcesOf.count(content)) << content;
    EXPECT_TRUE(ContentResources(*record).Equal(Obj(resourcesOf.at(content)))) << content;
    EXPECT_EQ(record->GetFixer(), Zentu::GlobalFixers::OperatorRemoval());
    EXPECT_EQ(ApplyFixes(walker_, record, false), 2) << content;
  }
  EXPECT_EQ(walker_->GetReplacements().size(), resourcesOf.size());
  // Each list is applied once: a content written anew answers 2 without a
  // second rewrite; the content of another check keeps its own.
  EXPECT_EQ(Fix(*Zentu::GlobalFixers::OperatorRemoval(), records.front()), 2);
  EXPECT_EQ(walker_->GetReplacements().size(), resourcesOf.size());
  boost::shared_ptr<PDFXPreflight> other = Check();
  ErrorPtr stranger = other->AddNodeError("m", "", 5, KIND_OPERATOR, PROBLEM_INVALID, NodePtr(),
                                          NodePtr(new ObjectNode(Obj(4), KIND_CONTENTS, "")));
  walker_.reset(new PDFXPreflight);
  EXPECT_EQ(Fix(*Zentu::GlobalFixers::OperatorRemoval(), stranger), 1) << "no list in this check";
  EXPECT_TRUE(walker_->GetReplacements().empty());
}

TEST(GlobalFixers, OneInstanceEachFromLoadToUnload) {
  Zentu::PDFX_Error record(nullptr, "m", "", 5, KIND_PAGE, PROBLEM_INVALID, NodePtr(), NodePtr());
  {
    const FixerPtr shared[] = {Zentu::GlobalFixers::InfoDict(),        Zentu::GlobalFixers::JustSave(),
                               Zentu::GlobalFixers::OperatorRemoval(), Zentu::GlobalFixers::Compression(),
                               Zentu::GlobalFixers::KeyRemoval(),      Zentu::GlobalFixers::AlternateImagesRemoval(),
                               Zentu::GlobalFixers::TransparencyRemoval(), Zentu::GlobalFixers::ReplaceProfile()};
    for (const FixerPtr& fixer : shared) ASSERT_TRUE(fixer);
    EXPECT_EQ(TransparencyRemovalFixerInstance(), shared[6]);
    EXPECT_EQ(boost::dynamic_pointer_cast<Zentu::CompressionFixer>(shared[3])->GetFilter(), "FlateDecode");
    EXPECT_EQ(Zentu::GlobalFixers::InfoDict(), shared[0]) << "the same instance every time";
    record.SetFixer(shared[2]);
  }
  // A record that still holds one keeps it when the module lets go.
  boost::weak_ptr<Zentu::Fixer> held = record.GetFixer();
  boost::weak_ptr<Zentu::Fixer> unheld = Zentu::GlobalFixers::KeyRemoval();
  Zentu::GlobalFixers::Release();
  Zentu::GlobalFixers::Release();
  EXPECT_FALSE(Zentu::GlobalFixers::OperatorRemoval());
  EXPECT_FALSE(Zentu::GlobalFixers::ReplaceProfile());
  EXPECT_FALSE(TransparencyRemovalFixerInstance());
  EXPECT_FALSE(held.expired());
  EXPECT_TRUE(unheld.expired());
  Zentu::GlobalFixers::Make();  // loaded again, for the tests after this one
}

}  // namespace
