#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "common/Prefs.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "host/calls.h"
#include "walker_fixture.h"

namespace {

using enginetest::WalkerFixture;
typedef boost::shared_ptr<Zentu::PDFX_Error> ErrorPtr;

// A standard whose Clone fails.
class BrokenStandard : public enginetest::TestStandard {
 public:
  explicit BrokenStandard(const std::string& n) : TestStandard(n) {}
  Zentu::Conformance* Clone() override { return nullptr; }
};

class SetupTest : public WalkerFixture {};

TEST_F(SetupTest, WithoutStandardsOneRecordAndOnlyBitZero) {
  PDFXPreflight walker(&status_);
  ASSERT_EQ(walker.GetErrorList().size(), 1u);
  const ErrorPtr& e = walker.GetErrorList().front();
  EXPECT_EQ(e->GetMessage(), "There were no conformance objects set up");
  EXPECT_EQ(e->GetSeverity(), PROBLEM);
  EXPECT_EQ(e->GetObjectKind(), KIND_NONE);
  EXPECT_EQ(e->GetProblemKind(), PROBLEM_GENERAL);
  EXPECT_EQ(e->GetDetail(), "");
  EXPECT_FALSE(e->GetObjectNode());
  EXPECT_FALSE(e->GetContainerNode());
  EXPECT_FALSE(walker.GetConformance());
  // No document is needed to learn that nothing can be checked.
  EXPECT_EQ(walker.Check(), PDFXPreflight::SeveritySet(1));
  EXPECT_EQ(walker.GetErrorList().size(), 1u);
  EXPECT_EQ(status_.texts.size(), 0u);
}

TEST_F(SetupTest, AFailedCloneNamesTheStandard) {
  ASSERT_TRUE(Zentu::Conformance::Register(new BrokenStandard("T")));
  Register("U");
  PDFXPreflight walker(&status_);
  ASSERT_EQ(walker.GetErrorList().size(), 1u);
  EXPECT_EQ(walker.GetErrorList().front()->GetMessage(),
            "There was an internal error while setting up:  Could not create the conformance checker for \"T\"");
  EXPECT_EQ(walker.GetErrorList().front()->GetObjectKind(), KIND_NONE);
  EXPECT_EQ(walker.Check(), PDFXPreflight::SeveritySet(1));
}

TEST_F(SetupTest, TheSettingChoosesTheStandard) {
  struct Case {
    const char* stored;  // null: no setting
    const char* used;
    const char* after;   // the setting afterwards; null: still absent
  } cases[] = {
      {nullptr, "A", nullptr},
      {"B", "B", "B"},
      {"A", "A", "A"},
      {"PDF/X-1:1999", "A", ""},
      {"PDF/X-9", "A", "PDF/X-9"},
      {"b", "A", "b"},  // names compare with case
      {"", "A", ""},
  };
  Register("A");
  Register("B");
  for (const Case& c : cases) {
    // Stored through the registry, as a user's earlier session left it.
    Prefs::Section().clear();
    if (c.stored) {
      ASSERT_TRUE(Prefs::Set("conformance", c.stored));
      ASSERT_TRUE(Prefs::Save());
      Prefs::Section().clear();
      ASSERT_TRUE(Prefs::Load());
    }
    PDFXPreflight walker(&status_);
    ASSERT_TRUE(walker.GetConformance()) << (c.stored ? c.stored : "(none)");
    EXPECT_EQ(walker.GetConformance()->name, c.used) << (c.stored ? c.stored : "(none)");
    EXPECT_TRUE(walker.GetErrorList().empty());
    std::string after;
    bool present = Prefs::Get("conformance", after);
    EXPECT_EQ(present, c.after != nullptr);
    if (c.after) {
      EXPECT_EQ(after, c.after);
    }
  }
}

TEST_F(SetupTest, EachWalkerChecksWithAFreshClone) {
  Register("A");
  PDFXPreflight one(&status_);
  PDFXPreflight two(&status_);
  EXPECT_NE(one.GetConformance(), two.GetConformance());
  EXPECT_EQ(one.GetStatusInterface(), &status_);
}

class CheckTest : public WalkerFixture {
 protected:
  void SetUp() override {
    WalkerFixture::SetUp();
    Register("A");
  }
};

TEST_F(CheckTest, PhasesRunInOrder) {
  OpenPdf({
      "<< /Type /Catalog /Pages 2 0 R /Outlines 5 0 R /AcroForm << /Fields [6 0 R] >> >>",
      "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 10 10] >>",
      "<< /Title (info) >>",
      "<< /Type /Outlines /Count 0 /First 7 0 R >>",
      "<< /T (field) >>",
      "<< /Title (never checked) /Parent 5 0 R >>",
  },
         "/Root 1 0 R /Info 4 0 R");
  auto walker = NewWalker();
  EXPECT_EQ(walker->Check(), PDFXPreflight::SeveritySet());
  EXPECT_EQ(log_->cosObjKinds, (std::vector<int>{KIND_TRAILER, KIND_INFO, KIND_CATALOG}));
  std::vector<int> kinds;
  for (const auto& v : log_->visits) kinds.push_back(v.kind);
  EXPECT_EQ(kinds, (std::vector<int>{KIND_FORM_FIELD, KIND_PAGE}));
  EXPECT_EQ(walker->GetPDDoc(), pd_);
  EXPECT_TRUE(walker->GetMainDocument().IsValid());

  // Checked once and for all: the object visit must skip them.
  struct Expect {
    int number;
    int kind;
  } entered[] = {{1, KIND_CATALOG}, {2, KIND_PAGES}, {4, KIND_INFO}, {5, KIND_OUTLINE}};
  for (const Expect& e : entered) {
    ASSERT_TRUE(walker->IsVisited(e.number)) << e.number;
    EXPECT_EQ(walker->GetVisitedMap()[e.number]->objectKind, e.kind) << e.number;
  }
  ASSERT_TRUE(walker->IsVisited(3)) << "the object visit enters a page once checked";
  EXPECT_EQ(walker->GetVisitedMap()[3]->objectKind, KIND_PAGE);
  EXPECT_FALSE(walker->IsVisited(7));
  EXPECT_EQ(walker->GetPageCounter(), 0);
  EXPECT_EQ(walker->GetCurrentPage(), -1) << "what is filed after the page walk belongs to no page";
}

TEST_F(CheckTest, WithoutInformationDictionaryAnEmptyOneIsCheckedAndLeftOut) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"});
  auto walker = NewWalker();
  walker->Check();
  ASSERT_EQ(log_->cosObjKinds.size(), 3u);
  EXPECT_EQ(log_->cosObjKinds[1], KIND_INFO);
  EXPECT_EQ(log_->cosObjs[1].CachedType(), CosDict);
  EXPECT_TRUE(walker->GetMainDocument().GetInfoDict().IsNull());
  EXPECT_EQ(PDDocGetFlags(pd_) & 1, 0) << "a check does not change the document";
}

