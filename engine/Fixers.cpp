// The repairs of objects: compression, key removal, operators, alternate
// images, transparency, actions, obscuring annotations and page boxes, and
// the shared instances the checks attach.
#include "common/HostCall.h"
#include "engine/Scopes.h"
#include "engine/Fixers.h"

#include <cmath>
#include <cstdlib>
#include <iterator>
#include <list>
#include <set>
#include <utility>
#include <vector>

#include "common/MyCosDoc.h"
#include "engine/ContentProcessor.h"
#include "engine/ErrorNames.h"
#include "engine/ICCProfileFixer.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "engine/PDFX_Error.h"
#include "engine/PageArea.h"
#include "engine/TransparencyChecks.h"
#include "engine/TransparencyError.h"
#include "host/calls.h"
#include "host/errors.h"
#include "host/frame.h"

namespace {

typedef boost::shared_ptr<ObjectNode> NodePtr;

// A Parent chain or a chain of popups longer than this is a loop.
const int kMaxChain = 1000;


MyCosObj ObjectOf(const NodePtr& node) { return node ? node->object : MyCosObj(); }

bool IsDictOrStream(const MyCosObj& value) {
  return value.CachedType() == CosDict || value.CachedType() == CosStream;
}

bool NameIs(const MyCosObj& value, const char* name) {
  return value.CachedType() == CosName && value.ValueAsString() == name;
}

MyCosObj OwnResources(const MyCosObj& holder) {
  if (!IsDictOrStream(holder)) return MyCosObj();
  MyCosObj resources = holder.Get("Resources");
  return resources.CachedType() == CosDict ? resources : MyCosObj();
}

bool IsPage(const MyCosObj& object) { return object.CachedType() == CosDict && NameIs(object.Get("Type"), "Page"); }

MyCosObj PageResources(const Zentu::PDFX_Error& error) {
  return InheritedResources(PageDictionary(GetErrorPDDoc(&error), error.GetPageIndex()));
}

// An action is what the host takes for one: a dictionary with a name /S.
// Any failure but a wrong type leaves the repair.
bool IsAction(const MyCosObj& value) {
  if (!IsDictOrStream(value)) return false;
  HostRegionResult r = HostRegion([&] { PDActionFromCosObj(value.GetCosObj()); });
  if (!r.raised) return true;
  if (r.code == cosErrTypeMismatch) return false;
  throw Zentu::AcrobatException(-1, r.code, "ActionFixer::FixIt");
}

ASBool CollectValue(MyCosObj&, MyCosObj& value, void* data) {
  static_cast<std::vector<MyCosObj>*>(data)->push_back(value);
  return 1;
}

// Takes a graphics state's or image's transparency out: 2 when the object
// is of a kind that can be changed, whether anything was left or not.
// Records about a key removed here are settled with it, so that the counts
// after the repair are those a new check finds.
int RemoveSoftMask(const NodePtr& node, PDFXPreflight* walker) {
  if (!node) return 1;
  static const char* const kImageKeys[] = {"SMask"};
  static const char* const kStateKeys[] = {"SMask", "CA", "ca", "BM", "AIS"};
  const char* const* first = nullptr;
  const char* const* last = nullptr;
  if (node->objectKind == KIND_IMAGE) {
    first = std::begin(kImageKeys);
    last = std::end(kImageKeys);
  } else if (node->objectKind == KIND_EXTGSTATE) {
    first = std::begin(kStateKeys);
    last = std::end(kStateKeys);
  } else {
    return 1;
  }
  MyCosObj object = node->object;
  for (const char* const* key = first; key != last; ++key) {
    if (!object.Known(ASAtomFromString(*key))) continue;
    object.Remove(*key);
    if (!walker) continue;
    for (const auto& record : walker->GetErrorList()) {
      if (record->IsFixed() || record->GetDetail() != *key) continue;
      const NodePtr& holder = record->GetContainerNode();
      const NodePtr& held = record->GetObjectNode();
      if ((holder && IdentityOf(holder->object) == IdentityOf(object)) ||
          (held && IdentityOf(held->object) == IdentityOf(object)))
        record->SetFixed(true);
    }
  }
  return 2;
}

bool NamesFilter(const MyCosObj& filter, const char* name) {
  if (NameIs(filter, name)) return true;
  if (filter.CachedType() != CosArray) return false;
  const ASInt32 count = filter.Length();
  for (ASInt32 i = 0; i < count; ++i)
    if (NameIs(filter.Get(i), name)) return true;
  return false;
}

bool IsIndexed(const MyCosObj& space) {
  const MyCosObj family = space.CachedType() == CosArray && space.Length() > 0 ? space.Get(0) : space;
  return NameIs(family, "Indexed") || NameIs(family, "I");
}

std::string ReadAll(ASStm stm) {
  std::string all;
  char buffer[65536];
  for (;;) {
    ASSize_t got = 0;
    HostCall("CompressionFixer::FixIt", [&] { got = ASStmRead(buffer, 1, sizeof buffer, stm); });
    if (got == 0) return all;
    all.append(buffer, got);
  }
}

// JPEG 2000 data comes decoded in samples of 8 bits, palette indices as
// they are, whatever depth the image declares. At a declared depth of 1, 2
// or 4 bits the samples are packed again at that depth, each row padded to
// a whole byte, when every value fits it; answers the depth the samples
// then have, 8 when they stay as they came.
int PackJpxSamples(const MyCosObj& dict, std::string& samples) {
  const MyCosObj declared = dict.Get("BitsPerComponent");
  const MyCosObj w = dict.Get("Width");
  const MyCosObj h = dict.Get("Height");
  if (declared.CachedType() != CosInteger || w.CachedType() != CosInteger || h.CachedType() != CosInteger) return 8;
  const long bits = static_cast<long>(declared);
  const long long width = static_cast<long>(w);
  const long long height = static_cast<long>(h);
  if ((bits != 1 && bits != 2 && bits != 4) || width <= 0 || height <= 0) return 8;
  const unsigned long long pixels = static_cast<unsigned long long>(width) * static_cast<unsigned long long>(height);
  if (samples.size() % pixels != 0) return 8;
  // Indices are values of their own; colour samples were stretched from
  // the depth to 8 bits, by 255, 85 or 17.
  const unsigned top = (1u << bits) - 1;
  const unsigned step = IsIndexed(dict.Get("ColorSpace")) ? 1 : 255 / top;
  for (unsigned char v : samples)
    if (v % step != 0 || v / step > top) return 8;
  const size_t row = samples.size() / static_cast<size_t>(height);  // samples a row
  std::string packed;
  packed.reserve(static_cast<size_t>(height) * ((row * static_cast<size_t>(bits) + 7) / 8));
  for (size_t at = 0; at < samples.size(); at += row) {
    unsigned byte = 0;
    long filled = 0;
    for (size_t x = 0; x < row; ++x) {
      byte = (byte << bits) | (static_cast<unsigned char>(samples[at + x]) / step);
      filled += bits;
      if (filled == 8) {
        packed.push_back(static_cast<char>(byte));
        byte = 0;
        filled = 0;
      }
    }
    if (filled > 0) packed.push_back(static_cast<char>(byte << (8 - filled)));
  }
  samples.swap(packed);
  return static_cast<int>(bits);
}

double ToPoints(ASFixed value) { return value / 65536.0; }

// Points to 16.16, rounded as d * 65536 + 0.5 taken toward zero, within range.
ASFixed ToFixed(double points) {
  const double scaled = std::trunc(points * 65536 + 0.5);
  if (scaled >= 2147483647.0) return 2147483647;
  if (scaled <= -2147483648.0) return -2147483647 - 1;
  return static_cast<ASFixed>(scaled);
}

// The smaller displacement (by absolute value; the first on a tie) that
// takes the rectangle out past the nearer edge, one unit beyond it.
double Displacement(double toFarEdge, double toNearEdge) {
  double value = std::fabs(toNearEdge) < std::fabs(toFarEdge) ? toNearEdge : toFarEdge;
  double d = -value;
  if (d > 0) d += 1;
  if (d < 0) d -= 1;
  return d;
}

void MoveAnnotation(PDDoc pd, ASInt32 pageIndex, PDAnnot annot) {
  ASFixedRect box{0, 0, 0, 0};
  PDRotate rotation = 0;
  double zoom = 1.0;
  GetPageBox(pd, pageIndex, box, rotation, zoom);
  ASFixedRect shown{0, 0, 0, 0};
  GetAnnotationRect(annot, rotation, 1.0, shown);

  double dx = 0;
  double dy = 0;
  const double width = ToPoints(box.right) - ToPoints(box.left);
  const double height = ToPoints(box.top) - ToPoints(box.bottom);
  if (!(width > height)) {
    dx = Displacement(ToPoints(shown.left) - ToPoints(box.right), ToPoints(shown.right) - ToPoints(box.left));
  } else {
    dy = Displacement(ToPoints(shown.top) - ToPoints(box.bottom), ToPoints(shown.bottom) - ToPoints(box.top));
  }
  const ASFixedMatrix move{65536, 0, 0, 65536, ToFixed(dx), ToFixed(dy)};
  HostCall("ObscuringAnnotationFixer::FixIt", [&] {
    ASFixedRect stored{0, 0, 0, 0};
    PDAnnotGetRect(annot, &stored);
    ASFixedRect moved{0, 0, 0, 0};
    ASFixedMatrixTransformRect(&moved, &move, &stored);
    PDAnnotSetRect(annot, &moved);
  });
}

void RemoveAnnotation(PDDoc pd, ASInt32 pageIndex, PDAnnot annot) {
  PDPage page = nullptr;
  HostRegionResult r = HostRegion([&] {
    page = PDDocAcquirePage(pd, pageIndex);
    const ASInt32 index = PDPageGetAnnotIndex(page, annot);
    // A popup need not be in the page's list.
    if (index >= 0) PDPageRemoveAnnot(page, index);
  });
  if (page) HostRegion([&] { PDPageRelease(page); });
  if (r.raised && r.code != 0) throw Zentu::AcrobatException(-1, r.code, "ObscuringAnnotationFixer::FixIt");
}

}  // namespace

