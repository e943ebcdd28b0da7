// Page boxes of the PD layer: the media box a page inherits, and a crop box
// of the page's own.
#include <cstdio>
#include <set>
#include <string>
#include <utility>

#include "cos/docs.h"
#include "cos/security.h"
#include "host/selectors.h"
#include "pd/pages.h"
#include "support/fixed.h"

namespace host {
namespace {

// Four numbers with an area, normalised; false for anything else.
bool BoxOf(QPDFObjectHandle array, ASFixedRect* box) {
  if (!array.isArray() || array.getArrayNItems() != 4) return false;
  double v[4];
  for (int i = 0; i < 4; ++i) {
    QPDFObjectHandle e = array.getArrayItem(i);
    if (!e.isNumber()) return false;
    v[i] = e.getNumericValue();
  }
  ASFixed left = FixedFromDouble(v[0]), bottom = FixedFromDouble(v[1]);
  ASFixed right = FixedFromDouble(v[2]), top = FixedFromDouble(v[3]);
  if (right < left) std::swap(left, right);
  if (top < bottom) std::swap(top, bottom);
  *box = ASFixedRect{left, top, right, bottom};
  return left != right && top != bottom;
}

// As the Cos table writes a fixed number: the fewest decimals that read back.
QPDFObjectHandle Number(ASFixed f) { return QPDFObjectHandle::newReal(ShortestFixedText(f)); }

}  // namespace

void PDPageGetMediaBoxImpl(PDPage page, ASFixedRect* box) {
  Enter(TableId::PDModel, PDModelSel::PageGetMediaBox);
  if (!box) Raise(genErrBadParm);
  QPDFObjectHandle p = PageDict(page);
  Q([&] {
    // Up the tree through "Parent", each node once: a loop ends the walk.
    std::set<QPDFObjGen> seen;
    for (QPDFObjectHandle node = p; node.isDictionary(); node = node.getKey("/Parent")) {
      if (node.isIndirect() && !seen.insert(node.getObjGen()).second) break;
      if (BoxOf(node.getKey("/MediaBox"), box)) return 0;
    }
    // A page without one: US Letter, as readers take it.
    *box = ASFixedRect{0, FixedFromDouble(792), FixedFromDouble(612), 0};
    return 0;
  });
}

void PDPageSetCropBoxImpl(PDPage page, ASFixedRect box) {
  Enter(TableId::PDModel, PDModelSel::PageSetCropBox);
  Doc* doc = nullptr;
  QPDFObjectHandle p = PageDict(page, &doc);
  RequireChangesAllowed(*doc);
  if (box.right < box.left) std::swap(box.left, box.right);
  if (box.top < box.bottom) std::swap(box.top, box.bottom);
  Q([&] {
    QPDFObjectHandle array = QPDFObjectHandle::newArray();
    for (ASFixed f : {box.left, box.bottom, box.right, box.top}) array.appendItem(Number(f));
    p.replaceKey("/CropBox", array);
    doc->Changed(p, "/CropBox");
    return 0;
  });
}

}  // namespace host