TEST_F(CheckTest, TheStandardsRecordsAreCountedAndReturned) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           "<< /Type /Page /Parent 2 0 R >>"});
  log_->onNode = [](PDFXPreflight& w, const enginetest::NodePtr& node) {
    if (node->objectKind == KIND_PAGE) w.AddNodeError("page", "", 6, KIND_PAGE, PROBLEM_INVALID, node, node);
  };
  auto walker = NewWalker();
  PDFXPreflight::SeveritySet result = walker->Check();
  EXPECT_EQ(result, PDFXPreflight::SeveritySet(1 << 6));
  EXPECT_EQ(walker->GetOpenCounts()[6], 1);
  EXPECT_EQ(walker->GetErrorList().front()->GetPageIndex(), 0);
}

// Records of one check share their texts and the nodes of the dictionaries
// they name; what one record changes stays its own, a stream's node (which a
// profile fixer refills) is never shared, and a record filed after the walk
// sees its object as it is then.
TEST_F(CheckTest, RecordsShareWhatIsTheSameAndKeepWhatIsTheirs) {
  OpenPdf({"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
           "<< /Type /Page /Parent 2 0 R >>", "<< /Type /Page /Parent 2 0 R >>", "<< /Type /Annot >>",
           "stream:/N 3|x"});
  log_->onNode = [this](PDFXPreflight& w, const enginetest::NodePtr& node) {
    if (node->objectKind != KIND_PAGE) return;
    for (int subject : {5, 6}) w.AddError(node->object, Obj(subject), "shared", "Rect", 5, KIND_ANNOTATION, 3);
    w.AddError(node->object.Get("Parent"), Obj(2), "keys", "", 7, KIND_PAGES, 3);
  };
  auto walker = NewWalker();
  walker->Check();
  std::vector<ErrorPtr> r(walker->GetErrorList().begin(), walker->GetErrorList().end());
  ASSERT_EQ(r.size(), 6u);
  struct Case {
    size_t a, b;
    bool sameContainer;
  } cases[] = {{0, 3, true}, {1, 4, false}, {2, 5, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a);
    EXPECT_EQ(r[c.a]->GetContainerNode() == r[c.b]->GetContainerNode(), c.sameContainer);
    EXPECT_EQ(&r[c.a]->GetMessage(), &r[c.b]->GetMessage());
    EXPECT_EQ(r[c.a]->GetContainerNode()->objectNumber, r[c.b]->GetContainerNode()->objectNumber);
  }
  EXPECT_EQ(r[2]->GetObjectNode()->key, "Parent");
  EXPECT_EQ(r[2]->GetContainerNode()->key, "");

  r[0]->SetMessage("changed");
  EXPECT_EQ(r[0]->GetMessage(), "changed");
  EXPECT_EQ(r[3]->GetMessage(), "shared");
  EXPECT_EQ(r[3]->GetDetail(), "Rect");

  MyCosObj annot = Obj(5);
  MyCosObj font;
  ASSERT_TRUE(font.NewName(annot.GetDoc(), 0, "Font"));
  annot.Put("Type", font);
  ErrorPtr late = walker->AddError(Obj(3), annot, "shared", "Rect", 5, KIND_ANNOTATION, 3);
  EXPECT_EQ(late->GetContainerNode()->objectKind, KIND_FONT);
  EXPECT_EQ(r[3]->GetContainerNode()->objectKind, KIND_ANNOTATION);
}

