// The checker plug-in as plughost loads it and a user runs it: menus and
// toolbar, About, removing the identification keys, the save before a
// check, progress and cancel, failed checks and the question after one
// that found errors. Each run has a settings folder of its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "plughost_runs.h"
#include "testing/pdfmaker.h"
#include "testing/processes.h"

namespace {

using checkertest::kQuestion;
using checkertest::PluginFolder;
using checkertest::Sample;
const double kBound = checkertest::kRunBound;

const char kProgress[] = "DIALOG 133 \"Zentu PDF/X Corvane Progress\" modeless\nCLOSED 133\n";
const char kSaveFirst[] =
    "ALERT: Please save your changes prior to running Zentu PDF/X Corvane 3. [Save...|Cancel] -> ";
const char kFailed[] = "NOTE: Zentu PDF/X Corvane 3:  Error trying to check document\n";
// The verdict that ends a check, closed at once.
const std::string kVerdict = std::string(kProgress) + "DIALOG 137 \"Zentu PDF/X Corvane\"\nCLOSED 137 1\n";

std::string Menus(const std::string& suffix, const std::string& disabled, int bitmap, const std::string& probe) {
  return "MENU Tools \"Tools\"\n" + probe + "  Zent:PDFXCorvane3 \"Zentu PDF/X Corvane" + suffix +
         "\"\n    Zent:PDFXCorvane3:Check \"PDF/X Corvane...\"" + disabled +
         "\n    Zent:PDFXCorvane3:RemoveKeys \"Remove PDF/X Keys\"" + disabled +
         "\nMENU AboutExtensions \"About Plug-ins\"\n  Zent:PDFXCorvane3:About \"Zentu PDF/X Corvane" + suffix +
         "...\"\nMENU View \"View\"\n  Overprint \"Overprint Preview\"\n  UseLocalFonts \"Use Local Fonts\"\nTOOLBAR\n  endToolsGroup separator\n  Zent:PDFXCorvane3:Check \"PDF/X Corvane" + suffix +
         "\" bitmap " + std::to_string(bitmap) + disabled + "\n";
}

// How many of the two identification keys the file's objects hold, as
// qpdf reads them.
int IdentificationKeys(const std::string& path) {
  std::string json;
  hosttest::RunCommand("qpdf --json --json-key=qpdf " + hosttest::Quoted(path), &json);
  EXPECT_NE(json.find("\"trailer\""), std::string::npos) << path;
  int found = 0;
  for (const char* key : {"\"/GTS_PDFXVersion\":", "\"/GTS_PDFXConformance\":"})
    found += json.find(key) != std::string::npos;
  return found;
}

class PluginRunTest : public ::testing::Test {
 protected:
  // Files made from the samples: three pages of x1a-good and of rgb-font,
  // a page tree whose Kids lead back to itself, identification keys that
  // are empty texts, a document without an information dictionary, and a
  // "startxref" past the file's end.
  static void SetUpTestSuite() {
    made_ = new hosttest::TempDir;
    for (const char* name : {"x1a-good", "rgb-font"}) {
      const std::string s = hosttest::Quoted(Sample(name));
      ASSERT_EQ(hosttest::RunCommand("qpdf " + s + " --pages " + s + " " + s + " " + s + " -- " +
                                     hosttest::Quoted(Made(std::string(name) + "-3"))),
                0);
    }
    std::string good = hosttest::ReadFile(Sample("x1a-good"));
    Replace(good, "/Kids [3 0 R]", "/Kids [2 0 R]");
    hosttest::WriteFile(Made("loop"), good);
    std::string empty = hosttest::ReadFile(Sample("rgb-font"));
    Replace(empty, "(PDF/X-1:2001)", "()            ");
    Replace(empty, "(PDF/X-1a:2001)", "()             ");
    hosttest::WriteFile(Made("empty-keys"), empty);
    hosttest::WriteFile(Made("no-info"), hosttest::MakePagesPdf(1));
    good = hosttest::ReadFile(Sample("x1a-good"));
    hosttest::WriteFile(Made("past-the-end"), good.substr(0, good.rfind("startxref")) + "startxref\n999999\n%%EOF\n");
  }
  static void TearDownTestSuite() {
    delete made_;
    made_ = nullptr;
  }
  static std::string Made(const std::string& name) { return made_->File(name + ".pdf"); }
  // Same length, so the cross-reference table stays right.
  static void Replace(std::string& bytes, const std::string& from, const std::string& to) {
    size_t at = bytes.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    ASSERT_EQ(from.size(), to.size());
    bytes.replace(at, from.size(), to);
  }

  hosttest::ProcessResult Run(const std::vector<std::string>& args, const std::string& script,
                              const std::string& plugins = PluginFolder()) {
    hosttest::TempDir settings;
    std::vector<std::string> argv = {PLUGHOST, "--plugins", plugins, "--settings", settings.path()};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(), {"--script", "-"});
    hosttest::ProcessResult run = hosttest::RunProcess(argv, script, kBound);
    // Nothing was written to the settings: the defaults stay in memory.
    EXPECT_FALSE(hosttest::FileExists(settings.File("registry/current_user.txt")));
    return run;
  }

  static hosttest::TempDir* made_;
  hosttest::TempDir work_;
};

hosttest::TempDir* PluginRunTest::made_ = nullptr;

