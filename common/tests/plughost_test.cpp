#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "testing/pdfmaker.h"
#include "testing/processes.h"

namespace {

const double kBound = 60;  // seconds: a run that hangs is a fault, not a slow machine

std::string Sample() { return SAMPLES "/sample.pdf"; }

hosttest::ProcessResult Plughost(std::vector<std::string> args, const std::string& input = "", bool merge = false,
                                 const char* plugins = TEST_PLUGINS) {
  args.insert(args.begin(), {PLUGHOST, "--plugins", plugins});
  return hosttest::RunProcess(args, input, kBound, merge);
}

struct Case {
  const char* name;
  std::vector<std::string> args;
  const char* script;  // on standard input, through --script -
  int status;
  const char* out;  // the whole standard output
  const char* err;  // a part of standard error
};

const char kModal[] = "DIALOG 900 \"Test dialog\"\n";

// Each script runs as a user would run it; a stop names what waited.
const Case kCases[] = {
    {"validation off keeps the dialog; on, OK closes it", {}, "menu Test:Modal\npress OK\nprint item 901 Name\ncheck 902 on\npress 1\n", 0,
     "DIALOG 900 \"Test dialog\"\nName: \nCLOSED 900 1\n", ""},
    {"cancel by a title without &", {}, "menu Modal dialog\npress 2\n", 0, "DIALOG 900 \"Test dialog\"\nCLOSED 900 2\n", ""},
    {"nested modal dialogs", {}, "menu Test:Opener\npress Open\npress 2\npress 1\n", 0,
     "DIALOG 902 \"Opener\"\nDIALOG 900 \"Test dialog\"\nCLOSED 900 2\nCLOSED 902 1\n", ""},
    {"a throwing InitSelf is a note; the next step is at top level", {}, "menu Test:Throws\nmenu Test:Note\n", 0,
     "NOTE: Exception in TestDialog::InitSelf()\\n for object 0\\nGeneral error\nNOTE: hello\n", ""},
    {"a dialog with no fitting step", {}, "menu Test:Modal\nmenu Test:Note\n", 2, kModal,
     "\"menu Test:Note\" does not fit while dialog 900 \"Test dialog\" waits"},
    {"answer confirm at an alert", {}, "menu Test:Alert\nanswer confirm ok\n", 2, "", "while the alert \"q\" waits"},
    {"the end inside a dialog", {}, "menu Test:Modal\n", 2, kModal, "the steps end while dialog 900"},
    {"a disabled item", {}, "menu Test:Disabled\npress Off\n", 2, "DIALOG 904 \"Disabled\"\n",
     "item 3 \"Off\" is disabled in dialog 904"},
    {"a menu item that is not enabled never runs", {}, "menu Test:Never\n", 2, "", "\"Test:Never\" is not enabled"},
    {"alert buttons are escaped", {}, "menu Test:Alert\nanswer alert 2\n", 0,
     "ALERT: q [Yes|No\\|Maybe] -> No\\|Maybe\nNOTE: button 2\n", ""},
    {"an alert answered by text, then by a standing answer", {}, "menu Test:Alert\nanswer alert No|Maybe\nalways alert 1\nmenu Test:Alert\n", 0,
     "ALERT: q [Yes|No\\|Maybe] -> No\\|Maybe\nNOTE: button 2\nALERT: q [Yes|No\\|Maybe] -> Yes\nNOTE: button 1\n", ""},
    {"a confirmation", {}, "menu Test:Confirm\nanswer confirm cancel\n", 0, "CONFIRM: a\\nb -> Cancel\nNOTE: not confirmed\n", ""},
    {"a standing answer that fits no button", {}, "always alert Maybe\nmenu Test:Alert\n", 2, "", "has no button \"Maybe\""},
    {"quiet drops what it held", {}, "quiet on\nmenu Test:Note\nquiet off\n", 0, "", ""},
    {"quoted texts and comments", {}, "menu Test:Modal\n# x\nset 901 \"a \\\"b\\\"\\tc\"\nprint item 901\ncheck Valid on\npress OK  # closes\n", 0,
     "DIALOG 900 \"Test dialog\"\nITEM 901: a \"b\"\\tc\nCLOSED 900 1\n", ""},
    {"a quoted name is a text", {}, "menu Test:Modal\npress \"1\"\n", 2, kModal, "has no item \"1\""},
    {"items that share an identifier", {}, "menu Test:Modal\nprint dialog\nprint item -1#2\nprint item -1\n", 2,
     "DIALOG 900 \"Test dialog\"\nITEMS 900 \"Test dialog\"\n  1 push button \"OK\"\n  2 push button \"Cancel\"\n"
     "  -1#1 static \"Name:\"\n  901 edit \"\"\n  -1#2 static \"Options\"\n  902 check box \"Valid\" off\n"
     "ITEM -1#2: Options\n",
     "item -1 of dialog 900 \"Test dialog\" is ambiguous: -1#1 and -1#2"},
    {"a text two buttons share", {}, "menu Test:Twins\npress Same\n", 2, "DIALOG 905 \"Twins\"\n", "names items 3 and 4"},
    {"blocks close wherever they stand",
     {},
     "menu Test:Modal\nif enabled 1\n  press 2\n  menu Test:Note\nelse\n  if enabled 99\n  end\n  press 1\nend\n"
     "menu Test:Disabled\nif enabled Off\n  press Off\nelse\n  press Cancel\nend\nif enabled 1\n",
     2,
     "DIALOG 900 \"Test dialog\"\nCLOSED 900 2\nNOTE: hello\nDIALOG 904 \"Disabled\"\nCLOSED 904 2\n",
     "\"if enabled 1\" needs a dialog, and none is open"},
    {"a modeless dialog at top level", {}, "menu Test:Modeless\nexpect dialog 901\npress Stop\nmenu Test:Modeless\n", 0,
     "DIALOG 901 \"Working\" modeless\nCLOSED 901\nDIALOG 901 \"Working\" modeless\nCLOSED 901\n", ""},
    {"a first argument that is neither", {"Test:Nothing"}, nullptr, 2, "", "\"Test:Nothing\" is not a PDF file or a menu item"},
    {"an unknown option", {"--frobnicate"}, nullptr, 2, "", "unknown option --frobnicate"},
    {"a script that is a folder", {"--script", "/"}, nullptr, 2, "", "cannot read the script /: it is a folder"},
    {"palettes: with by number, title and name; track; colours; close box; preferences",
     {"--pref", "39=2"},
     "menu Test:Modeless\nmenu Test:Palette\nwith 901\npress Stop\nmenu Test:Modeless\nwith Palette\n"
     "track Target 3 4\npress Color\nanswer color 0 65535 0\npress Color\nanswer color cancel\nclosebox\n"
     "with Zent:Test:TestDialog\npress Stop\nprint pref 39\npref 39 3\nprint pref 39\n",
     0,
     "DIALOG 901 \"Working\" modeless\nDIALOG 909 \"Palette\" modeless\nCLOSED 901\nDIALOG 901 \"Working\" modeless\n"
     "NOTE: track 2 13 15\nNOTE: track -2 13 15\nNOTE: target changed\nCOLOR: 0 0 65535 -> 0 65535 0\n"
     "NOTE: chosen 0 65535 0\nCOLOR: 0 0 65535 -> cancel\nNOTE: no colour\nNOTE: close hit\nCLOSED 901\n"
     "PREF 39: 2\nPREF 39: 3\nCLOSED 909\n",
     ""},
    {"with that fits no dialog", {}, "menu Test:Modeless\nwith 950\n", 2, "DIALOG 901 \"Working\" modeless\n",
     "no open modeless dialog is \"950\""},
    {"a track outside its item", {}, "menu Test:Palette\ntrack Target 61 4\n", 2,
     "DIALOG 909 \"Palette\" modeless\n", "lies outside item 5"},
    {"a plug-in folder that is missing", {"--plugins", "/no/such/folder"}, nullptr, 2, "", "no such folder"},
    {"a plug-in folder without plug-ins", {"--plugins", "/"}, nullptr, 2, "", "holds no plug-in"},
};

TEST(Plughost, StepsRunAsAUserRunsThem) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.args;
    if (c.script) args.insert(args.end(), {"--script", "-"});
    auto run = Plughost(args, c.script ? c.script : "");
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out, c.out);
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    if (c.status == 0) {
      EXPECT_EQ(run.err, "");
    }
  }
}

