// Converted images kept beside their base images as marked alternates, or
// put in their place under the names that draw them.
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "alternates/AlternatesEditing.h"
#include "alternates/ImageWork.h"
#include "alternates/Progress.h"
#include "common/HostCall.h"
#include "host/frame.h"
#include "host/piglue.h"

namespace {

ASAtom Atom(const char* text) { return ASAtomFromString(text); }

// The XObject dictionaries one ReplaceImages has walked, by handle.
typedef std::set<std::pair<ASUns32, ASUns32>> Walked;

// Walks `xobjects` once; true when it replaced anything.
bool ReplaceIn(CosObj xobjects, const Replacements& replacements, Walked& walked) {
  if (CosObjGetType(xobjects) != CosDict || !walked.insert({xobjects.a, xobjects.b}).second) return false;
  ReplaceContext context{xobjects, &replacements, &walked, false};
  CosObjEnum(xobjects, &ReplaceImageProc, &context);
  return context.replaced;
}

// The images of `doomed` that `obj`'s direct parts refer to otherwise than
// as an alternate's /Image go into `referred`.
void Referred(CosObj obj, const std::set<ASUns32>& doomed, std::set<ASUns32>& referred) {
  struct Scan {
    const std::set<ASUns32>& doomed;
    std::set<ASUns32>& referred;
    // `key`: the dictionary key the value stands under, else null. Its name
    // is asked only of a doomed image, so that a dictionary of many names
    // costs no atoms.
    void Value(CosObj value, CosObj key) {
      if (CosObjIsIndirect(value)) {
        if (CosObjGetType(value) != CosStream) return;
        const ASUns32 number = ObjectKey(value);
        if (doomed.count(number) && !(CosObjGetType(key) == CosName && CosNameValue(key) == ASAtomFromString("Image")))
          referred.insert(number);
        return;
      }
      Parts(value);
    }
    void Parts(CosObj obj) {
      switch (CosObjGetType(obj)) {
        case CosArray:
          for (ASInt32 i = 0; i < CosArrayLength(obj); ++i) Value(CosArrayGet(obj, i), CosObj{0, 0});
          break;
        case CosDict:
        case CosStream:
          CosObjEnum(
              CosObjGetType(obj) == CosStream ? CosStreamDict(obj) : obj,
              [](CosObj key, CosObj value, void* data) -> ASBool {
                static_cast<Scan*>(data)->Value(value, key);
                return 1;
              },
              this);
          break;
        default:
          break;
      }
    }
  } scan{doomed, referred};
  scan.Parts(obj);
}

struct Doomed {
  std::set<ASUns32> images;
  std::set<ASUns32> drawn;  // those something else refers to: they stay
};

// Indirect-object enumeration procedure (client datum: Doomed): what a
// page, a form, an appearance, a pattern or any other object refers to is
// drawn, or may be; the doomed images' own references do not count.
ASBool FindDrawn(CosObj object, CosObj, void* data) {
  auto& d = *static_cast<Doomed*>(data);
  const CosType type = CosObjGetType(object);
  if (type != CosDict && type != CosArray && type != CosStream) return 1;
  if (type == CosStream && d.images.count(ObjectKey(object))) return 1;
  Referred(object, d.images, d.drawn);
  return 1;
}

// The image's converted copy is in the document: told, one step further.
void Converted(const ProgressOperation& operation, const std::string& name) {
  if (!operation.progress()) return;
  operation.progress()->SetText((name + ": converted").c_str());
  operation.progress()->Advance(1);
}

}  // namespace

void SetAlternate(CosObj image, CosObj newImage) {
  CosDoc doc = CosObjGetDoc(image);
  CosObj entry = CosNewDict(doc, 0, 2);
  CosObj alternates = CosDictGet(image, Atom("Alternates"));
  CosDictPut(entry, Atom("Image"), newImage);
  CosDictPut(entry, Atom("ZNTUAltSet"), CosNewName(doc, 0, Atom("ZNTUAltSetName")));
  if (CosObjGetType(alternates) != CosArray) alternates = CosNewArray(doc, 0, 1);
  CosArrayInsert(alternates, CosArrayLength(alternates), entry);
  CosDictPut(image, Atom("Alternates"), alternates);
}

