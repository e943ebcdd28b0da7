#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "alternates/ImageCollection.h"
#include "alternates/ImageWork.h"
#include "alternates/Progress.h"
#include "core/host.h"
#include "host/frame.h"
#include "testing/pdfmaker.h"

namespace {

// Objects 1 catalog, 2 pages, then each page (its XObject resources, its
// content) and its content stream; `more` from object 3 + 2 x pages on.
std::string Pdf(const std::vector<std::pair<std::string, std::string>>& pages, const std::vector<std::string>& more) {
  hosttest::PdfSpec s;
  s.objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids;
  for (size_t i = 0; i < pages.size(); ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
  s.objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>");
  for (size_t i = 0; i < pages.size(); ++i) {
    s.objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Resources << /XObject << " +
                        pages[i].first + " >> >> /Contents " + std::to_string(4 + 2 * i) + " 0 R >>");
    s.objects.push_back("stream:|" + pages[i].second);
  }
  s.objects.insert(s.objects.end(), more.begin(), more.end());
  return hosttest::MakePdf(s);
}

std::string Image(int w, int h, const std::string& colorSpace = "/DeviceRGB", const std::string& rest = "") {
  return "stream:/Type /XObject /Subtype /Image /Width " + std::to_string(w) + " /Height " + std::to_string(h) +
         (colorSpace.empty() ? "" : " /ColorSpace " + colorSpace + " /BitsPerComponent 8") + rest + "|x";
}

// The image-alternates sample: Im1 (3) drawn on page 1 and larger on page 2,
// Im2 to Im5 (4 to 7; Im4 at 50 x 50 inside the form Fm1, which page 3 draws
// doubled), Im7 (8) never drawn.
const std::string& Images() {
  static const std::string pdf = [] {
    const char* root = std::getenv("ZENTU_SOURCE_DIR");
    return hosttest::ReadFile(std::string(root ? root : ".") + "/samples/images.pdf");
  }();
  return pdf;
}
const std::string kSize = Pdf({{"/A 5 0 R /B 6 0 R", "q 72 0 0 72 0 0 cm /A Do /B Do Q"}},
                              {Image(512, 342), Image(512, 341)});
const std::string kDpi = Pdf({{"/A 5 0 R /B 6 0 R", "q 141 0 0 141 0 0 cm /A Do Q q 144 0 0 144 0 0 cm /B Do Q"}},
                             {Image(600, 600), Image(600, 600)});
// 5 DeviceN, 6 Pattern, 7 Foo, 8 a mask, 9 no /Type, 10 DeviceN's function.
const std::string kCs = Pdf({{"/N 5 0 R /P 6 0 R /F 7 0 R /M 8 0 R /U 9 0 R",
                              "q 10 0 0 10 0 0 cm /N Do /P Do /F Do /M Do /U Do Q"}},
                            {Image(10, 10, "[/DeviceN [/A /B] /DeviceCMYK 10 0 R]"), Image(10, 10, "/Pattern"),
                             Image(10, 10, "/Foo"), Image(10, 10, "", " /ImageMask true"),
                             "stream:/Subtype /Image /Width 10 /Height 10 /ColorSpace /DeviceRGB /BitsPerComponent 8|x",
                             "<< /FunctionType 2 /Domain [0 1] /N 1 >>"});
const std::string kTwiceContent =
    "q 100 0 0 100 0 0 cm /A Do Q q 200 0 0 50 0 0 cm /A Do Q q 100 0 0 100 0 0 cm /B Do Q "
    "q 200 0 0 50 0 0 cm /B Do Q q 10 0 0 10 0 0 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x80 EI Q";
const std::string kTwice = Pdf({{"/A 5 0 R /B 6 0 R", kTwiceContent}}, {Image(100, 100), Image(400, 100)});
const std::string kLoop = Pdf({{"/Fm 5 0 R", "/Fm Do"}},
                              {"stream:/Type /XObject /Subtype /Form /BBox [0 0 1 1] "
                               "/Resources << /XObject << /Fm 5 0 R /Im 6 0 R >> >>|/Fm Do q 7 0 0 7 0 0 cm /Im Do Q",
                               Image(10, 10)});

class CollectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hosttest::BindTables();
    ::setenv("PLUGHOST_HOME", home_.path().c_str(), 1);
    host::SetAlertHandler([this](const host::AlertRequest& r) {
      notes_.push_back(r.message);
      hosttest::LogCall("NOTE " + r.message);
      return 1;
    });
    hosttest::ClearCallLog();
  }
  void TearDown() override {
    host::SetAlertHandler(nullptr);
    hosttest::ClearHooks();
    host::CloseAllDocuments();
  }
  ImageMap Collect(const std::string& pdf) {
    doc_ = host::OpenDocumentBytes(pdf, "collection");
    ImageMap map;
    EXPECT_FALSE(HostRegion([&] { CollectPlacements(doc_, map); }).raised);
    return map;
  }
  ImageOptions Options(const std::function<void(ImageOptions&)>& change) {
    ImageOptions o("TEST");
    o.SetDefaults();
    change(o);
    return o;
  }
  static std::vector<ASUns32> Keys(const ImageMap& map) {
    std::vector<ASUns32> keys;
    for (const auto& entry : map) keys.push_back(entry.first);
    return keys;
  }
  std::vector<std::string> Logged(const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : hosttest::CallLog())
      if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    return out;
  }
  hosttest::TempDir home_;
  std::vector<std::string> notes_;
  PDDoc doc_ = nullptr;
};

