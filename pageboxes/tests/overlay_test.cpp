// The view overlay of page 1's bleed box of boxes.pdf at zoom 1, drawn and
// invalidated through the host, and the hit test of handles it draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/Prefs.h"
#include "core/host.h"
#include "host/calls.h"
#include "pageboxes/BoxViewOverlay.h"

namespace {

const ASFixed kOne = 0x10000;

std::vector<std::string> Invalidations() {
  std::vector<std::string> out;
  for (const std::string& line : hosttest::CallLog())
    if (line.compare(0, 11, "invalidate ") == 0) out.push_back(line);
  return out;
}

TEST(BoxViewOverlayTest, DrawsItsBoxAndRedrawsTheStripsItLeavesAndTakes) {
  hosttest::BindTables();
  Prefs::Set("Color|BleedBox", "0 0 1");
  AVDoc doc = host::OpenInView(SAMPLES "/boxes.pdf");
  AVPageView view = AVDocGetPageView(doc);
  PDPage page = PDDocAcquirePage(AVDocGetPDDoc(doc), 0);
  PageBox bleed(false, "BleedBox", "Bleed");
  bleed.Reset();
  bleed.LoadFromPage(view, page, true);
  {
    BoxViewOverlay overlay;
    overlay.Attach(&bleed, view);
    const std::vector<std::string> drawn = {"DRAW page 1",
                                            "  color 0 0 1",
                                            "  rect -2 27 614 765 width 1 dash 3 3",
                                            "  rect 27 -2 585 794 width 1 dash 3 3",
                                            "  rect 306 -2 306 794 width 1 dash 2 10",
                                            "  rect -2 396 614 396 width 1 dash 2 10",
                                            "  frame 27 27 585 765"};
    EXPECT_EQ(host::DrawView(doc), drawn);

    // Moved 10 right and 10 up: the old strips, then the new ones.
    hosttest::ClearCallLog();
    ASFixedRect moved = bleed.Rect();
    moved.left += 10 * kOne, moved.right += 10 * kOne, moved.top += 10 * kOne, moved.bottom += 10 * kOne;
    bleed.SetRect(moved);
    const std::vector<std::string> strips = {
        "invalidate 0 27 612 33",   "invalidate 0 759 612 765", "invalidate 27 0 33 792",
        "invalidate 579 0 585 792", "invalidate 306 0 307 792", "invalidate 0 396 612 397",
        "invalidate 0 17 612 23",   "invalidate 0 749 612 755", "invalidate 37 0 43 792",
        "invalidate 589 0 595 792", "invalidate 316 0 317 792", "invalidate 0 386 612 387"};
    EXPECT_EQ(Invalidations(), strips);

    // While dragged, and switched off, it draws nothing.
    bleed.SetDragging(true);
    EXPECT_EQ(host::DrawView(doc).size(), 1u);
    bleed.SetDragging(false);
    bleed.SetEnabled(false);
    EXPECT_EQ(host::DrawView(doc).size(), 1u);

    BoxViewOverlay lost;
    EXPECT_THROW(lost.Attach(&bleed, nullptr), int);
  }
  // Gone, the overlay is no longer called on the view's redraws.
  bleed.SetEnabled(true);
  EXPECT_EQ(host::DrawView(doc).size(), 1u);
  PDPageRelease(page);
  host::CloseDocument(AVDocGetPDDoc(doc));
}

TEST(BoxViewOverlayTest, HandlesAreHitBeforeTheInsideAndCornersBeforeMiddles) {
  hosttest::BindTables();
  const AVDevRect wide{10, 20, 110, 80}, narrow{0, 0, 4, 40};
  const struct {
    const AVDevRect* rect;
    ASBool midpoints;
    ASInt32 x, y, code;
  } rows[] = {
      {&wide, 1, 8, 18, 1},   {&wide, 1, 112, 22, 2}, {&wide, 1, 110, 80, 3}, {&wide, 1, 10, 82, 4},
      {&wide, 1, 60, 22, 5},  {&wide, 1, 108, 50, 6}, {&wide, 1, 58, 78, 7},  {&wide, 1, 12, 48, 8},
      {&wide, 1, 60, 50, 0},  {&wide, 1, 13, 50, 0},  {&wide, 0, 60, 20, 0},  {&wide, 1, 7, 50, -1},
      {&wide, 1, 60, 83, -1}, {&narrow, 1, 2, 1, 1},  {&narrow, 1, 4, 2, 2},  {&narrow, 1, 2, 20, 6},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.x) + " " + std::to_string(row.y));
    EXPECT_EQ(AVRectHandleHitTest(row.rect, row.midpoints, row.x, row.y), row.code);
  }
}

}  // namespace
