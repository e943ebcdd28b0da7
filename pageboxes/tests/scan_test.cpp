// The fonts-and-colours scan over generated documents: subset tags, the
// colour order, odd and self-referring colour spaces, the tool's cache; the
// "Fonts" palette's list as the palette is moved, resized and refilled.
#include <gtest/gtest.h>

#include <string>

#include "common/ADMSuites.h"
#include "core/host.h"
#include "dialogs/manager.h"
#include "host/calls.h"
#include "pageboxes/FramewickPlugIn.h"
#include "pageboxes/FramewickTool.h"
#include "pageboxes/ResourceDlg.h"
#include "scan_pdfs.h"

namespace {

std::string Fonts(const ScanRecord& r) {
  std::string text;
  for (const std::string& name : r.fontNames) text += name + ";";
  return text;
}

std::string Colors(const ScanRecord& r) {
  std::string text;
  for (const ColorEntry& entry : r.colors) text += entry.name + ";";
  return text;
}

class ScanTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { hosttest::BindTables(); }
  void SetUp() override { ::setenv("PLUGHOST_HOME", home_.File("settings").c_str(), 1); }
  void TearDown() override {
    FramewickTool::DeleteInstance();
    host::CloseAllDocuments();
  }
  AVDoc Open(const std::string& name, const std::string& bytes) {
    hosttest::WriteFile(home_.File(name + ".pdf"), bytes);
    return host::OpenInView(home_.File(name + ".pdf"));
  }
  hosttest::TempDir home_;
};

TEST_F(ScanTest, ListsEachDocumentsFontsAndColoursInOrder) {
  auto pdfs = framewicktest::ScanPdfs();
  pdfs["odd"] = framewicktest::OnePagePdf(
      "/Font << /F1 5 /F2 << /BaseFont /Courier-Bold /FontDescriptor null >> /F3 << /BaseFont /X /FontDescriptor "
      "<< >> >> >> /ExtGState << /G1 << /Font [<< /BaseFont /Symbol >> 12] >> /G2 << /Font /Bogus >> /G3 << /LW 1 "
      ">> >> /ColorSpace << /A [/Separation] /B [/Indexed 5 255 <00>] /C [/Pattern] /D /Pattern /E [/Lab << "
      "/WhitePoint [1 1 1] >>] /F [/ICCBased 4 0 R] /G [/CalGray << /WhitePoint [1 1 1] >>] /H [/DeviceN /Spot "
      "/DeviceCMYK 4 0 R] /I [/Pattern [/Indexed /DeviceGray 1 <00>]] /J [] >>",
      {framewicktest::kTint});
  const struct {
    std::string name, fonts, colors;
  } rows[] = {
      {"res", "B+C;Helvetica;Times-Roman;", "Red;Green;Blue;Cyan;Magenta;Yellow;Black;Brass;Gold;"},
      {"gray", "", "Black;"},
      {"all", "", "Cyan;Magenta;Yellow;Black;"},
      {"loopcs", "", "Black;"},
      {"odd", "Courier-Bold;Symbol;", "Black;CalGray;ICCBased;Spot;"},
  };
  FramewickTool* tool = FramewickTool::Instance();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    AVDoc doc = Open(row.name, pdfs.at(row.name));
    ScanRecord record = tool->GetScanResult(doc);
    EXPECT_TRUE(record.scanned);
    EXPECT_EQ(Fonts(record), row.fonts);
    EXPECT_EQ(Colors(record), row.colors);
  }
}

// A scanned document is not scanned again unless asked; a page past the
// end is the host's error.
TEST_F(ScanTest, TheToolScansADocumentOnceUntilAskedAgain) {
  FramewickTool* tool = FramewickTool::Instance();
  AVDoc doc = Open("res", framewicktest::ScanPdfs().at("res"));
  tool->scanCache[doc].fontNames = {"Kept"};
  tool->scanCache[doc].scanned = true;
  EXPECT_EQ(Fonts(tool->GetScanResult(doc)), "Kept;");
  tool->ScanPageResources(doc, true, 0);
  EXPECT_EQ(Fonts(tool->GetScanResult(doc)), "B+C;Helvetica;Kept;Times-Roman;");
  EXPECT_THROW(tool->ScanPageResources(doc, true, 1), Zentu::AcrobatException);
}

ADMRect ListBounds(ADMDialogRef dialog) {
  for (const auto& item : host::DescribeDialog(dialog).items)
    if (item.id == 1064) return item.bounds;
  return ADMRect{};
}

TEST_F(ScanTest, TheFontsListFollowsThePalettesSizeAndRefillsWhole) {
  static const PIResourceTable* const tables[] = {&Zentu::kPaletteResources};
  static const PIResourceDirectory directory = {sizeof(PIResourceDirectory), tables, 1};
  hosttest::RegisterResources(&directory);
  FramewickTool::Instance();
  AVDoc doc = Open("res", framewicktest::ScanPdfs().at("res"));
  auto* palette = new ResourceDlg(ResourceDlg::kFonts);
  ASSERT_TRUE(palette->DoModeless(5, 0));
  const ADMDialogRef dialog = palette->GetDialogRef();
  const ADMRect list = ListBounds(dialog), at = host::DescribeDialog(dialog).bounds;
  std::string why;
  ASSERT_TRUE(host::MoveDialog(dialog, at.left - 50, at.top + 20, &why)) << why;
  const ADMRect moved = ListBounds(dialog);
  EXPECT_EQ(moved.right - moved.left, list.right - list.left);
  EXPECT_EQ(moved.bottom - moved.top, list.bottom - list.top);
  ASSERT_TRUE(host::ResizeDialog(dialog, at.right - at.left + 30, at.bottom - at.top + 40, &why)) << why;
  const ADMRect resized = ListBounds(dialog);
  EXPECT_EQ(resized.right - resized.left, list.right - list.left + 30);
  EXPECT_EQ(resized.bottom - resized.top, list.bottom - list.top + 40);
  ADMHierarchyListRef entries = ADMItem::GetHierarchyList(ADMDialog::GetItem(dialog, 1064));
  EXPECT_EQ(ADMHierarchyList::GetEntryWidth(entries), resized.right - resized.left - 20);
  for (int refill = 0; refill < 2; ++refill) palette->FillLists(AVDocGetPageView(doc));
  EXPECT_EQ(ADMHierarchyList::NumberOfEntries(entries), 3);
  delete palette;
}

}  // namespace
