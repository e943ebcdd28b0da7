// The preferences dialog as a user meets it: what it shows on the stored
// settings, what it refuses, the profiles it lists, what OK and Cancel leave
// in the registry; and the settings base under it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>

#include "checker/ADMSettingsDialog.h"
#include "checker/CheckerDlgADM.h"
#include "checker/CheckerPlugIn.h"
#include "checker/PreferencesDlgADM.h"
#include "checker/UIInterface.h"
#include "common/ADMSuites.h"
#include "common/CommonDialogs.h"
#include "common/Prefs.h"
#include "core/host.h"
#include "dialogs/manager.h"
#include "engine/tests/profile_bytes.h"
#include "testing/driver.h"
#include "testing/pdfmaker.h"
#include "testing/processes.h"

namespace {

PI_EXPORT_RESOURCES(&Zentu::kCheckerResources, &Zentu::kCommonResources);

using Texts = std::vector<std::string>;
const char kPrefix[] = "Zentu PDF/X Corvane 3:  ";

// File choosers answered from a queue (an empty path cancels); what the
// dialog asked is kept.
class ChooserUI : public Zentu::WinUIInterface {
 public:
  std::deque<std::string> answers;
  Texts asked;
  Zentu::FileChoice ChooseFile(bool save, const char* path, const char* title, bool all, const char* filter,
                               const char* name, const char* extension) override {
    asked.push_back(std::string(save ? "save " : "open ") + title + (all ? " all " : " ") + filter +
                    (path || name || extension ? " more" : ""));
    Zentu::FileChoice choice;
    if (!answers.empty()) choice.path = answers.front(), answers.pop_front();
    choice.chosen = !choice.path.empty();
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
    Prefs::Section().clear();
    EXPECT_TRUE(host::OpenDialogs().empty());
  }
  // The preferences under the driver's steps; the item that ended them.
  int Run(hosttest::TestDriver& driver) {
    int answer = CurrentUIInterface()->ShowPreferences();
    EXPECT_EQ(driver.StepsLeft(), 0u);
    return answer;
  }
  // Settings as a fresh installation has them, plus `settings`.
  void Fresh(const std::map<std::string, std::string>& settings = {}) {
    std::remove(Hive().c_str());
    Prefs::Section().clear();
    ui_.LoadWorkflowSettings();
    for (const auto& setting : settings) Prefs::Set(setting.first, setting.second);
  }
  std::string Hive() const { return home_.File("settings/registry/current_user.txt"); }
  // The text values of the hive, by name.
  std::map<std::string, std::string> Stored() const {
    std::map<std::string, std::string> values;
    std::ifstream in(Hive());
    for (std::string line; std::getline(in, line);) {
      size_t sz = line.find("\" sz \"");
      if (line.size() > 1 && line[0] == '"' && sz != std::string::npos)
        values[line.substr(1, sz - 1)] = line.substr(sz + 6, line.size() - sz - 7);
    }
    return values;
  }
  std::string Profile(const char* name, const std::string& bytes) {
    hosttest::WriteFile(home_.File(name), bytes);
    return home_.File(name);
  }

