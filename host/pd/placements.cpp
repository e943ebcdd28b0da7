// The elements of a page's content that the checks ask about: where each
// image XObject and form XObject is placed. A small interpreter follows q/Q,
// cm and Do; a form's own content is read through its Matrix, so every
// bounding box is in the page's default user space.
//
// The editing tables ("PagePDEContent", "PDFEditRead", "PDFEditWrite") read
// the same way, and also make inline images elements and marked content
// containers; beside the page-space box each element keeps its box in the
// coordinates of the content it belongs to (from that content's start).
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "core/tables.h"
#include "host/procs.h"
#include "host/selectors.h"
#include "pd/content.h"
#include "pd/pages.h"
#include "support/fixed.h"
#include "support/streams.h"

namespace host {
namespace {

struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, h = 0, v = 0;
  // This matrix applied first, then `m`.
  Matrix Then(const Matrix& m) const {
    return Matrix{a * m.a + b * m.c, a * m.b + b * m.d, c * m.a + d * m.c,
                  c * m.b + d * m.d, h * m.a + v * m.c + m.h, h * m.b + v * m.d + m.v};
  }
};

struct ContentRec;
struct ElemRec {
  ASInt32 type;
  ASFixedRect bbox;
  CosObj obj;             // null for an inline image and a container
  ContentRec* child = nullptr;  // a form's own content, a container's
  ASFixedRect local{0, 0, 0, 0};  // in the coordinates of the content walked
  bool inlineImage = false;
  Matrix matrix{};  // in those coordinates: an image's unit square, a form's Matrix
};
struct ContentRec {
  std::vector<std::unique_ptr<ElemRec>> elems;
  std::vector<std::unique_ptr<ContentRec>> children;
  bool top = false;
};

std::unordered_set<const ContentRec*>& LiveContents() {
  static auto* live = new std::unordered_set<const ContentRec*>;
  return *live;
}
std::unordered_set<const ElemRec*>& LiveElems() {
  static auto* live = new std::unordered_set<const ElemRec*>;
  return *live;
}

ContentRec& ContentOf(PDEContent c) {
  auto* rec = reinterpret_cast<ContentRec*>(c);
  if (!LiveContents().count(rec)) Raise(genErrBadHandle);
  return *rec;
}
ElemRec& ElemOf(PDEElement e) {
  auto* rec = reinterpret_cast<ElemRec*>(e);
  if (!LiveElems().count(rec)) Raise(genErrBadHandle);
  return *rec;
}

void Forget(ContentRec& c) {
  LiveContents().erase(&c);
  for (auto& e : c.elems) LiveElems().erase(e.get());
  for (auto& child : c.children) Forget(*child);
}

ASFixedRect BoxOf(const Matrix& m, double x0, double y0, double x1, double y1) {
  double xs[2] = {x0, x1}, ys[2] = {y0, y1};
  double minx = 1e300, maxx = -1e300, miny = 1e300, maxy = -1e300;
  for (double x : xs)
    for (double y : ys) {
      double tx = m.a * x + m.c * y + m.h, ty = m.b * x + m.d * y + m.v;
      minx = std::min(minx, tx);
      maxx = std::max(maxx, tx);
      miny = std::min(miny, ty);
      maxy = std::max(maxy, ty);
    }
  return ASFixedRect{FixedFromDouble(minx), FixedFromDouble(maxy), FixedFromDouble(maxx), FixedFromDouble(miny)};
}

bool ReadMatrix(QPDFObjectHandle arr, Matrix& m) {
  if (!arr.isArray() || arr.getArrayNItems() != 6) return false;
  double v[6];
  for (int i = 0; i < 6; ++i) {
    if (!arr.getArrayItem(i).isNumber()) return false;
    v[i] = arr.getArrayItem(i).getNumericValue();
  }
  m = Matrix{v[0], v[1], v[2], v[3], v[4], v[5]};
  return true;
}

const int kMaxFormDepth = 32;

// What one page's placements may cost. Forms that place one another many
// times over multiply: without a bound a small file takes all the memory
// and time there is. A form read again for each placement counts each time.
const size_t kMaxElements = size_t(1) << 20;
struct Budget {
  size_t elements = 0;
  size_t bytes = 0;
  void Element() {
    if (++elements <= kMaxElements) return;
    SetFailureDetail("the page's content places more than " + std::to_string(kMaxElements) +
                     " images and forms");
    Raise(cosErrDataTooLarge);
  }
  void Content(size_t size) {
    bytes += size;
    if (bytes <= DecodedDataCap()) return;
    SetFailureDetail("the content the page's forms place comes to more than the host reads for one page");
    Raise(cosErrDataTooLarge);
  }
};

std::string ContentData(QPDFObjectHandle contents, Budget& budget) {
  std::string data;
  if (contents.isStream()) {
    data = StreamData(contents, cosOpenFiltered);
    budget.Content(data.size());
  } else if (contents.isArray()) {
    for (int i = 0; i < contents.getArrayNItems(); ++i) {
      QPDFObjectHandle s = contents.getArrayItem(i);
      if (!s.isStream()) continue;
      std::string piece = StreamData(s, cosOpenFiltered);
      budget.Content(piece.size() + 1);
      data += piece;
      data += "\n";  // streams of one page's content join at a token boundary
    }
  }
  return data;
}

const int kMaxMarkDepth = 32;

// The resources a content is read with, then those of the content that
// draws it: a name a form's own resources lack is looked up in those it is
// drawn with, as viewers do.
struct ResourceChain {
  QPDFObjectHandle resources;
  const ResourceChain* outer;
};

QPDFObjectHandle NamedXObject(const ResourceChain& chain, const std::string& name) {
  for (const ResourceChain* r = &chain; r; r = r->outer) {
    QPDFObjectHandle resources = r->resources;
    if (!resources.isDictionary()) continue;
    QPDFObjectHandle xobjects = resources.getKey("/XObject");
    if (xobjects.isDictionary() && !xobjects.getKey(name).isNull()) return xobjects.getKey(name);
  }
  return QPDFObjectHandle::newNull();
}

// Reads `data`, which the caller has counted. `edit`: the editing tables'
// reading (inline images and marked content make elements).
void Interpret(Doc& doc, const std::string& data, const ResourceChain& resources, Matrix ctm, ContentRec& out,
               int depth, std::set<QPDFObjGen>& formPath, Budget& budget, bool edit) {
  ASStm handle = NewMemStm(data);
  struct Closer {
    ASStm s;
    ~Closer() { CloseStm(s); }
  } closer{handle};
  Stm& stm = StmOf(handle);
  Matrix local;  // from this content's start: q, Q and cm only
  std::vector<std::pair<Matrix, Matrix>> saved;
  // Open marked-content sequences: the container each made (none past the
  // depth limit); elements go into the innermost that was made.
  std::vector<ContentRec*> marks;
  auto target = [&]() -> ContentRec& {
    for (auto it = marks.rbegin(); it != marks.rend(); ++it)
      if (*it) return **it;
    return out;
  };
  auto add = [&](std::unique_ptr<ElemRec> e) -> ElemRec& {
    ElemRec& rec = *e;
    LiveElems().insert(e.get());
    target().elems.push_back(std::move(e));
    return rec;
  };
  std::vector<double> numbers;
  std::string name;
  PDToken t;
  for (;;) {
    if (ReadToken(stm, t) == 0) break;
    if (t.type == kPDTokenNumber) {
      numbers.push_back(std::strtod(t.text, nullptr));
      continue;
    }
    if (t.type != kPDTokenKeyword) {
      numbers.clear();
      continue;
    }
    if (t.text[0] == '/') {
      name = DecodeName(t.text);
      continue;
    }
    std::string op = t.text;
    if (op == "q") {
      saved.emplace_back(ctm, local);
    } else if (op == "Q") {
      if (!saved.empty()) {
        ctm = saved.back().first;
        local = saved.back().second;
        saved.pop_back();
      }
    } else if (op == "cm" && numbers.size() >= 6) {
      size_t n = numbers.size();
      Matrix m{numbers[n - 6], numbers[n - 5], numbers[n - 4], numbers[n - 3], numbers[n - 2], numbers[n - 1]};
      ctm = m.Then(ctm);
      local = m.Then(local);
    } else if (op == "BI") {
      InlineImage image;
      if (!ReadInlineImage(stm, resources.resources, image)) break;  // the rest cannot be read
      if (edit) {
        budget.Element();
        ElemRec& e = add(std::make_unique<ElemRec>(ElemRec{kPDEImage, BoxOf(ctm, 0, 0, 1, 1), CosObj{0, 0}}));
        e.local = BoxOf(local, 0, 0, 1, 1);
        e.matrix = local;
        e.inlineImage = true;
      }
    } else if (edit && (op == "BMC" || op == "BDC")) {
      if (marks.size() >= static_cast<size_t>(kMaxMarkDepth)) {
        marks.push_back(nullptr);
      } else {
        budget.Element();
        auto child = std::make_unique<ContentRec>();
        ContentRec* inside = child.get();
        LiveContents().insert(inside);
        ElemRec& e = add(std::make_unique<ElemRec>(ElemRec{kPDEContainer, ASFixedRect{0, 0, 0, 0}, CosObj{0, 0}}));
        e.child = inside;
        target().children.push_back(std::move(child));
        marks.push_back(inside);
      }
    } else if (edit && op == "EMC") {
      if (!marks.empty()) marks.pop_back();
    } else if (op == "Do" && !name.empty()) {
      QPDFObjectHandle x = NamedXObject(resources, name);
      if (x.isStream()) {
        QPDFObjectHandle dict = x.getDict();
        QPDFObjectHandle subtype = dict.getKey("/Subtype");
        if (subtype.isNameAndEquals("/Image")) {
          budget.Element();
          ElemRec& e = add(std::make_unique<ElemRec>(ElemRec{kPDEImage, BoxOf(ctm, 0, 0, 1, 1), doc.Wrap(x)}));
          e.local = BoxOf(local, 0, 0, 1, 1);
          e.matrix = local;
        } else if (subtype.isNameAndEquals("/Form")) {
          budget.Element();
          Matrix fm;
          ReadMatrix(dict.getKey("/Matrix"), fm);
          Matrix inner = fm.Then(ctm);
          ASFixedRect box{0, 0, 0, 0}, localBox{0, 0, 0, 0};
          QPDFObjectHandle bb = dict.getKey("/BBox");
          if (bb.isArray() && bb.getArrayNItems() == 4) {
            double v[4] = {0, 0, 0, 0};
            for (int i = 0; i < 4; ++i)
              if (bb.getArrayItem(i).isNumber()) v[i] = bb.getArrayItem(i).getNumericValue();
            box = BoxOf(inner, v[0], v[1], v[2], v[3]);
            localBox = BoxOf(fm.Then(local), v[0], v[1], v[2], v[3]);
          }
          auto child = std::make_unique<ContentRec>();
          ContentRec& inside = *child;
          LiveContents().insert(child.get());
          // In place before the form is read, so that a failure inside it
          // leaves nothing the page's content does not own.
          ElemRec& e = add(std::make_unique<ElemRec>(ElemRec{kPDEForm, box, doc.Wrap(x), child.get()}));
          e.local = localBox;
          e.matrix = fm.Then(local);
          target().children.push_back(std::move(child));
          // A form that places itself, directly or through others, is read once.
          QPDFObjGen og = x.getObjGen();
          if (depth < kMaxFormDepth && formPath.insert(og).second) {
            QPDFObjectHandle formRes = dict.getKey("/Resources");
            std::string formData = StreamData(x, cosOpenFiltered);
            budget.Content(formData.size());
            Interpret(doc, formData, formRes.isDictionary() ? ResourceChain{formRes, &resources} : resources, inner,
                      inside, depth + 1, formPath, budget, edit);
            formPath.erase(og);
          }
        }
      }
    }
    numbers.clear();
  }
}

}  // namespace

