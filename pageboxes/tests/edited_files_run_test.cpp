// `plughost boxes` on files other programs changed after the editor wrote
// its page records: locked boxes moved off their anchor's centre, or out of
// it; rows that would write what they already hold; boxes that readers take
// as none.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "plughost_runs.h"

namespace {

using framewicktest::Boxes;
using framewicktest::QpdfPageEntry;

struct Box {
  std::string key;  // the page key: "TrimBox", "Zent_SafetyBox"
  double l, b, r, t;
};

// A page of US Letter with its boxes and record, the row its record locks
// and the one it anchors (empty without a record).
struct Shape {
  std::vector<Box> boxes;
  std::string record, locked, anchor;
};

const char* const kRows[] = {"Bleed", "Trim", "Art/Live", "Crop"};

const std::map<std::string, std::string> kKeyOfRow = {
    {"Bleed", "BleedBox"}, {"Trim", "TrimBox"}, {"Art/Live", "ArtBox"}, {"Crop", "CropBox"}};

// Each row locked once and the anchor once, the locked box off its anchor's
// centre (by a few points on pages 1 and 3) or partly outside it (pages 4 and
// 6), on the first, a middle and the last page, pages without a record
// between; each row is off on some page.
const Shape kShapes[] = {
    {{{"BleedBox", 27, 27, 585, 765}, {"TrimBox", 40, 50, 560, 700}},
     "<< /BleedBox << /A 1 /L 0 >> /TrimBox << /A 0 /L 1 >> >>", "Trim", "Bleed"},
    {{{"TrimBox", 36, 36, 576, 756}}, "", "", ""},
    {{{"BleedBox", 20, 25, 600, 770}, {"TrimBox", 30, 30, 582, 762}, {"CropBox", 0, 0, 612, 792}},
     "<< /TrimBox << /A 1 /L 0 >> /BleedBox << /A 0 /L 1 >> /CropBox << /A 0 /L 0 >> >>", "Bleed", "Trim"},
    {{{"ArtBox", 300, 300, 700, 900}, {"CropBox", 10, 10, 602, 782}},
     "<< /CropBox << /A 1 /L 0 >> /ArtBox << /A 0 /L 1 >> >>", "Art/Live", "Crop"},
    {{{"BleedBox", 20, 20, 592, 772}, {"ArtBox", 50, 50, 562, 742}}, "", "", ""},
    {{{"TrimBox", 20, 20, 592, 772}, {"Zent_SafetyBox", 40, 40, 572, 752}, {"CropBox", 0, 0, 300, 400}},
     "<< /ArtBox << /A 1 /L 0 >> /TrimBox << /A 0 /L 0 >> /CropBox << /A 0 /L 1 >> >>", "Crop", "Art/Live"},
};
const int kPages = sizeof kShapes / sizeof kShapes[0];

// Page n's box of a row, if it has one.
const Box* BoxOf(int n, const std::string& row) {
  for (const Box& b : kShapes[n - 1].boxes)
    if (b.key == kKeyOfRow.at(row) || (row == "Art/Live" && b.key == "Zent_SafetyBox")) return &b;
  return nullptr;
}

// The rows of page n as the file holds them, in points.
std::string FileRows(int n) {
  std::string rows;
  for (const std::string row : kRows) {
    const Box* box = BoxOf(n, row);
    char numbers[64] = " off 0.000 792.000 0.000 0.000";
    if (box) std::snprintf(numbers, sizeof numbers, " on %.3f %.3f %.3f %.3f", box->l, 792 - box->t, box->r - box->l, box->t - box->b);
    rows += "BOX: page " + std::to_string(n) + " " + row + numbers + " pt\n";
  }
  return rows + "SPEC: page " + std::to_string(n) + " Custom\n";
}

// The lines of page n in a run's output.
std::string LinesOfPage(const std::string& out, int n) {
  std::istringstream lines(out);
  std::string shown;
  for (std::string line; std::getline(lines, line);)
    if (line.find(" page " + std::to_string(n) + " ") != std::string::npos) shown += line + "\n";
  return shown;
}

// Every page lists as the file holds it, alone and among the others, with
// no question to apply. --off, --on and --set of each row on every page
// leave each page's locked box as the file holds it, byte for byte, unless
// the run edits its anchor box (then it is centred in the box typed, its
// size kept) or the locked row itself (--set leaves that page out: a
// locked row takes no X and Y).
TEST(EditedFiles, LockedBoxesStayAsTheFileHoldsThemUntilTheirAnchorIsEdited) {
  hosttest::TempDir work;
  std::vector<std::string> pages;
  for (const Shape& shape : kShapes) {
    std::string page = "/MediaBox [0 0 612 792]";
    for (const Box& b : shape.boxes)
      page += " /" + b.key + " [" + std::to_string(int(b.l)) + " " + std::to_string(int(b.b)) + " " +
              std::to_string(int(b.r)) + " " + std::to_string(int(b.t)) + "]";
    pages.push_back(page + (shape.record.empty() ? "" : " /Zent_BoxInfo " + shape.record));
  }
  const std::string file = framewicktest::PagesFile(work, pages), out = work.File("out.pdf");
  const auto all = Boxes(work.path(), {file, "--unit", "pt"});
  ASSERT_EQ(all.status, 0) << all.err;
  for (int n = 1; n <= kPages; ++n) {
    const auto alone = Boxes(work.path(), {file, "--unit", "pt", "--pages", std::to_string(n)});
    EXPECT_EQ(alone.status, 0) << alone.err;
    EXPECT_EQ(alone.out, FileRows(n));
    EXPECT_EQ(LinesOfPage(all.out, n), FileRows(n));
  }
  // The locked box as qpdf gives it; the live area under either of its
  // keys, which the trim box switched on or off exchanges.
  auto locked = [](const std::string& pdf, int n) {
    const std::string& row = kShapes[n - 1].locked;
    const std::string value = QpdfPageEntry(pdf, n, "/" + kKeyOfRow.at(row));
    return value == "none" && row == "Art/Live" ? QpdfPageEntry(pdf, n, "/Zent_SafetyBox") : value;
  };
  // Centred in X 50, Y 60, W 400, H 500 points: [50 232 450 732].
  auto centred = [](int n) {
    const Box& b = *BoxOf(n, kShapes[n - 1].locked);
    std::ostringstream text;
    text << "[" << 50 + (400 - b.r + b.l) / 2 << "," << 232 + (500 - b.t + b.b) / 2 << "," << 50 + (400 + b.r - b.l) / 2
         << "," << 232 + (500 + b.t - b.b) / 2 << "]";
    return text.str();
  };
  for (const std::string row : kRows)
    for (const std::string op : {"--off", "--on", "--set"}) {
      SCOPED_TRACE(op + " " + row);
      std::vector<std::string> args = {file, "--output", out, op, row};
      std::string list;
      for (int n = 1; n <= kPages; ++n)
        if (kShapes[n - 1].locked != row) list += (list.empty() ? "" : ",") + std::to_string(n);
      if (op == "--set") args = {file, "--unit", "pt", "--output", out, "--pages", list, "--on", row, "--set", row + "=50,60,400,500"};
      ASSERT_EQ(Boxes(work.path(), args).status, 0);
      for (int n = 1; n <= kPages; ++n) {
        const Shape& shape = kShapes[n - 1];
        if (shape.locked.empty() || (shape.locked == row && op == "--off")) continue;
        EXPECT_EQ(locked(out, n), op == "--set" && shape.anchor == row ? centred(n) : locked(file, n)) << n;
      }
    }
}

// What the rows write when they change nothing, refuse a value or are
// locked; boxes readers take as none are listed so, with a note, and a page
// whose crop box has no area is drawn as its media box.
TEST(EditedFiles, RowsThatChangeNothingOrRefuseWriteNothing) {
  hosttest::TempDir work;
  // Page 1 is the first shown, where the editor starts; pages 4 and 5 draw
  // the same content (object 8).
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                  "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R 6 0 R 7 0 R] /Count 5 /MediaBox [0 0 612 792] >>"};
  for (const std::string page :
       {"/BleedBox [27 27 585 765] /TrimBox [36 36 576 756] /Zent_BoxInfo << /BleedBox << /A 0 /L 1 >> /TrimBox << "
        "/A 1 /L 0 >> >>",
        "/TrimBox [36 36 576 756]", "/BleedBox [0 0 0 0] /TrimBox [0 0 0 0] /ArtBox [0 0 0 0] /CropBox [0 0 612 0]",
        "/TrimBox [36 36 576 756] /CropBox [100 100 100 500] /Contents 8 0 R",
        "/TrimBox [36 36 576 756] /Contents 8 0 R"})
    spec.objects.push_back("<< /Type /Page /Parent 2 0 R " + page + " >>");
  spec.objects.push_back("stream:|0 0 1 rg 0 0 300 400 re f");
  const std::string file = work.File("in.pdf"), out = work.File("out.pdf");
  hosttest::WriteFile(file, hosttest::MakePdf(spec));
  const std::string unchanged = "plughost: the boxes were not changed: the rows already held what was asked\n";
  const std::string lockedTrim = "plughost: --set trim: on page 1 the Trim row is locked: the anchor box places it, "
                                 "and its X and Y take no typing; unlock it at the terminal (--interactive) with "
                                 "\"with 102\" and \"track 1032 40 6\" (the right half of its lock cell), then Apply\n";
  const struct {
    std::vector<std::string> args;
    std::string err;    // the run's one line, "" for a run that saves
    std::string notes;  // the NOTE lines, in order
  } rows[] = {
      {{"--pages", "2", "--off", "crop"}, unchanged, ""},
      {{"--pages", "2", "--off", "bleed"}, unchanged, ""},
      {{"--pages", "2", "--off", "art/live", "--off", "crop"}, unchanged, ""},
      // Values beyond the range: nothing is applied, so nothing is said written.
      {{"--pages", "2", "--set", "trim=32000,1,1000,5"},
       "plughost: --set trim=32000,1,1000,5: on page 2 an edge of that box would lie outside -32768 to 32767.99998 "
       "points, the range a page box holds; nothing is written\n",
       ""},
      {{"--pages", "2", "--set", "trim=32767,1,0.5,5"}, "",
       "The Trim box of page 2 lies outside the media box; it is written as asked, and readers clip it to the media box."},
      {{"--pages", "2", "--set", "trim=600,1,100,5"}, "",
       "The Trim box of page 2 lies partly outside the media box; it is written as asked, and readers clip it to the "
       "media box."},
      // Where the editor starts, the bleed box, the largest, became the
      // anchor: the trim box took its lock.
      {{"--pages", "1", "--set", "trim=1,1,5,5"}, lockedTrim, ""},
      {{"--pages", "1", "--set", "art/live=1,1,5,5"},
       "plughost: --set art/live: the row cannot be typed into on page 1 (is it off? --on ticks it)\n", ""},
      {{"--pages", "3-4"}, "",
       "The page's bleed box is [0 0 0 0], which has no area: readers show the page without it.|"
       "The page's trim box is [0 0 0 0], which has no area: readers show the page without it.|"
       "The page's art/live box is [0 0 0 0], which has no area: readers show the page without it.|"
       "The page's crop box is [0 0 612 0], which has no area: readers show the page without it.|"
       "The page's crop box is [100 100 100 500], which has no area: readers show the page without it."},
  };
  for (const auto& row : rows) {
    std::string trace;
    for (const std::string& arg : row.args) trace += arg + " ";
    SCOPED_TRACE(trace);
    std::vector<std::string> args = {file, "--unit", "pt", "--output", out};
    args.insert(args.end(), row.args.begin(), row.args.end());
    ::unlink(out.c_str());
    const auto run = Boxes(work.path(), args);
    EXPECT_EQ(run.status, row.err.empty() ? 0 : 2);
    EXPECT_EQ(run.err, row.err);
    EXPECT_EQ(hosttest::FileExists(out), row.err.empty());
    std::string notes;
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
      if (line.compare(0, 6, "NOTE: ") == 0) notes += (notes.empty() ? "" : "|") + line.substr(6);
    EXPECT_EQ(notes, row.notes);
  }
  // Pages 3 and 4 list those rows off, as readers take them.
  const auto listed = Boxes(work.path(), {file, "--unit", "pt", "--pages", "3-4"});
  EXPECT_EQ(LinesOfPage(listed.out, 3).find(" on "), std::string::npos) << listed.out;
  EXPECT_NE(LinesOfPage(listed.out, 4).find("Trim on 36.000 36.000 540.000 720.000"), std::string::npos);
  EXPECT_NE(LinesOfPage(listed.out, 4).find("Crop off"), std::string::npos);
  // Page 4 is pictured as page 5, which has no crop box: the whole media box.
  const auto drawn = Boxes(work.path(), {file, "--pages", "4-5", "--picture", work.File("p")});
  EXPECT_EQ(drawn.status, 0) << drawn.err;
  const std::string fourth = hosttest::ReadFile(work.File("p-4.png"));
  EXPECT_EQ(fourth.substr(16, 8), std::string("\0\0\x02\x64\0\0\x03\x18", 8));
  EXPECT_EQ(fourth, hosttest::ReadFile(work.File("p-5.png")));
}

}  // namespace