MyCosObj PageDictionary(PDDoc pd, ASInt32 pageIndex) {
  if (!pd || pageIndex < 0) return MyCosObj();
  PDPage page = nullptr;
  CosObj pageObject = MyCosObj::NullObj();
  HostRegionResult r = HostRegion([&] {
    page = PDDocAcquirePage(pd, pageIndex);
    pageObject = PDPageGetCosObj(page);
  });
  if (page) HostRegion([&] { PDPageRelease(page); });
  if (r.raised) return MyCosObj();
  return MyCosObj(pageObject);
}

MyCosObj InheritedResources(const MyCosObj& page, MyCosObj* holder) {
  if (holder) *holder = MyCosObj();
  std::set<std::pair<ASUns32, ASUns32>> seen;
  MyCosObj node = page;
  for (int depth = 0; depth < kMaxChain && node.CachedType() == CosDict; ++depth) {
    if (!seen.insert(IdentityOf(node)).second) break;
    const MyCosObj resources = node.Get("Resources");
    if (!resources.IsNull()) {
      // As the walk reads them: the first entry there is decides, and one
      // that is no dictionary hides its ancestors' without giving any.
      if (resources.CachedType() != CosDict) return MyCosObj();
      if (holder) *holder = node;
      return resources;
    }
    node = node.Get("Parent");
  }
  return MyCosObj();
}

