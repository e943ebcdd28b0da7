// Changes through the PD layer: the information dictionary, document flags,
// annotations and actions, a page's resources, and the notices that a
// page's contents or resources changed.
#include <cstring>

#include "core/host.h"
#include "cos/docs.h"
#include "cos/security.h"
#include "host/selectors.h"
#include "pd/pages.h"
#include "support/fixed.h"

namespace host {
namespace {


QPDFObjectHandle Dictionary(CosObj obj, Doc** doc = nullptr) {
  QPDFObjectHandle h = Resolve(obj, doc);
  if (!Q([&] { return h.isDictionary(); })) Raise(cosErrTypeMismatch);
  return h;
}

}  // namespace

ASInt32 PDDocGetInfoImpl(PDDoc d, const char* key, char* buffer, ASInt32 size) {
  Enter(TableId::PDModel, PDModelSel::DocGetInfo);
  Doc& doc = DocOf(d);
  if (!key) Raise(genErrBadParm);
  std::string value = Q([&] {
    QPDFObjectHandle info = doc.qpdf->getTrailer().getKey("/Info");
    if (!info.isDictionary()) return std::string();
    QPDFObjectHandle v = info.getKey(std::string("/") + key);
    return v.isString() ? v.getStringValue() : std::string();
  });
  // Answers the whole length; copies what fits.
  if (buffer && size > 0) std::memcpy(buffer, value.data(), std::min<size_t>(value.size(), static_cast<size_t>(size)));
  return static_cast<ASInt32>(value.size());
}

void PDDocSetInfoImpl(PDDoc d, const char* key, const char* value, ASInt32 length) {
  Enter(TableId::PDModel, PDModelSel::DocSetInfo);
  Doc& doc = DocOf(d);
  if (!key || length < 0 || (!value && length > 0)) Raise(genErrBadParm);
  RequireChangesAllowed(doc);
  std::string text(value ? value : "", static_cast<size_t>(length));
  Q([&] {
    QPDFObjectHandle trailer = doc.qpdf->getTrailer();
    QPDFObjectHandle info = trailer.getKey("/Info");
    // An empty text removes the entry.
    if (length == 0) {
      if (info.isDictionary() && info.hasKey(std::string("/") + key)) {
        info.removeKey(std::string("/") + key);
        doc.Changed(info, std::string("/") + key);
      }
      return 0;
    }
    if (!info.isDictionary()) {
      // A document without an information dictionary gets one.
      info = doc.qpdf->makeIndirectObject(QPDFObjectHandle::newDictionary());
      trailer.replaceKey("/Info", info);
    }
    info.replaceKey(std::string("/") + key, QPDFObjectHandle::newString(text));
    doc.Changed(info, std::string("/") + key);
    return 0;
  });
}

void PDDocClearFlagsImpl(PDDoc d, ASInt32 flags) {
  Enter(TableId::PDModel, PDModelSel::DocClearFlags);
  DocOf(d).flags &= ~flags;
}

void PDPageNotifyContentsDidChangeImpl(PDPage page) {
  Enter(TableId::PDModel, PDModelSel::PageNotifyContentsDidChange);
  Doc* doc = nullptr;
  PageDict(page, &doc);
  hosttest::LogCall("page contents changed " + std::to_string(PageIndex(page)));
  SendPageDidChange(page);
}

CosObj PDPageGetResourcesImpl(PDPage page) {
  Enter(TableId::PDModel, PDModelSel::PageGetResources);
  Doc* doc = nullptr;
  QPDFObjectHandle p = PageDict(page, &doc);
  return Q([&] {
    QPDFObjectHandle resources = InheritedResources(p);
    return resources.isDictionary() ? doc->Wrap(resources) : CosObj{0, 0};
  });
}

void PDPageResourcesChangedImpl(PDPage page, ASInt32) {
  Enter(TableId::PDModel, PDModelSel::PageResourcesChanged);
  Doc* doc = nullptr;
  PageDict(page, &doc);
  hosttest::LogCall("page resources changed " + std::to_string(PageIndex(page)));
  SendPageDidChange(page);
}

void PDPageRemoveAnnotImpl(PDPage page, ASInt32 index) {
  Enter(TableId::PDModel, PDModelSel::PageRemoveAnnot);
  Doc* doc = nullptr;
  QPDFObjectHandle p = PageDict(page, &doc);
  RequireChangesAllowed(*doc);
  Q([&] {
    QPDFObjectHandle annots = p.getKey("/Annots");
    if (!annots.isArray() || index < 0 || index >= annots.getArrayNItems()) Raise(genErrBadParm);
    annots.eraseItem(index);
    doc->Changed(annots);
    return 0;
  });
}

ASInt32 PDPageGetAnnotIndexImpl(PDPage page, PDAnnot annot) {
  Enter(TableId::PDModel, PDModelSel::PageGetAnnotIndex);
  Doc* doc = nullptr;
  QPDFObjectHandle p = PageDict(page, &doc);
  QPDFObjectHandle target = Resolve(CosObj{annot.a, annot.b});
  return Q([&]() -> ASInt32 {
    QPDFObjectHandle annots = p.getKey("/Annots");
    if (!annots.isArray()) return -1;
    for (int i = 0; i < annots.getArrayNItems(); ++i) {
      QPDFObjectHandle a = annots.getArrayItem(i);
      if (a.isSameObjectAs(target) || (a.isIndirect() && target.isIndirect() && a.getObjGen() == target.getObjGen()))
        return i;
    }
    return -1;
  });
}

PDAnnot PDAnnotFromCosObjImpl(CosObj obj) {
  Enter(TableId::PDModel, PDModelSel::AnnotFromCosObj);
  Dictionary(obj);
  return PDAnnot{obj.a, obj.b};
}

void PDAnnotSetRectImpl(PDAnnot annot, const ASFixedRect* rect) {
  Enter(TableId::PDModel, PDModelSel::AnnotSetRect);
  if (!rect) Raise(genErrBadParm);
  Doc* doc = nullptr;
  QPDFObjectHandle a = Dictionary(CosObj{annot.a, annot.b}, &doc);
  if (doc) RequireChangesAllowed(*doc);
  Q([&] {
    // Stored as PDF writes rectangles: left, bottom, right, top.
    std::vector<QPDFObjectHandle> v;
    for (ASFixed f : {rect->left, rect->bottom, rect->right, rect->top})
      v.push_back(QPDFObjectHandle::newReal(FixedToDouble(f), 6, true));
    a.replaceKey("/Rect", QPDFObjectHandle::newArray(v));
    doc->Changed(a, "/Rect");
    return 0;
  });
}

PDAction PDActionFromCosObjImpl(CosObj obj) {
  Enter(TableId::PDModel, PDModelSel::ActionFromCosObj);
  QPDFObjectHandle h = Resolve(obj);
  // Only a dictionary with a name /S is an action.
  if (!Q([&] { return h.isDictionary() && h.getKey("/S").isName(); })) Raise(cosErrTypeMismatch);
  return PDAction{obj.a, obj.b};
}

void PDActionDestroyImpl(PDAction action) {
  Enter(TableId::PDModel, PDModelSel::ActionDestroy);
  Doc* doc = nullptr;
  QPDFObjectHandle h = Resolve(CosObj{action.a, action.b}, &doc);
  if (!doc) return;
  RequireChangesAllowed(*doc);
  Q([&] {
    // An indirect action becomes null; a direct one is emptied, since its
    // holder still holds it.
    doc->Changed(h);
    if (h.isIndirect()) {
      doc->qpdf->replaceObject(h.getObjGen(), QPDFObjectHandle::newNull());
    } else if (h.isDictionary()) {
      for (auto& key : h.getKeys()) h.removeKey(key);
    }
    return 0;
  });
}

}  // namespace host
