// The page-box editor on what the host adds around it: documents whose
// security forbids changes, under each of qpdf's encryptions, and the
// terminal's listings of its palettes, library dialog and colour picker.
#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <vector>

#include "plughost_runs.h"

namespace {

const std::string kBoxes = framewicktest::Sample("boxes");

using framewicktest::Boxes;

std::string Shell(const std::string& command) {
  std::string out;
  hosttest::RunCommand(command, &out);
  return out;
}

// The user password "u" opens the file and refuses every change, the save
// included; the owner password "o" writes the edit and the output keeps the
// encryption. The rows show either way.
TEST(BoxesHostRuns, SecuredDocumentsAreChangedOnlyWithTheOwnerPassword) {
  hosttest::TempDir work;
  const std::string refused =
      "plughost: the document's security does not allow changes (give the owner password with --password)\n";
  const std::string note = "The document's security does not allow changes\n";
  const std::vector<std::string> page = {"--pages", "1", "--unit", "pt"};
  std::vector<std::string> edit = page;
  edit.insert(edit.end(), {"--set", "trim=36,36,500,700"});
  const auto plain = Boxes(work.path(), {kBoxes, "--pages", "1,3"});
  const auto plainPage = Boxes(work.path(), {kBoxes, "--pages", "1", "--unit", "pt"});
  ASSERT_EQ(plain.status + plainPage.status, 0) << plain.err << plainPage.err;
  const struct {
    const char* name;
    std::string encrypt;
  } variants[] = {{"R3", "--allow-weak-crypto --encrypt u o 128 --use-aes=n"},
                  {"R4 AES", "--encrypt u o 128 --use-aes=y"},
                  {"R6", "--encrypt u o 256"}};
  for (const auto& variant : variants) {
    SCOPED_TRACE(variant.name);
    const std::string locked = work.File("locked.pdf"), out = work.File("out.pdf");
    ASSERT_EQ(hosttest::RunCommand("qpdf " + variant.encrypt + " --modify=none -- " + hosttest::Quoted(kBoxes) + " " +
                                   hosttest::Quoted(locked)),
              0);
    ASSERT_NE(Shell("qpdf --show-encryption --password=u " + locked).find("modify anything: not allowed"),
              std::string::npos);
    for (const char* password : {"u", "o"}) {
      const auto listed = Boxes(work.path(), {locked, "--password", password, "--pages", "1,3"});
      EXPECT_EQ(listed.status, 0) << listed.err;
      EXPECT_EQ(listed.out, plain.out) << password;
    }
    // The edit is refused at "Apply" (the palette's note) and the run ends
    // before the rows would show what was not written; a save alone is
    // refused too.
    for (const auto& args : {edit, page}) {
      std::vector<std::string> all = {locked, "--password", "u", "--output", out};
      all.insert(all.end(), args.begin(), args.end());
      const auto run = Boxes(work.path(), all);
      EXPECT_EQ(run.status, 2);
      EXPECT_EQ(run.err, refused);
      ASSERT_EQ(run.out.rfind(plainPage.out, 0), 0u) << run.out;
      const std::string after = run.out.substr(plainPage.out.size());
      if (args == edit) {
        EXPECT_EQ(after.rfind("NOTE: ", 0), 0u) << after;
        EXPECT_EQ(after.find('\n'), after.size() - 1) << after;
        EXPECT_EQ(after.substr(after.size() - note.size()), note);
      } else {
        EXPECT_EQ(after, "");
      }
      EXPECT_NE(::access(out.c_str(), F_OK), 0);
    }
    std::vector<std::string> owner = {locked, "--password", "o", "--output", out};
    owner.insert(owner.end(), edit.begin(), edit.end());
    const auto run = Boxes(work.path(), owner);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("BOX: page 1 Trim on 36.000 36.000 500.000 700.000 pt\n"), std::string::npos) << run.out;
    EXPECT_EQ(Shell("qpdf --show-encryption --password=o " + out), Shell("qpdf --show-encryption --password=o " + locked));
    EXPECT_EQ(Shell("pdfinfo -upw u -box -f 1 -l 1 " + out + " | grep TrimBox | tr -s ' '"),
              "Page 1 TrimBox: 36.00 56.00 536.00 756.00\n");
    ::unlink(out.c_str());
  }
}

// At the terminal, after the tool's button, every palette it opened is
// listed, the one the dialog steps act on last; hierarchy lists give their
// rows and selection as list boxes do; the colour picker says it waits.
TEST(BoxesHostRuns, TheTerminalListsEveryPaletteAndEveryPrompt) {
  hosttest::TempDir work;
  std::vector<std::string> argv = {PLUGHOST, "--plugins", framewicktest::PluginFolder(), "--settings", work.path(),
                                   "--interactive", kBoxes};
  const auto run = hosttest::RunProcess(
      argv, "button Zent:QFXToolTB\nwith 102\ntrack 1033 5 5\nanswer color 1 2 3\npress Library...\npress Add publ.\n"
            "press Cancel\nquit\n",
      framewicktest::kRunBound);
  ASSERT_EQ(run.status, 0) << run.err;
  // The headings of each listing, TOOLBAR ending the menus before them.
  std::string listed;
  for (size_t at = 0; at < run.out.size();) {
    const size_t end = run.out.find('\n', at) + 1;
    const std::string line = run.out.substr(at, end - at);
    for (const char* head : {"TOOLBAR", "ITEMS ", "  1064 ", "  1039 "})
      if (line.rfind(head, 0) == 0) listed += line;
    at = end;
  }
  const std::string specifications = "ITEMS 102 \"Specifications\" modeless\n";
  const std::string palettes = "ITEMS 117 \"Orb/K\" modeless\nITEMS 118 \"Fonts\" modeless\n"
                               "  1064 hierarchy list box \"\" rows 1\nITEMS 118 \"Colors\" modeless\n"
                               "  1064 hierarchy list box \"\" rows 0\n";
  EXPECT_NE(listed.find("TOOLBAR\n" + specifications + palettes + "TOOLBAR\n"), std::string::npos) << listed;
  EXPECT_NE(listed.find("TOOLBAR\n" + palettes + specifications + "TOOLBAR\n"), std::string::npos) << listed;
  EXPECT_NE(run.out.find("ITEMS 110 \"Box Specifications\"\n  1039 hierarchy list box \"Hierarchy\" rows 0\n"),
            std::string::npos);
  EXPECT_NE(run.out.find("ITEMS 110 \"Box Specifications\"\n  1039 hierarchy list box \"Hierarchy\" rows 2 selected 1\n"),
            std::string::npos);
  EXPECT_TRUE(std::regex_search(run.out, std::regex("\nASK COLOR: (\\d+ \\d+ \\d+)\nCOLOR: \\1 -> 1 2 3\n"))) << run.out;
}

}  // namespace
