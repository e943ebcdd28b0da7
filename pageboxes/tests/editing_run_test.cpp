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
#include "testing/processes.h"
#include "plughost_runs.h"

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

// Standard output without the SAVED line, whose path is the run's own,
// and without the palette's overlays, drawn and invalidated.
std::string Events(const std::string& out) {
  std::string kept;
  size_t at = 0;
  while (at < out.size()) {
    size_t end = out.find('\n', at);
    end = end == std::string::npos ? out.size() : end + 1;
    const std::string line = out.substr(at, end - at);
    bool drawn = false;
    for (const char* front : {"SAVED: ", "invalidate ", "color ", "rect ", "frame "}) drawn = drawn || line.rfind(front, 0) == 0;
    if (!drawn) kept += line;
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
       "cursor 1002\ncursor 1112\ncursor 1112\ncursor 1112\ncursor 1112\ncursor 1002\ncursor 1002\ncursor 1002\ncursor 1002\ncursor 1012\nxor -2 36 614 756\nxor 36 -2 576 794\nxor -2 36 614 756\nxor 36 -2 576 794\n"
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
       "\"Zentu Framewick...\"\nMENU View \"View\"\n  Overprint \"Overprint Preview\"\n  UseLocalFonts \"Use Local Fonts\"\nTOOLBAR\n  endToolsGroup separator\n  Zent:QFXToolTB \"Zentu Framewick\" bitmap 101 "
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

// What the page must not keep: the crop row's write made at once, answered
// "No" or reset (absent, inherited and own crop boxes); a record shared with
// another page; a media box changed by another tool, which the rows and "c"
// measure from again. Each saved file read back with qpdf --json.
TEST(EditingRuns, ThePageKeepsOnlyWhatIsApplied) {
  hosttest::TempDir shared;
  hosttest::PdfSpec spec;
  const std::string page = "<< /Type /Page /Parent 2 0 R /BleedBox [0 0 600 780] /TrimBox [9 9 591 771] "
                           "/Zent_BoxInfo 5 0 R >>";
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                  "<< /Type /Pages /MediaBox [0 0 612 792] /Kids [3 0 R 4 0 R] /Count 2 >>", page, page,
                  "<< /TrimBox << /A 1 /L 0 >> /Foo 1 >>"};
  hosttest::WriteFile(shared.File("shared.pdf"), hosttest::MakePdf(spec));
  const std::string tool = "tool Zent:QFXTool\nwith 102\n", sharedRecord = "<< /Foo 1 /TrimBox << /A 1 /L 0 >> >>\n";
  // Another tool's crop box, put after the row wrote one at once (absent,
  // own and inherited crop boxes), stays whatever the question is answered.
  std::string other;
  for (const std::string steps : {"1\ncheck 1230 on\nset 1015 8", "2\ncheck 1230 off\ncheck 1029 on",
                                  "3\ncheck 1230 off\nset 1115 6"})
    other += "page " + steps + "\nset-page-key CropBox [10 10 500 500]\n";
  const std::vector<Key> others = {{1, "/CropBox", "[10,10,500,500]"}, {2, "/CropBox", "[10,10,500,500]"},
                                   {3, "/CropBox", "[10,10,500,500]"}};
  const struct {
    std::string file, script, line;
    std::vector<Key> keys;  // as qpdf gives them; the shared record as qpdf shows it
  } rows[] = {
      {kBoxes, tool + "check 1230 on\npage 2\nanswer alert No\n", "", {{1, "/CropBox", "none"}}},
      {kBoxes, tool + "page 3\ncheck 1230 off\ncheck 1230 on\npage 1\n", "", {{3, "/CropBox", "none"}}},  // inherited
      {kBoxes, tool + "page 2\ncheck 1230 off\ncheck 1230 on\nset 1213 1\npress Reset\n", "",
       {{2, "/CropBox", "[612,792,0,0]"}}},
      {shared.File("shared.pdf"), tool + "track 1031 2 2\nset 1015 8\npress Apply\n", "",
       {{1, "/Zent_BoxInfo", "{\"/BleedBox\":{\"/A\":1,\"/L\":0},\"/Foo\":1,\"/TrimBox\":{\"/A\":0,\"/L\":0}}"},
        {2, "/Zent_BoxInfo", sharedRecord}}},
      {kBoxes,
       tool + "set-page-key MediaBox [0 0 700 900]\nprint item 1014\nkey 99\nprint item 1014\npage 2\nanswer alert Yes\n",
       "ITEM 1014: 2.000\nITEM 1014: 1.250", {{1, "/TrimBox", "[80,90,620,810]"}, {1, "/BleedBox", "[71,81,629,819]"}}},
      {kBoxes, "always alert No\n" + tool + other + "page 4\n", "", others},
      {kBoxes, "always alert Yes\n" + tool + other + "page 4\n", "", others},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    hosttest::TempDir work;
    const std::string saved = work.File("out.pdf");
    const auto run = framewicktest::Run(work.path(), {"--brief", row.file}, row.script + "save " + saved + "\nquit\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(row.line), std::string::npos) << run.out;
    for (const Key& key : row.keys) {
      std::string value = framewicktest::QpdfPageEntry(saved, key.page, key.key);
      if (key.value == sharedRecord)  // still the other page's reference, to the record as it was
        hosttest::RunCommand(
            "qpdf --show-object=" + value.substr(1, value.find(' ') - 1) + " " + hosttest::Quoted(saved), &value);
      EXPECT_EQ(value, key.value) << key.page << key.key;
    }
  }
}

// Steps that print whether ITEM is enabled: "ON: ITEM" or "OFF: ITEM".
std::string Enabled(const std::string& item) {
  return "if enabled " + item + "\nprint item " + item + " ON\nelse\nprint item " + item + " OFF\nend\n";
}

// The boxes palette through plughost: what it shows, edits, Apply and
// Reset, the grouping and colour cells, the crop box, drags and closing.
// Each row's lines must come in its output in that order.
TEST(EditingRuns, ThePaletteEditsAppliesAndCloses) {
  hosttest::BindTables();
  const hosttest::PluginsFolder alone({FRAMEWICK_PLUGIN});
  const std::string open = "tool Select\ntool Zent:QFXTool\nwith 102\n";
  const std::string trimTo8 = "set 1015 8\n";
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string script;
    std::vector<std::string> lines;
    std::vector<Key> keys;  // of the saved file, when the script saves
  } rows[] = {
      {"opened", {}, open + "print dialog\nquit\n",
       {"DIALOG 102 \"Specifications\" modeless", "  1038 static \"Spec:  Custom\"", "  1037 push button \"->\" hidden",
        "  1029 check box \"Bleed\" on", "  1009 edit \"0.375\"", "  1010 edit \"0.375\"", "  1011 edit \"7.750\"",
        "  1012 edit \"10.250\"", "  1021 static \"in\"", "  1030 check box \"Trim\" on", "  1022 static \"in\"",
        "  1027 push button \"Apply\" disabled", "  1028 push button \"Reset\" disabled",
        "  1130 check box \"Art/Live\" off", "  1113 edit \"0.000\" disabled", "  1116 edit \"0.000\" disabled",
        "  1122 static \"in\"", "  1230 check box \"Crop\" off", "  1215 edit \"0.000\" disabled",
        "  1222 static \"in\"", "CLOSED 102"},
       {}},
      {"edit, Reset, Apply", {},
       open + trimTo8 + Enabled("Apply") + Enabled("Reset") + "press Reset\nprint item 1015\n" + Enabled("Apply") +
           Enabled("Reset") + trimTo8 + "press Apply\n" + Enabled("Apply") + trimTo8 + Enabled("Apply"),
       {"ON: Apply", "ON: Reset", "ITEM 1015: 7.500", "OFF: Apply", "OFF: Reset", "OFF: Apply", "OFF: Apply"},
       {{1, "TrimBox", "[ 36 36 612 756 ]"}}},
      {"anchor and lock", {},
       open + "track 1032 2 2\ntrack 1031 40 2\n" + Enabled("Apply") + trimTo8 + "press Apply\n", {"OFF: Apply"},
       {{1, "TrimBox", "[ 36 36 612 756 ]"}, {1, "BleedBox", "[ 45 27 603 765 ]"},
        {1, "Zent_BoxInfo", "<< /BleedBox << /A 0 /L 1 >> /TrimBox << /A 1 /L 0 >> >>"}}},
      {"live area on", {}, open + "check 1130 on\nprint item 1115\nprint item 1116\npress Apply\n",
       {"ITEM 1115: 8.500", "ITEM 1116: 11.000"},
       {{1, "Zent_SafetyBox", "[ 0 0 612 792 ]"},
        {1, "Zent_BoxInfo", "<< /ArtBox << /A 0 /L 0 >> /BleedBox << /A 1 /L 0 >> /TrimBox << /A 0 /L 0 >> >>"}}},
      {"crop off, applied, then left unapplied", {"--log", "view"},
       open + "page 2\ncheck 1230 off\npress Apply\n" + Enabled("Apply") +
           "page 3\ncheck 1230 off\npage 1\nanswer alert No\n",
       {"invalidate 0 0 612 792", "OFF: Apply", kAsk + "No"},
       {{2, "CropBox", kAbsent}, {3, "CropBox", kAbsent}, {1, "CropBox", kAbsent}}},
      {"crop off, the palette closed unapplied", {}, open + "page 5\ncheck 1230 off\nclosebox\nanswer alert No\n",
       {kAsk + "No"}, {{5, "CropBox", "[ 40 40 580 760 ]"}}},
      {"crop off applied where it is inherited", {},
       open + "page 3\ncheck 1230 off\npress Apply\nprint dialog\n",
       {"  1027 push button \"Apply\" disabled", "  1230 check box \"Crop\" on", "  1215 edit \"8.500\"",
        "  1216 edit \"11.000\""},
       {{3, "CropBox", "[ 0 0 612 792 ]"}}},
      {"overlays and colours", {},
       open + "draw\ncheck 1029 off\ndraw\ntrack 1033 5 5\nanswer color 0 65535 0\ncheck 1029 on\ndraw\nquit\n",
       {"  color 0 0 1", "  frame 27 27 585 765", "  color 1 0 1", "  frame 36 36 576 756", "DRAW page 1",
        "  color 1 0 1", "COLOR: 0 0 65535 -> 0 65535 0", "  color 0 1 0", "  frame 27 27 585 765"},
       {}},
      {"the close box asks, then the tool before", {},
       open + trimTo8 + "closebox\nanswer alert Yes\nprint tool\n",
       {kAsk + "Yes", "CLOSED 102", "TOOL Select cursor 0"}, {{1, "TrimBox", "[ 36 36 612 756 ]"}}},
      {"quit asks", {}, open + trimTo8 + "always alert No\nquit\n", {"CLOSED 102", kAsk + "No"}, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    hosttest::TempDir work;
    const std::string saved = work.File("out.pdf");
    std::vector<std::string> argv = {PLUGHOST, "--plugins", alone.path(), "--settings", work.path(), kBoxes};
    argv.insert(argv.end(), row.args.begin(), row.args.end());
    argv.insert(argv.end(), {"--script", "-"});
    const hosttest::ProcessResult run =
        hosttest::RunProcess(argv, row.script + (row.keys.empty() ? "" : "save " + saved + "\n"), 60);
    ASSERT_EQ(run.status, 0) << run.err;
    size_t at = 0;
    for (const std::string& line : row.lines) {
      at = run.out.find(line + "\n", at);
      ASSERT_NE(at, std::string::npos) << line << "\n" << run.out;
    }
    // Placed at the window's top right on a first run, two rows taller than its template.
    EXPECT_EQ(framewicktest::StoredValues(work.path())["Dialog|Boxes|Bounds"], "598,0,1024,195");
    if (row.keys.empty()) continue;
    std::string check;
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(saved), &check), 0) << check;
    for (const Key& key : row.keys) EXPECT_EQ(PageKey(saved, key.page, key.key), key.value) << key.page << key.key;
  }

  // The rows' overlays are suspended while a box is dragged: a longer path
  // invalidates no more.
  std::vector<size_t> counts;
  for (const char* drag : {"drag 300 400 305 395 310 390\n", "drag 300 400 310 390\n"}) {
    hosttest::TempDir work;
    const hosttest::ProcessResult run = hosttest::RunProcess(
        {PLUGHOST, "--plugins", alone.path(), "--settings", work.path(), "--log", "view", kBoxes, "--script", "-"},
        open + drag + "draw\nprint item 1013\nprint item 1014\nalways alert No\n", 60);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("  frame 46 26 586 746\nITEM 1013: 0.639\nITEM 1014: 0.361\n"), std::string::npos);
    size_t count = 0;
    for (size_t at = run.out.find("invalidate "); at != std::string::npos; at = run.out.find("invalidate ", at + 1))
      ++count;
    counts.push_back(count);
  }
  EXPECT_EQ(counts[0], counts[1]);
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
      {"one without sizes is not used",
       {},
       open + add + "press Use\nprint item 1038\nprint item 1011\nquit\n",
       {"CLOSED 110 1",
        "NOTE: The specification has no size for the Bleed box (its width or height is 0); it was not used.",
        "ITEM 1038: Spec:  Custom", "ITEM 1011: 7.750"},
       {},
       {{spec + "ArtBox", "1|1|0|0"}, {spec + "BleedBox", "1|1|0|0"}, {spec + "TrimBox", "1|1|0|0"}}},
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
