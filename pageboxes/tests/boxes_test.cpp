#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "common/MyCosDoc.h"
#include "common/MyCosObj.h"
#include "core/host.h"
#include "host/calls.h"
#include "pageboxes/PageBox.h"
#include "testing/pdfmaker.h"

namespace {

ASFixed F(double v) { return static_cast<ASFixed>(std::lround(v * 65536)); }
ASFixedRect R(double left, double bottom, double right, double top) { return {F(left), F(top), F(right), F(bottom)}; }

std::string Text(const ASFixedRect& r) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "[%g %g %g %g]", r.left / 65536.0, r.bottom / 65536.0, r.right / 65536.0,
                r.top / 65536.0);
  return buf;
}

// A box counts as edited when it differs from what the page held.
bool Edited(const PageBox& box) { return box.IsEnabled() != box.Found() || Text(box.Rect()) != Text(box.PageRect()); }

// The tool's current page, for the crop box's immediate writes.
struct CurrentPage : CurrentPageSource {
  PDPage AcquireCurrentPage() override { return PDDocAcquirePage(doc, index); }
  PDDoc doc = nullptr;
  ASInt32 index = 0;
};

class BoxesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { hosttest::BindTables(); }
  void SetUp() override { doc_ = host::OpenDocument(SAMPLES "/boxes.pdf"); }
  void TearDown() override {
    for (PDPage page : pages_) PDPageRelease(page);
    host::CloseAllDocuments();
  }

  // Page n, from 1, of the open document.
  PDPage Page(int n) {
    pages_.push_back(PDDocAcquirePage(doc_, n - 1));
    return pages_.back();
  }
  MyCosObj Dict(int n) { return MyCosObj(PDPageGetCosObj(Page(n))); }
  // The page's own entry as "[l b r t]", or "none".
  std::string Entry(int n, const char* key) {
    MyCosObj array = Dict(n).Get(key);
    if (array.CachedType() != CosArray) return "none";
    std::string text = "[";
    for (ASInt32 i = 0; i < array.Length(); ++i) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%s%g", i ? " " : "", static_cast<double>(array.Get(i)));
      text += buf;
    }
    return text + "]";
  }
  // Saves, checks the file with qpdf and opens it in place of the document.
  void SaveAndReopen() {
    const std::string path = dir_.File("saved.pdf");
    host::SaveDocument(doc_, path);
    std::string output;
    EXPECT_EQ(hosttest::RunCommand("qpdf --check " + hosttest::Quoted(path), &output), 0) << output;
    for (PDPage page : pages_) PDPageRelease(page);
    pages_.clear();
    host::CloseDocument(doc_);
    doc_ = host::OpenDocument(path);
  }
  void Open(const std::string& bytes) {
    host::CloseDocument(doc_);
    doc_ = host::OpenDocumentBytes(bytes, "damaged");
  }

  hosttest::TempDir dir_;
  PDDoc doc_ = nullptr;
  std::vector<PDPage> pages_;
};

TEST_F(BoxesTest, BoxesLoadThroughParentOnlyWhenInheritableAndWriteBackNormalised) {
  struct Case {
    int page;
    const char* key;
    bool found;
    const char* rect;
  } cases[] = {
      {2, "CropBox", true, "[0 0 612 792]"},   // written reversed
      {3, "CropBox", true, "[0 0 600 780]"},   // from its Pages node
      {3, "BleedBox", false, "[0 0 0 0]"},     // the node's is not inherited
      {1, "CropBox", false, "[0 0 0 0]"},
      {1, "MediaBox", true, "[0 0 612 792]"},  // from the root
      {1, "TrimBox", true, "[36 36 576 756]"},
  };
  for (const Case& c : cases) {
    PageBox box(false, c.key, "");
    EXPECT_EQ(box.LoadFromPage(nullptr, Page(c.page), false), c.found) << c.page << c.key;
    EXPECT_EQ(box.IsEnabled(), c.found) << c.page << c.key;
    EXPECT_EQ(Text(box.Rect()), c.rect) << c.page << c.key;
    EXPECT_FALSE(Edited(box)) << c.page << c.key;
  }

  // As it was read, the page keeps what it holds; a box given reversed is written normalised.
  PageBox crop(false, "CropBox", "Crop"), trim(false, "TrimBox", "Trim");
  crop.LoadFromPage(nullptr, Page(2), false);
  EXPECT_TRUE(crop.WriteToPage(Page(2)));
  trim.LoadFromPage(nullptr, Page(2), false);
  trim.SetEnabled(true);
  trim.SetRect(ASFixedRect{600 * fixedOne, 10 * fixedOne, 20 * fixedOne, 780 * fixedOne});
  EXPECT_TRUE(trim.WriteToPage(Page(2)));
  SaveAndReopen();
  EXPECT_EQ(Entry(2, "CropBox"), "[612 792 0 0]");
  EXPECT_EQ(Entry(2, "TrimBox"), "[20 10 600 780]");
}

