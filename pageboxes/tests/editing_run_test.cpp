// The page-box tool as plughost runs it, on boxes.pdf with fresh settings at
// zoom 1 (device (x, y) is user (x, 792 - y) on pages 1, 2 and 4, and
// (x + 40, 760 - y) on page 5): edits by keys and drags, the question that
// applies them to the page they were made on, outside changes of the page,
// and documents that close under the tool.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/CosValueText.h"
#include "common/MyCosObj.h"
#include "core/host.h"
#include "host/calls.h"
#include "plughost_runs.h"
#include "testing/processes.h"

namespace {

const std::string kBoxes = SAMPLES "/boxes.pdf";
const std::string kAsk = "ALERT: Would you like to apply your changes? [Yes|No] -> ";
const char kAbsent[] = "****NULL*****";  // the text of an absent key
const char kBoxInfo[] = "<< /BleedBox << /A 1 /L 0 >> /TrimBox << /A 0 /L 0 >> >>";

// The keys of one page of a saved file, as text.
std::string PageKey(const std::string& file, int page, const char* key) {
  PDDoc doc = host::OpenDocument(file);
  PDPage p = PDDocAcquirePage(doc, page - 1);
  const std::string text = CosValueText::FromObject(MyCosObj(PDPageGetCosObj(p)).Get(key), 0, 0).Text();
  PDPageRelease(p);
  host::CloseDocument(doc);
  return text;
}

// Standard output without the SAVED line, whose path is the run's own.
std::string Events(const std::string& out) {
  std::string kept;
  size_t at = 0;
  while (at < out.size()) {
    size_t end = out.find('\n', at);
    end = end == std::string::npos ? out.size() : end + 1;
    if (out.compare(at, 7, "SAVED: ") != 0) kept += out.substr(at, end - at);
    at = end;
  }
  return kept;
}

struct Key {
  int page;
  const char* key;
  std::string value;
};

TEST(EditingRuns, EditsReachThePageTheyWereMadeOn) {
  hosttest::BindTables();
  const hosttest::PluginsFolder alone({FRAMEWICK_PLUGIN});
  const std::string tool = "tool Zent:QFXTool\n";
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string script, out;
    std::vector<Key> keys;  // of the saved file, when the script saves
  } rows[] = {
      {"ten to the right, Yes", {kBoxes}, tool + "pointer 300 400\nkey 29 2\npage 2\nanswer alert Yes\n",
       kAsk + "Yes\n",
       {{1, "TrimBox", "[ 46 36 586 756 ]"}, {1, "Zent_BoxInfo", kBoxInfo}, {2, "Zent_BoxInfo", kAbsent},
        {2, "CropBox", "[ 612 792 0 0 ]"}}},
      {"the same, No", {kBoxes}, tool + "pointer 300 400\nkey 29 2\npage 2\nanswer alert No\n", kAsk + "No\n",
       {{1, "TrimBox", "[ 36 36 576 756 ]"}, {1, "Zent_BoxInfo", kAbsent}}},
      {"whole-box drag, logged", {"--log", "view", kBoxes}, tool + "drag 300 400 310 390\npage 2\nanswer alert Yes\n",
       "cursor 1002\ncursor 1012\nxor -2 36 614 756\nxor 36 -2 576 794\nxor -2 36 614 756\nxor 36 -2 576 794\n"
       "xor -2 26 614 746\nxor 46 -2 586 794\ncursor 1002\n" + kAsk + "Yes\n",
       {{1, "TrimBox", "[ 46 46 586 766 ]"}}},
      {"top-left handle", {kBoxes}, tool + "drag 36 36 26 26\npage 2\nanswer alert Yes\n", kAsk + "Yes\n",
       {{1, "TrimBox", "[ 26 36 576 766 ]"}}},
      {"a path used up ends at its last point; clicks that hit nothing", {kBoxes},
       tool + "drag 300 400 310 390 320 380\nclick 300 10\nclick 1000 1000\npage 2\nanswer alert Yes\n",
       kAsk + "Yes\n", {{1, "TrimBox", "[ 56 56 596 776 ]"}, {1, "BleedBox", "[ 27 27 585 765 ]"}}},
      {"centred back, nothing to ask", {kBoxes}, tool + "pointer 300 400\nkey 29\nkey 99\npage 2\npage 1\n", "",
       {{1, "TrimBox", "[ 36 36 576 756 ]"}, {1, "Zent_BoxInfo", kAbsent}}},
      {"outside every box the anchor moves", {kBoxes}, tool + "pointer 5 5\nkey 28\npage 2\nanswer alert Yes\n",
       kAsk + "Yes\n", {{1, "BleedBox", "[ 26 27 584 765 ]"}, {1, "TrimBox", "[ 36 36 576 756 ]"}}},
      {"an outside change of the trim box reloads it", {kBoxes},
       tool + "set-page-key TrimBox [40 40 572 752]\npointer 300 400\nkey 29\npage 2\nanswer alert Yes\n",
       kAsk + "Yes\n", {{1, "TrimBox", "[ 41 40 573 752 ]"}}},
      {"an outside change of another key keeps the edit", {kBoxes},
       tool + "pointer 300 400\nkey 29\nset-page-key Foo 1\npage 2\nanswer alert Yes\n", kAsk + "Yes\n",
       {{1, "TrimBox", "[ 37 36 577 756 ]"}, {1, "Foo", "1"}}},
      {"centring keeps boxes of equal size", {kBoxes}, tool + "page 5\nkey 99\npage 1\nanswer alert Yes\n",
       kAsk + "Yes\n", {{5, "TrimBox", "[ 36 36 576 756 ]"}, {5, "CropBox", "[ 36 36 576 756 ]"}}},
      {"a locked box moves with its anchor", {kBoxes},
       "set-page-key Zent_BoxInfo << /TrimBox << /A 0 /L 1 >> >>\n" + tool +
           "drag 30 400 40 390\npage 2\nanswer alert Yes\n",
       kAsk + "Yes\n", {{1, "BleedBox", "[ 37 37 595 775 ]"}, {1, "TrimBox", "[ 46 46 586 766 ]"}}},
      {"of two equal boxes the earlier moves", {kBoxes}, tool + "page 5\ndrag 260 400 270 400\npage 1\nanswer alert Yes\n",
       kAsk + "Yes\n", {{5, "TrimBox", "[ 40 30 580 750 ]"}, {5, "CropBox", "[ 40 40 580 760 ]"}}},
      {"closing the tool's document asks at once and lets it go", {SAMPLES "/images.pdf"},
       "open " + kBoxes + "\n" + tool + "pointer 300 400\nkey 29\nclose\nanswer alert No\npage 3\nquit\n",
       kAsk + "No\n", {}},
      {"the button ends the editing: the question once, then the tool before stays and nothing follows", {kBoxes},
       "tool Select\nbutton Zent:QFXToolTB\npointer 300 400\nkey 29 2\nbutton Zent:QFXToolTB\nanswer alert Yes\n"
       "print tool\npage 2\n",
       kAsk + "Yes\nTOOL Select cursor 0\n", {{1, "TrimBox", "[ 46 36 586 756 ]"}}},
      {"closing the only document hands the tool back", {kBoxes}, tool + "close\nprint tool\nprint menus\n",
       "TOOL Hand cursor 0\nMENU Tools \"Tools\"\nMENU AboutExtensions \"About Plug-ins\"\n  Zent:Framewick:About "
       "\"Zentu Framewick...\"\nTOOLBAR\n  endToolsGroup separator\n  Zent:QFXToolTB \"Zentu Framewick\" bitmap 101 "
       "disabled\n",
       {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    hosttest::TempDir work;
    const std::string saved = work.File("out.pdf");
    std::vector<std::string> argv = {PLUGHOST, "--plugins", alone.path(), "--settings", work.path(), "--brief"};
    argv.insert(argv.end(), row.args.begin(), row.args.end());
    argv.insert(argv.end(), {"--script", "-"});
    const std::string script = row.script + (row.keys.empty() ? "" : "save " + saved + "\n");
    const hosttest::ProcessResult run = hosttest::RunProcess(argv, script, 60);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Events(run.out), row.out);
    if (row.keys.empty()) continue;
    std::string check;
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(saved), &check), 0) << check;
    for (const Key& key : row.keys) EXPECT_EQ(PageKey(saved, key.page, key.key), key.value) << key.page << key.key;
  }
}

