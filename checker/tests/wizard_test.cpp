// The verdict dialog over given records, the buttons that reach the user
// interface, the two file choosers and their filters, the report's offer,
// and the file type's registration, in this process.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>

#include "checker/CheckerPlugIn.h"
#include "checker/FileChoosers.h"
#include "checker/Reports.h"
#include "checker/Results.h"
#include "checker/UIInterface.h"
#include "checker/WizardDlgADM.h"
#include "common/Prefs.h"
#include "dialogs/manager.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/FixContext.h"
#include "fix_fixture.h"
#include "testing/driver.h"

// The resources that progress_dialog_test.cpp exports for this program.
extern "C" const PIResourceDirectory PIResources;

namespace {

using Zentu::FileChoice;
using Zentu::Results;
using Zentu::WizardDlgADM;
typedef boost::shared_ptr<PDFXPreflight> WalkerPtr;

std::string Sample(const std::string& name) { return std::string(SAMPLES) + "/" + name + ".pdf"; }

// The user interface behind the dialogs: counts what the buttons ask of it,
// answers the settings with `settingsAnswer`, and records the file choices
// asked of it, answering none. `hostForm` keeps the host's chooser.
class FakeUI : public Zentu::WinUIInterface {
 public:
  int fixes = 0, details = 0, settingsAnswer = 0;
  bool hostForm = false, record = false;
  std::vector<std::string> asked;

  int FixDocument() override { return ++fixes; }
  void ShowDetails(const boost::shared_ptr<Results>&) override { ++details; }
  int ShowPreferences() override { return settingsAnswer; }
  FileChoice ChooseFile(bool save, const char* initialPath, const char* title, bool offerAllFiles, const char* filter,
                        const char* initialName, const char* defaultExtension) override {
    if (record) {
      asked = {save ? "save" : "open", initialPath ? initialPath : "(none)", title, offerAllFiles ? "all" : "",
               filter, initialName, defaultExtension};
      return FileChoice();
    }
    if (hostForm)
      return UIInterface::ChooseFile(save, initialPath, title, offerAllFiles, filter, initialName, defaultExtension);
    return WinUIInterface::ChooseFile(save, initialPath, title, offerAllFiles, filter, initialName, defaultExtension);
  }
};

struct Filed {
  int severity, kind, problem;
};

class WizardTest : public enginetest::FixFixture {
 protected:
  static void SetUpTestSuite() { hosttest::RegisterResources(&PIResources); }
  void SetUp() override {
    FixFixture::SetUp();
    // Made once the host and the settings' folder are in place.
    ui_.reset(new FakeUI);
    gUIStack.assign(1, ui_.get());
    host::SetAlertHandler([this](const host::AlertRequest& request) {
      alerts_.push_back(request.message);
      return 1;
    });
  }
  void TearDown() override {
    gUIStack.clear();
    ui_.reset();
    EXPECT_TRUE(host::OpenDialogs().empty());
    FixFixture::TearDown();
  }
  // A walker of a standard of that name holding the records.
  WalkerPtr Walker(const std::string& standard, const std::vector<Filed>& records) {
    ClearGlobalRegistries();
    Zentu::Conformance::Register(new enginetest::FixStandard(standard));
    WalkerPtr walker(new PDFXPreflight(ui_.get()));
    for (const Filed& f : records) walker->AddNodeError("m", "", f.severity, f.kind, f.problem, {}, {});
    return walker;
  }
  // The dialog as the user first sees it, closed with "Close".
  host::DialogView Show(const WalkerPtr& walker) {
    host::DialogView view;
    hosttest::TestDriver driver;
    driver.Look([&](ADMDialogRef dialog) { view = host::DescribeDialog(dialog); }).Press(1);
    WizardDlgADM(ui_.get(), boost::shared_ptr<Results>(new Results(walker))).DoModal();
    EXPECT_EQ(driver.StepsLeft(), 0u);
    return view;
  }
  static const host::ItemView& Item(const host::DialogView& view, ASInt32 id) {
    for (const auto& item : view.items)
      if (item.id == id) return item;
    static host::ItemView none{};
    return none;
  }