TEST_F(PluginRunTest, MenusAndToolbarButtonFollowTheHostAndThePreviousVersion) {
  // The menus are compared whole: each row links the plug-ins it shows.
  const hosttest::PluginsFolder alone({CHECKER_PLUGIN});
  hosttest::PluginsFolder both({CHECKER_PLUGIN});
  both.Link(PROBE_PLUGIN, "PDFXCorvane.so");
  const struct {
    std::vector<std::string> args;
    std::string plugins, out;
  } rows[] = {
      {{Sample("x1a-good")}, alone.path(), Menus("", "", 128, "")},
      {{}, alone.path(), Menus("", " disabled", 128, "")},
      {{"--host-version", "5.0", Sample("x1a-good")}, alone.path(), Menus("", "", 1005, "")},
      {{Sample("x1a-good")}, both.path(), Menus(" 3", "", 128, "  Zent:PDFXCorvane \"Zentu PDF/X Corvane\"\n")},
  };
  for (const auto& row : rows) {
    auto run = Run(row.args, "print menus\n", row.plugins);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, row.out);
  }
}

// Each script on its document, with its whole output and what it left on
// the disk.
TEST_F(PluginRunTest, CommandsRunAsAUserRunsThem) {
  const std::string copy = work_.File("copy.pdf"), out = work_.File("out.pdf");
  hosttest::WriteFile(copy, hosttest::ReadFile(Sample("x1a-good")));
  const std::string question = kQuestion;
  const struct {
    const char* name;
    std::string file, script, out;
    std::function<void()> after;
  } rows[] = {
      {"About", "", "menu Zent:PDFXCorvane3:About\npress 1\n",
       "DIALOG 132 \"About Zentu PDF/X Corvane\"\nCLOSED 132 1\n", nullptr},
      {"the keys removed and saved", Sample("x1a-good"), "menu Zent:PDFXCorvane3:RemoveKeys\nsave " + out + "\n",
       "SAVED: " + out + "\n", [&] { EXPECT_EQ(IdentificationKeys(out), 0); }},
      {"no information dictionary: nothing removed, nothing changed", Made("no-info"),
       "menu Zent:PDFXCorvane3:RemoveKeys\nmenu Zent:PDFXCorvane3:Check\npress 1\n", kVerdict, nullptr},
      {"a changed document not saved", Sample("x1a-good"),
       "menu Zent:PDFXCorvane3:RemoveKeys\nmenu Zent:PDFXCorvane3:Check\nanswer alert 2\n",
       std::string(kSaveFirst) + "Cancel\n", nullptr},
      {"a changed document saved to its file, then checked", copy,
       "menu Zent:PDFXCorvane3:RemoveKeys\nmenu Zent:PDFXCorvane3:Check\nanswer alert \"Save...\"\npress 1\n",
       std::string(kSaveFirst) + "Save...\n" + kVerdict, [&] { EXPECT_EQ(IdentificationKeys(copy), 0); }},
      {"three pages from the menu", Made("x1a-good-3"), "menu Zent:PDFXCorvane3:Check\npress 1\n", kVerdict, nullptr},
      {"three pages from the button", Made("x1a-good-3"), "button Zent:PDFXCorvane3:Check\npress 1\n", kVerdict, nullptr},
      {"cancelled at once", Made("x1a-good-3"), "at-progress 2 press 1\nmenu Zent:PDFXCorvane3:Check\n",
       std::string(kProgress) + "NOTE: Corvane cancelled\n", nullptr},
      {"cancelled after page 1: its errors still count", Made("rgb-font-3"),
       "at-progress 6 press 1\nmenu Zent:PDFXCorvane3:Check\nanswer confirm cancel\n",
       std::string(kProgress) + "NOTE: Corvane cancelled\n" + question + "Cancel\n", nullptr},
      {"a trailer that cannot be read, in a file the host repaired", Made("past-the-end"),
       "menu Zent:PDFXCorvane3:Check\npress 1\nanswer confirm cancel\n", kVerdict + question + "Cancel\n", nullptr},
      {"errors left: the keys removed", Sample("rgb-font"),
       "menu Zent:PDFXCorvane3:Check\npress 1\nanswer confirm ok\nsave " + out + "\n",
       kVerdict + question + "OK\nSAVED: " + out + "\n", [&] { EXPECT_EQ(IdentificationKeys(out), 0); }},
      {"errors left: the keys kept", Sample("rgb-font"),
       "menu Zent:PDFXCorvane3:Check\npress 1\nanswer confirm cancel\nsave " + out + "\n",
       kVerdict + question + "Cancel\nSAVED: " + out + "\n", [&] { EXPECT_EQ(IdentificationKeys(out), 2); }},
      {"a valid file is asked nothing", Sample("x1a-good"), "menu Zent:PDFXCorvane3:Check\npress 1\n", kVerdict, nullptr},
      {"empty keys are asked nothing", Made("empty-keys"), "menu Zent:PDFXCorvane3:Check\npress 1\n", kVerdict, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ::unlink(out.c_str());
    auto run = Run(row.file.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.file}, row.script);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, row.out);
    if (row.after) row.after();
  }
  // A page tree that loops is refused before the check starts.
  auto loop = Run({Made("loop")}, "menu Zent:PDFXCorvane3:Check\n");
  EXPECT_EQ(loop.status, 2);
  EXPECT_EQ(loop.out, "");
  EXPECT_NE(loop.err.find("cannot read the page tree of " + Made("loop") + ": a loop"), std::string::npos) << loop.err;
  // Saves went through temporary files renamed over their targets.
  ::unlink(out.c_str());
  std::string left;
  hosttest::RunCommand("ls -A " + hosttest::Quoted(work_.path()), &left);
  EXPECT_EQ(left, "copy.pdf\n");
}

}  // namespace
