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

// The XObject dictionaries one ReplaceImage has walked, by handle.
typedef std::set<std::pair<ASUns32, ASUns32>> Walked;

// Walks `xobjects` once per ReplaceImage; true when it replaced anything.
bool ReplaceIn(CosObj xobjects, CosObj oldImage, CosObj newImage, Walked& walked) {
  if (CosObjGetType(xobjects) != CosDict || !walked.insert({xobjects.a, xobjects.b}).second) return false;
  ReplaceContext context{xobjects, oldImage, newImage, &walked, false};
  CosObjEnum(xobjects, &ReplaceImageProc, &context);
  return context.replaced;
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
  std::set<ASUns32> doomed;
  for (CosObj image : images)
    if (CosObjGetType(image) == CosStream) doomed.insert(ObjectKey(image));
  if (doomed.empty()) return;
  // Every image of the document, wherever it is drawn from or if nowhere:
  // each only passed through, so a large document keeps no handle of each.
  const ASUns32 mark = CosDocHandleMark(doc);
  CosDocEnumIndirect(doc, &DropEntriesNaming, &doomed);
  CosDocReleaseHandles(doc, mark);
  for (CosObj image : images)
    if (CosObjGetType(image) == CosStream) CosObjDestroy(image);
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
  if (operation.progress()) operation.progress()->SetText((std::to_string(removed) + " alternates removed").c_str());
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
  for (auto& entry : converted) {
    auto found = base.find(entry.first);
    if (found == base.end()) continue;
    const std::string name = ImageName(entry.first, found->second);
    ReplaceImage(found->second, entry.second);
    Converted(operation, name);
  }
}

void ReplaceImage(ImageRecord& base, ImageRecord& replacement) {
  // Every page, not only those of the record, whose list can miss some; the
  // old image stays, for whatever else still refers to it.
  PDDoc doc = nullptr;
  ASInt32 pages = 0;
  HostCall("ReplaceImage", [&] {
    doc = PDDocFromCosDoc(CosObjGetDoc(base.image));
    pages = PDDocGetNumPages(doc);
  });
  Walked walked;
  for (ASInt32 i = 0; i < pages; ++i) {
    PDPage page = nullptr;
    HostRegionResult r = HostRegion([&] {
      page = PDDocAcquirePage(doc, i);
      CosObj resources = PDPageGetResources(page);
      if (CosObjGetType(resources) == CosDict &&
          ReplaceIn(CosDictGet(resources, Atom("XObject")), base.image, replacement.image, walked))
        PDPageResourcesChanged(page, 0);
      PDPageRelease(page);
      page = nullptr;
    });
    if (!r.raised) continue;
    if (page) HostRegion([&] { PDPageRelease(page); });
    HostRegion([&] { ShowHostError(r.code); });
    ASRaise(r.code);
  }
  base = replacement;
}

ASBool ReplaceImageProc(CosObj key, CosObj value, void* data) {
  ReplaceContext& context = *static_cast<ReplaceContext*>(data);
  if (CosObjEqual(value, context.oldImage)) {
    CosDictPut(context.dict, CosNameValue(key), context.newImage);
    context.replaced = true;
  } else if (CosObjGetType(value) == CosStream && IsName(CosDictGet(value, Atom("Subtype")), "Form")) {
    CosObj resources = CosDictGet(value, Atom("Resources"));
    if (CosObjGetType(resources) == CosDict &&
        ReplaceIn(CosDictGet(resources, Atom("XObject")), context.oldImage, context.newImage, *context.walked))
      context.replaced = true;
  }
  return 1;
}
