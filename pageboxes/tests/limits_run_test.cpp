// Box edges at and beyond what a page box holds (16.16 fixed: 32767 points
// either way), through plughost with the editor alone: values typed into a
// row, and `plughost boxes` on pages whose boxes lie far out or whose media
// box is no box. Under the sanitizers a fault ends the run with a report.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "plughost_runs.h"

namespace {

std::string Decimals(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

// One rule in a row and through `--set`: a typed number is refused exactly
// when an edge of the box it makes would pass what 16.16 holds. The trim box
// (X 36, Y 36, W 540, H 720 points) in each unit, each field with the edge it
// moves 1 point inside the range, 1 point beyond and far beyond, in media
// boxes at 0 and far from it; and a page beyond the range, which takes no
// edit. A row's field, and --set's exit status and saved box, agree with
// the rule; refused, nothing changes.
TEST(LimitsRuns, TypedValuesAreRefusedByTheEdgesTheyMake) {
  const struct { std::string page; double left, top; bool large; } medias[] = {
      {"/MediaBox [0 0 612 792] /TrimBox [36 36 576 756]", 0, 792, false},
      {"/MediaBox [20000 -30000 20612 -29208] /TrimBox [20036 -29964 20576 -29244]", 20000, -29208, false},
      {"/MediaBox [0 0 33000 33000] /TrimBox [36 32244 576 32964]", 0, 33000, true}};
  const struct { int pref; const char* name; double points; } units[] = {{3, "pt", 1}, {1, "in", 72}, {2, "mm", 72 / 25.4}};
  const double shown[4] = {36, 36, 540, 720};
  for (const auto& m : medias)
    for (const auto& unit : units) {
      if (m.large && unit.points != 1) continue;  // the refusal does not depend on the unit
      SCOPED_TRACE(m.page + " " + unit.name);
      hosttest::TempDir work;
      const std::string file = framewicktest::PagesFile(work, {m.page}), set = work.File("set.pdf");
      // Each field's values, in points: the edge it moves (right for X and W,
      // bottom for Y and H) 1 point inside and 1 point beyond; then far out.
      const double at[4] = {32767 - 540 - m.left, m.top - 720 + 32767, 32767 - 36 - m.left, m.top - 36 + 32767};
      std::string script = "pref 39 " + std::to_string(unit.pref) + "\ntool Zent:QFXTool\nwith 102\n", expected;
      for (int field = 0; field < 4; ++field)
        for (int level = 0; level < 3; ++level) {
          double v[4];
          for (int i = 0; i < 4; ++i) v[i] = shown[i] / unit.points;
          // Typed with the field's three decimals, as a field keeps them.
          const double far = field < 2 ? -40000 : 40000;
          v[field] = std::round((level == 2 ? far : (at[field] + 2 * level) / unit.points) * 1000) / 1000;
          const double left = m.left + v[0] * unit.points, top = m.top - v[1] * unit.points;
          const double box[4] = {left, top - v[3] * unit.points, left + v[2] * unit.points, top};
          bool taken = !m.large;
          for (double edge : box) taken = taken && edge >= -32768 && edge < 32768;
          // In the row: the field shows the number typed, or again its own.
          const std::string id = std::to_string(1013 + field);
          script += "set " + id + " " + Decimals(v[field]) + "\nprint item " + id +
                    "\nif enabled Reset\n  press Reset\nend\n";
          expected += "ITEM " + id + ": " + Decimals(taken ? v[field] : shown[field] / unit.points) + "\n";
          // The same box through --set: saved as the row saves it, or refused with nothing written.
          const std::string typed = Decimals(v[0]) + "," + Decimals(v[1]) + "," + Decimals(v[2]) + "," + Decimals(v[3]);
          const auto run = hosttest::RunProcess({PLUGHOST, "boxes", file, "--plugins", framewicktest::PluginFolder(),
                                                 "--settings", work.path(), "--unit", unit.name, "--set",
                                                 "trim=" + typed, "--output", set},
                                                "", framewicktest::kRunBound);
          EXPECT_EQ(run.status, taken ? 0 : 2) << id << " " << level << run.err;
          const char* line = m.large ? "plughost: page 1 is larger than the editor's range" : "plughost: --set trim=";
          EXPECT_EQ(run.err.rfind(taken ? "" : line, 0), 0u) << run.err;
          EXPECT_EQ(hosttest::FileExists(set), taken);
          double e[4] = {0, 0, 0, 0};
          const std::string saved = taken ? framewicktest::QpdfPageEntry(set, 1, "/TrimBox") : "";
          std::sscanf(saved.c_str(), "[%lf,%lf,%lf,%lf]", &e[0], &e[1], &e[2], &e[3]);
          for (int i = 0; taken && i < 4; ++i) EXPECT_NEAR(e[i], box[i], 0.001) << i;
          ::unlink(set.c_str());
        }
      const auto run = framewicktest::Run(work.path(), {"--brief", file}, script + "quit\n");
      ASSERT_EQ(run.status, 0) << run.err;
      std::string items;
      for (size_t at = run.out.find("ITEM "); at != std::string::npos; at = run.out.find("ITEM ", at + 1))
        items += run.out.substr(at, run.out.find('\n', at) + 1 - at);
      EXPECT_EQ(items, expected);
      EXPECT_EQ(run.out.find("NOTE: The page is larger than the editor's range") != std::string::npos, m.large);
    }
}

// `plughost boxes` lists, edits, pictures and saves a page whose boxes reach
// far out, or whose media or crop box is no box: listed, or refused with one
// line of its own; boxes it did not edit are written back as read (numbers,
// shared arrays), the edited one with the fewest decimals, an edge on the
// media box's with its number; an off row's zero box stands at the media
// box's corner.
TEST(LimitsRuns, PagesWithBoxesFarOutAreListedOrRefused) {
  const std::string inf(400, '9'), e30 = "1000000000000000000000000000000.0", set = "[10,682,110,782]";
  const struct {
    std::string page, line;  // the page's entries; a line of the output
    std::vector<std::pair<const char*, std::string>> saved;  // none: refused
    std::string note = "";
    std::vector<std::string> edit = {"--on", "trim", "--set", "trim=10,10,100,100"};
  } rows[] = {
      {"/TrimBox [-40000 -40000 40000 40000] /BleedBox [36 36 40000 756]",
       "Trim on -40000.000 -39208.000 80000.000 80000.000 pt", {{"/BleedBox", "[36,36,40000,756]"}, {"/TrimBox", set}}},
      {"/TrimBox [0 0 " + e30 + " 792] /CropBox [-" + e30 + " 0 612 " + e30 + "]", "Trim on 0.000 0.000 1000000000000000019884624838656.000 792.000 pt",
       {{"/CropBox", "[-" + e30 + ",0,612," + e30 + "]"}, {"/TrimBox", set}}},
      {"/TrimBox [2147483648.5 0 612 792] /BleedBox [0 0 2147483647 792]", "Bleed on 0.000 0.000 2147483647.000 792.000 pt",
       {{"/BleedBox", "[0,0,2147483647,792]"}, {"/TrimBox", set}}},
      {"/TrimBox [0 0 nan 792]", "Trim off 0.000 792.000 0.000 0.000 pt", {{"/TrimBox", set}}},
      {"/MediaBox [0 0 612] /BleedBox [9 9 603 783]", "Bleed on 9.000 9.000 594.000 774.000 pt",
       {{"/MediaBox", "[0,0,612]"}, {"/TrimBox", set}}},
      {"/MediaBox [-40000 -40000 40000 40000]", "Trim off 0.000 80000.000 0.000 0.000 pt", {}},
      {"/MediaBox [0 0 " + inf + " 792]", "", {}},  // an integer past 64 bits: no page
      {"/MediaBox [0 0 255.118 141.732] /BleedBox 4 0 R /CropBox [0 0 255.118 141.732]",
       "Bleed on 0.000 0.000 255.118 141.732 pt",
       {{"/BleedBox", "\"4 0 R\""}, {"/CropBox", "[0,0,255.118,141.732]"}, {"/TrimBox", "[10,31.732,110,131.732]"}}},
      {"/MediaBox [100 -200 712 992]", "Bleed off 0.000 1192.000 0.000 0.000 pt", {{"/TrimBox", "[110,882,210,982]"}}},
      {"/MediaBox [0 0 0 0]", "Trim on 10.000 10.000 100.000 100.000 pt", {{"/MediaBox", "[0,0,0,0]"}, {"/TrimBox", set}}},
      {"/CropBox [0 0 0 0]", "Crop off 0.000 792.000 0.000 0.000 pt", {{"/CropBox", "[0,0,0,0]"}, {"/TrimBox", set}},
       "The page's crop box is [0 0 0 0], which has no area: readers show the page without it."},
      // Switched on (the media box's rect) or typed onto the media box's edges.
      {"/MediaBox [0 0 595.275591 841.889764] /TrimBox [10 10 585.275591 831.889764]",
       "Bleed on 0.000 0.000 595.276 841.890 pt", {{"/BleedBox", "[0,0,595.275591,841.889764]"}}, "", {"--on", "bleed"}},
      {"/MediaBox [0 0 595.275591 841.889764] /BleedBox [9 9 586 832]", "Bleed on 10.000 0.000 200.000 297.000 mm",
       {{"/BleedBox", "[28.34645,0,595.275591,841.889764]"}},
       "",
       {"--unit", "mm", "--set", "bleed=10,0,200,297"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.page);
    hosttest::TempDir work;
    hosttest::PdfSpec spec;
    const bool media = row.page.find("/MediaBox") != std::string::npos;
    spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /Parent 2 0 R " + std::string(media ? "" : "/MediaBox [0 0 612 792] ") + row.page +
                        " >>", "[0 0 255.118 141.732]"};
    const std::string file = work.File("far.pdf"), out = work.File("out.pdf");
    hosttest::WriteFile(file, hosttest::MakePdf(spec));
    std::vector<std::string> args = {PLUGHOST, "boxes", file, "--plugins", framewicktest::PluginFolder(), "--settings",
                                     work.path(), "--unit", "pt", "--output", out, "--picture", work.File("p")};
    args.insert(args.end(), row.edit.begin(), row.edit.end());
    const hosttest::ProcessResult run = hosttest::RunProcess(args, "", framewicktest::kRunBound);
    EXPECT_NE(run.out.find(row.line.empty() ? "" : "BOX: page 1 " + row.line + "\n"), std::string::npos) << run.out;
    // Three numbers, or four without area, are no media box: the page is a letter page, and a note says so.
    EXPECT_EQ(run.out.find("NOTE: The page's media box is not four numbers with an area: it is taken as a US Letter") !=
                  std::string::npos,
              row.page.find("612]") != std::string::npos || row.page.find("/MediaBox [0 0 0 0]") != std::string::npos);
    EXPECT_NE(run.out.find(row.note), std::string::npos);
    if (row.saved.empty()) {
      EXPECT_EQ(run.status, 2);
      EXPECT_TRUE(run.err.rfind("plughost: ", 0) == 0 && run.err.find('\n') == run.err.size() - 1) << run.err;
      continue;
    }
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(hosttest::FileExists(work.File("p-1.png")));
    for (const auto& entry : row.saved) EXPECT_EQ(framewicktest::QpdfPageEntry(out, 1, entry.first), entry.second);
  }
}

}  // namespace