TEST(Plughost, QuietLinesComeBeforeTheReasonOfAStop) {
  auto run = Plughost({"--script", "-"}, "quiet on\nmenu Test:Note\npress 1\n", true);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out.rfind("NOTE: hello\nplughost: \"press 1\" needs a dialog", 0), 0u) << run.out;
}

TEST(Plughost, MenusAndDocuments) {
  auto bare = Plughost({"print menus"});
  EXPECT_NE(bare.out.find("    Test:NeedsDoc \"Needs a document\" disabled\n"), std::string::npos) << bare.out;
  EXPECT_NE(bare.out.find("MENU AboutExtensions \"About Plug-ins\"\n  Test:About "), std::string::npos);
  auto open = Plughost({Sample(), "print menus", "Test:NeedsDoc"});
  EXPECT_NE(open.out.find("    Test:NeedsDoc \"Needs a document\"\n"), std::string::npos);
  EXPECT_NE(open.out.find("NOTE: A document is open\n"), std::string::npos);

  // The example plug-in: by name, as a step, and without the document.
  for (const char* step : {"Example:PageCount", "menu Example:PageCount"}) {
    auto run = Plughost({Sample(), step}, "", false, EXAMPLE_PLUGINS);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "NOTE: The document has 3 pages\n");
  }
  EXPECT_EQ(Plughost({"Example:PageCount"}, "", false, EXAMPLE_PLUGINS).status, 2);

  hosttest::TempDir dir;
  auto saved = Plughost({Sample(), "save " + dir.File("out.pdf")});
  EXPECT_EQ(saved.out, "SAVED: " + dir.File("out.pdf") + "\n");
}