  hosttest::TempDir home_;
  ChooserUI ui_;
  Texts notes_;
};

TEST_F(PreferencesTest, FreshSettingsOpenOnTheFirstStandardAndItsFirstCondition) {
  hosttest::TestDriver driver;
  driver.Look([](ADMDialogRef d) {
    host::DialogView view = host::DescribeDialog(d);
    EXPECT_EQ(view.number, 135);
    EXPECT_EQ(view.title, "Preferences");
    EXPECT_EQ(Entries(d, 1026), (Texts{"PDF/X-1a:2001", "PDF/X-3"}));
    EXPECT_EQ(Entries(d, 1028).front(), "CGATS TR 001");
    EXPECT_EQ(Entries(d, 1028).size(), 11u);
    const struct {
      ASInt32 id;
      const char* text;
      bool enabled;
    } rows[] = {{1026, "PDF/X-1a:2001", true}, {1028, "CGATS TR 001", true}, {1043, "SWOP CGATS TR 001-1995", true},
                {1029, "Fail if not default", true}, {1030, "Automatically fix", true}, {1031, "", false},
                {1042, "Browse...", false}, {1032, "PDF/X Plus Workflow Checks", true}, {1036, "150", false},
                {1037, "400", false}, {1054, "300", false}, {1055, "1200", false}, {1039, "", false}};
    for (const auto& row : rows) {
      host::ItemView item = ItemOf(d, row.id);
      EXPECT_EQ(item.text, row.text) << row.id;
      EXPECT_EQ(item.enabled, row.enabled) << row.id;
    }
    for (ASInt32 id : {1033, 1034, 1035, 1038, 1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051, 1052, 1053})
      EXPECT_FALSE(ItemOf(d, id).enabled) << id;
    EXPECT_TRUE(ItemOf(d, 1056).on);
    EXPECT_FALSE(ItemOf(d, 1057).on);
    EXPECT_EQ(ItemOf(d, 1036).high, 4000.0);
    EXPECT_EQ(ItemOf(d, 1039).high, 32.0);
  });
  driver.Choose(1026, 1).Look([](ADMDialogRef d) {
    EXPECT_EQ(Entries(d, 1028).back(), "eciRGB");
    for (ASInt32 id = 1044; id <= 1053; ++id) EXPECT_TRUE(ItemOf(d, id).enabled) << id;
  });
  driver.Choose(1026, 0).Look([](ADMDialogRef d) {
    for (ASInt32 id = 1044; id <= 1053; ++id) EXPECT_FALSE(ItemOf(d, id).enabled) << id;
  });
  driver.Press(2);
  Fresh();
  EXPECT_EQ(Run(driver), 2);
  EXPECT_TRUE(notes_.empty());
  EXPECT_FALSE(hosttest::FileExists(Hive()));
}

// OK judges the numbers only while the workflow checks are on; a refused OK
// keeps the dialog open.
TEST_F(PreferencesTest, OkRefusesNumbersOutOfRange) {
  const char* image = "The minimum image DPI must be less than the maximum image DPI";
  const char* spots = "Maximum spots must be between 0 and 32, inclusive.";
  const struct {
    std::vector<std::pair<ASInt32, const char*>> steps;  // null: check on, "off": check off
    const char* note;                                     // null: OK closes the dialog
  } rows[] = {
      {{{1032, nullptr}, {1035, nullptr}, {1036, "401"}, {1037, "400"}}, image},
      {{{1032, nullptr}, {1035, nullptr}, {1036, "400"}, {1037, "400"}}, nullptr},
      {{{1032, nullptr}, {1039, "33"}}, spots},
      {{{1032, nullptr}, {1039, "-1"}}, spots},
      {{{1032, nullptr}, {1039, "0"}}, nullptr},
      {{{1032, nullptr}, {1035, nullptr}, {1036, "0"}}, "Minimum image DPI must be between 1 and 4000, inclusive."},
      {{{1032, nullptr}, {1035, nullptr}, {1037, "4294967396"}},
       "Maximum image DPI must be between 1 and 4000, inclusive."},
      {{{1032, nullptr}, {1038, nullptr}, {1054, "1201"}},
       "The minimum bitmap DPI must be less than the maximum bitmap DPI"},
      {{{1057, nullptr}}, "You must select an ICC profile to use for the characterized printing condition"},
      {{{1032, nullptr}, {1035, nullptr}, {1036, "-5"}, {1039, "99"}, {1032, "off"}}, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.note ? row.note : "passes");
    Fresh();
    notes_.clear();
    hosttest::TestDriver driver;
    for (const auto& step : row.steps) {
      if (!step.second || std::string(step.second) == "off")
        driver.Check(step.first, !step.second);
      else
        driver.SetText(step.first, step.second);
    }
    driver.Press(1);
    if (row.note) driver.Press(2);
    EXPECT_EQ(Run(driver), row.note ? 2 : 1);
    EXPECT_EQ(notes_, row.note ? Texts{row.note} : Texts{});
  }
  // The last row was stored as typed.
  EXPECT_EQ(Stored()["min_image_dpi"], "-5");
  EXPECT_EQ(Stored()["max_spots"], "99");
  EXPECT_EQ(Stored()["make_workflow_checks"], "false");
}

TEST_F(PreferencesTest, BrowseListsOnlyProfilesThatFitTheirList) {
  const std::string prtr = Module("OF COM PO P1 F60.icc"), rgb = Module("ecirgb10.icm");
  const std::string scnr = Profile("scanner.icc", enginetest::ProfileBytes("scnr", "CMYK", "Scanner"));
  const std::string bad = Profile("bad.icc", "not a profile");
  const std::string piped = Profile("piped.icc", enginetest::ProfileBytes("prtr", "CMYK", "A|B"));
  const std::string nameless = Profile("nameless.icc", enginetest::ProfileBytes("prtr", "CMYK", ""));
  const std::string namelessRgb = Profile("rgb.icc", enginetest::ProfileBytes("mntr", "RGB ", ""));
  const std::string unlisted =
      std::string(kPrefix) + "A profile whose description is empty or contains \"|\", or whose path contains \"|\", "
                             "cannot be listed";
  const struct {
    int standard;  // 0 PDF/X-1a:2001, 1 PDF/X-3
    ASInt32 button, popup;
    std::string file;  // empty: cancelled
    std::string note;  // "?": the reader's error
    Texts listed;
  } rows[] = {
      {1, 1053, 1052, rgb, std::string(kPrefix) + "Must be a CMYK profile", {}},
      {1, 1053, 1052, prtr, "", {"OF COM PO P1 F60"}},
      {1, 1047, 1046, rgb, "", {"eciRGB"}},
      {1, 1053, 1052, bad, "?", {}},
      {1, 1053, 1052, namelessRgb, "", {}},
      {1, 1053, 1052, "", "", {}},
      {1, 1053, 1052, piped, unlisted, {}},
      {1, 1053, 1052, nameless, unlisted, {}},
      {1, 1042, 1031, scnr, std::string(kPrefix) + "Must be an output profile", {}},
      {1, 1042, 1031, prtr, "", {"OF COM PO P1 F60"}},
      {0, 1042, 1031, prtr, std::string(kPrefix) + "Must be a Device to PCS: Colorimetric rendering intent profile", {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file + " with " + std::to_string(row.button));
    Fresh();
    notes_.clear();
    ui_.asked.clear();
    ui_.answers = {row.file};
    hosttest::TestDriver driver;
    if (row.standard) driver.Choose(1026, row.standard);
    if (row.popup == 1031) driver.Check(1057, true);
    driver.Press(row.button).Look([&](ADMDialogRef d) {
      EXPECT_EQ(Entries(d, row.popup), row.listed);
      if (!row.listed.empty()) {
        EXPECT_EQ(ItemOf(d, row.popup).text, row.listed.back());
      }
    });
    driver.Press(2);
    EXPECT_EQ(Run(driver), 2);
    EXPECT_EQ(ui_.asked, Texts{"open Select ICC profile file all ICC profile files|icc;icm|prof"});
    if (row.note == "?") {
      ASSERT_EQ(notes_.size(), 1u);
      EXPECT_EQ(notes_[0].rfind("Error loading profile:  ", 0), 0u) << notes_[0];
      EXPECT_GT(notes_[0].size(), 60u) << notes_[0];
      EXPECT_EQ(notes_[0].substr(notes_[0].size() - 28), "\nPlease choose another file.");
    } else {
      EXPECT_EQ(notes_, row.note.empty() ? Texts{} : Texts{row.note});
    }
  }
}

TEST_F(PreferencesTest, OkWritesEverySettingAndCancelNothing) {
  const std::string ansi = Module("ANSI TR 001.icc"), prtr = Module("OF COM PO P1 F60.icc");
  Fresh();
  ui_.answers = {prtr, ansi};
  hosttest::TestDriver driver;
  driver.Choose(1026, 1).Press(1053).Press(1053).SetText(1043, "").Check(1029, true).Press(1);
  EXPECT_EQ(Run(driver), 1);
  std::map<std::string, std::string> stored = Stored();
  EXPECT_EQ(stored.size(), 1u + 13u + 2u + 12u);
  const std::map<std::string, std::string> expected = {
      {"conformance", "PDF/X-3"},
      {"default_condition_type", "name"},
      {"default_condition", "CGATS TR 001"},
      {"default_profile_info_key", ""},
      {"fail_if_CPC_not_default", "true"},
      {"auto_fix_to_default_CPC", "false"},
      {"min_1bit_dpi", "300"},
      {"max_spots", ""},
      {"cmyk_profile_names", "OF COM PO P1 F60|" + std::string("CGATS TR 001")},
      {"cmyk_profile_filenames", prtr + "|" + ansi},
      {"cmyk_profile", std::string("CGATS TR 001")},
      {"gray_profile_names", ""},
  };
  for (const auto& key : expected) EXPECT_EQ(stored[key.first], key.second) << key.first;
  PDFXPreflight walker(&ui_);
  EXPECT_EQ(walker.GetConformance()->name, "PDF/X-3");

  // Cancel after changes: the hive stays byte for byte.
  const std::string before = hosttest::ReadFile(Hive());
  driver.Choose(1026, 0).Check(1032, true).Press(2);
  EXPECT_EQ(Run(driver), 2);
  EXPECT_EQ(hosttest::ReadFile(Hive()), before);
}

// Profiles listed for the printing condition under PDF/X-1a:2001 go when
// PDF/X-3 does not take the first of them; kept until then. Stored lists pair
// names and files only as far as both go; only "profile" chooses a profile.
TEST_F(PreferencesTest, StoredSettingsAreReadAsTheyStand) {
  const std::string scnr = Profile("scanner.icc", enginetest::ProfileBytes("scnr", "CMYK", "Scanner"));
  const struct {
    std::map<std::string, std::string> settings;
    bool profileChosen;
    Texts conditionProfiles, grayProfiles;
  } rows[] = {
      {{{"default_condition_type", "Profile"}}, false, {}, {}},
      {{{"default_condition_type", "profile"}, {"default_profile_names", "Scanner"}, {"default_profile_filenames", scnr}},
       true, {"Scanner"}, {}},
      {{{"conformance", "PDF/X-3"}, {"gray_profile_names", "A|B|C"}, {"gray_profile_filenames", "a.icc|b.icc"}},
       false, {}, {"A", "B"}},
  };
  for (const auto& row : rows) {
    Fresh(row.settings);
    hosttest::TestDriver driver;
    driver.Look([&](ADMDialogRef d) {
      EXPECT_EQ(ItemOf(d, 1057).on, row.profileChosen);
      EXPECT_EQ(ItemOf(d, 1056).on, !row.profileChosen);
      EXPECT_EQ(Entries(d, 1031), row.conditionProfiles);
      EXPECT_EQ(Entries(d, 1046), row.grayProfiles);
      if (!row.grayProfiles.empty()) {
        EXPECT_EQ(ItemOf(d, 1046).text, "B");
      }
    });
    if (row.profileChosen)
      driver.Choose(1026, 1).Look([](ADMDialogRef d) {
        EXPECT_EQ(Entries(d, 1031), Texts{});
        EXPECT_EQ(ItemOf(d, 1031).text, "");
      });
    driver.Press(2);
    const Prefs::SectionMap before = Prefs::Section();
    EXPECT_EQ(Run(driver), 2);
    EXPECT_EQ(Prefs::Section(), before);
  }
}

// Entry 33 closes a pop-up's list and leaves it in view; other items hide.
TEST_F(PreferencesTest, Entry33ClosesAPopUpsListAndHidesOtherItems) {
  hosttest::ClearCallLog();
  hosttest::TestDriver driver;
  driver.Look([](ADMDialogRef d) {
    const std::vector<std::string>& log = hosttest::CallLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "item 1031 list closed"), log.end());
    EXPECT_TRUE(ItemOf(d, 1031).visible);
    ADMRect bounds{0, 0, 100, 16};
    ADMItemRef bar = ADMDialog::CreateItem(d, 7, ADM_ITEM_SCROLLBAR, &bounds, nullptr, nullptr, 0);
    ADMItem::Show(bar, 0);
    EXPECT_FALSE(ItemOf(d, 7).visible);
  });
  driver.Press(2);
  EXPECT_EQ(Run(driver), 2);
}

