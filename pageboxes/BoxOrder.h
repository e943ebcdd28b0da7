// The size order of page boxes: a box comes before another when it is
// narrower and lower both. That is no strict weak ordering (100 x 200 and
// 150 x 150 are unordered, so are 150 x 150 and 120 x 300, yet 100 x 200
// comes before 120 x 300), so no std::set may use it: SizeOrderedBoxes
// keeps only boxes that are ordered with every box it holds.
#pragma once
#include <vector>

class PDFBox;

bool BoxSizeLess(const PDFBox* a, const PDFBox* b);

class SizeOrderedBoxes {
 public:
  // Drops a box that is unordered with any box already kept (an equal
  // size included); answers whether it was kept.
  bool Insert(PDFBox* box);
  bool Empty() const { return boxes_.empty(); }
  // Smallest first.
  const std::vector<PDFBox*>& Boxes() const { return boxes_; }

 private:
  std::vector<PDFBox*> boxes_;
};
