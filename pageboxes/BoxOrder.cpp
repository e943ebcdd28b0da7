#include "pageboxes/BoxOrder.h"

#include <algorithm>
#include <cstdint>

#include "pageboxes/PageBox.h"

bool BoxSizeLess(const PDFBox* a, const PDFBox* b) {
  const ASFixedRect& r = a->Rect();
  const ASFixedRect& s = b->Rect();
  // Sixty-four bits: a width of two extreme coordinates does not fit in 32.
  return int64_t{r.right} - r.left < int64_t{s.right} - s.left && int64_t{r.top} - r.bottom < int64_t{s.top} - s.bottom;
}

bool SizeOrderedBoxes::Insert(PDFBox* box) {
  for (const PDFBox* kept : boxes_)
    if (!BoxSizeLess(box, kept) && !BoxSizeLess(kept, box)) return false;
  // The kept boxes are pairwise ordered: a chain, so the first larger one is the place.
  auto at = std::find_if(boxes_.begin(), boxes_.end(), [&](const PDFBox* kept) { return BoxSizeLess(box, kept); });
  boxes_.insert(at, box);
  return true;
}
