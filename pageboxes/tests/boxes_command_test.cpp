// `plughost boxes` on boxes.pdf with the editor alone: rows against pdfinfo,
// edits, a stored specification, secured files, faults told before anything
// runs; and the terminal's listings of the palettes. Then files other
// programs changed after the editor wrote its page records.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "plughost_runs.h"

namespace {

const std::string kBoxes = framewicktest::Sample("boxes");

hosttest::ProcessResult Boxes(const std::string& settings, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {PLUGHOST, "boxes", "--plugins", framewicktest::PluginFolder(), "--settings",
                                   settings};
  argv.insert(argv.end(), args.begin(), args.end());
  return hosttest::RunProcess(argv, "", framewicktest::kRunBound);
}

// pdfinfo's boxes of one page, as left, bottom, right, top.
std::map<std::string, std::vector<double>> PdfinfoBoxes(const std::string& file, int page) {
  std::string out, n = std::to_string(page), word, name;
  hosttest::RunCommand("pdfinfo -box -f " + n + " -l " + n + " " + hosttest::Quoted(file), &out);
  std::map<std::string, std::vector<double>> boxes;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::vector<double> box(4);
    if (std::istringstream(line) >> word >> n >> name >> box[0] >> box[1] >> box[2] >> box[3] && word == "Page")
      boxes[name.substr(0, name.size() - 1)] = box;
  }
  return boxes;
}

struct Row {
  int page = 0;
  std::string name, state, values[4], unit;
};

std::vector<Row> RowsOf(const std::string& out) {
  std::vector<Row> rows;
  std::istringstream lines(out);
  std::string head, word;
  for (Row row; std::getline(lines, head);)
    if (std::istringstream(head) >> head >> word >> row.page >> row.name >> row.state >> row.values[0] >>
            row.values[1] >> row.values[2] >> row.values[3] >> row.unit && head == "BOX:")
      rows.push_back(row);
  return rows;
}

const std::map<std::string, std::string> kKeys = {
    {"Bleed", "BleedBox"}, {"Trim", "TrimBox"}, {"Art/Live", "ArtBox"}, {"Crop", "CropBox"}};

// The rows shown on equal pdfinfo's boxes (to 0.005) within half a unit of
// the last digit shown, X and Y from the media box's left and top edges.
void ExpectRowsMatch(const std::vector<Row>& rows, const std::string& file) {
  const std::map<std::string, double> points = {{"in", 72}, {"mm", 72 / 25.4}, {"pt", 1}};
  for (const Row& row : rows) {
    if (row.state != "on") continue;
    SCOPED_TRACE("page " + std::to_string(row.page) + " " + row.name);
    auto boxes = PdfinfoBoxes(file, row.page);
    const std::vector<double>& media = boxes["MediaBox"];
    const std::vector<double>& box = boxes[kKeys.at(row.name)];
    ASSERT_EQ(box.size(), 4u);
    const double ppu = points.at(row.unit);
    const double fromFile[4] = {box[0] - media[0], media[3] - box[3], box[2] - box[0], box[3] - box[1]};
    for (int i = 0; i < 4; ++i) {
      const size_t dot = row.values[i].find('.');
      const int digits = dot == std::string::npos ? 0 : static_cast<int>(row.values[i].size() - dot - 1);
      EXPECT_NEAR(std::stod(row.values[i]) * ppu, fromFile[i], 0.5 * std::pow(10, -digits) * ppu + 0.01) << i;
    }
  }
}

TEST(BoxesCommand, RowsOfEveryPageMatchTheFileInEachUnit) {
  for (const std::string unit : {"", "mm", "pt"}) {
    SCOPED_TRACE(unit);
    hosttest::TempDir settings;
    auto run = Boxes(settings.path(), unit.empty() ? std::vector<std::string>{kBoxes}
                                                   : std::vector<std::string>{kBoxes, "--unit", unit});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Row> rows = RowsOf(run.out);
    ASSERT_EQ(rows.size(), 20u) << run.out;
    for (size_t i = 0; i < rows.size(); ++i)
      EXPECT_EQ(rows[i].unit + std::to_string(rows[i].page), (unit.empty() ? "in" : unit) + std::to_string(i / 4 + 1));
    EXPECT_EQ(rows[0].name + rows[1].name + rows[2].name + rows[3].name, "BleedTrimArt/LiveCrop");
    EXPECT_NE(run.out.find("SPEC: page 4 Custom\nBOX: page 5 Bleed"), std::string::npos) << run.out;
    ExpectRowsMatch(rows, kBoxes);
  }
}