class CountingDialog : public Zentu::ADMSettingsDialog {
 public:
  int binds = 0;
  void BindSettings() override {
    ++binds;
    Bind(1029, nullptr, "flag");
    Bind(1043, &binds, "text");
  }
  void DestroySelf() override {}
};

TEST_F(PreferencesTest, OnlyTrueSwitchesABoxOnAndAClearedBoxSavesFalse) {
  CountingDialog dialog;
  for (const char* flag : {"TRUE", "1"}) {
    Prefs::Set("flag", flag);
    Prefs::Set("text", flag);
    hosttest::TestDriver driver;
    driver.Look([&](ADMDialogRef d) {
      EXPECT_FALSE(ItemOf(d, 1029).on);
      EXPECT_EQ(ItemOf(d, 1043).text, flag);
    });
    driver.SetText(1043, "").Press(1);
    EXPECT_EQ(dialog.Modal(gADMPluginRef, "Zent:Test", 135, 0, 0), 1);
    EXPECT_EQ(Prefs::Section()["flag"], "false");
    EXPECT_EQ(Prefs::Section().count("text"), 1u);
    EXPECT_EQ(Prefs::Section()["text"], "");
  }
  EXPECT_EQ(dialog.binds, 1);
}

TEST(SaturatedAtoi, ReadsAsAtoiAndHoldsAtTheLimits) {
  const std::pair<const char*, ASInt32> rows[] = {{"", 0},          {"  42x", 42},          {"-1", -1},
                                                  {"+7", 7},        {"abc", 0},             {"2147483647", INT32_MAX},
                                                  {"4294967396", INT32_MAX}, {"-99999999999", INT32_MIN}};
  for (const auto& row : rows) EXPECT_EQ(Zentu::SaturatedAtoi(row.first), row.second) << row.first;
}

