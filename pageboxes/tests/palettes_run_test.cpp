// The fonts-and-colours palettes and the Orb/K palette as plughost runs
// them with the tool active: the lists of generated documents, the PDF/X
// facts, the mode's preferences with the question it asks, and where the
// palettes are placed and stored.
#include <gtest/gtest.h>

#include <cstdio>
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
  std::string file;  // a name of ScanPdfs, or a pdfx variant's info entries
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

const char kIntent[] = "CGATS TR 001\\nhttp://www.color.org\\n(present)\\nSWOP\\nUS Web Coated\n";
const char kFacts[] =
    "PDF/X-1:2001 (PDF/X-1a:2001)\\nFalse\\nCGATS TR 001\\nhttp://www.color.org\\n(present)\\nSWOP\\nUS Web Coated\n";
const char kFullInfo[] = "/GTS_PDFXVersion (PDF/X-1:2001) /GTS_PDFXConformance (PDF/X-1a:2001) /Trapped /False";

TEST(PaletteRuns, ListsAndFactsOfTheDocumentInView) {
  RunRows({
      {"res", "res", {}, "with Fonts\nprint list 1064\nwith Colors\nprint list 1064\n",
       "LIST 1064 0: B+C\nLIST 1064 1: Helvetica\nLIST 1064 2: Times-Roman\nLIST 1064 0: Red\nLIST 1064 1: Green\n"
       "LIST 1064 2: Blue\nLIST 1064 3: Cyan\nLIST 1064 4: Magenta\nLIST 1064 5: Yellow\nLIST 1064 6: Black\n"
       "LIST 1064 7: Brass\nLIST 1064 8: Gold\n"},
      {"all facts", kFullInfo, {}, "with 117\nprint item 1074\nprint item 1075\n",
       "ITEM 1074: PDF/X Version:\\nTrapped key:\\nOutputConditionIdentifier:\\nRegistryName:\\n"
       "DestOutputProfile:\\nOutputCondition:\\nInfo:\nITEM 1075: " + std::string(kFacts)},
      {"no version", "/GTS_PDFXConformance (PDF/X-1a:2001)", {}, "with 117\nprint item 1075\n",
       "ITEM 1075: (not present)\\n(not present)\\n" + std::string(kIntent)},
      {"no conformance", "/GTS_PDFXVersion (PDF/X-1:2001)", {}, "with 117\nprint item 1075\n",
       "ITEM 1075: PDF/X-1:2001\\n(not present)\\n" + std::string(kIntent)},
  });
}

TEST(PaletteRuns, OrbKModeSetsThreePreferencesAndGivesThemBack) {
  const std::vector<std::string> prefs = {"--pref", "96=1", "--pref", "131=0", "--pref", "76=1"};
  const std::string print = "print pref 96\nprint pref 131\nprint pref 76\n";
  const std::string kMine = "PREF 96: 1\nPREF 131: 0\nPREF 76: 1\n";
  const std::string kAsk =
      "ALERT: You changed a preference used by Orb/K mode.  Do you want to change it back or disable Orb/K mode? "
      "[Change|Disable] -> ";
  RunRows({
      {"on and off", "gray", prefs, "with 117\ncheck 1063 on\n" + print + "check 1063 off\n" + print,
       "PREF 96: 0\nPREF 131: 1\nPREF 76: 0\n" + kMine},
      {"change back, then disable", "gray", prefs,
       "with 117\ncheck 1063 on\nmenu Overprint\nanswer alert Change\nprint pref 131\nmenu Overprint\n"
       "answer alert Disable\nprint dialog\n" + print + "pref 40 1\n",
       kAsk + "Change\nPREF 131: 1\n" + kAsk +
           "Disable\nITEMS 117 \"Orb/K\" modeless\n  1063 check box \"Enable Orb/K mode\" off\n  1074 static multi line "
           "\"PDF/X Version:\\nTrapped key:\\nOutputConditionIdentifier:\\nRegistryName:\\nDestOutputProfile:\\n"
           "OutputCondition:\\nInfo:\"\n  1075 static multi line \"(not present)\\n(not present)\\n(not present)\\n"
           "(not present)\\n(not present)\\n(not present)\\n(not present)\"\n" + kMine},
      {"closing gives the values back", "gray", prefs, "with 117\ncheck 1063 on\npref 40 1\nclosebox\n" + print,
       kMine},
      {"the item's other name", "gray", {"--pref-item", "76=LocalFonts", "--pref", "76=1"},
       "with 117\ncheck 1063 on\nprint pref 76\nmenu LocalFonts\nanswer alert Change\nprint pref 76\n",
       "PREF 76: 0\n" + kAsk + "Change\nPREF 76: 0\n"},
  });
}

// On a first run each palette goes below the one before, right-aligned at
// the document window's right edge, and every one is stored; docked, only
// the main one ("Specifications"). The close box of one closes and stores them all.
TEST(PaletteRuns, PalettesArePlacedInAColumnAndStored) {
  for (const auto& row : std::vector<std::pair<std::string, size_t>>{{"", 4}, {"--docking", 1}, {"closebox", 4}}) {
    SCOPED_TRACE(row.first);
    hosttest::TempDir work;
    std::vector<std::string> args = {framewicktest::Sample("boxes")};
    if (row.first == "--docking") args.push_back(row.first);
    const std::string steps = row.first == "closebox" ? "with 117\nclosebox\n" : "quit\n";
    EXPECT_EQ(framewicktest::Run(work.path(), args, "tool Zent:QFXTool\n" + steps).status, 0);
    const auto values = framewicktest::StoredValues(work.path());
    long l = 0, t = 0, r = 0, b = 0, above = 0;  // the bottom of the one before
    size_t stored = 0;
    for (const char* name : {"Boxes", "OrbK", "Fonts", "Colors"}) {
      auto it = values.find(std::string("Dialog|") + name + "|Bounds");
      if (it == values.end()) continue;
      ASSERT_EQ(std::sscanf(it->second.c_str(), "%ld,%ld,%ld,%ld", &l, &t, &r, &b), 4) << it->second;
      EXPECT_EQ(t, above) << name;
      EXPECT_EQ(r, 1024) << name;
      above = b;
      ++stored;
    }
    EXPECT_EQ(stored, row.second);
  }
}

}  // namespace