// The terminal: a typing error costs one line on standard error and the
// prompt comes again; the same steps print the script's event lines, with
// the listings added, the same on every run.
TEST(Plughost, TerminalSessions) {
  auto typo = Plughost({"--interactive"}, "menu Test:Modal\npres 2\npress 2\nquit\n");
  EXPECT_EQ(typo.status, 0);
  size_t first = typo.err.find("plughost: ");
  EXPECT_NE(first, std::string::npos);
  EXPECT_EQ(typo.err.find("plughost: ", first + 1), std::string::npos) << typo.err;
  EXPECT_NE(typo.out.find("CLOSED 900 2\n"), std::string::npos);

  const char steps[] = "menu Test:Opener\npress Open\npress 2\npress 1\nmenu Test:Alert\nanswer alert 1\n";
  auto script = Plughost({"--script", "-"}, steps);
  auto terminal = Plughost({"--interactive"}, steps);
  EXPECT_EQ(terminal.status, 0);
  EXPECT_EQ(Plughost({"--interactive"}, steps).out, terminal.out);
  std::string events;
  size_t listings = 0;
  for (size_t at = 0; at < terminal.out.size();) {
    size_t end = terminal.out.find('\n', at) + 1;
    std::string line = terminal.out.substr(at, end - at);
    bool listing = line.rfind("ITEMS ", 0) == 0 || line.rfind("  ", 0) == 0 || line.rfind("ASK ", 0) == 0 ||
                   line.rfind("MENU ", 0) == 0 || line == "TOOLBAR\n";
    listings += listing;
    if (!listing) events += line;
    at = end;
  }
  EXPECT_EQ(events, script.out);
  EXPECT_GT(listings, 0u);
  // The menus and toolbar at start and after each step at top level.
  const std::string menus = Plughost({"--script", "-"}, "print menus\n").out;
  EXPECT_EQ(terminal.out.rfind(menus, 0), 0u) << terminal.out;
  EXPECT_EQ(terminal.out.substr(terminal.out.size() - menus.size()), menus);
  EXPECT_EQ(Plughost({"--interactive", "--brief"}, steps).out, "ALERT: q [Yes|No\\|Maybe] -> Yes\nNOTE: button 1\n");

  // The end of the input inside a dialog stops; at top level it quits.
  EXPECT_EQ(Plughost({"--interactive"}, "menu Test:Modal\n").status, 2);
  EXPECT_EQ(Plughost({"--interactive"}, "").status, 0);
}

