// Page rotation, the file identifier and annotations of the PD layer.
#include <cstring>

#include "cos/docs.h"
#include "host/selectors.h"
#include "pd/pages.h"
#include "support/fixed.h"

namespace host {
namespace {


QPDFObjectHandle AnnotDict(PDAnnot annot) {
  QPDFObjectHandle h = Resolve(CosObj{annot.a, annot.b});
  if (!Q([&] { return h.isDictionary(); })) Raise(cosErrTypeMismatch);
  return h;
}

}  // namespace

ASInt32 PDDocGetIDImpl(PDDoc d, ASInt32 index, ASUns8* buffer, ASInt32 size) {
  Enter(TableId::PDModel, PDModelSel::DocGetID);
  Doc& doc = DocOf(d);
  std::string id = Q([&] {
    QPDFObjectHandle ids = doc.qpdf->getTrailer().getKey("/ID");
    if (!ids.isArray() || index < 0 || index >= ids.getArrayNItems()) return std::string();
    QPDFObjectHandle e = ids.getArrayItem(index);
    return e.isString() ? e.getStringValue() : std::string();
  });
  // Answers the bytes copied; with no buffer, the bytes there are.
  if (!buffer || size <= 0) return static_cast<ASInt32>(id.size());
  size_t n = std::min<size_t>(id.size(), static_cast<size_t>(size));
  std::memcpy(buffer, id.data(), n);
  return static_cast<ASInt32>(n);
}

PDRotate PDPageGetRotateImpl(PDPage page) {
  Enter(TableId::PDModel, PDModelSel::PageGetRotate);
  QPDFObjectHandle p = PageDict(page);
  return Q([&]() -> PDRotate {
    // Rotate is inheritable; the host answers 0, 90, 180 or 270.
    QPDFObjectHandle node = p;
    for (int i = 0; i < 64 && node.isDictionary(); ++i, node = node.getKey("/Parent")) {
      QPDFObjectHandle r = node.getKey("/Rotate");
      if (r.isInteger()) {
        long long deg = ((r.getIntValue() % 360) + 360) % 360;
        return static_cast<PDRotate>(deg - deg % 90);
      }
    }
    return 0;
  });
}

ASInt32 PDPageGetNumAnnotsImpl(PDPage page) {
  Enter(TableId::PDModel, PDModelSel::PageGetNumAnnots);
  QPDFObjectHandle p = PageDict(page);
  return Q([&]() -> ASInt32 {
    QPDFObjectHandle a = p.getKey("/Annots");
    return a.isArray() ? a.getArrayNItems() : 0;
  });
}

PDAnnot PDPageGetAnnotImpl(PDPage page, ASInt32 index) {
  Enter(TableId::PDModel, PDModelSel::PageGetAnnot);
  Doc* doc = nullptr;
  QPDFObjectHandle p = PageDict(page, &doc);
  CosObj obj = Q([&] {
    QPDFObjectHandle a = p.getKey("/Annots");
    if (!a.isArray() || index < 0 || index >= a.getArrayNItems()) Raise(genErrBadParm);
    return doc->Wrap(a.getArrayItem(index));
  });
  return PDAnnot{obj.a, obj.b};
}

ASInt32 PDAnnotGetFlagsImpl(PDAnnot annot) {
  Enter(TableId::PDModel, PDModelSel::AnnotGetFlags);
  QPDFObjectHandle a = AnnotDict(annot);
  return Q([&]() -> ASInt32 {
    QPDFObjectHandle f = a.getKey("/F");
    return f.isInteger() ? static_cast<ASInt32>(f.getIntValue()) : 0;
  });
}

ASAtom PDAnnotGetSubtypeImpl(PDAnnot annot) {
  Enter(TableId::PDModel, PDModelSel::AnnotGetSubtype);
  QPDFObjectHandle a = AnnotDict(annot);
  std::string name = Q([&] {
    QPDFObjectHandle s = a.getKey("/Subtype");
    return s.isName() ? s.getName().substr(1) : std::string();
  });
  return AtomFromString(name.c_str());
}

void PDAnnotGetRectImpl(PDAnnot annot, ASFixedRect* rect) {
  Enter(TableId::PDModel, PDModelSel::AnnotGetRect);
  if (!rect) Raise(genErrBadParm);
  QPDFObjectHandle a = AnnotDict(annot);
  *rect = Q([&] {
    QPDFObjectHandle r = a.getKey("/Rect");
    double v[4] = {0, 0, 0, 0};
    if (r.isArray() && r.getArrayNItems() == 4)
      for (int i = 0; i < 4; ++i)
        if (r.getArrayItem(i).isNumber()) v[i] = r.getArrayItem(i).getNumericValue();
    // Left, top, right, bottom, ordered.
    double l = std::min(v[0], v[2]), rr = std::max(v[0], v[2]);
    double b = std::min(v[1], v[3]), t = std::max(v[1], v[3]);
    return ASFixedRect{FixedFromDouble(l), FixedFromDouble(t), FixedFromDouble(rr), FixedFromDouble(b)};
  });
}

CosObj PDAnnotGetCosObjImpl(PDAnnot annot) {
  Enter(TableId::PDModel, PDModelSel::AnnotGetCosObj);
  return CosObj{annot.a, annot.b};
}

}  // namespace host
