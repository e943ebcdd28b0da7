// Box edges at and beyond what a page box holds (16.16 fixed: 32767 points
// either way), through plughost with the editor alone: values typed into a
// row, and `plughost boxes` on pages whose boxes lie far out or whose media
// box is no box. Under the sanitizers a fault ends the run with a report.
#include <gtest/gtest.h>

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

// Page 1's trim box (36 36 576 756 in a 612 x 792 media box) in each unit:
// each field at its limit (an edge 1 point inside), just beyond (2 points
// further) and far beyond. Refused, the field shows its value again and the
// saved page is as it was.
TEST(LimitsRuns, TypedValuesBeyondTheFixedRangeAreRefused) {
  const struct { int pref; double points; const char* far; } units[] = {{1, 72, "40000"}, {2, 72 / 25.4, "-40000"},
                                                                        {3, 1, "2147483647"}};
  const struct { int item; double shown, at; } fields[] = {{1013, 36, 32226}, {1014, 36, 32839}, {1015, 540, 32730},
                                                           {1016, 720, 33523}};
  for (const auto& unit : units) {
    SCOPED_TRACE("unit " + std::to_string(unit.pref));
    hosttest::TempDir work;
    std::string script = "pref 39 " + std::to_string(unit.pref) + "\ntool Zent:QFXTool\nwith 102\n", shown;
    for (const auto& field : fields)
      for (int which = 0; which < 3; ++which) {
        const std::string id = std::to_string(field.item), file = work.File(id + std::to_string(which) + ".pdf");
        const std::string value = which == 2 ? unit.far : Decimals((field.at + 3 * which) / unit.points);
        script += "set " + id + " " + value + "\nprint item " + id + "\nif enabled Apply\n  press Apply\nend\nsave " +
                  file + "\nset-page-key TrimBox [36 36 576 756]\n";
        // Taken, a value shows as typed, beyond what a field's 16.16 holds too.
        const double shows = which ? field.shown / unit.points : std::stod(value);
        shown += "ITEM " + id + ": " + Decimals(shows) + "\n";
      }
    const auto run = framewicktest::Run(work.path(), {"--brief", framewicktest::Sample("boxes")}, script);
    ASSERT_EQ(run.status, 0) << run.err;
    std::string items;
    for (size_t at = run.out.find("ITEM "); at != std::string::npos; at = run.out.find("ITEM ", at + 1))
      items += run.out.substr(at, run.out.find('\n', at) + 1 - at);
    EXPECT_EQ(items, shown);
    for (const auto& field : fields)
      for (int which = 0; which < 3; ++which) {
        const std::string file = work.File(std::to_string(field.item) + std::to_string(which) + ".pdf");
        const std::string trim = framewicktest::QpdfPageEntry(file, 1, "/TrimBox");
        double e[4];
        ASSERT_EQ(std::sscanf(trim.c_str(), "[%lf,%lf,%lf,%lf]", &e[0], &e[1], &e[2], &e[3]), 4) << trim;
        EXPECT_EQ(trim == "[36,36,576,756]", which != 0) << field.item << " " << which;
        for (double edge : e) EXPECT_TRUE(edge >= -32768 && edge < 32768) << trim;
      }
  }
}

// `plughost boxes` lists, edits, pictures and saves a page whose boxes reach
// far out, or whose media box is no box: listed, or refused with one line
// of its own; boxes of the file it did not edit are written back as read.
TEST(LimitsRuns, PagesWithBoxesFarOutAreListedOrRefused) {
  const std::string inf(400, '9'), e30 = "1000000000000000000000000000000.0", set = "[10,682,110,782]";
  const struct {
    std::string page, line;  // the page's entries; a line of the output
    std::vector<std::pair<const char*, std::string>> saved;  // none: refused
  } rows[] = {
      {"/TrimBox [-40000 -40000 40000 40000] /BleedBox [36 36 40000 756]",
       "Trim on -40000.000 -39208.000 80000.000 80000.000", {{"/BleedBox", "[36,36,40000,756]"}, {"/TrimBox", set}}},
      {"/TrimBox [0 0 " + e30 + " 792] /CropBox [-" + e30 + " 0 612 " + e30 + "]", "Trim on 0.000 0.000 1000000000000000019884624838656.000 792.000",
       {{"/CropBox", "[-" + e30 + ",0,612," + e30 + "]"}, {"/TrimBox", set}}},
      {"/TrimBox [2147483648.5 0 612 792] /BleedBox [0 0 2147483647 792]", "Bleed on 0.000 0.000 2147483647.000 792.000",
       {{"/BleedBox", "[0,0,2147483647,792]"}, {"/TrimBox", set}}},
      {"/TrimBox [0 0 nan 792]", "Trim off 0.000 792.000 0.000 0.000", {{"/TrimBox", set}}},
      {"/MediaBox [0 0 612] /BleedBox [9 9 603 783]", "Bleed on 9.000 9.000 594.000 774.000",
       {{"/MediaBox", "[0,0,612]"}, {"/TrimBox", set}}},
      {"/MediaBox [-40000 -40000 40000 40000]", "Trim off 0.000 80000.000 0.000 0.000", {}},
      {"/MediaBox [0 0 " + inf + " 792]", "", {}},  // an integer past 64 bits: no page
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.page);
    hosttest::TempDir work;
    hosttest::PdfSpec spec;
    const bool media = row.page.find("/MediaBox") != std::string::npos;
    spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /Parent 2 0 R " + std::string(media ? "" : "/MediaBox [0 0 612 792] ") + row.page +
                        " >>"};
    const std::string file = work.File("far.pdf"), out = work.File("out.pdf");
    hosttest::WriteFile(file, hosttest::MakePdf(spec));
    const hosttest::ProcessResult run = hosttest::RunProcess(
        {PLUGHOST, "boxes", file, "--plugins", framewicktest::PluginFolder(), "--settings", work.path(), "--unit", "pt",
         "--on", "trim", "--set", "trim=10,10,100,100", "--output", out, "--picture", work.File("p")},
        "", framewicktest::kRunBound);
    EXPECT_NE(run.out.find(row.line.empty() ? "" : "BOX: page 1 " + row.line + " pt\n"), std::string::npos) << run.out;
    // Three numbers are no media box: the page is a letter page, and a note says so.
    EXPECT_EQ(run.out.find("NOTE: The page's media box is not four numbers with an area: it is taken as a US Letter") !=
                  std::string::npos,
              row.page.find("612]") != std::string::npos);
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
