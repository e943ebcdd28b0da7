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

// Under each of qpdf's encryptions, opened with the empty user password the
// rows are listed, then the edit is refused (the palette's note, exit 2,
// nothing written); the owner password "o" writes it, the encryption kept.
TEST(BoxesHostRuns, SecuredFilesAreChangedOnlyWithTheOwnerPassword) {
  hosttest::TempDir work;
  const std::string boxes = framewicktest::Sample("boxes"), locked = work.File("l.pdf"), out = work.File("o.pdf");
  const std::string rows = framewicktest::Boxes(work.path(), {boxes, "--pages", "1"}).out;
  for (const std::string encrypt : {"--allow-weak-crypto --encrypt '' o 128 --use-aes=n",
                                    "--encrypt '' o 128 --use-aes=y", "--encrypt '' o 256"}) {
    ASSERT_EQ(hosttest::RunCommand("qpdf " + encrypt + " --modify=none -- " + boxes + " " + locked), 0);
    for (const std::string password : {"", "o"}) {
      SCOPED_TRACE(encrypt + " " + password);
      const auto run = framewicktest::Boxes(
          work.path(), {locked, "--pages", "1", "--password", password, "--set", "trim=1,1,7,10", "--output", out});
      EXPECT_EQ(run.out.substr(0, rows.size()), rows);
      EXPECT_EQ(run.status, password.empty() ? 2 : 0);
      EXPECT_EQ(run.out.find("The document's security does not allow changes\n") != std::string::npos,
                password.empty());
      EXPECT_EQ(run.err, password.empty() ? "plughost: the document's security does not allow changes (give the "
                                            "owner password with --password)\n" : "");
      EXPECT_EQ(Shell("pdfinfo -box " + out + " 2>/dev/null | grep TrimBox | tr -s ' '"),
                password.empty() ? "" : "TrimBox: 72.00 0.00 576.00 720.00\n");
      EXPECT_EQ(Shell("qpdf --show-encryption " + out) == Shell("qpdf --show-encryption " + locked), !password.empty());
      ::unlink(out.c_str());
    }
  }
  // A save with no edit is refused too.
  EXPECT_EQ(framewicktest::Boxes(work.path(), {locked, "--output", out}).status, 2);
  EXPECT_NE(::access(out.c_str(), F_OK), 0);
}

// After the tool's button every palette it opened is listed, hierarchy
// lists with their rows and selection; the colour picker says it waits.
TEST(BoxesHostRuns, TheTerminalListsEveryPaletteAndPrompt) {
  hosttest::TempDir work;
  const std::string out = hosttest::RunProcess({PLUGHOST, "--plugins", framewicktest::PluginFolder(), "--settings",
                                                work.path(), "--interactive", framewicktest::Sample("boxes")},
                                               "button Zent:QFXToolTB\nwith 102\ntrack 1033 5 5\nanswer color 1 2 3\n"
                                               "press Library...\npress Add publ.\npress Cancel\nquit\n",
                                               framewicktest::kRunBound).out;
  for (const char* listed : {"\nITEMS 117 \"Orb/K\" modeless\n", "\nITEMS 118 \"Fonts\" modeless\n  1064 hierarchy "
                             "list box \"\" rows 1\n", "\n  1039 hierarchy list box \"Hierarchy\" rows 2 selected 1\n"})
    EXPECT_NE(out.find(listed), std::string::npos) << listed;
  EXPECT_TRUE(std::regex_search(out, std::regex("\nASK COLOR: (\\d+ \\d+ \\d+)\nCOLOR: \\1 -> 1 2 3\n")));
}

}  // namespace