// Lists, choosers and the pump, as a script runs them.
TEST(Plughost, ListsChoosersAndThePump) {
  char folder[PATH_MAX];
  ASSERT_NE(::getcwd(folder, sizeof folder), nullptr);
  const std::string cwd = folder, entry(120, 'x');
  const std::string work = "DIALOG 908 \"Working\" modeless\nNOTE: 10 reports; presses per report: ";
  std::string seven;
  for (int i = 0; i < 7; ++i) seven += "at-progress 1 press Count\n";
  const struct {
    const char* name;
    std::string script;
    int status;
    std::string out;
    const char* err;  // a part of standard error
  } cases[] = {
      {"string entries", "menu Test:Entry\nprint item 1005\nset 1005 " + entry + "\npress 1\nmenu Test:EntryTitled\n"
       "set 1005 \"\"\npress OK\nmenu Test:Entry\npress 2\n", 0,
       "DIALOG 136 \"Please enter the requested string\"\nITEM 1005: preset\nCLOSED 136 1\nNOTE: 1 \"" + entry +
           "\"\nDIALOG 136 \"T\"\nCLOSED 136 1\nNOTE: 1 \"\"\nDIALOG 136 \"Please enter the requested string\"\n"
           "CLOSED 136 2\nNOTE: 2 \"preset\"\n", ""},
      {"lists draw their entries; select draws again before the next step",
       "menu Test:Lists\nprint list 1001\nselect 1001 1\nprint list 1001\nscroll 1002 40\nprint item 1004\n"
       "choose 1003 [3]\nchoose 1003 blue\nprint item 1003\nprint list 1003\npress 1\n", 0,
       "DIALOG 906 \"Lists\"\nLIST 1001 0: alpha\t\t1\nLIST 1001 1: beta\t\t2\nLIST 1001 2: gamma\t\t3\n"
       "LIST 1001 0: alpha\t\t1\nLIST 1001 1: beta\tselected\t2\nLIST 1001 2: gamma\t\t3\n"
       "ITEM 1004: intermediate 40; user 40\nITEM 1003: blue\n"
       "LIST 1003 0: red\nLIST 1003 1: green\nLIST 1003 2: blue\nLIST 1003 3: green\nCLOSED 906 1\n", ""},
      {"a choice no entry has", "menu Test:Lists\nchoose 1003 pink\n", 2, "DIALOG 906 \"Lists\"\n",
       "item 1003 of dialog 906 \"Lists\" has no entry \"pink\""},
      {"a choice two entries share", "menu Test:Lists\nchoose 1003 green\n", 2, "DIALOG 906 \"Lists\"\n",
       "entries 1 and 3 of item 1003 of dialog 906 \"Lists\" share the text \"green\""},
      {"an index outside the list", "menu Test:Lists\nchoose 1003 [4]\n", 2, "DIALOG 906 \"Lists\"\n",
       "item 1003 of dialog 906 \"Lists\" has no entry 4 (it has 4)"},
      {"a scroll past the end", "menu Test:Lists\nscroll 1002 101\n", 2, "DIALOG 906 \"Lists\"\n",
       "item 1002 scrolls from 0 to 100"},
      {"save choosers", "menu Test:SaveLog\nanswer file out\nmenu Test:SaveLog\nanswer file cancel\n"
       "menu Test:SaveLog\nanswer file error 12291\nmenu Test:SaveLog\nanswer file \"cancel\"\n", 0,
       "FILE: save \"Select output file\" \"suggested name\" -> " + cwd + "/out.log\nNOTE: chosen " + cwd +
           "/out.log\nFILE: save \"Select output file\" \"suggested name\" -> cancel\nNOTE: nothing chosen, error 0\n"
           "FILE: save \"Select output file\" \"suggested name\" -> error 12291\nNOTE: nothing chosen, error 12291\n"
           "FILE: save \"Select output file\" \"suggested name\" -> " + cwd + "/cancel.log\nNOTE: chosen " + cwd +
           "/cancel.log\n", ""},
      {"a chooser answered as an alert", "menu Test:SaveLog\nanswer alert 1\n", 2, "",
       "\"answer alert 1\" does not fit while the save chooser \"Select output file\" waits"},
      {"a press timed for the third report; a menu waits for the work",
       "at-progress 3 press 1\nmenu Test:Work\nmenu Test:Note\npress Cancel\n", 0,
       work + "0 0 1 0 0 0 0 0 0 0\nNOTE: hello\nCLOSED 908\n", ""},
      {"seven presses waiting, five a report", seven + "menu Test:Work\npress 1\n", 0,
       work + "5 2 0 0 0 0 0 0 0 0\nCLOSED 908\n", ""},
      {"with that fits two dialogs", "menu Test:Modeless\nmenu Test:Work\nwith Working\n", 2,
       "DIALOG 901 \"Working\" modeless\n" + work + "0 0 0 0 0 0 0 0 0 0\n", "fits several dialogs"},
      {"a press whose round never comes", "at-progress 11 press 1\nmenu Test:Work\npress 1\n", 2,
       work + "0 0 0 0 0 0 0 0 0 0\nCLOSED 908\n", "\"at-progress 11 press 1\" never came"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto run = Plughost({"--script", "-"}, c.script);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(run.out, c.out);
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  }

  // The notice, the version and the build's date and time, no line end after.
  auto about = Plughost({"--script", "-"}, "menu Test:About\nprint item 1023\npress OK\n");
  EXPECT_EQ(about.out.rfind("DIALOG 132 \"About Zentu PDF/X Corvane\"\n", 0), 0u) << about.out;
  EXPECT_TRUE(std::regex_search(about.out, std::regex("\nITEM 1023: Zentu PDF/X Corvane checks [^\n]*\\\\nversion 3\\.01"
                                                       "\\\\n[A-Z][a-z]{2} [ 123][0-9] [0-9]{4} [0-9:]{8}\n")))
      << about.out;

  // Piped into the terminal, a press after the work's menu step is read
  // once the work has returned: every report ran without it.
  auto piped = Plughost({"--interactive", "--brief"}, "menu Test:Work\npress 1\nquit\n");
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.out, "NOTE: 10 reports; presses per report: 0 0 0 0 0 0 0 0 0 0\n");
  EXPECT_EQ(piped.err.find("plughost: "), std::string::npos) << piped.err;

  // At the terminal a save over an existing file is confirmed first.
  hosttest::TempDir dir;
  const std::string existing = dir.File("old.log");
  FILE* f = std::fopen(existing.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  auto replace = Plughost({"--interactive", "--brief"},
                          "menu Test:SaveLog\nanswer file " + existing + "\nno\nanswer file " + existing + "\nyes\n");
  EXPECT_EQ(replace.status, 0);
  EXPECT_EQ(replace.out, "FILE: save \"Select output file\" \"suggested name\" -> " + existing + "\nNOTE: chosen " +
                             existing + "\n");
  size_t asked = replace.err.find(existing + " exists. Replace it?");
  ASSERT_NE(asked, std::string::npos) << replace.err;
  EXPECT_NE(replace.err.find(existing + " exists. Replace it?", asked + 1), std::string::npos);
}

}  // namespace
