// The page-box editor as plughost loads it and a user runs it: its About
// item and toolbar button with the host's version and handshake, the tool
// that the button switches, and the colours stored at the end of a run.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "plughost_runs.h"

namespace {

using framewicktest::Sample;

std::string Menus(const std::string& button) {
  return "MENU Tools \"Tools\"\nMENU AboutExtensions \"About Plug-ins\"\n" +
         std::string(button.empty() ? "" : "  Zent:Framewick:About \"Zentu Framewick...\"\n") +
         "MENU View \"View\"\n  Overprint \"Overprint Preview\"\n  UseLocalFonts \"Use Local Fonts\"\n"
         "TOOLBAR\n  endToolsGroup separator\n" + button;
}
const std::string kButton = "  Zent:QFXToolTB \"Zentu Framewick\" bitmap 101";
// The palettes open with the tool, and the cursor is theirs.
const std::string kOpened =
    "DIALOG 102 \"Specifications\" modeless\nDIALOG 117 \"Orb/K\" modeless\nDIALOG 118 \"Fonts\" modeless\n"
    "DIALOG 118 \"Colors\" modeless\nTOOL Zent:QFXTool cursor 1002\n";
const std::string kClosed = "CLOSED 102\nCLOSED 117\nCLOSED 118\nCLOSED 118\n";
const std::string kPlaces =
    "Dialog|Boxes|Bounds=598,0,1024,195;Dialog|Colors|Bounds=859,459,1024,580;Dialog|Fonts|Bounds=859,338,1024,459;"
    "Dialog|OrbK|Bounds=778,195,1024,338;";

TEST(FramewickRun, ButtonSwitchesTheToolAsTheHostAllows) {
  const std::string refused = "plughost: " + framewicktest::PluginFolder() + "/Framewick.so refused to load";
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::string script, out, err;
    int status;
  } rows[] = {
      {"no document", {}, "print menus\nprint tool\n", Menus(kButton + " disabled\n") + "TOOL Hand cursor 0\n", "", 0},
      {"on and off, About",
       {Sample("boxes")},
       "print menus\nbutton Zent:QFXToolTB\nprint tool\nprint menus\nbutton Zent:QFXToolTB\nprint tool\n"
       "print menus\nmenu Zent:Framewick:About\npress 1\n",
       Menus(kButton + "\n") + kOpened + Menus(kButton + " marked\n") + kClosed + "TOOL Hand cursor 0\n" + Menus(kButton + "\n") + "DIALOG 132 \"About Zentu PDF/X Corvane\"\nCLOSED 132 1\n",
       "", 0},
      {"back to the tool before",
       {Sample("boxes")},
       "tool Select\nbutton Zent:QFXToolTB\nprint tool\nbutton Zent:QFXToolTB\nprint tool\ntool Zent:QFXTool\nprint tool\n",
       kOpened + kClosed + "TOOL Select cursor 0\n" + kOpened + kClosed, "", 0},
      {"an older host", {"--host-version", "5.0", Sample("boxes")}, "print menus\n",
       Menus("  Zent:QFXToolTB \"Zentu Framewick\" bitmap 121\n"), "", 0},
      {"another handshake", {"--handshake", "0x10000", Sample("boxes")}, "print menus\n", Menus(""), refused, 0},
      {"no such tool", {Sample("boxes")}, "tool Zent:NoTool\n", "", "plughost: no tool of type \"Zent:NoTool\"", 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    hosttest::TempDir settings;
    auto run = framewicktest::Run(settings.path(), row.args, row.script);
    EXPECT_EQ(run.status, row.status) << run.err;
    EXPECT_EQ(run.out, row.out);
    EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
  }
}

// The four "_Color" keys on a first start; the boxes' colours once the tool
// has shown a page; a colour stored before is kept, and the table goes on
// with the next box.
TEST(FramewickRun, ColoursAreStoredAtTheEnd) {
  const std::string firstStart =
      "ArtBox_Color=1 0 1;BleedBox_Color=1 0 0;CropBox_Color=0 1 0;TrimBox_Color=0 0 1;";
  const struct {
    const char* name;
    std::string stored, script, values;
  } rows[] = {
      {"first start, the tool used", "", "button Zent:QFXToolTB\nquit\n",
       "ArtBox_Color=1 0 1;BleedBox_Color=1 0 0;Color|ArtBox=0 1 0;Color|BleedBox=0 0 1;Color|CropBox=0 1 1;"
       "Color|MediaBox=1 0 0;Color|TrimBox=1 0 1;CropBox_Color=0 1 0;" + kPlaces + "TrimBox_Color=0 0 1;"},
      {"first start, the tool never used", "", "quit\n", firstStart},
      {"a colour stored before", "0.5 0.5 0.5", "button Zent:QFXToolTB\nquit\n",
       "Color|ArtBox=1 0 1;Color|BleedBox=0 0 1;Color|CropBox=0 1 0;Color|MediaBox=1 0 0;Color|TrimBox=0.5 0.5 0.5;" +
           kPlaces},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    hosttest::TempDir settings;
    if (!row.stored.empty()) {
      host::reg::Hive hive;
      hive[framewicktest::kKey].Set("Color|TrimBox", winRegSz, row.stored + '\0');
      ::mkdir(settings.File("registry").c_str(), 0700);
      hosttest::WriteFile(settings.File("registry/current_user.txt"), host::reg::Serialize(hive));
    }
    auto run = framewicktest::Run(settings.path(), {Sample("boxes")}, row.script);
    EXPECT_EQ(run.status, 0) << run.err;
    std::string values;
    for (const auto& value : framewicktest::StoredValues(settings.path())) values += value.first + "=" + value.second + ";";
    EXPECT_EQ(values, row.values);
  }
}

}  // namespace