void RemoveMarkedAlternates(CosObj image) {
  std::vector<CosObj> taken;
  TakeMarkedAlternates(image, taken);
  DestroyAlternateImages(CosObjGetDoc(image), taken);
}

ASInt32 TakeMarkedAlternates(CosObj image, std::vector<CosObj>& images) {
  CosObj alternates = CosDictGet(image, Atom("Alternates"));
  if (CosObjGetType(alternates) != CosArray) return 0;
  ASInt32 taken = 0;
  for (ASInt32 i = 0; i < CosArrayLength(alternates);) {
    CosObj entry = CosArrayGet(alternates, i);
    if (CosObjGetType(entry) != CosDict || CosObjGetType(CosDictGet(entry, Atom("ZNTUAltSet"))) != CosName) {
      ++i;
      continue;
    }
    images.push_back(CosDictGet(entry, Atom("Image")));
    CosArrayRemoveNth(alternates, i);
    CosObjDestroy(entry);
    ++taken;
  }
  if (CosArrayLength(alternates) == 0) {
    CosDictRemove(image, Atom("Alternates"));
    CosObjDestroy(alternates);
  }
  return taken;
}

void DestroyAlternateImages(CosDoc doc, const std::vector<CosObj>& images) {
  Doomed doomed;
  for (CosObj image : images)
    if (CosObjGetType(image) == CosStream) doomed.images.insert(ObjectKey(image));
  if (doomed.images.empty()) return;
  // Every object of the document, wherever it is drawn from or if nowhere:
  // each only passed through, so a large document keeps no handle of each.
  // An image something draws stays, without the entries taken from it.
  const ASUns32 mark = CosDocHandleMark(doc);
  CosDocEnumIndirect(doc, &FindDrawn, &doomed);
  for (ASUns32 key : doomed.drawn) doomed.images.erase(key);
  if (!doomed.images.empty()) CosDocEnumIndirect(doc, &DropEntriesNaming, &doomed.images);
  CosDocReleaseHandles(doc, mark);
  for (CosObj image : images)
    if (CosObjGetType(image) == CosStream && doomed.images.count(ObjectKey(image))) CosObjDestroy(image);
}

ASBool DropEntriesNaming(CosObj object, CosObj, void* data) {
  const auto& doomed = *static_cast<const std::set<ASUns32>*>(data);
  if (CosObjGetType(object) != CosStream) return 1;
  CosObj alternates = CosDictGet(object, Atom("Alternates"));
  if (CosObjGetType(alternates) != CosArray) return 1;
  bool dropped = false;
  for (ASInt32 i = 0; i < CosArrayLength(alternates);) {
    CosObj entry = CosArrayGet(alternates, i);
    CosObj image = CosObjGetType(entry) == CosDict ? CosDictGet(entry, Atom("Image")) : CosObj{0, 0};
    if (CosObjGetType(image) == CosStream && doomed.count(ObjectKey(image))) {
      CosArrayRemoveNth(alternates, i);
      dropped = true;
    } else {
      ++i;
    }
  }
  if (dropped && CosArrayLength(alternates) == 0) CosDictRemove(object, Atom("Alternates"));
  return 1;
}