TEST(BoxesCommand, AnEditIsAppliedToItsPageAndSavedAside) {
  hosttest::TempDir work;
  const std::string input = work.File("in.pdf"), out = work.File("out.pdf");
  hosttest::WriteFile(input, hosttest::ReadFile(kBoxes));
  auto run = Boxes(work.path(),
                   {input, "--pages", "1", "--unit", "pt", "--set", "trim=46,36,540,720", "--output", out,
                    "--picture", work.File("p")});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<Row> rows = RowsOf(run.out);
  ASSERT_EQ(rows.size(), 8u) << run.out;
  // Typed numbers are shown with the row's decimals; the drawing's lines are left out.
  const std::string end = "BOX: page 1 Trim on 46.000 36.000 540.000 720.000 pt\n"
                          "BOX: page 1 Art/Live off 0.000 792.000 0.000 0.000 pt\n"
                          "BOX: page 1 Crop off 0.000 792.000 0.000 0.000 pt\n"
                          "SPEC: page 1 Custom\nSAVED: " + out + "\n";
  EXPECT_EQ(run.out.rfind(end), run.out.size() - end.size()) << run.out;
  // The page's picture, 612 by 792 pixels at zoom 1.
  EXPECT_EQ(hosttest::ReadFile(work.File("p-1.png")).substr(12, 12), std::string("IHDR\0\0\x02\x64\0\0\x03\x18", 12));
  ExpectRowsMatch(std::vector<Row>(rows.begin() + 4, rows.end()), out);
  EXPECT_EQ(hosttest::ReadFile(input), hosttest::ReadFile(kBoxes));
  std::string check;
  EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(out), &check), 0) << check;
  for (int page = 1; page <= 5; ++page) {
    auto before = PdfinfoBoxes(kBoxes, page), after = PdfinfoBoxes(out, page);
    if (page == 1) {
      EXPECT_EQ(after["TrimBox"], (std::vector<double>{46, 36, 586, 756}));
      before.erase("TrimBox");
      after.erase("TrimBox");
    }
    EXPECT_EQ(after, before) << page;
  }
}

// The library is stored as a person stores it: two publications, the first
// renamed so that the list no longer shows them in name order.
const std::string kStoreCover =
    "button Zent:QFXToolTB\nwith 102\npress Library...\npress Add publ.\nselect 1039 0\nset 1055 Zine\n"
    "press Add publ.\nset 1056 Cover\nset 1042 8.75\nset 1043 11.25\nset 1047 8.5\nset 1048 11\ncheck 1145 off\n"
    "press Cancel\nanswer confirm ok\nquit\n";