QPDFObjectHandle InheritedResources(QPDFObjectHandle page) {
  QPDFObjectHandle node = page;
  for (int i = 0; i < 64 && node.isDictionary(); ++i, node = node.getKey("/Parent")) {
    QPDFObjectHandle r = node.getKey("/Resources");
    if (r.isDictionary()) return r;
  }
  return QPDFObjectHandle::newNull();
}

namespace {

}  // namespace

namespace {

ContentRec* ReadPage(PDPage page, bool edit) {
  Doc* doc = nullptr;
  QPDFObjectHandle p = PageDict(page, &doc);
  auto content = std::make_unique<ContentRec>();
  content->top = true;
  LiveContents().insert(content.get());
  try {
    std::set<QPDFObjGen> path;
    Budget budget;
    Interpret(*doc, ContentData(p.getKey("/Contents"), budget), ResourceChain{InheritedResources(p), nullptr},
              Matrix(), *content, 0, path, budget, edit);
  } catch (...) {
    Forget(*content);
    RaiseFromCurrentException();
  }
  return content.release();
}

}  // namespace

PDEContent PDPageAcquirePDEContentImpl(PDPage page) {
  Enter(TableId::PDModel, PDModelSel::PageAcquirePDEContent);
  return reinterpret_cast<PDEContent>(ReadPage(page, false));
}

