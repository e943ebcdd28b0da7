// The page-box tool in this process, on samples/boxes.pdf and generated
// pages: page views' device space, the page handles views share, and the
// box record written into pages and read back, records of other programs
// included.
#include <gtest/gtest.h>

#include <boost/smart_ptr/bad_weak_ptr.hpp>
#include <cmath>
#include <string>

#include "common/CosValueText.h"
#include "common/MyCosObj.h"
#include "common/Prefs.h"
#include "core/host.h"
#include "host/calls.h"
#include "pageboxes/FramewickTool.h"
#include "testing/pdfmaker.h"

namespace {

ASFixed F(double v) { return static_cast<ASFixed>(std::lround(v * 65536)); }

std::string Text(const AVDevRect& r) {
  return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
         std::to_string(r.bottom);
}
// left bottom right top, as a PDF writes it
std::string Text(const ASFixedRect& r) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%g %g %g %g", r.left / 65536.0, r.bottom / 65536.0, r.right / 65536.0,
                r.top / 65536.0);
  return buf;
}

std::string Record(PDPage page) { return CosValueText(MyCosObj(PDPageGetCosObj(page)).Get("Zent_BoxInfo").GetCosObj(), 0, 0).Text(); }

class ToolTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { hosttest::BindTables(); }
  void SetUp() override {
    ::setenv("PLUGHOST_HOME", home_.File("settings").c_str(), 1);
    Prefs::Section().clear();
  }
  void TearDown() override {
    FramewickTool::DeleteInstance();
    host::SetViewZoom(1);
    host::CloseAllDocuments();
    hosttest::ResetTools();
    Prefs::Section().clear();
  }
  // The tool bound to page n (from 1) of the active document.
  FramewickTool& ToolOn(int n) {
    FramewickTool* tool = FramewickTool::Instance();
    AVDoc doc = AVAppGetActiveDoc();
    host::GoToPage(doc, n - 1);
    tool->SetCurrentPage(AVDocGetPageView(doc));
    EXPECT_EQ(tool->pageNumber, n - 1);
    return *tool;
  }
  hosttest::TempDir home_;
};

// Device space at zoom 1 and 2, turned pages, and a closed document's view.
TEST_F(ToolTest, PageViewsMapUserSpaceToTheirDeviceSpace) {
  const std::string turned = home_.File("turned.pdf");
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                  "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 /MediaBox [0 0 612 792] /Rotate 90 >>",
                  "<< /Type /Page /Parent 2 0 R >>", "<< /Type /Page /Parent 2 0 R /Rotate 180 >>",
                  "<< /Type /Page /Parent 2 0 R /Rotate -90 /CropBox [612 792 100 0] >>"};
  hosttest::WriteFile(turned, hosttest::MakePdf(spec));
  const ASFixedRect trim{F(30), F(750), F(570), F(30)};
  const struct {
    std::string file;
    int page;
    double zoom;
    std::string device, aperture, back;
  } rows[] = {
      {SAMPLES "/boxes.pdf", 5, 1, "-10 10 530 730", "0 0 540 720", "30 30 570 750"},
      {SAMPLES "/boxes.pdf", 5, 2, "-20 20 1060 1460", "0 0 1080 1440", "30 30 570 750"},
      {SAMPLES "/boxes.pdf", 1, 1, "30 42 570 762", "0 0 612 792", "30 30 570 750"},
      {turned, 1, 1, "30 30 750 570", "0 0 792 612", "30 30 570 750"},
      {turned, 2, 1, "42 30 582 750", "0 0 612 792", "30 30 570 750"},
      {turned, 3, 0.5, "21 21 381 291", "0 0 396 256", "30 30 570 750"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file + " page " + std::to_string(row.page) + " zoom " + std::to_string(row.zoom));
    host::SetViewZoom(row.zoom);
    AVDoc doc = host::OpenInView(row.file);
    host::GoToPage(doc, row.page - 1);
    AVPageView view = AVDocGetPageView(doc);
    AVDevRect device{}, aperture{};
    ASFixedRect back{};
    AVPageViewRectToDevice(view, &trim, &device);
    AVPageViewDeviceRectToPage(view, &device, &back);
    AVPageViewGetAperture(view, &aperture);
    EXPECT_EQ(Text(device), row.device);
    EXPECT_EQ(Text(aperture), row.aperture);
    EXPECT_EQ(Text(back), row.back);
    EXPECT_EQ(AVPageViewGetAVDoc(view), doc);
    // The view's page and the page acquired by number are one handle, held twice.
    PDPage shown = AVPageViewGetPage(view);
    PDPage acquired = PDDocAcquirePage(AVDocGetPDDoc(doc), row.page - 1);
    EXPECT_EQ(shown, acquired);
    PDPageRelease(acquired);
    EXPECT_EQ(PDPageGetNumber(shown), row.page - 1);
    host::CloseDocument(AVDocGetPDDoc(doc));
    // Plug-ins call these from destructors: a closed document's view answers nothing.
    AVPageViewRectToDevice(view, &trim, &device);
    AVPageViewGetAperture(view, &aperture);
    AVPageViewDeviceRectToPage(view, &device, &back);
    EXPECT_EQ(Text(device) + " / " + Text(aperture) + " / " + Text(back), "0 0 0 0 / 0 0 0 0 / 0 0 0 0");
    EXPECT_EQ(AVPageViewGetPage(view), nullptr);
    EXPECT_EQ(AVPageViewGetAVDoc(view), nullptr);
  }
}

