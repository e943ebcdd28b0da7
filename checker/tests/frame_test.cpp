// The checker's frame and user-interface object in this process: commands
// and their enabling, the result codes from the counts, the object's
// operations at their edges, the version written after a fix, and unload.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>

#include "checker/CheckerDlgADM.h"
#include "checker/CheckerPlugIn.h"
#include "checker/Results.h"
#include "checker/UIInterface.h"
#include "checker/WizardDlgADM.h"
#include "common/CommonDialogs.h"
#include "common/Prefs.h"
#include "dialogs/manager.h"
#include "engine/Conformance.h"
#include "engine/Fixers.h"
#include "testing/driver.h"
#include "testing/pdfmaker.h"

namespace {

PI_EXPORT_RESOURCES(&Zentu::kCheckerResources, &Zentu::kWizardResources, &Zentu::kCommonResources);

std::string Sample(const std::string& name) { return std::string(SAMPLES) + "/" + name + ".pdf"; }

// The user interface a test puts in place of the plug-in's own: given
// counts, no dialogs, and a verdict dialog that may throw.
class FakeUI : public Zentu::WinUIInterface {
 public:
  std::map<unsigned long, int> counts;  // by mask; -1: no results
  bool throwInWizard = false;

  bool ShowChecker() override { return true; }
  bool RunCheck() override {
    if (!throwInWizard) return true;
    return UIInterface::ShowChecker() && UIInterface::RunCheck();
  }
  int CountResults(const std::bitset<10>& severities) override {
    auto it = counts.find(severities.to_ulong());
    return it == counts.end() ? 0 : it->second;
  }

 protected:
  void RunWizardDialog(const boost::shared_ptr<Zentu::Results>&) override {
    if (throwInWizard) throw std::runtime_error("The verdict failed");
  }
};

class FrameTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    hosttest::BindTables();
    hosttest::RegisterResources(&PIResources);
  }
  void SetUp() override {
    ::setenv("PLUGHOST_HOME", home_.File("settings").c_str(), 1);
    Prefs::Section().clear();
    callbacks_ = hosttest::LiveCallbacks();
    notifications_ = hosttest::NotificationCount();
    host::SetAlertHandler([this](const host::AlertRequest& request) {
      alerts_.push_back(request.message);
      return answer_;
    });
    ASSERT_TRUE(PluginInit());
  }
  void TearDown() override {
    gUIStack.clear();
    if (gUIInterface) {
      EXPECT_TRUE(PluginUnload());
    }
    host::SetAlertHandler(nullptr);
    host::CloseAllDocuments();
    Prefs::Section().clear();
    EXPECT_TRUE(host::OpenDialogs().empty());
  }
  // Runs a command as its menu item does.
  void Command(ASInt32 command) { DoCommand(&command); }

  hosttest::TempDir home_;
  std::vector<std::string> alerts_;
  int answer_ = 2;
  int callbacks_ = 0, notifications_ = 0;
};

TEST_F(FrameTest, CommandsAreEnabledByConstantAndDocument) {
  const struct {
    ASInt32 command;
    bool withoutDocument, withDocument;
  } rows[] = {{kCommandAbout, true, true}, {kCommandCheck, false, true}, {kCommandRemoveKeys, false, true},
              {3, false, false},           {-1, false, false}};
  for (bool open : {false, true}) {
    if (open) host::OpenInView(Sample("x1a-good"));
    for (const auto& row : rows) {
      ASInt32 command = row.command;
      EXPECT_EQ(IsCommandEnabled(&command) != 0, open ? row.withDocument : row.withoutDocument) << command;
    }
  }
  Command(3);
  EXPECT_EQ(alerts_, std::vector<std::string>{"Internal Error: Unknown Cammand Constant."});
}

// The driver's answer follows from what is left open; the dispatcher adds
// its note only to a zero. A check that failed left no results at all.
TEST_F(FrameTest, TheResultCodeFollowsTheCountsLeft) {
  const char kNote[] = "Zentu PDF/X Corvane 3:  Error trying to check document";
  const struct {
    std::map<unsigned long, int> counts;
    int result;
  } rows[] = {
      {{}, 1},
      {{{Zentu::Results::kErrors, 1}, {Zentu::Results::kUnfixable, 1}, {Zentu::Results::kProblems, 1}}, 3},
      {{{Zentu::Results::kProblems, 1}}, 0},
      {{{Zentu::Results::kErrors, -1}}, 0},
  };
  // Without an information dictionary, errors left ask nothing.
  host::ShowInView(host::OpenDocumentBytes(hosttest::MakePagesPdf(1), "no info"));
  for (const auto& row : rows) {
    FakeUI ui;
    ui.counts = row.counts;
    gUIStack.assign(1, &ui);
    alerts_.clear();
    EXPECT_EQ(RunCheckCommand(), row.result);
    Command(kCommandCheck);
    EXPECT_EQ(alerts_, row.result == 0 ? std::vector<std::string>{kNote} : std::vector<std::string>{});
  }
}

