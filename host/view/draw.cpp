// Drawing of page views, headless: each document's one page view keeps a
// display list, one line for each thing drawn, and a valid flag. A view is
// drawn again only when it is invalid (opened, turned to another page,
// invalidated); the `draw` step draws it whatever its state.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/host.h"
#include "cos/docs.h"
#include "host/procs.h"
#include "pd/pages.h"
#include "view/view.h"

namespace host {
namespace {

struct View {
  bool valid = false;
  std::vector<std::string> list;
};

std::map<ASUns32, View>& Views() {
  static auto* views = new std::map<ASUns32, View>;
  return *views;
}

ASUns32 IdOf(const void* handle) { return static_cast<ASUns32>(reinterpret_cast<uintptr_t>(handle)); }
AVDoc ToAVDoc(ASUns32 id) { return reinterpret_cast<AVDoc>(static_cast<uintptr_t>(id)); }

// An entry of a host table as it stands now: a plug-in may have replaced it.
template <class Fn>
Fn TableEntry(const char* table, ASUns32 selector) {
  HFT hft = Import(table, 0);
  if (!hft || selector >= hft->size || !hft->entries[selector]) Raise(genErrMissingEntry);
  return reinterpret_cast<Fn>(hft->entries[selector]);
}

std::string Ref(const QPDFObjectHandle& h) {
  QPDFObjGen og = h.getObjGen();
  return std::to_string(og.getObj()) + " " + std::to_string(og.getGen()) + " R";
}

// One line for each image XObject, in content order, a form's in its place.
// The image drawn is the one PDModel 345 chooses, called through the table
// as it stands, with the flag 0 (the screen, not the printer).
void DrawContent(PDEContent content, std::vector<std::string>& list) {
  using Select = CosObj (*)(CosObj, ASBool, void*, ASBool*, void*);
  const ASInt32 count = PDEContentGetNumElemsImpl(content);
  for (ASInt32 i = 0; i < count; ++i) {
    PDEElement element = PDEContentGetElemImpl(content, i);
    const ASInt32 type = PDEElementGetTypeImpl(element);
    if (type == kPDEForm) {
      DrawContent(PDEFormGetContentImpl(element), list);
      continue;
    }
    if (type != kPDEImage) continue;
    CosObj image = PDEElementGetCosObjImpl(element);
    ASBool chosen = 0;
    CosObj drawn = TableEntry<Select>(PDMODEL_HFT_NAME, PDModelSel::ImageSelectAlternate)(image, 0, nullptr,
                                                                                           &chosen, nullptr);
    Doc* imageDoc = nullptr;
    Doc* drawnDoc = nullptr;
    QPDFObjectHandle base = Resolve(image, &imageDoc);
    QPDFObjectHandle other = Resolve(drawn, &drawnDoc);
    std::string line = "image " + Ref(base);
    const bool same = drawnDoc == imageDoc && other.getObjGen() == base.getObjGen();
    if (!same) {
      const bool isImage =
          Q([&] { return other.isStream() && other.getDict().getKey("/Subtype").isNameAndEquals("/Image"); });
      line += isImage ? " as " + Ref(other) : " as nothing";
    }
    hosttest::LogCall(line);
    list.push_back(line);
  }
}

void Draw(ASUns32 id) {
  PDDoc doc = ViewPDDoc(ToAVDoc(id));
  View& view = Views()[id];
  view.list.clear();
  const ASInt32 page = ViewPageIndex(id);
  hosttest::LogCall("draw page " + std::to_string(page + 1));
  using Acquire = PDPage (*)(PDDoc, ASInt32);
  using Release = void (*)(PDPage);
  PDPage p = TableEntry<Acquire>(PDMODEL_HFT_NAME, PDModelSel::DocAcquirePage)(doc, page);
  struct PageHold {
    PDPage page;
    ~PageHold() {
      try {
        TableEntry<Release>(PDMODEL_HFT_NAME, PDModelSel::PageRelease)(page);
      } catch (...) {
      }
    }
  } pageHold{p};
  struct ContentHold {
    PDEContent content;
    ~ContentHold() { PDEContentReleaseImpl(content); }
  } contentHold{PDPageAcquirePDEContentImpl(p)};
  DrawContent(contentHold.content, view.list);
  view.valid = true;
  SendPageViewDidDraw(reinterpret_cast<AVPageView>(ToAVDoc(id)));
}

std::function<void(const std::string&)>& Sink() {
  static auto* sink = new std::function<void(const std::string&)>;
  return *sink;
}
bool gListing = false;  // a `draw` lists what it draws itself

}  // namespace

void MarkViewInvalid(ASUns32 id) { Views()[id].valid = false; }

void InvalidateView(ASUns32 id, const AVDevRect* rect) {
  Views()[id].valid = false;
  const std::string line = !rect ? "invalidate all"
                                 : "invalidate " + std::to_string(rect->left) + " " + std::to_string(rect->top) + " " +
                                       std::to_string(rect->right) + " " + std::to_string(rect->bottom);
  hosttest::LogCall(line);
  ViewEvent(line);
}

void RecordDrawing(ASUns32 id, const std::string& line) {
  Views()[id].list.push_back(line);
  hosttest::LogCall(line);
  if (!gListing) ViewEvent(line);
}

void ViewEvent(const std::string& line) {
  if (Sink()) Sink()(line);
}

void SetViewEventSink(std::function<void(const std::string&)> sink) { Sink() = std::move(sink); }

void ForgetView(ASUns32 id) { Views().erase(id); }

void AVPageViewDrawNowImpl(AVPageView view) {
  Enter(TableId::AcroView, AcroViewSel::PageViewDrawNow);
  const ASUns32 id = IdOf(view);
  ViewPDDoc(ToAVDoc(id));  // raises for a view that is not open
  if (!Views()[id].valid) Draw(id);
}

std::vector<std::string> DrawView(AVDoc doc) {
  ViewPDDoc(doc);
  const ASUns32 id = IdOf(doc);
  struct Listing {
    Listing() { gListing = true; }
    ~Listing() { gListing = false; }
  } listing;
  Draw(id);
  std::vector<std::string> lines{"DRAW page " + std::to_string(ViewPageIndex(id) + 1)};
  for (const std::string& line : Views()[id].list) lines.push_back("  " + line);
  return lines;
}

std::string WriteViewPicture(AVDoc doc, const std::string& path) {
  ViewPDDoc(doc);
  const ASUns32 id = IdOf(doc);
  return WritePicture(id, ViewPageIndex(id), Views()[id].list, path);
}

}  // namespace host