// The record as the tool writes it on page 1 of boxes.pdf, saved; then
// with the bleed box switched off.
TEST_F(ToolTest, TheRecordHoldsTheEnabledBoxesAnchorAndLocks) {
  const std::string saved = home_.File("saved.pdf");
  host::OpenInView(SAMPLES "/boxes.pdf");
  FramewickTool& tool = ToolOn(1);
  PageBox* bleed = tool.boxes[0];
  PageBox* trim = tool.boxes[1];
  ASSERT_TRUE(bleed->IsEnabled() && trim->IsEnabled() && !tool.boxes[2]->IsEnabled() && !tool.boxes[3]->IsEnabled());
  PageBox::Anchor::Global().SetAnchor(trim);
  const struct {
    bool bleedOn;
    std::string record, bleedKey;
  } rows[] = {
      {true, "<< /BleedBox << /A 0 /L 0 >> /TrimBox << /A 1 /L 0 >> >>", "[ 27 27 585 765 ]"},
      {false, "<< /TrimBox << /A 1 /L 0 >> >>", "****NULL*****"},
  };
  for (const auto& row : rows) {
    bleed->SetEnabled(row.bleedOn);
    PDPage page = tool.AcquireCurrentPage();
    ASSERT_NE(page, nullptr);
    tool.WriteBoxInfo(page);
    EXPECT_FALSE(tool.busy);
    PDPageRelease(page);
    host::SaveDocument(AVDocGetPDDoc(AVAppGetActiveDoc()), saved);
    PDDoc copy = host::OpenDocument(saved);
    PDPage first = PDDocAcquirePage(copy, 0);
    EXPECT_EQ(Record(first), row.record);
    EXPECT_EQ(CosValueText(MyCosObj(PDPageGetCosObj(first)).Get("BleedBox").GetCosObj(), 0, 0).Text(), row.bleedKey);
    PDPageRelease(first);
    host::CloseDocument(copy);
  }
}

// Records as the tool reads them, those of other programs included; each
// page is reached from the one before, with the crop box as the anchor and
// the bleed box locked beforehand. The pages have no crop box: one whose
// record names no anchor takes its largest box.
TEST_F(ToolTest, RecordsSetLocksAndAnchorAndOddOnesReadAsNone) {
  const char* const records[] = {
      "<< /BleedBox << /A 0 /L 1 >> /TrimBox << /A 1 /L 0 >> >>",
      "<< /BleedBox << /A 1 /L 0 >> /TrimBox << /A 1 /L 0 >> >>",
      nullptr,
      "(x)",
      "<< /BleedBox << /L (x) >> /TrimBox 5 >>",
  };
  hosttest::PdfSpec spec;
  spec.objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
  std::string kids;
  for (const char* record : records) {
    kids += std::to_string(spec.objects.size() + 1) + " 0 R ";
    spec.objects.push_back(std::string("<< /Type /Page /Parent 2 0 R /BleedBox [0 0 600 780] /TrimBox [10 10 590 770]") +
                           (record ? std::string(" /Zent_BoxInfo ") + record : "") + " >>");
  }
  // Sizes in no strict weak order: 100 x 200, 150 x 150 (dropped), 120 x 300.
  kids += std::to_string(spec.objects.size() + 1) + " 0 R";
  spec.objects.push_back(
      "<< /Type /Page /Parent 2 0 R /BleedBox [0 0 100 200] /TrimBox [0 0 150 150] /ArtBox [0 0 120 300] >>");
  spec.objects[1] = "<< /Type /Pages /MediaBox [0 0 612 792] /Count 6 /Kids [" + kids + "] >>";
  const std::string file = home_.File("records.pdf");
  hosttest::WriteFile(file, hosttest::MakePdf(spec));
  host::OpenInView(file);
  FramewickTool* tool = FramewickTool::Instance();
  PageBox* crop = tool->boxes[3];
  const struct {
    const char* anchor;
    bool bleedLocked;
  } rows[] = {{"Trim", true}, {"Trim", false}, {"Bleed", false}, {"Bleed", false}, {"Bleed", false}};
  for (int n = 1; n <= 5; ++n) {
    SCOPED_TRACE("page " + std::to_string(n));
    PageBox::Anchor::Global().SetAnchor(crop);
    tool->boxes[0]->SetLocked(true);
    ToolOn(n);
    EXPECT_EQ(PageBox::Anchor::Global().Box()->Name(), rows[n - 1].anchor);
    EXPECT_EQ(tool->boxes[0]->Locked(), rows[n - 1].bleedLocked);
    EXPECT_FALSE(tool->boxes[1]->Locked());
    // Written, a record of another program's shape becomes ours.
    PDPage page = tool->AcquireCurrentPage();
    tool->WriteBoxInfo(page);
    EXPECT_FALSE(tool->busy);
    EXPECT_EQ(Record(page).substr(0, 14), "<< /BleedBox <");
    PDPageRelease(page);
  }
  ToolOn(6);
  tool->ChooseDefaultAnchor();
  EXPECT_EQ(PageBox::Anchor::Global().Box()->Name(), "Art/Live");
}