// As a user meets them in plughost: the listing, refused OKs, what OK
// stores, and a Cancel that leaves the stored settings as they were.
TEST(PreferencesRun, AScriptSetsTheStandardAndTheLimits) {
  hosttest::TempDir settings;
  std::string plugins = PREFERENCES_PROBE;
  plugins.erase(plugins.rfind('/'));
  const std::string script =
      "menu Zent:Probe:Preferences\nprint dialog\nchoose 1026 \"PDF/X-3\"\ncheck 1032 on\ncheck 1035 on\n"
      "set 1036 401\nset 1037 400\npress 1\nset 1036 400\nset 1039 33\npress 1\nset 1039 0\npress 1\n"
      "menu Zent:Probe:Preferences\nchoose 1026 \"PDF/X-1a:2001\"\npress 2\n";
  hosttest::ProcessResult run = hosttest::RunProcess(
      {PLUGHOST, "--plugins", plugins, "--settings", settings.path(), "--script", "-"}, script, 60);
  EXPECT_EQ(run.status, 0) << run.err;
  for (const char* line :
       {"DIALOG 135 \"Preferences\"\nITEMS 135 \"Preferences\"\n",
        "\n  1026 scrolling popup list \"PDF/X-1a:2001\"\n", "\n  1043 edit \"SWOP CGATS TR 001-1995\"\n",
        "\n  1036 edit \"150\" from 1 to 4000 disabled\n", "\n  1039 edit \"\" from 0 to 32 disabled\n",
        "\n  1031 scrolling popup list \"\" disabled\n", "\n  1030 check box \"Automatically fix\" off\n",
        "\nNOTE: The minimum image DPI must be less than the maximum image DPI\n"
        "NOTE: Maximum spots must be between 0 and 32, inclusive.\nCLOSED 135 1\n"
        "DIALOG 135 \"Preferences\"\nCLOSED 135 2\n"})
    EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
  const std::string hive = hosttest::ReadFile(settings.File("registry/current_user.txt"));
  for (const char* value : {"\"conformance\" sz \"PDF/X-3\"", "\"min_image_dpi\" sz \"400\"",
                            "\"max_spots\" sz \"0\"", "\"make_workflow_checks\" sz \"true\""})
    EXPECT_NE(hive.find(value), std::string::npos) << value << "\n" << hive;
}

}  // namespace