MyCosObj ContentResources(const Zentu::PDFX_Error& error) {
  const MyCosObj contents = ObjectOf(error.GetContainerNode());
  if (contents.CachedType() == CosStream) {
    MyCosObj own = OwnResources(contents);
    if (!own.IsNull()) return own;
  }
  const NodePtr& holder = error.GetObjectNode();
  if (holder) {
    if (IsPage(holder->object) || holder->objectKind == KIND_PAGE) return InheritedResources(holder->object);
    MyCosObj own = OwnResources(holder->object);
    if (!own.IsNull()) return own;
    for (const NodePtr& referrer : holder->referrers) {
      if (!referrer) continue;
      own = OwnResources(referrer->object);
      if (!own.IsNull()) return own;
    }
  }
  return PageResources(error);
}

bool HoldsAction(const char* key, const MyCosObj& value, bool (*isAction)(const MyCosObj&)) {
  if (std::string(key) != "AA") return isAction(value);
  if (value.CachedType() != CosDict) return false;
  std::vector<MyCosObj> values;
  value.Enum(&CollectValue, &values);
  for (const MyCosObj& entry : values) {
    if (isAction(entry)) return true;
  }
  return false;
}

namespace Zentu {

// --- compression

CompressionFixer::CompressionFixer(const std::string& filter) : filter_(filter) {}
CompressionFixer::~CompressionFixer() = default;

int CompressionFixer::FixIt(FixContext& context, bool) {
  if (!context.error || !context.walker) return 1;
  // A stream another repair wrote anew (its content rewritten) is
  // compressed as it now is.
  const MyCosObj stream = context.walker->LatestVersion(ObjectOf(context.error->GetContainerNode()));
  if (stream.CachedType() != CosStream) return 1;
  const MyCosDoc doc = stream.GetDoc();

  // Data the host cannot read (a filter it does not know, damaged bytes)
  // leaves the stream as it is: not fixed, and the other repairs go on.
  ASStm data = nullptr;
  try {
    data = stream.OpenStm(cosOpenFiltered);
  } catch (const AcrobatException&) {
    return 1;
  }
  if (!data) return 1;
  StreamCloser closeData(data);
  const bool jpx = NamesFilter(stream.Dict().Get("Filter"), "JPXDecode");
  MyCosObj made;
  try {
    MyCosObj dict = stream.Dict().Copy(doc, 0);
    MyCosObj filter;
    if (!filter.NewName(doc, 0, filter_.c_str())) return 1;
    dict.Put("Filter", filter);
    dict.Remove("DecodeParms");
    if (!jpx) {
      made.NewStream(doc, 1, data, 0, 0, dict, MyCosObj(), -1);
    } else {
      // JPEG 2000 data carried its own depth; the new image declares the
      // depth of the samples it is given.
      std::string samples = ReadAll(data);
      MyCosObj depth;
      if (!depth.NewInteger(doc, 0, PackJpxSamples(dict, samples))) return 1;
      dict.Put("BitsPerComponent", depth);
      ASStm memory = nullptr;
      HostCall("CompressionFixer::FixIt",
               [&] { memory = ASMemStmRdOpen(samples.data(), static_cast<ASSize_t>(samples.size())); });
      StreamCloser closeMemory(memory);
      made.NewStream(doc, 1, memory, 0, 0, dict, MyCosObj(), -1);
    }
  } catch (const AcrobatException&) {
    made = MyCosObj();
  }
  if (made.IsNull()) return 1;
  context.walker->Supersede(stream, made, nullptr, 0);
  return 2;
}

// --- key removal

KeyRemovalFixer::KeyRemovalFixer(const std::string& key) : key_(key) {}
KeyRemovalFixer::~KeyRemovalFixer() = default;

int KeyRemovalFixer::FixIt(FixContext& context, bool) {
  if (!context.error) return 1;
  const NodePtr& container = context.error->GetContainerNode();
  MyCosObj target = container ? container->object : ObjectOf(context.error->GetObjectNode());
  if (target.IsNull()) return 1;
  target.Remove(key_.empty() ? context.error->GetDetail() : key_);
  return 2;
}

// --- operators

OperatorRemovalFixer::~OperatorRemovalFixer() = default;

int OperatorRemovalFixer::FixIt(FixContext& context, bool) {
  if (!context.error || !context.walker) return 1;
  if (context.walker->OperatorsRemoved(*context.error)) return 2;
  // What this record names and nothing more: an operator filed beside it
  // as an error no fix repairs stays in the content, and is counted still.
  const std::list<std::string>* listed = context.walker->FindOperatorsToRemove(*context.error);
  if (!listed) return 1;
  const std::list<std::string> names = *listed;
  // A content another repair wrote anew is read as it now is, so that
  // both repairs reach the saved file.
  const MyCosObj contents = context.walker->LatestVersion(ObjectOf(context.error->GetContainerNode()));
  ContentProcessor processor(context.walker, contents, ContentResources(*context.error));
  if (!processor.Run(names)) return 1;
  context.walker->MarkOperatorsRemoved(*context.error);
  return 2;
}

// --- alternate images

AlternateImagesRemovalFixer::~AlternateImagesRemovalFixer() = default;

int AlternateImagesRemovalFixer::FixIt(FixContext& context, bool) {
  if (!context.error) return 1;
  MyCosObj image = ObjectOf(context.error->GetContainerNode());
  if (!IsDictOrStream(image)) image = ObjectOf(context.error->GetObjectNode());
  if (!IsDictOrStream(image)) return 1;
  const MyCosObj alternates = image.Get("Alternates");
  if (alternates.IsNull()) return 2;
  if (context.walker) context.walker->CollectReferences(alternates, nullptr, 0);
  image.Remove("Alternates");
  return 2;
}

// --- transparency

TransparencyRemovalFixer::~TransparencyRemovalFixer() = default;

int TransparencyRemovalFixer::FixIt(FixContext& context, bool) {
  if (!context.error) return 1;
  PDFXPreflight* walker = context.walker.get();
  int answer = RemoveSoftMask(context.error->GetContainerNode(), walker);
  const TransparencyError* record = dynamic_cast<const TransparencyError*>(context.error);
  if (!record) return answer;
  for (auto it = record->nodes.begin(); answer == 2 && it != record->nodes.end(); ++it) {
    answer = RemoveSoftMask(*it, walker);
  }
  return answer;
}

// --- actions

ActionFixer::~ActionFixer() = default;

int ActionFixer::FixIt(FixContext& context, bool) {
  if (!context.error) return 1;
  MyCosObj holder = ObjectOf(context.error->GetContainerNode());
  if (!IsDictOrStream(holder)) return 1;
  try {
    for (const char* key : {"A", "AA", "OpenAction"}) {
      const MyCosObj value = holder.Get(key);
      if (!HoldsAction(key, value, &IsAction)) continue;
      holder.Remove(key);
      // What only the action used goes with the clean-up.
      if (context.walker) context.walker->CollectReferences(value, nullptr, 0);
    }
  } catch (const AcrobatException&) {
    return 1;
  }
  return 2;
}

// --- obscuring annotations

ObscuringAnnotationFixer::~ObscuringAnnotationFixer() = default;

int ObscuringAnnotationFixer::FixIt(FixContext& context, bool) {
  if (!context.error) return 1;
  MyCosObj annotation = ObjectOf(context.error->GetContainerNode());
  if (annotation.IsNull()) return 2;
  const ASInt32 pageIndex = context.error->GetPageIndex();
  PDDoc pd = GetErrorPDDoc(context.error);
  if (!pd || pageIndex < 0) return 1;

  const MyCosObj subtype = annotation.Get("Subtype");
  const bool move = NameIs(subtype, "Text") || NameIs(subtype, "Popup") ||
                    (NameIs(subtype, "Widget") && NameIs(annotation.Get("FT"), "Sig"));
  if (move) {
    PDAnnot annot{0, 0};
    HostCall("ObscuringAnnotationFixer::FixIt", [&] { annot = PDAnnotFromCosObj(annotation.GetCosObj()); });
    MoveAnnotation(pd, pageIndex, annot);
    return 2;
  }

  // The annotation and the popups it leads to, removed from the last popup
  // back: each one's /Popup entry goes before it does.
  std::vector<MyCosObj> chain(1, annotation);
  std::set<std::pair<ASUns32, ASUns32>> seen;
  seen.insert(IdentityOf(annotation));
  for (MyCosObj popup = annotation.Get("Popup"); popup.CachedType() == CosDict; popup = popup.Get("Popup")) {
    if (!seen.insert(IdentityOf(popup)).second || chain.size() >= static_cast<size_t>(kMaxChain)) break;
    chain.push_back(popup);
  }
  for (size_t i = chain.size(); i-- > 0;) {
    PDAnnot annot{0, 0};
    HostCall("ObscuringAnnotationFixer::FixIt", [&] { annot = PDAnnotFromCosObj(chain[i].GetCosObj()); });
    RemoveAnnotation(pd, pageIndex, annot);
    if (i > 0) chain[i - 1].Remove("Popup");
  }
  return 2;
}

// --- page boxes

UseMediaBoxFixer::UseMediaBoxFixer(const boost::shared_ptr<ObjectNode>& box) : box_(box) {}
UseMediaBoxFixer::~UseMediaBoxFixer() = default;

int UseMediaBoxFixer::FixIt(FixContext& context, bool) {
  if (!box_ || !context.error) return 1;
  // The page, which the record holds as the object the problem lies in;
  // a record about the box value itself holds the page as its holder.
  MyCosObj page = ObjectOf(context.error->GetContainerNode());
  if (page.CachedType() != CosDict) page = ObjectOf(context.error->GetObjectNode());
  if (page.CachedType() != CosDict) return 1;
  MyCosObj box = box_->object;
  if (box.IsNull()) return 1;
  if (!box.IsIndirect()) box = box.Copy(page.GetDoc(), 0);
  const std::string& detail = context.error->GetDetail();
  page.Put(detail.empty() ? std::string("ArtBox") : detail, box);
  return 2;
}

// --- the shared instances

namespace {

enum SharedFixer {
  SHARED_INFO,
  SHARED_JUST_SAVE,
  SHARED_OPERATORS,
  SHARED_COMPRESSION,
  SHARED_KEY_REMOVAL,
  SHARED_ALTERNATES,
  SHARED_TRANSPARENCY,
  SHARED_REPLACE_PROFILE,
  SHARED_COUNT
};

struct SharedFixers {
  SharedFixers() { Make(); }
  // Each instance that is missing, made anew.
  void Make() {
    if (!fixers[SHARED_INFO]) fixers[SHARED_INFO].reset(new InfoDictFixer(""));
    if (!fixers[SHARED_JUST_SAVE]) fixers[SHARED_JUST_SAVE].reset(new JustSaveFixer);
    if (!fixers[SHARED_OPERATORS]) fixers[SHARED_OPERATORS].reset(new OperatorRemovalFixer);
    if (!fixers[SHARED_COMPRESSION]) fixers[SHARED_COMPRESSION].reset(new CompressionFixer("FlateDecode"));
    if (!fixers[SHARED_KEY_REMOVAL]) fixers[SHARED_KEY_REMOVAL].reset(new KeyRemovalFixer(""));
    if (!fixers[SHARED_ALTERNATES]) fixers[SHARED_ALTERNATES].reset(new AlternateImagesRemovalFixer);
    if (!fixers[SHARED_TRANSPARENCY]) fixers[SHARED_TRANSPARENCY].reset(new TransparencyRemovalFixer);
    if (!fixers[SHARED_REPLACE_PROFILE]) fixers[SHARED_REPLACE_PROFILE].reset(new ReplaceProfileFixer);
    TransparencyRemovalFixerInstance() = fixers[SHARED_TRANSPARENCY];
    for (bool& flag : released) flag = false;
  }
  boost::shared_ptr<Fixer> fixers[SHARED_COUNT];
  bool released[SHARED_COUNT] = {};
};

SharedFixers& Shared() {
  static SharedFixers shared;
  return shared;
}

// Made when the module loads.
struct MakeAtLoad {
  MakeAtLoad() { Shared(); }
} makeAtLoad;

}  // namespace

boost::shared_ptr<Fixer> GlobalFixers::InfoDict() { return Shared().fixers[SHARED_INFO]; }
boost::shared_ptr<Fixer> GlobalFixers::JustSave() { return Shared().fixers[SHARED_JUST_SAVE]; }
boost::shared_ptr<Fixer> GlobalFixers::OperatorRemoval() { return Shared().fixers[SHARED_OPERATORS]; }
boost::shared_ptr<Fixer> GlobalFixers::Compression() { return Shared().fixers[SHARED_COMPRESSION]; }
boost::shared_ptr<Fixer> GlobalFixers::KeyRemoval() { return Shared().fixers[SHARED_KEY_REMOVAL]; }
boost::shared_ptr<Fixer> GlobalFixers::AlternateImagesRemoval() { return Shared().fixers[SHARED_ALTERNATES]; }
boost::shared_ptr<Fixer> GlobalFixers::TransparencyRemoval() { return Shared().fixers[SHARED_TRANSPARENCY]; }
boost::shared_ptr<Fixer> GlobalFixers::ReplaceProfile() { return Shared().fixers[SHARED_REPLACE_PROFILE]; }

void GlobalFixers::Make() { Shared().Make(); }

void GlobalFixers::Release() {
  SharedFixers& shared = Shared();
  for (int i = 0; i < SHARED_COUNT; ++i) {
    if (shared.released[i]) continue;
    shared.released[i] = true;
    if (i == SHARED_TRANSPARENCY && TransparencyRemovalFixerInstance() == shared.fixers[i]) {
      TransparencyRemovalFixerInstance().reset();
    }
    shared.fixers[i].reset();
  }
}

}  // namespace Zentu
