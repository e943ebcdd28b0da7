#include "common/CosRect.h"

#include <utility>

#include "common/MyCosObj.h"

CosRect::CosRect(const MyCosObj& array) {
  if (array.Length() != 4) return;
  left = static_cast<double>(array.GetAt(0));
  bottom = static_cast<double>(array.GetAt(1));
  right = static_cast<double>(array.GetAt(2));
  top = static_cast<double>(array.GetAt(3));
  Normalize();
}

void CosRect::Normalize() {
  if (left > right) std::swap(left, right);
  if (bottom > top) std::swap(bottom, top);
  valid = left < right && bottom < top;
}

bool CosRect::Contains(const CosRect& inner) {
  Normalize();
  if (!valid || !inner.valid) return false;
  return inner.left >= left && inner.right <= right && inner.bottom >= bottom && inner.top <= top;
}