TEST(BoxesCommand, ASpecificationOfTheStoredLibraryIsUsed) {
  hosttest::TempDir work;
  auto stored = framewicktest::Run(work.path(), {kBoxes}, kStoreCover);
  ASSERT_EQ(stored.status, 0) << stored.err;
  auto run = Boxes(work.path(), {kBoxes, "--pages", "1", "--spec", "New publication - Cover"});
  ASSERT_EQ(run.status, 0) << run.err << run.out;
  const std::vector<Row> rows = RowsOf(run.out);
  ASSERT_EQ(rows.size(), 8u) << run.out;
  std::string applied;
  for (size_t i = 4; i < 8; ++i)
    applied += rows[i].name + " " + rows[i].state + " " + rows[i].values[2] + " " + rows[i].values[3] + "\n";
  EXPECT_EQ(applied, "Bleed on 8.750 11.250\nTrim on 8.500 11.000\nArt/Live off 0.000 0.000\nCrop off 0.000 0.000\n");
  EXPECT_NE(run.out.find("SPEC: page 1 Custom\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("SPEC: page 1 New publication - Cover\nUNSAVED: "), std::string::npos) << run.out;
  // A library that cannot be stored (a full settings disk) ends the run with
  // status 2, the one stored before kept; a run that changes nothing in the
  // settings writes nothing there, and fails nothing.
  const std::string registry = work.File("registry/current_user.txt"), library = hosttest::ReadFile(registry);
  ::setenv("PLUGHOST_FAIL_FILE", "write:1:ENOSPC", 1);
  const auto more = framewicktest::Run(work.path(), {kBoxes}, kStoreCover);
  const auto listed = Boxes(work.path(), {kBoxes, "--pages", "1", "--spec", "New publication - Cover"});
  ::unsetenv("PLUGHOST_FAIL_FILE");
  EXPECT_EQ(more.status, 2);
  EXPECT_EQ(more.err, "plughost: the box library was not stored: the settings folder " + work.path() +
                          " cannot be written: " + registry + ": No space left on device\n");
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(hosttest::ReadFile(registry), library);
}

// Page 4 listed alone and after page 1, each edited alike, prints the same
// lines: nothing of the page before shows, the "Spec:" line included. A row
// switched off shows the zero box after "Apply" too.
TEST(BoxesCommand, APageShowsWhatItHoldsWhateverCameBefore) {
  hosttest::TempDir work;
  ASSERT_EQ(framewicktest::Run(work.path(), {kBoxes}, kStoreCover).status, 0);
  const std::vector<std::string> edits[] = {
      {}, {"--spec", "New publication - Cover"}, {"--set", "trim=1,1,5,5"}, {"--off", "crop", "--off", "trim"}};
  for (const auto& edit : edits) {
    SCOPED_TRACE(edit.empty() ? "no edit" : edit[0]);
    std::string shown[2];
    for (int i = 0; i < 2; ++i) {
      std::vector<std::string> args = {kBoxes, "--unit", "mm", "--pages", i ? "1,4" : "4"};
      args.insert(args.end(), edit.begin(), edit.end());
      const auto run = Boxes(work.path(), args);
      ASSERT_EQ(run.status, 0) << run.err;
      std::istringstream lines(run.out);
      for (std::string line; std::getline(lines, line);)
        if (line.find(" page 4 ") != std::string::npos) shown[i] += line + "\n";
    }
    EXPECT_EQ(shown[1], shown[0]);
    EXPECT_TRUE(edit.size() < 4 || shown[0].find("Trim off 0.000 279.400 0.000 0.000") != std::string::npos) << shown[0];
  }
}

// The stored library: publication "Print" with specifications of unlocked
// and locked rows, and one that switches a box on without a size.
const framewicktest::Values kPrint = {
    {"BoxLibrary|0 Print|0 Inside|ArtBox", "1|1|504|684"}, {"BoxLibrary|0 Print|0 Inside|BleedBox", "1|0|576|756"},
    {"BoxLibrary|0 Print|0 Inside|TrimBox", "1|0|540|720"}, {"BoxLibrary|0 Print|1 Locked|ArtBox", "0|1|0|0"},
    {"BoxLibrary|0 Print|1 Locked|BleedBox", "1|1|630|810"}, {"BoxLibrary|0 Print|1 Locked|TrimBox", "1|1|612|792"},
    {"BoxLibrary|0 Print|2 Mixed|ArtBox", "1|1|504|684"},   {"BoxLibrary|0 Print|2 Mixed|BleedBox", "1|1|630|810"},
    {"BoxLibrary|0 Print|2 Mixed|TrimBox", "1|0|540|720"},  {"BoxLibrary|0 Print|3 Zero|TrimBox", "1|1|0|0"}};

// The boxes the saved pages are checked for, in the tables' order.
const char* const kSaved[] = {"/BleedBox", "/TrimBox", "/Zent_SafetyBox", "/ArtBox", "/CropBox"};

// Locked rows, as "Use" of a specification leaves them (the page record, or
// "Use" in the run): a row switched off shows and saves the zero box, the
// others stay, page 3 lists alike alone and after pages 1 and 2, and the
// question to apply does not come back.
TEST(BoxesCommand, ARowSwitchedOffBesideLockedRowsIsTheZeroBox) {
  hosttest::TempDir work;
  framewicktest::Seed(work.path(), kPrint);
  const std::string page = "/MediaBox [0 0 612 792] /BleedBox [27 27 585 765] /TrimBox [36 36 576 756] "
                           "/Zent_SafetyBox [54 54 558 738] /CropBox [0 0 612 792] /Zent_BoxInfo << /BleedBox << /A 1 "
                           "/L 0 >> /TrimBox << /A 0 /L 1 >> /ArtBox << /A 0 /L 1 >> >>";
  const std::string file = framewicktest::PagesFile(work, {page, page, page}), out = work.File("out.pdf");
  const std::string bleed = "[27,27,585,765]", trim = "[36,36,576,756]", live = "[54,54,558,738]", crop = "[0,0,612,792]";
  const struct {
    std::vector<std::string> edit;  // the row switched off last
    std::string saved[5];  // the pages' kSaved entries
  } rows[] = {
      {{"--off", "Bleed"}, {"none", trim, live, "none", crop}},
      {{"--off", "Trim"}, {bleed, "none", "none", live, crop}},
      {{"--off", "Art/Live"}, {bleed, trim, "none", "none", crop}},
      {{"--off", "Crop"}, {bleed, trim, live, "none", "none"}},
      {{"--spec", "Print - Locked", "--off", "Trim"}, {"[-9,-9,621,801]", "none", "none", "none", crop}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.edit[1]);
    std::string third[2];  // page 3's lines, alone and after the others
    for (int i = 0; i < 2; ++i) {
      std::vector<std::string> args = {file, "--pages", i ? "1-3" : "3", "--output", out};
      args.insert(args.end(), row.edit.begin(), row.edit.end());
      const auto run = Boxes(work.path(), args);
      ASSERT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(run.out.substr(run.out.rfind('\n', run.out.size() - 2) + 1), "SAVED: " + out + "\n");
      std::istringstream lines(run.out);
      for (std::string line; std::getline(lines, line);)
        if (line.find(" page 3 ") != std::string::npos) third[i] += line + "\n";
    }
    EXPECT_EQ(third[1], third[0]);
    EXPECT_NE(third[0].rfind("BOX: page 3 " + row.edit.back() + " off 0.000 11.000 0.000 0.000 in\n"), std::string::npos)
        << third[0];
    for (int n = 1; n <= 3; ++n)
      for (int k = 0; k < 5; ++k) EXPECT_EQ(framewicktest::QpdfPageEntry(out, n, kSaved[k]), row.saved[k]) << n << kSaved[k];
  }
}

// "Use" on a page without boxes, one with a crop box and one with a bleed
// and a trim box of its own: each row takes its size, its left and bottom
// edges kept (a row that was off starts from the media box), the locked
// rows centred in the media box, then in the largest box, the anchor; the
// "Spec:" line names the specification, a box reaching beyond the media box
// gets its note. One without a size changes nothing: exit 2, nothing written.
TEST(BoxesCommand, UseOfASpecificationPlacesItsBoxes) {
  hosttest::TempDir work;
  framewicktest::Seed(work.path(), kPrint);
  const std::string file = framewicktest::PagesFile(
      work, {"/MediaBox [0 0 612 792]", "/MediaBox [0 0 612 792] /CropBox [0 0 600 780]",
             "/MediaBox [0 0 612 792] /BleedBox [27 27 585 765] /TrimBox [36 36 576 756]"});
  const std::string big = "[-9,-9,621,801]", small = "[0,0,540,720]", own = "[36,36,576,756]";
  const struct {
    std::string spec, pages[3][3];  // the bleed, trim and live-area boxes saved on each page
  } rows[] = {
      {"Inside", {{"[0,0,576,756]", small, "[36,36,540,720]"}, {"[0,0,576,756]", small, "[48,48,552,732]"},
                  {"[27,27,603,783]", own, "[63,63,567,747]"}}},
      {"Locked", {{big, "[0,0,612,792]", "none"}, {big, "[0,0,612,792]", "none"}, {big, "[0,0,612,792]", "none"}}},
      {"Mixed", {{big, small, "[54,54,558,738]"}, {big, small, "[54,54,558,738]"}, {big, own, "[54,54,558,738]"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.spec);
    const std::string out = work.File(row.spec + ".pdf");
    const auto run = Boxes(work.path(), {file, "--spec", "Print - " + row.spec, "--output", out});
    ASSERT_EQ(run.status, 0) << run.err;
    for (int n = 1; n <= 3; ++n) {
      const std::string page = std::to_string(n);
      EXPECT_NE(run.out.find("SPEC: page " + page + " Print - " + row.spec + "\n"), std::string::npos) << run.out;
      EXPECT_EQ(run.out.find("NOTE: The Bleed box of page " + page + " lies partly outside the media box; it is written "
                             "as asked, and readers clip it to the media box.\n") != std::string::npos,
                row.spec != "Inside");
      for (int k = 0; k < 3; ++k) EXPECT_EQ(framewicktest::QpdfPageEntry(out, n, kSaved[k]), row.pages[n - 1][k]) << n << k;
    }
  }
  const auto zero = Boxes(work.path(), {file, "--pages", "1", "--spec", "Print - Zero", "--output", work.File("z.pdf")});
  EXPECT_EQ(zero.status, 2);
  EXPECT_EQ(zero.err, "plughost: the boxes were not changed: The specification has no size for the Bleed box (its width "
                      "or height is 0); it was not used.\n");
  EXPECT_FALSE(hosttest::FileExists(work.File("z.pdf")));
}

TEST(BoxesCommand, FaultsStopBeforeAnythingRuns) {
  hosttest::TempDir work;
  const struct {
    std::vector<std::string> args;
    std::string err;  // the start of the one line
  } rows[] = {
      {{kBoxes, "--spec", "No - Such"}, "plughost: --spec \"No - Such\": the box library in "},
      {{kBoxes, "--on", "Media"}, "plughost: --on Media: the palette has no row \"Media\""},
      {{kBoxes, "--set", "Trim=1,2,x,4"}, "plughost: --set Trim=1,2,x,4: give BOX=X,Y,W,H"},
      {{kBoxes, "--set", "Trim=1,2,0,4"}, "plughost: --set Trim=1,2,0,4: the width W and the height H must be above 0"},
      {{kBoxes, "--pages", "6"}, "plughost: --pages 6: the document has 5 pages"},
      {{kBoxes, "--pages", "3-2"}, "plughost: --pages 3-2: give pages from 1"},
      {{kBoxes, "--unit", "cm"},
       "plughost: --unit cm: give in, mm or pt; run \"plughost boxes --help\" for the options"},
      {{kBoxes, "--on", "trim", "--off", "TRIM"}, "plughost: --on trim and --off TRIM name one row"},
      {{kBoxes, "--output", "out.txt"}, "plughost: --output out.txt: the name must end in \".pdf\""},
      {{kBoxes, kBoxes}, "plughost: boxes takes one file"},
      {{kBoxes, "--brief"}, "plughost: --brief does not go with boxes"},
      {{kBoxes, "--output", work.File("none/o.pdf")},
       "plughost: cannot write the output into " + work.File("none") + ": No such file or directory"},
      {{kBoxes, "--picture", kBoxes + "/p", "--print-script"},
       "plughost: cannot write the pictures into " + kBoxes + ": not a folder"},
      // A picture would take the document's place.
      {{work.File("p-2.png"), "--pages", "1-2", "--picture", work.File("p")},
       "plughost: --picture " + work.File("p") + ": " + work.File("p-2.png") + " is the document itself; give another name"},
  };
  hosttest::WriteFile(work.File("p-2.png"), hosttest::ReadFile(kBoxes));
  for (const auto& row : rows) {
    auto run = Boxes(work.path(), row.args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(row.err, 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  }
  auto script = Boxes(work.path(), {kBoxes, "--pages", "2", "--unit", "mm", "--on", "art/live", "--picture",
                                    work.File("p"), "--print-script"});
  EXPECT_EQ(script.out, "pref 39 2\nbutton Zent:QFXToolTB\nwith 102\npage 2\nprint dialog\nprint item 1038 SPEC\n"
                        "check 1130 on\nif enabled Apply\n  press Apply\nend\nprint dialog\nprint item 1038 SPEC\n"
                        "draw \"" + work.File("p") + "-2.png\"\nquit\n");
  const std::string help = Boxes(work.path(), {"--help"}).out;
  for (const char* option : {"\n  --zoom Z ", "\n  --password TEXT "}) EXPECT_NE(help.find(option), std::string::npos);
}

// Under each of qpdf's encryptions, opened with the empty user password the
// rows are listed, then the edit is refused (the palette's note, exit 2,
// nothing written); the owner password "o" writes it, the encryption kept.
TEST(BoxesCommand, SecuredFilesAreChangedOnlyWithTheOwnerPassword) {
  hosttest::TempDir work;
  const std::string locked = work.File("l.pdf"), out = work.File("o.pdf");
  const std::string rows = Boxes(work.path(), {kBoxes, "--pages", "1"}).out;
  auto encryption = [](const std::string& file) {
    std::string shown;
    hosttest::RunCommand("qpdf --show-encryption " + file, &shown);
    return shown;
  };
  for (const std::string encrypt : {"--allow-weak-crypto --encrypt '' o 128 --use-aes=n",
                                    "--encrypt '' o 128 --use-aes=y", "--encrypt '' o 256"}) {
    ASSERT_EQ(hosttest::RunCommand("qpdf " + encrypt + " --modify=none -- " + kBoxes + " " + locked), 0);
    for (const std::string password : {"", "o"}) {
      SCOPED_TRACE(encrypt + " " + password);
      const bool owner = !password.empty();
      const auto run = Boxes(work.path(), {locked, "--pages", "1", "--password", password, "--set", "trim=1,1,7,10",
                                           "--output", out});
      EXPECT_EQ(run.out.substr(0, rows.size()), rows);
      EXPECT_EQ(run.status, owner ? 0 : 2);
      EXPECT_EQ(run.out.find("The document's security does not allow changes\n") == std::string::npos, owner);
      EXPECT_EQ(run.err, owner ? "" : "plughost: the document's security does not allow changes (give the owner "
                                      "password with --password)\n");
      EXPECT_EQ(PdfinfoBoxes(out, 1)["TrimBox"], owner ? std::vector<double>({72, 0, 576, 720}) : std::vector<double>());
      EXPECT_EQ(encryption(out) == encryption(locked), owner);
      ::unlink(out.c_str());
    }
  }
  // A save with no edit is refused too.
  EXPECT_EQ(Boxes(work.path(), {locked, "--output", out}).status, 2);
  EXPECT_TRUE(PdfinfoBoxes(out, 1).empty());
}

// After the tool's button every palette it opened is listed, hierarchy
// lists with their rows and selection; the colour picker says it waits.
TEST(BoxesCommand, TheTerminalListsEveryPaletteAndPrompt) {
  hosttest::TempDir work;
  const std::string out = hosttest::RunProcess({PLUGHOST, "--plugins", framewicktest::PluginFolder(), "--settings",
                                                work.path(), "--interactive", kBoxes},
                                               "button Zent:QFXToolTB\nwith 102\ntrack 1033 5 5\nanswer color 1 2 3\n"
                                               "press Library...\npress Add publ.\npress Cancel\nquit\n",
                                               framewicktest::kRunBound).out;
  for (const char* listed : {"\nITEMS 117 \"Orb/K\" modeless\n", "\nITEMS 118 \"Fonts\" modeless\n  1064 hierarchy "
                             "list box \"\" rows 1\n", "\n  1039 hierarchy list box \"Hierarchy\" rows 2 selected 1\n"})
    EXPECT_NE(out.find(listed), std::string::npos) << listed;
  EXPECT_TRUE(std::regex_search(out, std::regex("\nASK COLOR: (\\d+ \\d+ \\d+)\nCOLOR: \\1 -> 1 2 3\n")));
}

const char* const kRows[] = {"Bleed", "Trim", "Art/Live", "Crop"};

// Page n's box of a row as qpdf gives it ("[36,36,576,756]", "none"): the
// live area under either key, which the trim box switched on or off exchanges.
std::string Held(const std::string& pdf, int n, const std::string& row) {
  const std::string box = framewicktest::QpdfPageEntry(pdf, n, "/" + kKeys.at(row));
  return box == "none" && row == "Art/Live" ? framewicktest::QpdfPageEntry(pdf, n, "/Zent_SafetyBox") : box;
}

// Every page lists as the file holds it, alone and among the others, with no
// question to apply. A locked box off centre on the first page, partly
// outside on the last, a page without a record between: --off, --on and
// --set of each row leave it byte for byte unless --set edits its anchor, to
// X 50, Y 60, W 400, H 500 points, which centres it at its size
// (`centred`); --set leaves out the page where the row is the locked one.
TEST(EditedFiles, LockedBoxesStayAsTheFileHoldsThemUntilTheirAnchorIsEdited) {
  const struct { const char *page, *locked, *anchor, *centred; } shapes[] = {
      {"/BleedBox [27 27 585 765] /TrimBox [40 50 560 700] /Zent_BoxInfo << /BleedBox << /A 1 /L 0 >> "
       "/TrimBox << /A 0 /L 1 >> >>", "Trim", "Bleed", "[-10,157,510,807]"},
      {"/BleedBox [20 20 592 772] /ArtBox [50 50 562 742]", "", "", ""},
      {"/TrimBox [20 20 592 772] /Zent_SafetyBox [40 40 572 752] /CropBox [0 0 300 400] /Zent_BoxInfo << /ArtBox "
       "<< /A 1 /L 0 >> /TrimBox << /A 0 /L 0 >> /CropBox << /A 0 /L 1 >> >>", "Crop", "Art/Live", "[100,282,400,682]"},
  };
  const int pages = static_cast<int>(std::size(shapes));
  hosttest::TempDir work;
  std::vector<std::string> entries;
  for (const auto& shape : shapes) entries.push_back(std::string("/MediaBox [0 0 612 792] ") + shape.page);
  const std::string file = framewicktest::PagesFile(work, entries), out = work.File("out.pdf");
  std::string all, held[std::size(shapes)];  // held: each page's locked box
  for (int n = 1; n <= pages; ++n) {
    std::string rows;
    for (const std::string row : kRows) {
      const std::string box = Held(file, n, row);
      if (row == shapes[n - 1].locked) held[n - 1] = box;
      double l, b, r, t;
      char numbers[64] = "off 0.000 792.000 0.000 0.000";
      if (std::sscanf(box.c_str(), "[%lf,%lf,%lf,%lf]", &l, &b, &r, &t) == 4)
        std::snprintf(numbers, sizeof numbers, "on %.3f %.3f %.3f %.3f", l, 792 - t, r - l, t - b);
      rows += "BOX: page " + std::to_string(n) + " " + row + " " + numbers + " pt\n";
    }
    all += rows += "SPEC: page " + std::to_string(n) + " Custom\n";
    EXPECT_EQ(Boxes(work.path(), {file, "--unit", "pt", "--pages", std::to_string(n)}).out, rows);
  }
  EXPECT_EQ(Boxes(work.path(), {file, "--unit", "pt"}).out, all);
  for (const std::string row : kRows)
    for (const std::string op : {"--off", "--on", "--set"}) {
      SCOPED_TRACE(op + " " + row);
      std::vector<std::string> args = {file, "--unit", "pt", "--output", out};
      if (op == "--set") args.insert(args.end(), {"--pages", row == "Trim" ? "2-3" : row == "Crop" ? "1-2" : "1-3", "--on", row});
      args.insert(args.end(), {op, op == "--set" ? row + "=50,60,400,500" : row});
      ASSERT_EQ(Boxes(work.path(), args).status, 0);
      for (int n = 1; n <= pages; ++n) {
        const auto& shape = shapes[n - 1];
        EXPECT_TRUE(!*shape.locked || (shape.locked == row && op == "--off") ||
                    Held(out, n, shape.locked) == (op == "--set" && shape.anchor == row ? shape.centred : held[n - 1]))
            << n << ": " << Held(out, n, shape.locked);
      }
    }
}

// Rows that would change nothing, refused values and locked rows write
// nothing and say so; boxes without area list and draw as none, with a note.
TEST(EditedFiles, RowsThatChangeNothingOrRefuseWriteNothing) {
  hosttest::TempDir work;
  // Page 1 takes the bleed box as its anchor, locking the trim box; pages 4
  // and 5 are 2 and 3 without the boxes that have no area.
  std::vector<std::string> pages;
  for (const char* page : {"/BleedBox [27 27 585 765] /TrimBox [36 36 576 756] /Zent_BoxInfo << /BleedBox << /A 0 /L 1 "
                           ">> /TrimBox << /A 1 /L 0 >> >>",
                           "/BleedBox [0 0 0 0] /TrimBox [0 0 0 0] /ArtBox [0 0 0 0] /CropBox [0 0 612 0]",
                           "/TrimBox [36 36 576 756] /CropBox [100 100 100 500] /Contents 8 0 R", "",
                           "/TrimBox [36 36 576 756] /Contents 8 0 R"})
    pages.push_back(std::string("/MediaBox [0 0 612 792] ") + page);
  const std::string file = framewicktest::PagesFile(work, pages, {"stream:|0 0 1 rg 0 0 300 400 re f"});
  const std::string out = work.File("out.pdf"), p = work.File("p");
  std::string zero;  // pages 2 and 3's notes
  for (const char* box : {"bleed box is [0 0 0 0]", "trim box is [0 0 0 0]", "art/live box is [0 0 0 0]",
                          "crop box is [0 0 612 0]", "crop box is [100 100 100 500]"})
    zero += "The page's " + std::string(box) + ", which has no area: readers show the page without it.\n";
  const struct { std::vector<std::string> args; std::string err, note; } rows[] = {  // err "": it saves
      {{"--pages", "5", "--off", "crop"}, "plughost: the boxes were not changed: the rows already held what was asked\n",
       ""},
      {{"--pages", "5", "--set", "trim=32000,1,1000,5"},
       "plughost: --set trim=32000,1,1000,5: on page 5 an edge of that box would lie outside -32768 to 32767.99998 "
       "points, the range a page box holds; nothing is written\n", ""},
      {{"--pages", "5", "--set", "trim=32767,1,0.5,5"}, "",
       "The Trim box of page 5 lies outside the media box; it is written as asked, and readers clip it to the media "
       "box.\n"},
      {{"--pages", "1", "--set", "trim=1,1,5,5"},
       "plughost: --set trim: on page 1 the Trim row is locked: the anchor box places it, and its X and Y take no "
       "typing; unlock it at the terminal (--interactive) with \"with 102\" and \"track 1032 40 6\" (the right half "
       "of its lock cell), then Apply\n", ""},
      {{"--pages", "1", "--set", "art/live=1,1,5,5"},
       "plughost: --set art/live: the row cannot be typed into on page 1 (is it off? --on ticks it)\n", ""},
      {{"--pages", "2-3", "--picture", p}, "", zero},
      {{"--pages", "4-5", "--picture", p}, "", ""},
  };
  std::string shown[std::size(rows)];  // each run's lines, notes and page numbers left out
  for (const auto& row : rows) {
    SCOPED_TRACE(row.args[1] + " " + row.args.back());
    std::vector<std::string> args = {file, "--unit", "pt", "--output", out};
    args.insert(args.end(), row.args.begin(), row.args.end());
    ::unlink(out.c_str());
    const auto run = Boxes(work.path(), args);
    EXPECT_EQ(run.status, row.err.empty() ? 0 : 2);
    EXPECT_EQ(run.err, row.err);
    EXPECT_EQ(hosttest::FileExists(out), row.err.empty());
    EXPECT_EQ(std::regex_replace(run.out, std::regex("NOTE: (.*\n)|.*\n"), "$1"), row.note);
    shown[&row - rows] = std::regex_replace(run.out, std::regex("NOTE: .*\n|page \\d "), "");
  }
  EXPECT_EQ(shown[5], shown[6]);
  for (int n : {2, 3})
    EXPECT_TRUE(hosttest::ReadFile(p + "-" + std::to_string(n) + ".png") ==
                hosttest::ReadFile(p + "-" + std::to_string(n + 2) + ".png")) << n;
}

}  // namespace