TEST_F(CheckTest, WithoutViewDocumentTheCheckSaysSo) {
  PDFXPreflight walker(&status_);
  EXPECT_THROW(walker.Check(), std::runtime_error);
}

// Deferred tests ------------------------------------------------------------

struct DeferredLog {
  std::vector<std::string> calls;  // test name and the message of its record
  int changesLeft = 0;             // Changing answers true this often
  int restartsLeft = 0;            // Restarting asks for a restart this often
} gDeferred;

bool Quiet(FixContext& c) {
  gDeferred.calls.push_back("Quiet:" + c.error->GetMessage());
  return false;
}

bool Changing(FixContext& c) {
  gDeferred.calls.push_back("Changing:" + c.error->GetMessage());
  if (gDeferred.changesLeft <= 0) return false;
  --gDeferred.changesLeft;
  return true;
}

bool Late(FixContext& c) {
  gDeferred.calls.push_back("Late:" + c.error->GetMessage());
  return false;
}

bool Restarting(FixContext& c) {
  gDeferred.calls.push_back("Restarting:" + c.error->GetMessage());
  if (gDeferred.restartsLeft > 0) {
    --gDeferred.restartsLeft;
    ErrorPtr added = c.walker->AddNodeError("added", "", 4, KIND_PAGE, PROBLEM_INVALID, enginetest::NodePtr(),
                                            enginetest::NodePtr());
    added->SetDeferredTest(&Late);
    c.restart = true;
  }
  return false;
}

class DeferredTests : public ::testing::Test {
 protected:
  void SetUp() override { gDeferred = DeferredLog(); }
  ErrorPtr File(const char* message, DeferredTest test) {
    ErrorPtr e = walker_->AddNodeError(message, "", 4, KIND_PAGE, PROBLEM_INVALID, enginetest::NodePtr(),
                                       enginetest::NodePtr());
    e->SetDeferredTest(test);
    return e;
  }
  size_t Count(const std::string& call) const {
    return static_cast<size_t>(std::count(gDeferred.calls.begin(), gDeferred.calls.end(), call));
  }

  boost::shared_ptr<PDFXPreflight> walker_{new PDFXPreflight};
  Zentu::HeadlessStatus status_;
};

