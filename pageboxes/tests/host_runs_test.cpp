// The page-box editor on what the host adds around it: files whose security
// forbids changes, and the terminal's listings of palettes and prompts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "plughost_runs.h"

namespace {

std::string Shell(const std::string& command) {
  std::string out;
  hosttest::RunCommand(command, &out);
  return out;
}

// Under each of qpdf's encryptions the user password "u" lists the rows, then
// the edit is refused (the palette's note, exit 2, nothing written); the owner
// password "o" writes it and keeps the encryption.
TEST(BoxesHostRuns, SecuredFilesAreChangedOnlyWithTheOwnerPassword) {
  hosttest::TempDir work;
  const std::string boxes = framewicktest::Sample("boxes"), locked = work.File("l.pdf"), out = work.File("o.pdf");
  const std::string rows = framewicktest::Boxes(work.path(), {boxes, "--pages", "1", "--unit", "pt"}).out;
  const std::string refused = "The document's security does not allow changes\n";
  for (const std::string encrypt : {"--allow-weak-crypto --encrypt u o 128 --use-aes=n",
                                    "--encrypt u o 128 --use-aes=y", "--encrypt u o 256"}) {
    ASSERT_EQ(hosttest::RunCommand("qpdf " + encrypt + " --modify=none -- " + boxes + " " + locked), 0);
    for (const char* password : {"u", "o"}) {
      SCOPED_TRACE(encrypt + " " + password);
      const bool owner = *password == 'o';
      const auto run = framewicktest::Boxes(work.path(), {locked, "--pages", "1", "--unit", "pt", "--password",
                                                          password, "--set", "trim=36,36,500,700", "--output", out});
      EXPECT_EQ(run.out.substr(0, rows.size()), rows);
      EXPECT_EQ(run.status, owner ? 0 : 2);
      EXPECT_EQ(run.out.find(refused) == std::string::npos, owner);
      EXPECT_EQ(run.err, owner ? "" : "plughost: the document's security does not allow changes (give the owner "
                                      "password with --password)\n");
      EXPECT_EQ(Shell("pdfinfo -upw u -box " + out + " 2>&1 | grep TrimBox | tr -s ' '"),
                owner ? "TrimBox: 36.00 56.00 536.00 756.00\n" : "");
      const std::string encryption = "qpdf --show-encryption --password=o ";
      EXPECT_EQ(Shell(encryption + out) == Shell(encryption + locked), owner);
      ::unlink(out.c_str());
    }
  }
  // A save with no edit is refused too.
  EXPECT_EQ(framewicktest::Boxes(work.path(), {locked, "--password", "u", "--output", out}).status, 2);
  EXPECT_NE(::access(out.c_str(), F_OK), 0);
}

// After the tool's button every palette it opened is listed, the one the
// dialog steps act on last; hierarchy lists give their rows and selection;
// the colour picker says it waits.
TEST(BoxesHostRuns, TheTerminalListsEveryPaletteAndPrompt) {
  hosttest::TempDir work;
  const auto run = hosttest::RunProcess({PLUGHOST, "--plugins", framewicktest::PluginFolder(), "--settings",
                                         work.path(), "--interactive", framewicktest::Sample("boxes")},
                                        "button Zent:QFXToolTB\nwith 102\ntrack 1033 5 5\nanswer color 1 2 3\n"
                                        "press Library...\npress Add publ.\npress Cancel\nquit\n",
                                        framewicktest::kRunBound);
  std::string heads;
  const std::regex head("(TOOLBAR|ITEMS .*|  10(64|39) .*)\n");
  for (auto m = std::sregex_iterator(run.out.begin(), run.out.end(), head); m != std::sregex_iterator(); ++m)
    heads += m->str();
  const std::string specifications = "ITEMS 102 \"Specifications\" modeless\n",
                    palettes = "ITEMS 117 \"Orb/K\" modeless\nITEMS 118 \"Fonts\" modeless\n  1064 hierarchy list box "
                               "\"\" rows 1\nITEMS 118 \"Colors\" modeless\n  1064 hierarchy list box \"\" rows 0\n";
  EXPECT_NE(heads.find("TOOLBAR\n" + specifications + palettes + "TOOLBAR\n" + palettes + specifications),
            std::string::npos) << heads;
  EXPECT_NE(heads.find("  1039 hierarchy list box \"Hierarchy\" rows 2 selected 1\n"), std::string::npos);
  EXPECT_TRUE(std::regex_search(run.out, std::regex("\nASK COLOR: (\\d+ \\d+ \\d+)\nCOLOR: \\1 -> 1 2 3\n")));
}

}  // namespace
