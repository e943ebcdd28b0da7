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

const std::string kBoxes = framewicktest::Sample("boxes");
const char kTrim[] = "[36,36,576,756]";

std::string Decimals(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

// Page 1's trim box, 36 36 576 756 in a 612 x 792 media box, typed into in
// each unit: each field at its limit (an edge 1 point inside), just beyond
// (1 point out) and far beyond. A refused value leaves the field showing
// its value and the page as it was.
TEST(LimitsRuns, TypedValuesBeyondTheFixedRangeAreRefused) {
  const struct {
    int pref;
    double points;  // a unit
    const char* far;
  } units[] = {{1, 72, "40000"}, {2, 72 / 25.4, "-40000"}, {3, 1, "2147483647"}};
  const struct {
    int item;
    double shown, at, beyond;  // points
  } fields[] = {{1013, 36, 32766 - 540, 32769 - 540},
                {1014, 36, 792 + 32767 - 720, 792 + 32769 - 720},
                {1015, 540, 32766 - 36, 32769 - 36},
                {1016, 720, 756 + 32767, 756 + 32769}};
  for (const auto& unit : units) {
    SCOPED_TRACE("unit " + std::to_string(unit.pref));
    hosttest::TempDir work;
    std::string script = "pref 39 " + std::to_string(unit.pref) + "\ntool Zent:QFXTool\nwith 102\n";
    struct Typed {
      std::string item, value, shown, file;
      bool taken;
    };
    std::vector<Typed> typed;
    for (const auto& field : fields)
      for (int which = 0; which < 3; ++which) {
        const std::string value = which == 2 ? unit.far : Decimals((which ? field.beyond : field.at) / unit.points);
        const std::string file = work.File("typed" + std::to_string(typed.size()) + ".pdf");
        // A size of more than 32767.99998 units is shown as the largest there is.
        const std::string shown = which ? Decimals(field.shown / unit.points)
                                        : Decimals(std::fmin(std::stod(value), 32767.99998));
        typed.push_back({std::to_string(field.item), value, shown, file, which == 0});
        script += "set " + typed.back().item + " " + value + "\nprint item " + typed.back().item +
                  "\nif enabled Apply\n  press Apply\nend\nsave " + file + "\nset-page-key TrimBox [36 36 576 756]\n";
      }
    const hosttest::ProcessResult run = framewicktest::Run(work.path(), {"--brief", kBoxes}, script + "quit\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    size_t at = 0;
    for (const Typed& t : typed) {
      SCOPED_TRACE(t.item + " " + t.value);
      const size_t shown = run.out.find("ITEM " + t.item + ": " + t.shown + "\n", at);
      EXPECT_NE(shown, std::string::npos) << run.out.substr(at);
      at = shown == std::string::npos ? at : shown + 1;
      const std::string trim = framewicktest::QpdfPageEntry(t.file, 1, "/TrimBox");
      if (!t.taken) {
        EXPECT_EQ(trim, kTrim);
        continue;
      }
      EXPECT_NE(trim, kTrim);
      double edges[4];
      ASSERT_EQ(std::sscanf(trim.c_str(), "[%lf,%lf,%lf,%lf]", &edges[0], &edges[1], &edges[2], &edges[3]), 4);
      for (double edge : edges) EXPECT_TRUE(edge >= -32768 && edge < 32768) << trim;
    }
  }
}

// `plughost boxes` listing, editing, saving and picturing a one-page file
// whose boxes reach far out, or whose media box is no box: each is listed
// or refused with one line of its own; boxes of the file that were not
// edited are written back as they were read.
TEST(LimitsRuns, PagesWithBoxesFarOutAreListedOrRefused) {
  const std::string big(400, '9');  // past the largest double: infinite
  const std::string e30 = "1000000000000000000000000000000.0";
  const struct {
    const char* what;
    std::string page;
    int status;
    std::string line;  // in the output; "" for none
    std::vector<std::pair<const char*, std::string>> saved;
  } rows[] = {
      {"boxes at 40000 and beyond", "/MediaBox [0 0 612 792] /TrimBox [-40000 -40000 40000 40000] /BleedBox [36 36 40000 756]",
       0, "BOX: page 1 Trim on -32768.000 -31976.000 32768.000 32768.000 pt",
       {{"/BleedBox", "[36,36,40000,756]"}, {"/TrimBox", "[10,682,110,782]"}}},
      {"reals of 1e30", "/MediaBox [0 0 612 792] /TrimBox [0 0 " + e30 + " 792] /CropBox [-" + e30 + " 0 612 " + e30 + "]",
       0, "BOX: page 1 Crop on -32768.000 -31976.000 32768.000 32768.000 pt",
       {{"/CropBox", "[-" + e30 + ",0,612," + e30 + "]"}, {"/TrimBox", "[10,682,110,782]"}}},
      {"2^31", "/MediaBox [0 0 612 792] /TrimBox [2147483648.5 0 612 792] /BleedBox [0 0 2147483647 792]", 0,
       "BOX: page 1 Bleed on 0.000 0.000 32768.000 792.000 pt", {{"/BleedBox", "[0,0,2147483647,792]"}}},
      {"a real that is no number", "/MediaBox [0 0 612 792] /TrimBox [0 0 nan 792]", 0,
       "BOX: page 1 Trim off 0.000 792.000 0.000 0.000 pt", {{"/TrimBox", "[10,682,110,782]"}}},
      {"a media box of three numbers", "/MediaBox [0 0 612]", 0,
       "NOTE: The page's media box is not four numbers: it is taken as a US Letter page (612 by 792 points), as "
       "readers take it.",
       {{"/MediaBox", "[0,0,612]"}, {"/TrimBox", "[10,682,110,782]"}}},
      {"a media box of five numbers", "/MediaBox [0 0 612 792 5]", 0, "BOX: page 1 Trim on 10.000 10.000 100.000 100.000 pt",
       {{"/TrimBox", "[10,682,110,782]"}}},
      {"a media box at 40000", "/MediaBox [-40000 -40000 40000 40000]", 2, "BOX: page 1 Trim off 32768.000 32768.000 0.000 0.000 pt", {}},
      {"an infinite media box", "/MediaBox [0 0 " + big + ".0 792] /TrimBox [-" + big + ".0 0 " + big + ".0 5]", 2,
       "BOX: page 1 Trim on -32768.000 787.000 32768.000 5.000 pt", {}},
      {"an integer past 64 bits: no page", "/MediaBox [0 0 " + big + " 792]", 2, "", {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    hosttest::TempDir work;
    hosttest::PdfSpec spec;
    spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /Parent 2 0 R " + row.page + " >>"};
    const std::string file = work.File("far.pdf"), out = work.File("out.pdf");
    hosttest::WriteFile(file, hosttest::MakePdf(spec));
    const hosttest::ProcessResult run = hosttest::RunProcess(
        {PLUGHOST, "boxes", file, "--plugins", framewicktest::PluginFolder(), "--settings", work.path(), "--unit",
         "pt", "--on", "trim", "--set", "trim=10,10,100,100", "--output", out, "--picture", work.File("p")},
        "", framewicktest::kRunBound);
    EXPECT_EQ(run.status, row.status) << run.err;
    EXPECT_NE(run.out.find(row.line + (row.line.empty() ? "" : "\n")), std::string::npos) << run.out;
    if (row.status) {
      EXPECT_EQ(run.err.rfind("plughost: ", 0), 0u) << run.err;
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
      continue;
    }
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("BOX: page 1 Trim on 10.000 10.000 100.000 100.000 pt\n"), std::string::npos) << run.out;
    EXPECT_TRUE(hosttest::FileExists(work.File("p-1.png")));
    for (const auto& entry : row.saved) EXPECT_EQ(framewicktest::QpdfPageEntry(out, 1, entry.first), entry.second);
  }
}

}  // namespace