TEST_F(CollectionTest, RecordsEachImageOnceWithItsLargestWholePlacement) {
  const struct {
    const std::string& pdf;
    size_t images;
    ASUns32 key;
    bool collected;
    double width, height;
    std::vector<ASInt32> pages;
  } rows[] = {
      {Images(), 6, 3, true, 216, 216, {0, 1}},  // page 2, whose images all came earlier, draws it larger
      {Images(), 6, 8, true, 0, 0, {}},
      {Images(), 6, 6, true, 100, 100, {2}},  // the form's own 50 x 50, doubled by its placement
      {kTwice, 2, 5, true, 200, 50, {0, 0}},  // the inline image adds nothing
      {kTwice, 2, 6, true, 100, 100, {0, 0}},
      {kCs, 5, 9, true, 10, 10, {0}},  // no /Type: an image all the same
      {kLoop, 1, 6, true, 7, 7, {0}},
  };
  for (const auto& row : rows) {
    ImageMap map = Collect(row.pdf);
    EXPECT_EQ(map.size(), row.images) << row.key;
    auto it = map.find(row.key);
    ASSERT_EQ(it != map.end(), row.collected) << row.key;
    if (!row.collected) continue;
    EXPECT_DOUBLE_EQ(it->second.placedWidth, row.width) << row.key;
    EXPECT_DOUBLE_EQ(it->second.placedHeight, row.height) << row.key;
    EXPECT_EQ(it->second.pages, row.pages) << row.key;
  }
  // "Remove" lists every image of the active document, those inside forms too.
  host::ShowInView(host::OpenDocumentBytes(Images(), "remove"));
  ImageMap every;
  RemoveAlternatesInDocument(every);
  EXPECT_EQ(Keys(every), (std::vector<ASUns32>{3, 4, 5, 6, 7, 8}));
}

TEST_F(CollectionTest, AHostFailureIsShownAndEndsTheProgressAndTheCallback) {
  doc_ = host::OpenDocumentBytes(Images(), "collection");
  int callbacks = hosttest::LiveCallbacks();
  hosttest::RaiseOnNextCall(host::TableId::PDModel, PDModelSel::DocAcquirePage, pdErrBadPageIndex);
  ImageMap map;
  HostRegionResult r = HostRegion([&] { CollectPlacements(doc_, map); });
  EXPECT_EQ(r.code, pdErrBadPageIndex);
  const std::string note = std::string("NOTE page 1 cannot be read: ") + host::ErrorText(pdErrBadPageIndex);
  const auto& log = hosttest::CallLog();
  EXPECT_NE(std::find(std::find(log.begin(), log.end(), note), log.end(), "PROGRESS end"), log.end());
  EXPECT_EQ(hosttest::LiveCallbacks(), callbacks);
}