ASInt32 PDEContentGetNumElemsImpl(PDEContent c) {
  Enter(TableId::PDModel, PDModelSel::EContentGetNumElems);
  return static_cast<ASInt32>(ContentOf(c).elems.size());
}

PDEElement PDEContentGetElemImpl(PDEContent c, ASInt32 index) {
  Enter(TableId::PDModel, PDModelSel::EContentGetElem);
  ContentRec& rec = ContentOf(c);
  if (index < 0 || static_cast<size_t>(index) >= rec.elems.size()) Raise(genErrBadParm);
  return reinterpret_cast<PDEElement>(rec.elems[index].get());
}

void PDEContentReleaseImpl(PDEContent c) {
  auto* rec = reinterpret_cast<ContentRec*>(c);
  // Only a page's content is released; a form's belongs to it.
  if (!LiveContents().count(rec) || !rec->top) return;
  Forget(*rec);
  delete rec;
}

ASInt32 PDEElementGetTypeImpl(PDEElement e) {
  Enter(TableId::PDModel, PDModelSel::EElementGetType);
  return ElemOf(e).type;
}

void PDEElementGetBBoxImpl(PDEElement e, ASFixedRect* bbox) {
  Enter(TableId::PDModel, PDModelSel::EElementGetBBox);
  if (!bbox) Raise(genErrBadParm);
  *bbox = ElemOf(e).bbox;
}