// The library dialog from the palette's "Library...": its hierarchy, names
// refused and taken, deletions asked, a specification used on page 1, and
// the library values left after quit.
TEST(EditingRuns, TheLibraryDialogEditsAndAppliesSpecifications) {
  hosttest::BindTables();
  const std::string open = "tool Select\ntool Zent:QFXTool\nwith 102\npress Library...\n";
  const std::string add = "press Add publ.\n";
  const std::string sizes = "set 1042 8.75\nset 1043 11.25\nset 1047 8.5\nset 1048 11\ncheck 1145 off\n";
  const std::string spec = "BoxLibrary|0 New publication|0 New specification|";
  const std::string spec1 = "BoxLibrary|0 New publication|1 New specification 1|";
  const struct {
    const char* what;
    framewicktest::Values seeded;
    std::string script;
    std::vector<std::string> lines;  // in this order
    std::vector<Key> keys;           // of page 1 after Apply
    framewicktest::Values library;   // after quit, in key order
  } rows[] = {
      {"add, names refused and kept, delete",
       {},
       open + add + "print list 1039\nprint dialog\npress Add spec.\npress Add spec.\nset 1056 New specification 1\n"
                    "set 1056 New specification 2\nset 1056 a|b\nprint item 1056\nselect 1039 0\n"
                    "set 1055 New publication\nset 1055 a|b\nselect 1039 3\npress Delete\nanswer confirm ok\n"
                    "print list 1039\npress Cancel\nquit\n",
       {"DIALOG 110 \"Box Specifications\"", "LIST 1039 0: New publication", "LIST 1039 1:   New specification",
        "  1055 edit \"New publication\" disabled", "  1056 edit \"New specification\"", "  1 push button \"Use\"",
        "  1145 check box \"Art/Live\" on", "NOTE: There's already a specification with that name",
        "NOTE: There's already a specification with that name", "NOTE: A name cannot contain \"|\".",
        "ITEM 1056: New specification 2", "NOTE: A name cannot contain \"|\".",
        "CONFIRM: Are you sure you want to delete the \"New specification 2\" specification? -> OK",
        "LIST 1039 2:   New specification 1", "CLOSED 110 2"},
       {},
       {{spec + "ArtBox", "1|1|0|0"}, {spec + "BleedBox", "1|1|0|0"}, {spec + "TrimBox", "1|1|0|0"},
        {spec1 + "ArtBox", "1|1|0|0"}, {spec1 + "BleedBox", "1|1|0|0"}, {spec1 + "TrimBox", "1|1|0|0"}}},
      {"a publication deleted with its specifications",
       {},
       open + add + "select 1039 0\npress Delete\nanswer confirm ok\nprint list 1039\npress Cancel\nquit\n",
       {"CONFIRM: Are you sure you want to delete the \"New publication\" publication? -> OK", "CLOSED 110 2"},
       {},
       {}},
      {"selected and cancelled: nothing asked, missing boxes added",
       {{"BoxLibrary|0 P|0 S|BleedBox", "1|1|630|810"}},
       open + "select 1039 1\npress Cancel\nquit\n",
       {"CLOSED 110 2"},
       {},
       {{"BoxLibrary|0 P|0 S|ArtBox", "1|1|0|0"}, {"BoxLibrary|0 P|0 S|BleedBox", "1|1|630|810"},
        {"BoxLibrary|0 P|0 S|TrimBox", "1|1|0|0"}}},
      {"a width changed, then Cancel",
       {},
       open + add + "set 1047 8.5\npress Cancel\nanswer confirm ok\nprint item 1015\nquit\n",
       {"CONFIRM: Do you want to save the changes to the current specification? -> OK", "ITEM 1015: 7.500"},
       {},
       {{spec + "ArtBox", "1|1|0|0"}, {spec + "BleedBox", "1|1|0|0"}, {spec + "TrimBox", "1|1|612|0"}}},
      {"used, applied, then left",
       {},
       open + add + sizes + "press Add spec.\nanswer confirm ok\nselect 1039 1\npress Use\nprint item 1038\n"
                            "press Apply\nSAVE\nset 1015 8\nprint item 1038\nalways alert No\nquit\n",
       {"CONFIRM: Do you want to save the changes to the current specification? -> OK", "CLOSED 110 1",
        "ITEM 1038: Spec:  New publication - New specification",
        "ITEM 1038: Spec:  Custom  (was New publication - New specification)"},
       {{1, "BleedBox", "[ -9 -9 621 801 ]"},
        {1, "TrimBox", "[ 0 0 612 792 ]"},
        {1, "Zent_BoxInfo",
         "<< /BleedBox << /A 1 /L 0 >> /P (New publication) /S (New specification) /TrimBox << /A 0 /L 1 >> >>"}},
       {{spec + "ArtBox", "0|1|0|0"}, {spec + "BleedBox", "1|1|630|810"}, {spec + "TrimBox", "1|1|612|792"},
        {spec1 + "ArtBox", "1|1|0|0"}, {spec1 + "BleedBox", "1|1|0|0"}, {spec1 + "TrimBox", "1|1|0|0"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    hosttest::TempDir work;
    const std::string saved = work.File("out.pdf");
    framewicktest::Seed(work.path(), row.seeded);
    std::string script = row.script;
    const size_t at = script.find("SAVE\n");
    if (at != std::string::npos) script.replace(at, 5, "save " + saved + "\n");
    const hosttest::ProcessResult run = hosttest::RunProcess(
        {PLUGHOST, "--plugins", framewicktest::PluginFolder(), "--settings", work.path(), kBoxes, "--script", "-"},
        script, 60);
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    size_t from = 0;
    for (const std::string& line : row.lines) {
      from = run.out.find(line + "\n", from);
      ASSERT_NE(from, std::string::npos) << line << "\n" << run.out;
    }
    EXPECT_EQ(framewicktest::LibraryValues(work.path()), row.library);
    if (row.keys.empty()) continue;
    std::string check;
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(saved), &check), 0) << check;
    for (const Key& key : row.keys) EXPECT_EQ(PageKey(saved, key.page, key.key), key.value) << key.key;
  }
}

}  // namespace
