// A page's finished area and the rectangle an annotation shows on it, in
// 16.16 fixed point, left, top, right, bottom.
#pragma once
#include "host/astypes.h"

// The first of BleedBox, TrimBox, ArtBox, CropBox and MediaBox that the page
// or one of its ancestors holds as an array, each number taken whole. Writes
// the page's rotation; a zoom of 0.0 becomes the page's PZ (1.0 without).
// False, with an empty rectangle, when the page has none of them.
bool GetPageBox(PDDoc doc, ASInt32 pageIndex, ASFixedRect& rect, PDRotate& rotation, double& zoom);

// The annotation's rectangle as shown on a page of that rotation and zoom:
// one that does not rotate or zoom with the page (Text annotations, flags
// 0x10 and 0x08) is turned against the rotation and scaled by the inverse
// of the zoom about its left-top corner.
void GetAnnotationRect(PDAnnot annot, PDRotate rotation, double zoom, ASFixedRect& rect);
