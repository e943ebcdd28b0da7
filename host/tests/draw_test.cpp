// Page views drawn into their display lists: what is drawn and when, and
// the image PDModel 345 chooses (the host's own and a replacement's).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/host.h"
#include "host/piglue.h"
#include "testing/pdfmaker.h"

namespace {

const char kImages[] = SAMPLES_DIR "/images.pdf";

std::vector<std::string> DrawLog() {
  std::vector<std::string> out;
  for (const std::string& line : hosttest::CallLog())
    if (line.compare(0, 4, "draw") == 0 || line.compare(0, 10, "invalidate") == 0) out.push_back(line);
  return out;
}

// Stands over PDModel 345: Im2 (4 0 R) is drawn as Im1, Im3 (5 0 R) as nothing.
ASCallback gReplacement = nullptr;
CosObj Replace(CosObj image, ASBool printing, void* data, ASBool* chosen, void* more) {
  auto passOn = reinterpret_cast<PDImageSelectAlternate_Proc>(
      ASHFTGetReplacedEntry(gPDModelHFT, PDModelSel::ImageSelectAlternate, gReplacement));
  const ASInt32 id = CosObjGetID(image);
  if (id == 4) image = CosDocGetObjByID(CosObjGetDoc(image), 3);
  if (id == 5) image = CosNewNull();
  return passOn(image, printing, data, chosen, more);
}

TEST(PageViews, DrawWhenInvalidThroughTheEntryAsItStands) {
  hosttest::BindTables();
  AVDoc doc = host::OpenInView(kImages);
  AVPageView view = AVDocGetPageView(doc);
  const AVDevRect rect{1, 2, 3, 4};
  hosttest::ClearCallLog();
  AVPageViewDrawNow(view);  // opened: invalid
  AVPageViewDrawNow(view);
  AVPageViewInvalidateRect(view, &rect);
  AVPageViewDrawNow(view);
  EXPECT_EQ(DrawLog(), (std::vector<std::string>{"draw page 1", "invalidate 1 2 3 4", "draw page 1"}));

  // A form's image is drawn in its place; a drawing asked for is made
  // whatever the state.
  host::GoToPage(doc, 2);
  EXPECT_EQ(host::DrawView(doc), (std::vector<std::string>{"DRAW page 3", "  image 6 0 R"}));

  // The host's own entry: the image itself, the null object for anything
  // else, and the out value never written.
  CosDoc cos = PDDocGetCosDoc(AVDocGetPDDoc(doc));
  ASBool chosen = 7;
  CosObj im1 = CosDocGetObjByID(cos, 3);
  EXPECT_TRUE(CosObjEqual(PDImageSelectAlternate(im1, 0, nullptr, &chosen, nullptr), im1));
  EXPECT_EQ(CosObjGetType(PDImageSelectAlternate(CosDocGetRoot(cos), 0, nullptr, &chosen, nullptr)), CosNull);
  EXPECT_EQ(chosen, 7);

  gReplacement = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&Replace));
  ASCallback other = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&Replace));
  EXPECT_THROW(ASHFTGetReplacedEntry(gPDModelHFT, PDModelSel::ImageSelectAlternate, other), ASHostRaise);
  HFTEntry own = gPDModelHFT->entries[PDModelSel::ImageSelectAlternate];
  ASHFTReplaceEntry(gPDModelHFT, PDModelSel::ImageSelectAlternate, gReplacement, gExtensionID, 1);
  host::GoToPage(doc, 0);
  EXPECT_EQ(host::DrawView(doc), (std::vector<std::string>{"DRAW page 1", "  image 3 0 R", "  image 4 0 R as 3 0 R",
                                                           "  image 5 0 R as nothing", "  image 7 0 R"}));
  host::ReplaceEntry(gPDModelHFT, PDModelSel::ImageSelectAlternate, own);
  ASCallbackDestroy(other);
  host::CloseAllDocuments();
}

}  // namespace