TEST_F(CollectionTest, SelectionFollowsTheCriteria) {
  const struct {
    const std::string& pdf;
    std::function<void(ImageOptions&)> change;
    std::vector<ASUns32> selected;
  } rows[] = {
      {kDpi, [](ImageOptions& o) { o.ScaleCriteria = 1, o.LimitDPU = 12, o.LimitUnits = 1; }, {5}},
      {kSize, [](ImageOptions& o) { o.ScaleCriteria = 2, o.LimitKBytes = 512; }, {5}},
      {kSize, [](ImageOptions& o) { o.ScaleCriteria = 2, o.LimitKBytes = 512, o.JpegQuality = 0, o.MCT = 6, o.CTCT = 7; },
       {5}},
      {Images(), [](ImageOptions& o) { o.ScaleCriteria = 1, o.LimitDPU = 1e6; }, {8}},  // never drawn: infinite
      {Images(), [](ImageOptions& o) { o.ScaleCriteria = 0; }, {3, 4, 5, 6, 7, 8}},
  };
  for (const auto& row : rows) {
    ImageMap collected = Collect(row.pdf), selected;
    SelectImages(collected, selected, Options(row.change));
    EXPECT_EQ(Keys(selected), row.selected);
  }
}

TEST_F(CollectionTest, UnsupportedColourSpacesAreNotedAndWeighNothing) {
  ImageMap collected = Collect(kCs), selected;
  SelectImages(collected, selected, Options([](ImageOptions& o) { o.ScaleCriteria = 2, o.LimitKBytes = 0.001; }));
  EXPECT_EQ(notes_, (std::vector<std::string>{"DeviceN ColorSpaces are not yet supported.",
                                               "Pattern ColorSpaces are illegal in this context.",
                                               "Foo is an unknown ColorSpace."}));
  // The stencil mask weighs one bit a pixel; the image without /Type, 8 bits of RGB.
  EXPECT_EQ(Keys(selected), (std::vector<ASUns32>{8, 9}));
  ImageOptions all = Options([](ImageOptions& o) { o.ScaleCriteria = 0, o.ScaleMethod = 2; });
  EXPECT_EQ(EstimateWork(collected.at(8), all), 20u);
}

TEST_F(CollectionTest, WorkCountsEveryByteInSixtyFourBits) {
  ImageMap map = Collect(Images());
  ImageRecord& im1 = map.at(3);
  const struct {
    std::function<void(ImageOptions&)> change;
    uint64_t work;
  } rows[] = {
      {[](ImageOptions& o) { o.ScaleMethod = 2; }, 1080000},
      {[](ImageOptions& o) { o.ScaleMethod = 1, o.Factor = 0.5; }, 2700000},
      {[](ImageOptions& o) { o.ScaleMethod = 0, o.DPU = 72, o.ScaleUnits = 0; }, 2439936},
  };
  for (const auto& row : rows) EXPECT_EQ(EstimateWork(im1, Options(row.change)), row.work);
  ImageOptions dpmm = Options([](ImageOptions& o) { o.ScaleMethod = 0, o.DPU = 10, o.ScaleUnits = 1; });
  EXPECT_EQ(NewDimension(im1, dpmm, ASAtomFromString("Width")), 762);

  ImageOptions half = Options([](ImageOptions& o) { o.ScaleMethod = 1, o.Factor = 0.5; });
  ImageMap huge;
  PDDoc big = host::OpenDocumentBytes(Pdf({{"", ""}}, {Image(20000, 20000)}), "big");
  huge[1].image = CosDocGetObjByID(PDDocGetCosDoc(big), 5);
  EXPECT_EQ(CountWork(huge, half), 3000000000u);
  EXPECT_EQ(CountWork(map, Options([](ImageOptions& o) { o.ScaleMethod = 2; })), 1080000u + 4 + 8 + 30000 + 256 + 100);

  ImageOptions colours = Options([](ImageOptions& o) { o.ConvertColors = true; });
  EXPECT_THROW(EstimateWork(im1, colours), std::exception);  // the colour layer refuses
}

TEST_F(CollectionTest, ProgressIsHarmlessWithoutAMonitorAndSaturates) {
  Progress* progress = Progress::Get();
  progress->End();
  EXPECT_EQ(progress->GetValue(), 0);
  progress->SetValue(5);
  EXPECT_EQ(progress->GetValue(), 0);
  progress->Begin();
  progress->SetDuration(int64_t(1) << 40);
  progress->SetValue(7);
  EXPECT_EQ(progress->GetValue(), 7);
  progress->End();
  progress->End();
  EXPECT_EQ(Logged("PROGRESS"), (std::vector<std::string>{"PROGRESS begin", "PROGRESS duration 2147483647",
                                                          "PROGRESS value 7", "PROGRESS end"}));
}

}  // namespace
