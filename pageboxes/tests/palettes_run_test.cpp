// The fonts-and-colours palettes and the Orb/K palette as plughost runs
// them with the tool active: the lists of generated documents, the PDF/X
// facts, the mode's preferences with the question it asks, and where the
// palettes are placed and stored.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plughost_runs.h"
#include "scan_pdfs.h"

namespace {

using framewicktest::OnePagePdf;

std::string PdfxPdf(const std::string& info) {
  return OnePagePdf("", {"<< " + info + " >>", "null", "null", "null", "null", "stream:/N 4|profile"},
                    "/OutputIntents [<< /Type /OutputIntent /S /GTS_PDFA1 >> << /Type /OutputIntent /S /GTS_PDFX "
                    "/OutputConditionIdentifier (CGATS TR 001) /RegistryName (http://www.color.org) "
                    "/OutputCondition (SWOP) /Info (US Web Coated) /DestOutputProfile 9 0 R >>]",
                    "/Info 4 0 R");
}

struct Row {
  const char* what;
  std::string file;  // a name of ScanPdfs or a pdfx variant's info entries
  std::vector<std::string> args;
  std::string script, out;
};

void RunRows(const std::vector<Row>& rows) {
  auto pdfs = framewicktest::ScanPdfs();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    hosttest::TempDir work;
    const std::string file = work.File("doc.pdf");
    hosttest::WriteFile(file, pdfs.count(row.file) ? pdfs[row.file] : PdfxPdf(row.file));
    std::vector<std::string> args = row.args;
    args.insert(args.end(), {"--brief", file});
    const hosttest::ProcessResult run = framewicktest::Run(work.path(), args, "tool Zent:QFXTool\n" + row.script);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, row.out) << run.err;
  }
}

const char kFullInfo[] = "/GTS_PDFXVersion (PDF/X-1:2001) /GTS_PDFXConformance (PDF/X-1a:2001) /Trapped /False";

TEST(PaletteRuns, FontsAndColoursListTheDocumentsNames) {
  RunRows({
      {"res", "res", {}, "with Fonts\nprint list 1064\nwith Colors\nprint list 1064\n", ""},
      {"gray", "gray", {}, "with Colors\nprint list 1064\n", ""},
      {"all", "all", {}, "with Colors\nprint list 1064\n", ""},
      {"loopcs", "loopcs", {}, "with Colors\nprint list 1064\n", ""},
  });
}

TEST(PaletteRuns, OrbKShowsThePdfxFacts) {
  RunRows({
      {"all facts", kFullInfo, {}, "with 117\nprint item 1074\nprint item 1075\n", ""},
      {"no version", "/GTS_PDFXConformance (PDF/X-1a:2001)", {}, "with 117\nprint item 1075\n", ""},
      {"no conformance", "/GTS_PDFXVersion (PDF/X-1:2001)", {}, "with 117\nprint item 1075\n", ""},
  });
}

TEST(PaletteRuns, OrbKModeSetsThreePreferencesAndGivesThemBack) {
  const std::vector<std::string> prefs = {"--pref", "96=1", "--pref", "131=0", "--pref", "76=1"};
  const std::string print = "print pref 96\nprint pref 131\nprint pref 76\n";
  RunRows({
      {"on and off", "gray", prefs, "with 117\ncheck 1063 on\n" + print + "check 1063 off\n" + print, ""},
      {"change back, then disable", "gray", prefs,
       "with 117\ncheck 1063 on\nmenu Overprint\nanswer alert Change\nprint pref 131\nmenu Overprint\n"
       "answer alert Disable\nprint item 1063\n" + print + "pref 40 1\n",
       ""},
      {"closing gives the values back", "gray", prefs, "with 117\ncheck 1063 on\npref 40 1\nclosebox\n" + print, ""},
      {"the item's other name", "gray", {"--pref-item", "76=LocalFonts", "--pref", "76=1"},
       "with 117\ncheck 1063 on\nprint pref 76\n", ""},
  });
}

}  // namespace