TEST_F(BoxesTest, LiveAreaIsWrittenUnderTheKeyTheTrimBoxChooses) {
  struct Case {
    int page;
    bool trim;
    const char* written;
    const char* removed;
  } cases[] = {{4, true, "Zent_SafetyBox", "ArtBox"}, {3, false, "ArtBox", "Zent_SafetyBox"}};
  for (const Case& c : cases) {
    PageBox trim(false, "TrimBox", "Trim");
    SafetyPageBox live(false);
    trim.Attach(&live);
    trim.LoadFromPage(nullptr, Page(c.page), true);
    EXPECT_EQ(live.TrimEnabled(), c.trim);
    EXPECT_TRUE(live.LoadFromPage(nullptr, Page(c.page), false));
    EXPECT_TRUE(live.WriteToPage(Page(c.page)));
  }
  SaveAndReopen();
  EXPECT_EQ(Entry(4, "Zent_SafetyBox"), "[50 50 562 742]");
  EXPECT_EQ(Entry(4, "ArtBox"), "none");
  EXPECT_EQ(Entry(3, "ArtBox"), "[72 72 540 720]");
  EXPECT_EQ(Entry(3, "Zent_SafetyBox"), "none");
}

TEST_F(BoxesTest, LockedBoxesStayCentredInTheAnchorBox) {
  PageBox::Anchor& anchor = PageBox::Anchor::Global();
  struct Case {
    ASFixedRect trim;
    const char* bleed;
  } cases[] = {{R(46, 36, 586, 756), "[37 27 595 765]"}, {R(36, 36, 596, 776), "[37 37 595 775]"}};
  for (const Case& c : cases) {
    PageBox bleed(true, "BleedBox", "Bleed");
    PageBox trim(true, "TrimBox", "Trim");
    bleed.LoadFromPage(nullptr, Page(1), true);
    trim.LoadFromPage(nullptr, Page(1), true);
    anchor.SetAnchor(&trim);
    bleed.SetLocked(true);
    trim.SetRect(c.trim);
    EXPECT_EQ(Text(bleed.Rect()), c.bleed);

    anchor.SetAnchor(&bleed);
    EXPECT_FALSE(bleed.Locked());
    EXPECT_TRUE(trim.Locked());
  }
  EXPECT_EQ(anchor.Box(), nullptr);  // the anchor box went with its box
}