TEST_F(DeferredTests, EachTestRunsOncePerPassWithItsLastRecord) {
  File("first", &Quiet);
  File("none", nullptr);
  File("second", &Quiet);
  bool again = true;
  walker_->RunDeferredTests(walker_, &status_, again);
  EXPECT_FALSE(again);
  EXPECT_EQ(gDeferred.calls, (std::vector<std::string>{"Quiet:second"}));
}

TEST_F(DeferredTests, AChangeStartsAnotherPassUntilNothingChanges) {
  File("q", &Quiet);
  File("c", &Changing);
  gDeferred.changesLeft = 2;
  bool again = true;
  walker_->RunDeferredTests(walker_, &status_, again);
  EXPECT_FALSE(again);
  EXPECT_EQ(Count("Changing:c"), 3u) << "two changes, then a pass that finds nothing";
  EXPECT_GE(Count("Quiet:q"), 1u);
  EXPECT_LE(Count("Quiet:q"), 3u);
  // Whatever the order, the last pass ran both and stopped.
  ASSERT_GE(gDeferred.calls.size(), 2u);
}

TEST_F(DeferredTests, ARestartCollectsTheTestsAnewAndTellsTheCaller) {
  File("r", &Restarting);
  gDeferred.restartsLeft = 1;
  bool again = false;
  walker_->RunDeferredTests(walker_, &status_, again);
  EXPECT_TRUE(again);
  EXPECT_EQ(Count("Late:added"), 1u) << "the record filed by the test is seen within the same call";
  EXPECT_EQ(Count("Restarting:r"), 2u);
}

TEST_F(DeferredTests, TheContextCarriesWalkerAndUserInterface) {
  static FixContext seen;
  struct Probe {
    static bool Test(FixContext& c) {
      seen = c;
      return false;
    }
  };
  File("p", &Probe::Test);
  bool again = false;
  walker_->RunDeferredTests(walker_, &status_, again);
  EXPECT_EQ(seen.walker, walker_);
  EXPECT_EQ(seen.ui, &status_);
  EXPECT_FALSE(seen.restart);
  seen = FixContext();
}

// The headless status ---------------------------------------------------------

TEST(HeadlessStatus, GoesOnUntilTheScheduledCancel) {
  Zentu::HeadlessStatus status;
  EXPECT_EQ(status.Progress("a", 0, 3), 0);
  status.ScheduleCancel(3);
  EXPECT_EQ(status.Progress(std::string("b"), 1, 3), 0);
  EXPECT_NE(status.Progress("c", 2, 3), 0);
  EXPECT_NE(status.Progress(nullptr, 3, 3), 0) << "once cancelled, it stays so";
  EXPECT_EQ(status.Reports(), 4);
  EXPECT_EQ(status.LastText(), "");
}

TEST(HeadlessStatus, QuestionsKeepTheirDefault) {
  Zentu::HeadlessStatus status;
  Zentu::StringAnswer a = status.AskString("t", "p", "default");
  EXPECT_EQ(a.answer, 0);
  EXPECT_EQ(a.text, "default");
  EXPECT_EQ(status.AskString("t", "p", nullptr).text, "");
}

TEST(HeadlessStatus, CountsTheOpenRecordsOfTheWalker) {
  Zentu::HeadlessStatus status;
  std::bitset<10> fixable(0xe0);
  EXPECT_EQ(status.CountResults(fixable), -1) << "no walker";
  boost::shared_ptr<PDFXPreflight> walker(new PDFXPreflight);
  status.SetWalker(walker);
  EXPECT_EQ(status.CountResults(std::bitset<10>()), -1) << "empty set";
  EXPECT_EQ(status.CountResults(fixable), 0);
  for (int severity : {5, 6, 6, 7, 4}) {
    walker->AddNodeError("m", "", severity, KIND_PAGE, PROBLEM_INVALID, enginetest::NodePtr(), enginetest::NodePtr());
  }
  EXPECT_EQ(status.CountResults(fixable), 4);
  walker->GetErrorList().front()->SetFixed(true);
  EXPECT_EQ(status.CountResults(fixable), 3);
  EXPECT_EQ(status.CountResults(std::bitset<10>(1 << 4)), 1);
}

}  // namespace