CosObj PDEElementGetCosObjImpl(PDEElement e) {
  Enter(TableId::PDModel, PDModelSel::EElementGetCosObj);
  return ElemOf(e).obj;
}

PDEContent PDEFormGetContentImpl(PDEElement e) {
  Enter(TableId::PDModel, PDModelSel::EFormGetContent);
  ElemRec& rec = ElemOf(e);
  if (rec.type != kPDEForm || !rec.child) Raise(cosErrTypeMismatch);
  return reinterpret_cast<PDEContent>(rec.child);
}

// The editing tables -----------------------------------------------------------
namespace {

// Contents acquired through "PagePDEContent", by page handle, latest last.
std::map<PDPage, std::vector<ContentRec*>>& PageContents() {
  static auto* contents = new std::map<PDPage, std::vector<ContentRec*>>;
  return *contents;
}

void ReleaseTop(ContentRec* rec) {
  if (!LiveContents().count(rec) || !rec->top) return;
  Forget(*rec);
  delete rec;
}

#define ENTER_PAGE(sel) Enter(TableId::PagePDEContent, PagePDEContentSel::sel)
#define ENTER_READ(sel) Enter(TableId::PDFEditRead, PDFEditReadSel::sel)

PDEContent PDEditPageAcquireContentImpl(PDPage page, ASUns32) {
  ENTER_PAGE(PageAcquireContent);
  ContentRec* rec = ReadPage(page, true);
  PageContents()[page].push_back(rec);
  return reinterpret_cast<PDEContent>(rec);
}

void PDEditPageReleaseContentImpl(PDPage page, ASUns32) {
  ENTER_PAGE(PageReleaseContent);
  auto it = PageContents().find(page);
  if (it == PageContents().end()) return;
  ContentRec* rec = it->second.back();
  it->second.pop_back();
  if (it->second.empty()) PageContents().erase(it);
  ReleaseTop(rec);
}

ASInt32 PDEditContentGetNumElemsImpl(PDEContent c) {
  ENTER_READ(ContentGetNumElems);
  return static_cast<ASInt32>(ContentOf(c).elems.size());
}

PDEElement PDEditContentGetElemImpl(PDEContent c, ASInt32 index) {
  ENTER_READ(ContentGetElem);
  ContentRec& rec = ContentOf(c);
  if (index < 0 || static_cast<size_t>(index) >= rec.elems.size()) Raise(genErrBadParm);
  return reinterpret_cast<PDEElement>(rec.elems[index].get());
}

void PDEditElementGetBBoxImpl(PDEElement e, ASFixedRect* bbox) {
  ENTER_READ(ElementGetBBox);
  if (!bbox) Raise(genErrBadParm);
  *bbox = ElemOf(e).local;
}

void PDEditElementGetMatrixImpl(PDEElement e, ASFixedMatrix* matrix) {
  ENTER_READ(ElementGetMatrix);
  if (!matrix) Raise(genErrBadParm);
  const Matrix& m = ElemOf(e).matrix;
  *matrix = ASFixedMatrix{FixedFromDouble(m.a), FixedFromDouble(m.b), FixedFromDouble(m.c),
                          FixedFromDouble(m.d), FixedFromDouble(m.h), FixedFromDouble(m.v)};
}

ElemRec& ImageOf(PDEElement e) {
  ElemRec& rec = ElemOf(e);
  if (rec.type != kPDEImage) Raise(cosErrTypeMismatch);
  return rec;
}

ASBool PDEditImageIsXObjectImpl(PDEElement e) {
  ENTER_READ(ImageIsXObject);
  return ImageOf(e).inlineImage ? 0 : 1;
}

CosObj PDEditImageGetCosObjImpl(PDEElement e) {
  ENTER_READ(ImageGetCosObj);
  return ImageOf(e).obj;
}

ASInt32 PDEditObjectGetTypeImpl(PDEElement e) {
  ENTER_READ(ObjectGetType);
  return ElemOf(e).type;
}

// A form's or a container's content belongs to its page's.
void PDEditReleaseImpl(PDEContent c) { ReleaseTop(reinterpret_cast<ContentRec*>(c)); }

PDEContent PDEditContainerGetContentImpl(PDEElement e) {
  ENTER_READ(ContainerGetContent);
  ElemRec& rec = ElemOf(e);
  if (rec.type != kPDEContainer || !rec.child) Raise(cosErrTypeMismatch);
  return reinterpret_cast<PDEContent>(rec.child);
}

PDEContent PDEditFormGetContentImpl(PDEElement e) {
  Enter(TableId::PDFEditWrite, PDFEditWriteSel::FormGetContent);
  ElemRec& rec = ElemOf(e);
  if (rec.type != kPDEForm || !rec.child) Raise(cosErrTypeMismatch);
  return reinterpret_cast<PDEContent>(rec.child);
}

}  // namespace