void RemoveAlternatesInDocument(ImageMap& images) {
  if (images.empty()) {
    PDDoc doc = AVDocGetPDDoc(AVAppGetActiveDoc());
    ASCallback callback = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&CollectImagesProc));
    struct Destroy {
      ASCallback callback;
      ~Destroy() { HostRegion([this] { ASCallbackDestroy(callback); }); }
    } destroy{callback};
    ASInt32 pages = PDDocGetNumPages(doc);
    if (pages > 0) PDDocEnumResources(doc, 0, pages - 1, Atom("XObject"), callback, &images);
  }
  ProgressOperation operation(static_cast<int64_t>(images.size()));
  std::vector<CosObj> taken;
  ASInt32 removed = 0;
  for (auto& entry : images) {
    removed += TakeMarkedAlternates(entry.second.image, taken);
    if (operation.progress()) operation.progress()->Advance(1);
  }
  if (!images.empty()) DestroyAlternateImages(CosObjGetDoc(images.begin()->second.image), taken);
  if (operation.progress())
    operation.progress()->SetText((std::to_string(removed) + (removed == 1 ? " alternate" : " alternates") + " removed").c_str());
}

void AttachAlternates(ImageMap& base, ImageMap& converted) {
  ProgressOperation operation(static_cast<int64_t>(converted.size()));
  for (auto& entry : converted) {
    auto found = base.find(entry.first);
    if (found == base.end()) continue;
    // An alternate carries no alternates of its own: those it was copied
    // with are the marked ones this command replaces.
    CosDictRemove(entry.second.image, Atom("Alternates"));
    SetAlternate(found->second.image, entry.second.image);
    Converted(operation, ImageName(entry.first, found->second));
  }
}

void ModifyImagesInPlace(ImageMap& base, ImageMap& converted) {
  ProgressOperation operation(static_cast<int64_t>(converted.size()));
  Replacements replacements;
  std::vector<std::pair<ImageRecord*, ImageRecord*>> done;
  for (auto& entry : converted) {
    auto found = base.find(entry.first);
    if (found == base.end()) continue;
    replacements[entry.first] = entry.second.image;
    done.emplace_back(&found->second, &entry.second);
  }
  if (done.empty()) return;
  // One walk of the document for all of them, so that the work grows with
  // the document and not with its images times its pages.
  ReplaceImages(CosObjGetDoc(done.front().first->image), replacements);
  for (auto& pair : done) {
    const std::string name = ImageName(ObjectKey(pair.first->image), *pair.first);
    *pair.first = *pair.second;
    Converted(operation, name);
  }
}

void ReplaceImages(CosDoc cosDoc, const Replacements& replacements) {
  // Every page, not only those of the records, whose lists can miss some;
  // the old images stay, for whatever else still refers to them.
  PDDoc doc = nullptr;
  ASInt32 pages = 0;
  HostCall("ReplaceImages", [&] {
    doc = PDDocFromCosDoc(cosDoc);
    pages = PDDocGetNumPages(doc);
  });
  Walked walked;
  for (ASInt32 i = 0; i < pages; ++i) {
    PDPage page = nullptr;
    HostRegionResult r = HostRegion([&] {
      page = PDDocAcquirePage(doc, i);
      CosObj resources = PDPageGetResources(page);
      if (CosObjGetType(resources) == CosDict &&
          ReplaceIn(CosDictGet(resources, Atom("XObject")), replacements, walked))
        PDPageResourcesChanged(page, 0);
      PDPageRelease(page);
      page = nullptr;
    });
    if (!r.raised) continue;
    if (page) HostRegion([&] { PDPageRelease(page); });
    HostRegion([&] { ShowHostError(r.code); });
    ASRaise(r.code);
  }
}

ASBool ReplaceImageProc(CosObj key, CosObj value, void* data) {
  ReplaceContext& context = *static_cast<ReplaceContext*>(data);
  if (CosObjGetType(value) != CosStream) return 1;
  auto it = context.replacements->find(ObjectKey(value));
  if (it != context.replacements->end() && CosObjIsIndirect(value)) {
    CosDictPut(context.dict, CosNameValue(key), it->second);
    context.replaced = true;
  } else if (IsName(CosDictGet(value, Atom("Subtype")), "Form")) {
    CosObj resources = CosDictGet(value, Atom("Resources"));
    if (CosObjGetType(resources) == CosDict &&
        ReplaceIn(CosDictGet(resources, Atom("XObject")), *context.replacements, *context.walked))
      context.replaced = true;
  }
  return 1;
}