// The library's sets: sizes given in inches, renames that re-key, removals
// and the save that follows them; then page records that name a
// specification of the tool's library, or one it lacks.
TEST_F(ToolTest, LibrarySetsAndThePageRecordsThatNameThem) {
  Prefs::Set("BoxLibrary|0 Old|0 S|TrimBox", "1|1|1|1");
  Prefs::Set("Color|TrimBox", "1 0 0");
  {
    BoxLibrary library;
    auto cover = library.NewBoxSet("Mag", "Cover", 8.75f, 11.25f, 8.5f, 11, 0, 0);
    const PDFBox* trim = cover->FindBox(ASAtomFromString("TrimBox"));
    ASSERT_NE(trim, nullptr);
    EXPECT_EQ(Text(trim->Rect()), "0 0 612 792");
    EXPECT_EQ(trim->Rect().right, 612 * 65536);
    EXPECT_TRUE(trim->Enabled() && trim->Locked());
    PDFBox& crop = cover->GetBox(ASAtomFromString("CropBox"));
    EXPECT_TRUE(crop.Enabled() && crop.Locked() && crop.Inheritable());
    EXPECT_EQ(Text(crop.Rect()), "0 0 0 0");
    EXPECT_EQ(cover->Boxes().size(), 4u);

    auto other = library.GetPublication("Other");
    other->Rename("Mag");  // takes the place of the first "Mag", which goes
    ASSERT_EQ(library.Publications().size(), 1u);
    EXPECT_EQ(library.Publications().at("Mag"), other);
    EXPECT_THROW(cover->Publication(), boost::bad_weak_ptr);
    auto spec = other->GetSpecification("A");
    spec->Rename("a");
    EXPECT_TRUE(HasSpecificationNamed(*other, "a"));
    EXPECT_FALSE(HasSpecificationNamed(*other, "A"));
    library.RemoveSpecification(spec);
    EXPECT_TRUE(HasPublicationNamed(library, "Mag") && other->Specifications().empty());
    SaveBoxLibrary(library);  // an empty publication writes nothing
    EXPECT_EQ(Prefs::Section(), (Prefs::SectionMap{{"Color|TrimBox", "1 0 0"}}));
  }

  hosttest::PdfSpec pages;
  pages.objects = {"<< /Type /Catalog /Pages 2 0 R >>",
                   "<< /Type /Pages /MediaBox [0 0 612 792] /Count 2 /Kids [3 0 R 4 0 R] >>",
                   "<< /Type /Page /Parent 2 0 R /Zent_BoxInfo << /P (Mag) /S (Cover) >> >>",
                   "<< /Type /Page /Parent 2 0 R /Zent_BoxInfo << /P (Mag) /S (Nothing) >> >>"};
  const std::string file = home_.File("named.pdf");
  hosttest::WriteFile(file, hosttest::MakePdf(pages));
  host::OpenInView(file);
  FramewickTool* tool = FramewickTool::Instance();
  auto cover = tool->library.NewBoxSet("Mag", "Cover", 0, 0, 0, 0, 0, 0);
  for (int n = 1; n <= 2; ++n) {
    ToolOn(n);
    ASSERT_TRUE(tool->specification && tool->publication) << n;
    EXPECT_EQ(tool->specification, cover);
    EXPECT_EQ(tool->publication->Name(), "Mag");
    EXPECT_FALSE(tool->specificationChosen);
  }
}

}  // namespace