void InitEditTables() {
  HFT page = NewTable(PAGEPDECONTENT_HFT_NAME, HFT_VERSION(5, 0), PagePDEContentSel::Last);
  HFT read = NewTable(PDFEDITREAD_HFT_NAME, HFT_VERSION(5, 0), PDFEditReadSel::Last);
  HFT write = NewTable(PDFEDITWRITE_HFT_NAME, HFT_VERSION(5, 0), PDFEditWriteSel::Last);
#define FILL_PAGE(name, ret, params, args) HOST_FILL_ENTRY(page, PagePDEContentSel, PDEdit##name##Impl, name, ret, params);
#define FILL_READ(name, ret, params, args) HOST_FILL_ENTRY(read, PDFEditReadSel, PDEdit##name##Impl, name, ret, params);
#define FILL_WRITE(name, ret, params, args) HOST_FILL_ENTRY(write, PDFEditWriteSel, PDEdit##name##Impl, name, ret, params);
  HOST_PAGEPDECONTENT_PROCS(FILL_PAGE)
  HOST_PDFEDITREAD_PROCS(FILL_READ)
  HOST_PDFEDITWRITE_PROCS(FILL_WRITE)
#undef FILL_PAGE
#undef FILL_READ
#undef FILL_WRITE
  Publish(page);
  Publish(read);
  Publish(write);
}

}  // namespace host
