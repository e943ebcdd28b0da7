// The preferences dialog as a user meets it: what it shows on the stored
// settings, what OK refuses, the profiles Browse lists, what OK and Cancel
// leave in the registry; the settings base under it; a plughost run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "checker/CheckerDlgADM.h"
#include "checker/CheckerPlugIn.h"
#include "checker/PreferencesDlgADM.h"
#include "checker/UIInterface.h"
#include "common/ADMSuites.h"
#include "common/CommonDialogs.h"
#include "common/Prefs.h"
#include "dialogs/manager.h"
#include "engine/tests/profile_bytes.h"
#include "testing/driver.h"
#include "testing/pdfmaker.h"
#include "testing/processes.h"

namespace {

PI_EXPORT_RESOURCES(&Zentu::kCheckerResources, &Zentu::kCommonResources);

using Texts = std::vector<std::string>;
const std::string kPrefix = "Zentu PDF/X Corvane 3:  ";

// File choosers answered in turn (an empty path cancels); what was asked is kept.
struct ChooserUI : Zentu::WinUIInterface {
  Texts answers, asked;
  Zentu::FileChoice ChooseFile(bool save, const char* path, const char* title, bool all, const char* filter,
                               const char* name, const char* extension) override {
    asked.push_back(std::string(save ? "save " : "open ") + title + (all ? " all " : " ") + filter +
                    (path || name || extension ? " more" : ""));
    Zentu::FileChoice choice;
    if (!answers.empty()) choice.path.SetText(answers.front()), answers.erase(answers.begin());
    choice.chosen = !choice.path.Text().empty();
    return choice;
  }
};

host::ItemView ItemOf(ADMDialogRef dialog, ASInt32 id) {
  for (const auto& item : host::DescribeDialog(dialog).items)
    if (item.id == id) return item;
  ADD_FAILURE() << "no item " << id;
  return host::ItemView{};
}

Texts Entries(ADMDialogRef dialog, ASInt32 id) {
  Texts texts;
  for (const auto& entry : host::DescribeList(ItemOf(dialog, id).ref)) texts.push_back(entry.text);
  return texts;
}

std::string Module(const char* file) { return GetModulePath() + "/" + file; }

// "+1032" ticks a box or radio button, "-1032" clears it, "1036=401" types,
// "#1026=1" chooses an entry by index, "1053" presses.
void Steps(hosttest::TestDriver& driver, const Texts& steps) {
  for (const std::string& step : steps) {
    size_t eq = step.find('=');
    if (step[0] == '+' || step[0] == '-')
      driver.Check(std::stoi(step.substr(1)), step[0] == '+');
    else if (step[0] == '#')
      driver.Choose(std::stoi(step.substr(1, eq - 1)), std::stoi(step.substr(eq + 1)));
    else if (eq != std::string::npos)
      driver.SetText(std::stoi(step.substr(0, eq)), step.substr(eq + 1));
    else
      driver.Press(std::stoi(step));
  }
}

class PreferencesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    hosttest::BindTables();
    hosttest::RegisterResources(&PIResources);
  }
  void SetUp() override {
    ::setenv("PLUGHOST_HOME", home_.File("settings").c_str(), 1);
    Prefs::Section().clear();
    host::SetAlertHandler([this](const host::AlertRequest& request) {
      notes_.push_back(request.message);
      return 1;
    });
    ASSERT_TRUE(PluginInit());
    gUIStack.push_back(&ui_);
  }
  void TearDown() override {
    gUIStack.clear();
    EXPECT_TRUE(PluginUnload());
    host::SetAlertHandler(nullptr);
    EXPECT_TRUE(host::OpenDialogs().empty());
  }
  // On settings as a fresh installation has them, plus `settings`: the item
  // that ended the dialog.
  int Run(hosttest::TestDriver& driver, const std::map<std::string, std::string>& settings = {}) {
    std::remove(Hive().c_str());
    Prefs::Section().clear();
    ui_.LoadWorkflowSettings();
    for (const auto& setting : settings) Prefs::Set(setting.first, setting.second);
    notes_.clear();
    int answer = CurrentUIInterface()->ShowPreferences();
    EXPECT_EQ(driver.StepsLeft(), 0u);
    return answer;
  }
  std::string Hive() const { return home_.File("settings/registry/current_user.txt"); }
  // The settings as the registry file holds them.
  Prefs::SectionMap Stored() const {
    Prefs::Section().clear();
    EXPECT_TRUE(Prefs::Load());
    return Prefs::Section();
  }
  std::string Profile(const char* name, const char* deviceClass, const char* space, const std::string& description) {
    hosttest::WriteFile(home_.File(name), enginetest::ProfileBytes(deviceClass, space, description));
    return home_.File(name);
  }

  hosttest::TempDir home_;
  ChooserUI ui_;
  Texts notes_;
};