TEST_F(FrameTest, AThrowingVerdictIsShownAndTheCheckerClosed) {
  host::OpenInView(Sample("x1a-good"));
  FakeUI ui;
  ui.throwInWizard = true;
  gUIStack.assign(1, &ui);
  Command(kCommandCheck);
  EXPECT_EQ(alerts_, std::vector<std::string>{"The verdict failed"});
  EXPECT_EQ(ui.GetWalker(), nullptr);
  EXPECT_FALSE(ui.CloseChecker());
}

TEST_F(FrameTest, TheUserInterfaceAtItsEdges) {
  Zentu::UIInterface& ui = *CurrentUIInterface();
  EXPECT_EQ(ui.Progress("Checking", 0, 1), -1);
  EXPECT_FALSE(ui.RunCheck());
  EXPECT_EQ(ui.GetWalker(), nullptr);
  ASSERT_TRUE(ui.ShowChecker());
  EXPECT_EQ(ui.Progress("Checking", 0, 1), 0);
  EXPECT_TRUE(ui.CloseChecker());
  EXPECT_EQ(ui.Progress("Checking", 0, 1), -1);
  EXPECT_FALSE(ui.CloseChecker());

  hosttest::TestDriver driver;
  driver.Press(2, 136).SetText(1005, "typed", 136).Press(1, 136).Press(2, 136);
  const struct {
    const char* preset;
    int answer;
    const char* text;
  } rows[] = {{"kept", 0, "kept"}, {"kept", 1, "typed"}, {nullptr, 0, ""}};
  for (const auto& row : rows) {
    Zentu::StringAnswer answer = ui.AskString("Title", "Prompt", row.preset);
    EXPECT_EQ(answer.answer, row.answer);
    EXPECT_EQ(answer.text, row.text);
  }
  EXPECT_EQ(driver.StepsLeft(), 0u);
}

// The four defaults reach memory only, and only an empty section gets them.
TEST_F(FrameTest, WorkflowDefaultsFillOnlyAnEmptySection) {
  host::OpenInView(Sample("x1a-good"));
  hosttest::TestDriver driver;
  driver.Press(1, 137);
  EXPECT_EQ(RunCheckCommand(), 1);
  EXPECT_EQ(alerts_, std::vector<std::string>{});
  EXPECT_EQ(Prefs::Section(),
            (Prefs::SectionMap{{"default_condition", "CGATS TR 001"},
                               {"default_profile_info_key", "SWOP CGATS TR 001-1995"},
                               {"max_1bit_dpi", "1200"},
                               {"max_image_dpi", "400"},
                               {"min_1bit_dpi", "300"},
                               {"min_image_dpi", "150"}}));
  EXPECT_FALSE(hosttest::FileExists(home_.File("settings/registry/current_user.txt")));
  // The check showed the wait cursor and put back the one before it.
  EXPECT_EQ(hosttest::CurrentCursor(), 0);

  Prefs::Section().clear();
  Prefs::Set("conformance", "PDF/X-3");
  CurrentUIInterface()->LoadWorkflowSettings();
  EXPECT_EQ(Prefs::Section(), (Prefs::SectionMap{{"conformance", "PDF/X-3"}}));
}

// Before a save the Info entry of the last fix chooses the version written.
TEST_F(FrameTest, TheVersionEntryChoosesTheVersionSaved) {
  const struct {
    const char* entry;
    const char* header;
  } rows[] = {{"1.3", "%PDF-1.3"}, {"abc", "%PDF-1.5"}, {"9.99", "%PDF-1.5"}, {"0001.0000004", "%PDF-1.4"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.entry);
    PDDoc doc = host::OpenDocument(Sample("xref-stream"));
    PDDocSetInfo(doc, "Zent_PDFX_Corvane", row.entry, static_cast<ASInt32>(std::strlen(row.entry)));
    const std::string out = home_.File("out.pdf");
    host::SaveDocument(doc, out);
    host::CloseDocument(doc);
    const std::string bytes = hosttest::ReadFile(out);
    EXPECT_EQ(bytes.compare(0, 8, row.header), 0) << bytes.substr(0, 8);
    const bool classic = row.header < std::string("%PDF-1.5");
    EXPECT_EQ(bytes.find("\nxref\n") != std::string::npos, classic);
    EXPECT_EQ(bytes.find("/ObjStm") == std::string::npos, classic);
  }
}

TEST_F(FrameTest, UnloadTakesDownWhatInitMade) {
  // Nobody publishes the optional table: it stays none, and that is no fault.
  EXPECT_TRUE(PluginImportReplaceAndRegister());
  EXPECT_EQ(gFormsHFT, nullptr);
  ASSERT_TRUE(PluginUnload());
  EXPECT_EQ(hosttest::LiveCallbacks(), callbacks_);
  EXPECT_EQ(hosttest::NotificationCount(), notifications_);
  EXPECT_TRUE(Zentu::Conformance::RegisteredNames().empty());
  EXPECT_EQ(Zentu::GlobalFixers::InfoDict(), nullptr);
  EXPECT_EQ(gUIInterface, nullptr);
  EXPECT_TRUE(gUIStack.empty());
  for (const auto& entry : host::MenuTree()) EXPECT_NE(entry.name, "Zent:PDFXCorvane3");
  std::vector<std::string> buttons;
  for (const auto& button : host::ToolBarButtons()) buttons.push_back(button.name);
  EXPECT_EQ(buttons, std::vector<std::string>{"endToolsGroup"});
}

}  // namespace
