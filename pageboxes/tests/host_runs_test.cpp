// The page-box editor on what the host adds around it: files whose security
// forbids changes, under each of qpdf's encryptions, and the terminal's
// listings of its palettes and prompts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

#include "plughost_runs.h"

namespace {

std::string Shell(const std::string& command) {
  std::string out;
  hosttest::RunCommand(command, &out);
  return out;
}

// The user password "u" lists the rows and refuses the edit (the palette's
// note, then the run's end before rows that show what was not written) and
// a save alone; the owner password "o" writes both, the encryption kept.
TEST(BoxesHostRuns, SecuredFilesAreChangedOnlyWithTheOwnerPassword) {
  hosttest::TempDir work;
  const std::string boxes = framewicktest::Sample("boxes"), locked = work.File("l.pdf"), out = work.File("o.pdf");
  const std::string rows = framewicktest::Boxes(work.path(), {boxes, "--pages", "1", "--unit", "pt"}).out;
  auto run = [&](const char* password, bool edit) {
    std::vector<std::string> args = {locked, "--pages", "1", "--unit", "pt", "--output", out, "--password", password};
    if (edit) args.insert(args.end(), {"--set", "trim=36,36,500,700"});
    return framewicktest::Boxes(work.path(), args);
  };
  for (const std::string encrypt : {"--allow-weak-crypto --encrypt u o 128 --use-aes=n", "--encrypt u o 128 --use-aes=y",
                                    "--encrypt u o 256"}) {
    SCOPED_TRACE(encrypt);
    ASSERT_EQ(hosttest::RunCommand("qpdf " + encrypt + " --modify=none -- " + boxes + " " + locked), 0);
    for (bool edit : {false, true}) {
      const auto refused = run("u", edit);
      EXPECT_EQ(refused.status, 2);
      EXPECT_EQ(refused.err, "plughost: the document's security does not allow changes (give the owner password "
                             "with --password)\n");
      EXPECT_EQ(refused.out.substr(0, rows.size()), rows);
      EXPECT_TRUE(std::regex_match(refused.out.substr(rows.size()),
                                   std::regex(edit ? "NOTE: [^\n]*The document's security does not allow changes\n" : "")));
      EXPECT_NE(::access(out.c_str(), F_OK), 0);
      EXPECT_EQ(run("o", edit).status, 0);
      EXPECT_EQ(Shell("qpdf --show-encryption --password=o " + out), Shell("qpdf --show-encryption --password=o " + locked));
      EXPECT_EQ(Shell("pdfinfo -upw u -box " + out + " | grep TrimBox | tr -s ' '"),
                std::string("TrimBox: ") + (edit ? "36.00 56.00 536.00" : "36.00 36.00 576.00") + " 756.00\n");
      ::unlink(out.c_str());
    }
  }
}

// After the tool's button every palette it opened is listed, the one the
// dialog steps act on last; hierarchy lists give their rows and selection;
// the colour picker says it waits.
TEST(BoxesHostRuns, TheTerminalListsEveryPaletteAndPrompt) {
  hosttest::TempDir work;
  const auto run = hosttest::RunProcess(
      {PLUGHOST, "--plugins", framewicktest::PluginFolder(), "--settings", work.path(), "--interactive",
       framewicktest::Sample("boxes")},
      "button Zent:QFXToolTB\nwith 102\ntrack 1033 5 5\nanswer color 1 2 3\npress Library...\npress Add publ.\n"
      "press Cancel\nquit\n",
      framewicktest::kRunBound);
  ASSERT_EQ(run.status, 0) << run.err;
  // Each listing's headings, TOOLBAR ending the menus before them.
  std::string heads;
  const std::regex head("(TOOLBAR|ITEMS .*|  10(64|39) .*)\n");
  for (auto m = std::sregex_iterator(run.out.begin(), run.out.end(), head); m != std::sregex_iterator(); ++m)
    heads += m->str();
  const std::string specifications = "ITEMS 102 \"Specifications\" modeless\n",
                    palettes = "ITEMS 117 \"Orb/K\" modeless\nITEMS 118 \"Fonts\" modeless\n  1064 hierarchy list box "
                               "\"\" rows 1\nITEMS 118 \"Colors\" modeless\n  1064 hierarchy list box \"\" rows 0\n";
  EXPECT_NE(heads.find("TOOLBAR\n" + specifications + palettes + "TOOLBAR\n" + palettes + specifications), std::string::npos)
      << heads;
  EXPECT_NE(heads.find("ITEMS 110 \"Box Specifications\"\n  1039 hierarchy list box \"Hierarchy\" rows 2 selected 1\n"),
            std::string::npos);
  EXPECT_TRUE(std::regex_search(run.out, std::regex("\nASK COLOR: (\\d+ \\d+ \\d+)\nCOLOR: \\1 -> 1 2 3\n")));
}

}  // namespace