// Masters refresh in ascending identifier: 1030 is enabled though 1029 is off.
TEST_F(PreferencesTest, FreshSettingsOpenOnTheFirstStandardAndItsFirstCondition) {
  hosttest::ClearCallLog();
  hosttest::TestDriver driver;
  driver.Look([](ADMDialogRef d) {
    EXPECT_EQ(host::DescribeDialog(d).title, "Preferences");
    EXPECT_EQ(Entries(d, 1026), (Texts{"PDF/X-1a:2001", "PDF/X-3"}));
    EXPECT_EQ(Entries(d, 1028).size(), 11u);
    // Each item's text; "-" before the identifier: disabled.
    for (std::string row : {"1026 PDF/X-1a:2001", "1028 CGATS TR 001", "1043 SWOP CGATS TR 001-1995",
                            "1030 Automatically fix", "-1031 ", "-1042 Browse...", "-1036 150", "-1037 400",
                            "-1054 300", "-1055 1200", "-1039 ", "1032 PDF/X Plus Workflow Checks"}) {
      host::ItemView item = ItemOf(d, std::abs(std::stoi(row)));
      EXPECT_EQ((item.enabled ? "" : "-") + std::to_string(item.id) + " " + item.text, row);
    }
    for (ASInt32 id : {1033, 1034, 1035, 1038, 1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051, 1052, 1053})
      EXPECT_FALSE(ItemOf(d, id).enabled) << id;
    EXPECT_TRUE(ItemOf(d, 1056).on && !ItemOf(d, 1057).on && !ItemOf(d, 1029).on);
    EXPECT_EQ(ItemOf(d, 1036).high, 4000.0);
    // Entry 33 left pop-up 1031 in view with its list closed; it hides other items.
    const auto& log = hosttest::CallLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "item 1031 list closed"), log.end());
    ADMRect bounds{0, 0, 100, 16};
    ADMItem::Show(ADMDialog::CreateItem(d, 7, ADM_ITEM_SCROLLBAR, &bounds, nullptr, nullptr, 0), 0);
    EXPECT_FALSE(ItemOf(d, 7).visible);
  });
  driver.Choose(1026, 1).Look([](ADMDialogRef d) {
    EXPECT_EQ(Entries(d, 1028).back(), "eciRGB");
    for (ASInt32 id = 1044; id <= 1053; ++id) EXPECT_TRUE(ItemOf(d, id).enabled) << id;
  });
  driver.Choose(1026, 0).Look([](ADMDialogRef d) { EXPECT_FALSE(ItemOf(d, 1052).enabled); }).Press(2);
  EXPECT_EQ(Run(driver), 2);
  EXPECT_TRUE(notes_.empty());
  EXPECT_FALSE(hosttest::FileExists(Hive()));
}

