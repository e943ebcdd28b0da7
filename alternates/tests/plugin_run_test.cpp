// Glimmerset as plughost loads it and a user runs it: its menus and button
// with their marks, About, drawing with the show/hide switch, the stored
// option set, and the permission check before an image command.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>
#include <string>
#include <vector>

#include "plughost_runs.h"

namespace {

using alternatestest::RunGlimmerset;
using alternatestest::Sample;

std::string Menus(const std::string& disabled, const std::string& marked) {
  return "MENU Tools \"Tools\"\n  zent:GlimmersetImgToolsMI \"Glimmerset\"\n"
         "    zent:GlimmersetModImagesMI \"Modify Images...\"" + disabled +
         "\n    zent:GlimmersetAltsMI \"Image Alternates\"\n"
         "      zent:GlimmersetCreateAltsMI \"Create...\"" + disabled +
         "\n      zent:GlimmersetShowAltsMI \"Show\"" + marked +
         "\n      zent:GlimmersetRemoveAltsMI \"Remove\"" + disabled +
         "\nMENU AboutExtensions \"About Plug-ins\"\n  zent:GlimmersetAboutMI \"Glimmerset\"\n"
         "MENU View \"View\"\n  Overprint \"Overprint Preview\"\n  UseLocalFonts \"Use Local Fonts\"\nTOOLBAR\n  endToolsGroup separator\n  zent:GlimmersetShowAltsTB \"Show/Hide Alternates\" bitmap 128" +
         marked + "\n";
}

class GlimmersetRunTest : public ::testing::Test {
 protected:
  hosttest::ProcessResult Run(const std::vector<std::string>& args, const std::string& script) {
    return RunGlimmerset(settings_.path(), args, script);
  }
  std::string Registry() { return hosttest::ReadFile(settings_.File("registry/current_user.txt")); }

  hosttest::TempDir settings_, work_;
};

// The Show item and the button share one command: each press flips both marks.
TEST_F(GlimmersetRunTest, MenusAndTheShowMarkFollowTheDocumentAndTheSwitch) {
  const struct {
    std::vector<std::string> args;
    std::string script, out;
  } rows[] = {
      {{}, "print menus\n", Menus(" disabled", "")},
      {{Sample("images")}, "print menus\n", Menus("", "")},
      {{}, "menu zent:GlimmersetShowAltsMI\nprint menus\n", Menus(" disabled", " marked")},
      {{Sample("images")}, "button zent:GlimmersetShowAltsTB\nprint menus\nmenu zent:GlimmersetShowAltsMI\nprint menus\n",
       Menus("", " marked") + Menus("", "")},
      {{}, "menu zent:GlimmersetAboutMI\npress 1\n", "DIALOG 129 \"About Glimmerset\"\nCLOSED 129 1\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    hosttest::ProcessResult run = Run(row.args, row.script);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, row.out);
  }
}

// Im1's second alternate is the first marked one; Im2's mark is a string
// and Im6's Alternates no array, so they draw themselves.
TEST_F(GlimmersetRunTest, DrawingShowsTheMarkedAlternateWhileShowIsOn) {
  const std::string page1 = "  image 4 0 R\n  image 5 0 R\n  image 7 0 R\n  image 13 0 R\n";
  hosttest::ProcessResult run =
      Run({Sample("alts")}, "draw\nmenu zent:GlimmersetShowAltsMI\ndraw\npage 3\ndraw\n");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "DRAW page 1\n  image 3 0 R\n" + page1 + "DRAW page 1\n  image 3 0 R as 10 0 R\n" + page1 +
                         "DRAW page 3\n  image 6 0 R\n");
  run = Run({}, "draw\n");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("draw: no document is open"), std::string::npos) << run.err;
}

// Each value the dialog changed is written: two of "ALTS", those left as
// they were and nothing of "ORIG" not; a settings folder that cannot be
// locked is told once a value and loses nothing.
TEST_F(GlimmersetRunTest, CreateStoresItsOptionSetOrSaysWhyItCannot) {
  const std::string progress =
      "PROGRESS begin\nPROGRESS duration 3\nPROGRESS end\nPROGRESS begin\nPROGRESS duration 2613708\nPROGRESS end\n"
      "PROGRESS begin\nPROGRESS duration 6\nPROGRESS end\nPROGRESS begin\nPROGRESS duration 5\nPROGRESS end\n";
  const std::regex values("PROGRESS (value \\d+|text .*)\n");
  const std::string dialog = "DIALOG 131 \"Alternate Image Options\"\nCLOSED 131 1\n";
  const std::string steps = "menu zent:GlimmersetCreateAltsMI\nchoose 9 Flate\ncheck 10 on\npress OK\n";
  hosttest::ProcessResult run = Run({Sample("images")}, steps);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(std::regex_replace(run.out, values, ""), dialog + progress);
  const std::string stored = Registry();
  size_t alts = 0;
  for (size_t at = stored.find("\"ALTS:"); at != std::string::npos; at = stored.find("\"ALTS:", at + 1)) ++alts;
  EXPECT_EQ(alts, 2u);
  EXPECT_NE(stored.find("\"ALTS:CTCT\" sz \"3\""), std::string::npos) << stored;
  EXPECT_NE(stored.find("\"ALTS:AsciiEncode\" sz \"1\""), std::string::npos) << stored;
  EXPECT_EQ(stored.find("ORIG:"), std::string::npos);

  hosttest::TempDir locked;
  ASSERT_EQ(::mkdir(locked.File("registry").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(locked.File("registry/.lock").c_str(), 0700), 0);
  run = RunGlimmerset(locked.path(), {Sample("images")}, steps);
  EXPECT_EQ(run.status, 0) << run.err;
  std::string notes;
  for (int i = 0; i < 2; ++i) notes += "NOTE: Error opening registry:  the settings folder could not be locked\n";
  EXPECT_EQ(std::regex_replace(run.out, values, ""), dialog + notes + progress);
  EXPECT_FALSE(hosttest::FileExists(locked.File("registry/current_user.txt")));
}

TEST_F(GlimmersetRunTest, ACommandOnALockedDocumentNeedsTheOwnerPassword) {
  const std::string locked = work_.File("locked.pdf");
  ASSERT_EQ(hosttest::RunCommand("qpdf --encrypt u o 256 --modify=none -- " + hosttest::Quoted(Sample("images")) +
                                 " " + hosttest::Quoted(locked)),
            0);
  const std::string refused = "NOTE: You must enter the corrrect password in order to modify this document.\n";
  const struct {
    std::string answer, out;
  } rows[] = {
      {"x", "PASSWORD: locked.pdf -> given\n" + refused},
      {"cancel", "PASSWORD: locked.pdf -> cancel\n" + refused},
      {"o", "PASSWORD: locked.pdf -> given\n"},
  };
  for (const auto& row : rows) {
    hosttest::ProcessResult run = Run({"--password", "u", locked},
                                      "menu zent:GlimmersetRemoveAltsMI\nanswer password " + row.answer + "\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::regex_replace(run.out, std::regex("PROGRESS .*\n"), ""), row.out) << row.answer;
  }
}

}  // namespace