TEST_F(BoxesTest, DamagedBoxesReadAsAbsentAndWritesStayOnTheirPage) {
  // Two Pages nodes whose "Parent" entries name each other.
  hosttest::PdfSpec loop;
  loop.objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 /Parent 3 0 R >>",
                  "<< /Type /Pages /Kids [4 0 R] /Count 1 /Parent 2 0 R >>",
                  "<< /Type /Page /Parent 3 0 R /MediaBox [0 0 612 792] >>"};
  hosttest::WriteFile(dir_.File("boxes-loop.pdf"), hosttest::MakePdf(loop));
  PDDoc boxes = doc_;
  doc_ = host::OpenDocument(dir_.File("boxes-loop.pdf"));
  CropPageBox looped(false);
  EXPECT_FALSE(looped.LoadFromPage(nullptr, Page(1), false));
  doc_ = boxes;

  // An element that is not a number: absent, the previous state dropped,
  // and an inheritable box goes on with "Parent".
  PageBox trim(false, "TrimBox", "Trim");
  ASSERT_TRUE(trim.LoadFromPage(nullptr, Page(1), false));
  CropPageBox crop(false);
  MyCosDoc cos(PDDocGetCosDoc(doc_));
  for (int n : {1, 3}) {
    MyCosObj array, text;
    ASSERT_TRUE(array.NewArray(cos, false, 4));
    ASSERT_TRUE(text.NewString(cos, false, "x"));
    for (ASInt32 i = 0; i < 4; ++i) array.Put(i, i == 2 ? text : MyCosObj(CosNewFixed(cos.GetCosDoc(), false, F(10))));
    Dict(n).Put(n == 1 ? "TrimBox" : "CropBox", array);
  }
  EXPECT_FALSE(trim.LoadFromPage(nullptr, Page(1), false));
  EXPECT_FALSE(trim.IsEnabled());
  EXPECT_EQ(Text(trim.PageRect()), "[0 0 0 0]");
  EXPECT_TRUE(crop.LoadFromPage(nullptr, Page(3), false));
  EXPECT_EQ(Text(crop.Rect()), "[0 0 600 780]");
  host::CloseAllDocuments();
  SetUp();

  // Pages 1 and 4 share one indirect /TrimBox array: writing page 1 makes it its own.
  MyCosObj indirect;
  ASSERT_TRUE(indirect.NewArray(MyCosDoc(PDDocGetCosDoc(doc_)), true, 4));
  for (ASInt32 i = 0; i < 4; ++i) indirect.Put(i, MyCosObj(CosNewFixed(PDDocGetCosDoc(doc_), false, F(i < 2 ? 36 : i == 2 ? 576 : 756))));
  Dict(1).Put("TrimBox", indirect);
  Dict(4).Put("TrimBox", indirect);
  host::SaveDocument(doc_, dir_.File("boxes-shared.pdf"));
  host::CloseAllDocuments();
  pages_.clear();
  doc_ = host::OpenDocument(dir_.File("boxes-shared.pdf"));
  ASSERT_TRUE(Dict(4).Get("TrimBox").IsIndirect());
  PageBox moved(false, "TrimBox", "Trim");
  moved.LoadFromPage(nullptr, Page(1), false);
  moved.SetRect(R(46, 36, 586, 756));
  EXPECT_TRUE(moved.WriteToPage(Page(1)));
  SaveAndReopen();
  EXPECT_EQ(Entry(1, "TrimBox"), "[46 36 586 756]");
  EXPECT_EQ(Entry(4, "TrimBox"), "[36 36 576 756]");
}

TEST_F(BoxesTest, SwitchedOffBoxesLeaveThePageUncroppedAndUnedited) {
  CurrentPage current;
  current.doc = doc_;
  current.index = 2;
  CropPageBox crop(false, &current);
  crop.LoadFromPage(nullptr, Page(3), false);
  crop.SetEnabled(false);
  EXPECT_EQ(Entry(3, "CropBox"), "[0 0 612 792]");  // at once
  EXPECT_TRUE(crop.PageCropReplaced());
  EXPECT_TRUE(crop.WriteToPage(Page(3)));
  EXPECT_EQ(Entry(3, "CropBox"), "[0 0 612 792]");  // not the node's again
  EXPECT_FALSE(Edited(crop));

  crop.Reset();
  crop.LoadFromPage(nullptr, Page(3), false);
  Dict(3).Remove("CropBox");
  crop.LoadFromPage(nullptr, Page(3), false);
  crop.SetEnabled(false);
  crop.SetEnabled(true);
  EXPECT_EQ(Entry(3, "CropBox"), "[0 0 600 780]");
  // Written at once, not applied: a reset gives the page its inherited crop box back.
  EXPECT_TRUE(crop.PageCropReplaced());
  crop.Reset();
  EXPECT_EQ(Entry(3, "CropBox"), "none");

  PageBox bleed(false, "BleedBox", "Bleed");
  ASSERT_TRUE(bleed.LoadFromPage(nullptr, Page(1), false));
  bleed.SetEnabled(false);
  EXPECT_TRUE(bleed.WriteToPage(Page(1)));
  EXPECT_EQ(Text(bleed.Rect()), "[0 0 0 0]");
  EXPECT_FALSE(bleed.Found());
  EXPECT_FALSE(Edited(bleed));
  SaveAndReopen();
  EXPECT_EQ(Entry(1, "BleedBox"), "none");
  EXPECT_EQ(Entry(3, "CropBox"), "none");
}

}  // namespace