TEST_F(PreferencesTest, BrowseListsOnlyProfilesThatFitTheirList) {
  const std::string prtr = Module("OF COM PO P1 F60.icc"), rgb = Profile("display.icc", "mntr", "RGB ", "eciRGB");
  const std::string scnr = Profile("scanner.icc", "scnr", "CMYK", "Scanner");
  const std::string unlisted =
      kPrefix +
      "A profile whose description is empty or contains \"|\", or whose path contains \"|\", cannot be listed";
  hosttest::WriteFile(home_.File("bad.icc"), "not a profile");
  OutputIntentRecord bad;
  bad.LoadFile(home_.File("bad.icc"));
  const std::string unreadable = "Error loading profile:  " + bad.extraText + "\nPlease choose another file.";
  const struct {
    Texts steps;  // before the Browse button's press
    ASInt32 button, popup;
    std::string file;  // empty: cancelled
    std::string note;
    Texts listed;
  } rows[] = {
      {{"#1026=1"}, 1053, 1052, rgb, kPrefix + "Must be a CMYK profile", {}},
      {{"#1026=1"}, 1053, 1052, prtr, "", {"OF COM PO P1 F60"}},
      {{"#1026=1"}, 1047, 1046, rgb, "", {"eciRGB"}},
      {{"#1026=1"}, 1053, 1052, bad.file, unreadable, {}},
      {{"#1026=1"}, 1053, 1052, Profile("rgb.icc", "mntr", "RGB ", ""), "", {}},
      {{"#1026=1"}, 1053, 1052, "", "", {}},
      {{"#1026=1"}, 1053, 1052, Profile("piped.icc", "prtr", "CMYK", "A|B"), unlisted, {}},
      {{"#1026=1"}, 1053, 1052, Profile("nameless.icc", "prtr", "CMYK", ""), unlisted, {}},
      {{"#1026=1", "+1057"}, 1042, 1031, scnr, kPrefix + "Must be an output profile", {}},
      {{"#1026=1", "+1057"}, 1042, 1031, prtr, "", {"OF COM PO P1 F60"}},
      {{"+1057"}, 1042, 1031, prtr, kPrefix + "Must be a Device to PCS: Colorimetric rendering intent profile", {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file + " with " + std::to_string(row.button));
    ui_.asked.clear();
    ui_.answers = {row.file};
    hosttest::TestDriver driver;
    Steps(driver, row.steps);
    driver.Press(row.button).Look([&](ADMDialogRef d) {
      EXPECT_EQ(Entries(d, row.popup), row.listed);
      EXPECT_EQ(ItemOf(d, row.popup).text, row.listed.empty() ? "" : row.listed.back());
    });
    EXPECT_EQ(Run(driver.Press(2)), 2);
    EXPECT_EQ(ui_.asked, Texts{"open Select ICC profile file all ICC profile files|icc;icm|prof"});
    EXPECT_EQ(notes_, row.note.empty() ? Texts{} : Texts{row.note});
  }
}

TEST_F(PreferencesTest, OkWritesEverySettingAndCancelNothing) {
  const std::string ansi = Module("ANSI TR 001.icc"), prtr = Module("OF COM PO P1 F60.icc");
  ui_.answers = {prtr, ansi};
  hosttest::TestDriver driver;
  Steps(driver, {"#1026=1", "1053", "1053", "1043=", "+1029", "1"});
  EXPECT_EQ(Run(driver), 1);
  Prefs::SectionMap stored = Stored();
  EXPECT_EQ(stored.size(), 1u + 13u + 2u + 12u);
  const std::map<std::string, std::string> expected = {
      {"conformance", "PDF/X-3"}, {"default_condition_type", "name"}, {"default_condition", "CGATS TR 001"},
      {"default_profile_info_key", ""}, {"fail_if_CPC_not_default", "true"}, {"auto_fix_to_default_CPC", "false"},
      {"min_1bit_dpi", "300"}, {"max_spots", ""}, {"cmyk_profile_names", "OF COM PO P1 F60|CGATS TR 001"},
      {"cmyk_profile_filenames", prtr + "|" + ansi}, {"cmyk_profile", "CGATS TR 001"}, {"gray_profile_names", ""}};
  for (const auto& key : expected) EXPECT_EQ(stored[key.first], key.second) << key.first;
  EXPECT_EQ(PDFXPreflight(&ui_).GetConformance()->name, "PDF/X-3");

  // Cancel after changes: the registry file stays byte for byte.
  const std::string before = hosttest::ReadFile(Hive());
  Steps(driver, {"#1026=0", "+1032", "2"});
  EXPECT_EQ(CurrentUIInterface()->ShowPreferences(), 2);
  EXPECT_EQ(hosttest::ReadFile(Hive()), before);
}

// A first printing-condition profile that PDF/X-3 does not take empties that
// list at the switch, in the dialog only; stored lists pair names and files
// as far as both go; only "profile" chooses a profile.
TEST_F(PreferencesTest, StoredSettingsAreReadAsTheyStand) {
  const std::string scnr = Profile("scanner.icc", "scnr", "CMYK", "Scanner");
  const struct {
    std::map<std::string, std::string> settings;
    bool profileChosen;
    Texts conditionProfiles, grayProfiles;
  } rows[] = {
      {{{"default_condition_type", "Profile"}}, false, {}, {}},
      {{{"default_condition_type", "profile"}, {"default_profile_names", "Scanner"},
        {"default_profile_filenames", scnr}}, true, {"Scanner"}, {}},
      {{{"conformance", "PDF/X-3"}, {"gray_profile_names", "A|B|C"}, {"gray_profile_filenames", "a.icc|b.icc"}},
       false, {}, {"A", "B"}},
  };
  for (const auto& row : rows) {
    hosttest::TestDriver driver;
    driver.Look([&](ADMDialogRef d) {
      EXPECT_EQ(ItemOf(d, 1057).on, row.profileChosen);
      EXPECT_EQ(ItemOf(d, 1056).on, !row.profileChosen);
      EXPECT_EQ(Entries(d, 1031), row.conditionProfiles);
      EXPECT_EQ(Entries(d, 1046), row.grayProfiles);
      EXPECT_EQ(ItemOf(d, 1046).text, row.grayProfiles.empty() ? "" : "B");
    });
    if (row.profileChosen)
      driver.Choose(1026, 1).Look(
          [](ADMDialogRef d) { EXPECT_EQ(Entries(d, 1031).size() + ItemOf(d, 1031).text.size(), 0u); });
    EXPECT_EQ(Run(driver.Press(2), row.settings), 2);
    EXPECT_EQ(Prefs::Section()["default_profile_names"], row.profileChosen ? "Scanner" : "");
  }
}

struct CountingDialog : Zentu::ADMSettingsDialog {
  int binds = 0;
  void BindSettings() override {
    ++binds;
    Bind(1029, nullptr, "flag");
    Bind(1043, &binds, "text");
  }
  void DestroySelf() override {}
};

// Only "true" ticks a box; a cleared box saves "false", an emptied edit the
// empty text; one binding for two runs of one dialog object.
TEST_F(PreferencesTest, TheSettingsBaseFillsAndSavesItsItems) {
  CountingDialog dialog;
  for (const char* flag : {"TRUE", "1"}) {
    Prefs::Set("flag", flag);
    Prefs::Set("text", flag);
    hosttest::TestDriver driver;
    driver.Look([&](ADMDialogRef d) {
      EXPECT_FALSE(ItemOf(d, 1029).on);
      EXPECT_EQ(ItemOf(d, 1043).text, flag);
    });
    Steps(driver, {"1043=", "1"});
    EXPECT_EQ(dialog.Modal(gADMPluginRef, "Zent:Test", 135, 0, 0), 1);
    EXPECT_EQ(Prefs::Section()["flag"], "false");
    EXPECT_EQ(Prefs::Section().count("text") + Prefs::Section()["text"].size(), 1u);
  }
  EXPECT_EQ(dialog.binds, 1);
}

// From a probe plug-in, the checker with a menu item that opens them: OK
// judges the numbers only while the workflow checks are on, and a refused OK
// keeps the dialog open.
TEST(PreferencesRun, OkRefusesNumbersOutOfRange) {
  hosttest::TempDir settings;
  std::string plugins = PREFERENCES_PROBE;
  plugins.erase(plugins.rfind('/'));
  const std::string script =
      "menu Zent:Probe:Preferences\nprint dialog\nchoose 1026 \"PDF/X-3\"\ncheck 1032 on\ncheck 1035 on\n"
      "set 1036 401\nset 1037 400\npress 1\nset 1036 0\npress 1\nset 1036 400\nset 1037 4294967396\npress 1\n"
      "set 1037 400\ncheck 1038 on\nset 1054 1201\npress 1\nset 1054 300\nset 1039 33\npress 1\nset 1039 -1\n"
      "press 1\ncheck 1057 on\nset 1039 0\npress 1\ncheck 1056 on\npress 1\n"
      "menu Zent:Probe:Preferences\nset 1036 -5\nset 1039 99\ncheck 1032 off\npress 1\n";
  hosttest::ProcessResult run = hosttest::RunProcess(
      {PLUGHOST, "--plugins", plugins, "--settings", settings.path(), "--script", "-"}, script, 60);
  EXPECT_EQ(run.status, 0) << run.err;
  for (const char* line : {"DIALOG 135 \"Preferences\"\nITEMS 135 \"Preferences\"\n",
                           "\n  1036 edit \"150\" from 1 to 4000 disabled\n",
                           "\n  1039 edit \"\" from 0 to 32 disabled\n"})
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
  const std::string notes =
      "NOTE: The minimum image DPI must be less than the maximum image DPI\n"
      "NOTE: Minimum image DPI must be between 1 and 4000, inclusive.\n"
      "NOTE: Maximum image DPI must be between 1 and 4000, inclusive.\n"
      "NOTE: The minimum bitmap DPI must be less than the maximum bitmap DPI\n"
      "NOTE: Maximum spots must be between 0 and 32, inclusive.\n"
      "NOTE: Maximum spots must be between 0 and 32, inclusive.\n"
      "NOTE: You must select an ICC profile to use for the characterized printing condition\n"
      "CLOSED 135 1\nDIALOG 135 \"Preferences\"\nCLOSED 135 1\n";
  EXPECT_EQ(run.out.substr(run.out.size() - std::min(run.out.size(), notes.size())), notes);
  // The last OK stored what was typed.
  const std::string hive = hosttest::ReadFile(settings.File("registry/current_user.txt"));
  for (const char* value : {"\"conformance\" sz \"PDF/X-3\"", "\"min_image_dpi\" sz \"-5\"", "\"max_spots\" sz \"99\"",
                            "\"max_image_dpi\" sz \"400\"", "\"make_workflow_checks\" sz \"false\""})
    EXPECT_NE(hive.find(value), std::string::npos) << value << "\n" << hive;
}

}  // namespace
