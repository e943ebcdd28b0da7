#include "common/HostCall.h"
#include "engine/PageArea.h"

#include <cmath>
#include <set>

#include "common/AcrobatException.h"
#include "common/MyCosObj.h"
#include "host/calls.h"
#include "host/frame.h"

namespace {

const int kMaxTreeDepth = 256;


// A whole number in 16.16; past what 16.16 holds it saturates rather than wraps.
ASFixed WholeToFixed(long value) {
  if (value > 32767) return ASFixedMax;
  if (value < -32768) return ASFixedMin;
  return static_cast<ASFixed>(value * 65536L);
}

// The array under `key` in the page or the nearest ancestor that has one;
// null when none has. A loop in the Parent chain ends the search.
MyCosObj InheritedArray(const MyCosObj& page, const char* key) {
  std::set<ASInt32> seen;
  MyCosObj node = page;
  for (int depth = 0; depth < kMaxTreeDepth && node.CachedType() == CosDict; ++depth) {
    if (node.IsIndirect() && !seen.insert(node.GetID()).second) break;
    MyCosObj value = node.Get(key);
    if (value.CachedType() == CosArray) return value;
    node = node.Get("Parent");
  }
  return MyCosObj();
}

ASFixed DoubleToFixed(double value) {
  const double scaled = std::nearbyint(value * 65536.0);
  if (!(scaled < 2147483647.0)) return ASFixedMax;  // NaN too
  if (scaled < -2147483648.0) return ASFixedMin;
  return static_cast<ASFixed>(scaled);
}

ASFixedMatrix Translation(ASFixed h, ASFixed v) { return ASFixedMatrix{fixedOne, 0, 0, fixedOne, h, v}; }

// `matrix` followed by `next`.
ASFixedMatrix Then(const ASFixedMatrix& matrix, const ASFixedMatrix& next) {
  ASFixedMatrix result;
  HostCall("GetAnnotationRect", [&] { ASFixedMatrixConcat(&result, &matrix, &next); });
  return result;
}

ASFixed Negated(ASFixed value) { return value == ASFixedMin ? ASFixedMax : -value; }

}  // namespace

bool GetPageBox(PDDoc doc, ASInt32 pageIndex, ASFixedRect& rect, PDRotate& rotation, double& zoom) {
  static const char* const kBoxes[] = {"BleedBox", "TrimBox", "ArtBox", "CropBox", "MediaBox"};
  PDPage page = nullptr;
  CosObj pageObject;
  HostCall("GetPageBox", [&] {
    page = PDDocAcquirePage(doc, pageIndex);
    pageObject = PDPageGetCosObj(page);
    rotation = PDPageGetRotate(page);
  });

  MyCosObj box;
  try {
    MyCosObj dict(pageObject);
    if (!dict.IsNull() && zoom == 0.0) {
      MyCosObj pz = dict.Get("PZ");
      const bool number = pz.CachedType() == CosInteger || pz.CachedType() == CosFixed;
      zoom = number ? static_cast<double>(pz) : 1.0;
    }
    for (const char* name : kBoxes) {
      box = InheritedArray(dict, name);
      if (!box.IsNull()) break;
    }
    if (!box.IsNull()) {
      rect.left = WholeToFixed(static_cast<long>(box.Get(0)));
      rect.top = WholeToFixed(static_cast<long>(box.Get(3)));
      rect.right = WholeToFixed(static_cast<long>(box.Get(2)));
      rect.bottom = WholeToFixed(static_cast<long>(box.Get(1)));
    } else {
      rect = ASFixedRect{0, 0, 0, 0};
    }
  } catch (...) {
    HostRegion([&] { PDPageRelease(page); });
    throw;
  }
  HostCall("GetPageBox", [&] { PDPageRelease(page); });
  return !box.IsNull();
}

void GetAnnotationRect(PDAnnot annot, PDRotate rotation, double zoom, ASFixedRect& rect) {
  ASInt32 flags = 0;
  bool text = false;
  HostCall("GetAnnotationRect", [&] {
    flags = PDAnnotGetFlags(annot);
    text = PDAnnotGetSubtype(annot) == ASAtomFromString("Text");
    PDAnnotGetRect(annot, &rect);
  });
  const bool fixedRotation = text || (flags & 0x10) != 0;
  const bool fixedSize = text || (flags & 0x08) != 0;

  // Everything turns and scales about the rectangle's left-top corner.
  ASFixedMatrix matrix = Translation(Negated(rect.left), Negated(rect.top));
  bool changed = false;
  if (fixedRotation && rotation != 0) {
    ASFixedMatrix turn{fixedOne, 0, 0, fixedOne, 0, 0};
    if (rotation == 90) turn = ASFixedMatrix{0, fixedOne, -fixedOne, 0, 0, 0};
    if (rotation == 180) turn = ASFixedMatrix{-fixedOne, 0, 0, -fixedOne, 0, 0};
    if (rotation == 270) turn = ASFixedMatrix{0, -fixedOne, fixedOne, 0, 0, 0};
    matrix = Then(matrix, turn);
    changed = true;
  }
  if (fixedSize && zoom != 0.0 && zoom != 1.0) {
    // Shown at the same size whatever the zoom: scaled by its inverse.
    const ASFixed factor = DoubleToFixed(1.0 / zoom);
    matrix = Then(matrix, ASFixedMatrix{factor, 0, 0, factor, 0, 0});
    changed = true;
  }
  if (!changed) return;
  matrix = Then(matrix, Translation(rect.left, rect.top));
  const ASFixedRect original = rect;
  HostCall("GetAnnotationRect", [&] { ASFixedMatrixTransformRect(&rect, &matrix, &original); });
}