  std::unique_ptr<FakeUI> ui_;
  std::vector<std::string> alerts_;
};

const std::string kX1a = "PDF/X-1a:2001";
const std::string kInvalid = "This file isn't a valid ";
const std::string kClick = "\nClick the \"Details...\" button for more information";
const std::string kGood = "Congratulations!\nThis is a good PDF/X-1a:2001 file.\n";
const std::string kOneWorkflow = "However, there was 1 workflow error which cannot be fixed.\n";
const Filed kFixable{FIXABLE_ERROR, KIND_PAGE, PROBLEM_MISSING}, kUnfixable{UNFIXABLE_ERROR, KIND_PAGE, PROBLEM_INVALID};

TEST_F(WizardTest, TheVerdictFollowsTheCounts) {
  const struct {
    const char* name;
    std::string standard;
    std::vector<Filed> records;
    std::vector<std::pair<const char*, const char*>> settings;
    std::string text;
    ASInt32 resource, bitmap;
    bool fixAll, details, save;
  } rows[] = {
      {"two fixable", "PDF/X-3", {kFixable, kFixable}, {},
       kInvalid + "PDF/X-3 file.  There were 2 errors which can be automatically fixed by clicking the \"Fix all\" "
                  "button.  " + kClick, 137, 117, true, true, false},
      {"one fixable, three not", kX1a, {kFixable, kUnfixable, kUnfixable, kUnfixable}, {},
       kInvalid + kX1a + " file.  There was 1 error which can be fixed.  However, there were 3 errors which can not "
                         "be fixed.  " + kClick, 137, 117, true, true, false},
      {"one not fixable", kX1a, {kUnfixable}, {},
       kInvalid + kX1a + " file.  There was 1 error which can not be fixed.  " + kClick, 137, 117, false, true, false},
      {"a missing font", kX1a, {{UNFIXABLE_ERROR, KIND_FONT, PROBLEM_NOT_EMBEDDED}}, {},
       kInvalid + kX1a + " file.  There was 1 error which can not be fixed.  There were 1 missing fonts.  " + kClick,
       137, 117, false, true, false},
      {"an image out of range", kX1a, {{WORKFLOW_ERROR, KIND_IMAGE, PROBLEM_IMAGE_RESOLUTION}},
       {{"min_image_dpi", "150"}, {"max_image_dpi", "400"}},
       kGood + kOneWorkflow +
           "\n1 image has a resolution that is  not in the range set in workflow settings (150 DPI - 400 DPI).\n",
       138, 131, false, true, true},
      {"the same without the limits", kX1a, {{WORKFLOW_ERROR, KIND_IMAGE, PROBLEM_IMAGE_RESOLUTION}}, {},
       kGood + kOneWorkflow + "\n1 image has a resolution that is  not in the range set in workflow settings ( DPI -  DPI).\n",
       138, 131, false, true, true},
      {"too many spot colours", kX1a, {{WORKFLOW_ERROR, KIND_COLORSPACE, PROBLEM_TOO_MANY_SPOTS}}, {{"max_spots", "2"}},
       kGood + kOneWorkflow + "\nNumber of spot colors (3) exceeds workflow maximum of 2.  Spot colors used: A, B, C\n",
       138, 131, false, true, true},
      {"nothing", kX1a, {}, {}, kGood, 137, 114, false, false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Prefs::Section().clear();
    for (const auto& setting : row.settings) Prefs::Set(setting.first, setting.second);
    WalkerPtr walker = Walker(row.standard, row.records);
    walker->GetConformance()->spotColorNames = {"A", "B", "C"};
    host::DialogView view = Show(walker);
    EXPECT_EQ(view.number, row.resource);
    EXPECT_EQ(view.name, "Zent:PDF/X Corvane 3:WizardDlgADM");
    EXPECT_EQ(Item(view, WizardDlgADM::kVerdictItem).text, row.text);
    EXPECT_EQ(Item(view, WizardDlgADM::kPictureItem).text, "bitmap " + std::to_string(row.bitmap));
    EXPECT_EQ(Item(view, WizardDlgADM::kFixAllItem).enabled, row.fixAll);
    EXPECT_EQ(Item(view, WizardDlgADM::kDetailsItem).enabled, row.details);
    EXPECT_EQ(Item(view, WizardDlgADM::kSaveItem).enabled, row.save);
    for (ASInt32 id : {1, 1024, 1027}) EXPECT_TRUE(Item(view, id).enabled) << id;
  }
}

TEST_F(WizardTest, AnOpenVerificationProblemThrowsAndShowsNothing) {
  hosttest::TestDriver driver;
  WizardDlgADM wizard(ui_.get(), boost::shared_ptr<Results>(new Results(Walker(kX1a, {{PROBLEM, KIND_NONE, PROBLEM_GENERAL}}))));
  try {
    wizard.DoModal();
    ADD_FAILURE() << "the verdict was shown";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Need to handle PDFX_Error::PROBLEM case");
  }
}

// "Fix all" recounts; "Details..." and "Settings..." reach the user
// interface, and changed settings close the verdict.
TEST_F(WizardTest, ButtonsReachTheUserInterface) {
  WalkerPtr walker = Walker(kX1a, {kFixable});
  host::DialogView fixed;
  hosttest::TestDriver driver;
  driver.Look([&](ADMDialogRef) { walker->GetErrorList().front()->SetFixed(true); })
      .Press(WizardDlgADM::kFixAllItem)
      .Look([&](ADMDialogRef dialog) { fixed = host::DescribeDialog(dialog); })
      .Press(WizardDlgADM::kDetailsItem)
      .Press(WizardDlgADM::kSettingsItem);
  ui_->settingsAnswer = 1;
  EXPECT_EQ(WizardDlgADM(ui_.get(), boost::shared_ptr<Results>(new Results(walker))).DoModal(), 1);
  EXPECT_EQ(driver.StepsLeft(), 0u);
  EXPECT_EQ(Item(fixed, WizardDlgADM::kVerdictItem).text, kGood);
  EXPECT_EQ(Item(fixed, WizardDlgADM::kPictureItem).text, "bitmap 114");
  EXPECT_FALSE(Item(fixed, WizardDlgADM::kFixAllItem).enabled);
  EXPECT_TRUE(Item(fixed, WizardDlgADM::kSaveItem).enabled);
  EXPECT_EQ(ui_->fixes, 1);
  EXPECT_EQ(ui_->details, 1);
  EXPECT_FALSE(ui_->PreferencesChanged());
}

// A deferred test that files a record of a failed verification after the
// walk: the verdict throws, the check's catch tells it and closes all.
TEST_F(WizardTest, AProblemFiledLateEndsTheCheckWithANote) {
  auto* standard = new enginetest::FixStandard("Late");
  standard->pageBoxes = [](PDFXPreflight& walker, const enginetest::NodePtr&, const enginetest::NodePtr&,
                           const enginetest::NodePtr&) {
    walker.AddNodeError("later", "", UNFIXABLE_ERROR, KIND_PAGE, PROBLEM_GENERAL, {}, {})
        ->SetDeferredTest([](FixContext& context) {
          context.walker->AddNodeError("broken", "", PROBLEM, KIND_NONE, PROBLEM_GENERAL, {}, {});
          return false;
        });
  };
  ASSERT_TRUE(Zentu::Conformance::Register(standard));
  host::OpenInView(Sample("x1a-good"));
  hosttest::TestDriver driver;
  ASInt32 command = kCommandCheck;
  DoCommand(&command);
  EXPECT_EQ(alerts_, std::vector<std::string>{"Need to handle PDFX_Error::PROBLEM case"});
  EXPECT_TRUE(host::OpenDialogs().empty());
  EXPECT_FALSE(ui_->CloseChecker());
}

// Each text with its zero byte.
std::string Texts(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += text + '\0';
  return joined;
}

TEST_F(WizardTest, FilterStringsMakeThePlatformsFilterAndTheHostsRecords) {
  const struct {
    const char* filter;
    bool all;
    std::string text;
  } rows[] = {
      {"Log files|log|TEXT", true, Texts({"Log files (*.log)", "*.log", "All files", "*.*", ""})},
      {"ICC profile files|icc;icm|prof", true,
       Texts({"ICC profile files (*.icc;*.icm)", "*.icc;*.icm", "All files", "*.*", ""})},
      {"a|b|c|d|e", false, Texts({"a (*.b)", "*.b", ""})},
      {"", false, Texts({""})},
  };
  for (const auto& row : rows) EXPECT_EQ(Zentu::PlatformFilterText(row.filter, row.all), row.text) << row.filter;

  const int texts = hosttest::LiveTexts();
  const std::string wide(32, 'x');
  std::vector<Zentu::FilterGroup> groups;
  EXPECT_FALSE(Zentu::ParseFilter("a|b", groups));
  ASSERT_TRUE(Zentu::ParseFilter("x|icc;icm|prof|wide|" + wide + "|t|none||t", groups));
  {
    Zentu::HostFilterRecords records(groups);
    ASSERT_EQ(records.Count(), 3);
    const AVFileFilterRec& icc = *records.Records()[0];
    ASSERT_EQ(icc.count, 2);
    EXPECT_STREQ(icc.descriptors[0].extension, "icc");
    EXPECT_STREQ(icc.descriptors[1].extension, "icm");
    EXPECT_EQ(std::memcmp(records.Records()[1]->descriptors[0].extension, wide.data(), 32), 0);
    EXPECT_EQ(records.Records()[2]->count, 0);
    EXPECT_EQ(hosttest::LiveTexts(), texts + 3);
  }
  ASSERT_TRUE(Zentu::ParseFilter("", groups));
  EXPECT_EQ(Zentu::HostFilterRecords(groups).Records(), nullptr);
  EXPECT_EQ(hosttest::LiveTexts(), texts);
}

// Both forms through the host's dialogs (the platform's cancel and failure are
// the report's, as plughost runs it): an answer, a cancel, a malformed filter;
// nothing of the host's is left alive.
TEST_F(WizardTest, TheChoosersAnswerAPathOrTellWhyNot) {
  const int texts = hosttest::LiveTexts(), paths = hosttest::LivePaths();
  char folder[4096];
  ASSERT_NE(::getcwd(folder, sizeof folder), nullptr);
  const struct {
    bool hostForm;
    const char* filter;
    std::function<void(hosttest::TestDriver&)> answer;
    std::string path, alert;
  } rows[] = {
      {false, "Log files|log|TEXT", [](hosttest::TestDriver& d) { d.AnswerFile("r"); }, "/r.log", ""},
      {true, "x|icc;icm|prof", [](hosttest::TestDriver& d) { d.AnswerFile("p"); }, "/p.icc", ""},
      {true, "x|icc;icm|prof", [](hosttest::TestDriver& d) { d.CancelFile(); }, "", ""},
      {true, "a|b", nullptr, "", "Invalid filter"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.filter + std::string(row.hostForm ? " (host)" : ""));
    alerts_.clear();
    hosttest::TestDriver driver;
    if (row.answer) row.answer(driver);
    ui_->hostForm = row.hostForm;
    {
      FileChoice choice = ui_->ChooseFile(true, "/tmp", "Title", true, row.filter, "name", "log");
      EXPECT_EQ(choice.chosen, !row.path.empty());
      EXPECT_EQ(choice.path.Text(), row.path.empty() ? "" : folder + row.path);
      EXPECT_EQ(choice.path.Path() != nullptr, choice.chosen);
    }
    EXPECT_EQ(driver.Files().size(), row.answer ? 1u : 0u);
    EXPECT_EQ(alerts_, row.alert.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.alert});
    EXPECT_EQ(hosttest::LiveTexts(), texts);
    EXPECT_EQ(hosttest::LivePaths(), paths);
  }
}

// The report offers the document's name with ".log" in its folder.
TEST_F(WizardTest, TheReportOffersTheDocumentsNameInItsFolder) {
  PDDoc doc = host::OpenDocument(Sample("x1a-good"));
  ui_->record = true;
  Zentu::TextReport report(doc);
  EXPECT_FALSE(report.ChooseFileName(ui_.get()));
  EXPECT_EQ(ui_->asked, (std::vector<std::string>{"save", SAMPLES, "Select output file", "all", "Log files|log|TEXT",
                                                 "x1a-good.pdf.log", "log"}));
  EXPECT_EQ(report.DocumentPath(), Sample("x1a-good"));
  EXPECT_EQ(report.GetFileName(), "");
}

std::string DefaultValue(const std::string& path) {
  WinRegKey key = nullptr;
  if (WinRegOpenKey(winHiveClassesRoot, path.c_str(), &key) != 0) return "(no key)";
  std::string value = "(no value)";
  const char *name = nullptr, *data = nullptr;
  ASUns32 type = 0, size = 0;
  for (ASUns32 i = 0; WinRegEnumValue(key, i, &name, &type, &data, &size) == 0; ++i)
    if (!*name) value.assign(data, size);
  WinRegCloseKey(key);
  return value;
}

void SetDefault(const std::string& path, const std::string& value) {
  WinRegKey key = nullptr;
  ASSERT_EQ(WinRegBeginRewrite(winHiveClassesRoot, path.c_str(), "String", &key), 0);
  WinRegSetValue(key, "", winRegSz, value.c_str(), static_cast<ASUns32>(value.size() + 1));
  ASSERT_EQ(WinRegCommit(key), 0);
  WinRegCloseKey(key);
}

TEST_F(WizardTest, TheFileTypeIsRegisteredOnce) {
  SetDefault("AcroExch.Document\\shell\\open\\command", "viewer \"%1\"");
  SetDefault("AcroExch.Document\\shell\\print\\command", "viewer /p \"%1\"");
  ui_->RegisterFileType();
  char module[1024];
  WinModuleFileName(reinterpret_cast<const void*>(&Zentu::PlatformFilterText), module, sizeof module);
  const std::pair<const char*, std::string> keys[] = {
      {".pdfx", std::string("pdfxfile", 9)},
      {"pdfxfile", std::string("PDF/X Document", 15)},
      {"pdfxfile\\DefaultIcon", std::string(module) + ",0" + '\0'},
      {"pdfxfile\\shell", "(no value)"},
      {"pdfxfile\\shell\\open", "(no value)"},
      {"pdfxfile\\shell\\open\\command", std::string("viewer \"%1\"", 12)},
      {"pdfxfile\\shell\\print", "(no value)"},
      {"pdfxfile\\shell\\print\\command", std::string("viewer /p \"%1\"", 15)},
  };
  for (const auto& key : keys) EXPECT_EQ(DefaultValue(key.first), key.second) << key.first;

  // Every write renames a new hive over the old one.
  const std::string hive = home_.File("settings/registry/classes.txt");
  struct stat before {}, after {};
  ASSERT_EQ(::stat(hive.c_str(), &before), 0);
  ui_->RegisterFileType();
  ASSERT_EQ(::stat(hive.c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
}

}  // namespace
