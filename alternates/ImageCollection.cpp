#include "alternates/ImageCollection.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <tuple>

#include "alternates/ImageConverter.h"
#include "alternates/Progress.h"
#include "alternates/ZentuCMS.h"
#include "host/frame.h"
#include "host/piglue.h"

namespace {

ASAtom Atom(const char* text) { return ASAtomFromString(text); }

// The colour families the conversion takes, by their components (0: the
// profile's N).
struct Family {
  const char* name;
  ASUns8 components;
};
const Family kFamilies[] = {{"ICCBased", 0}, {"Indexed", 1}, {"CalGray", 1},   {"DeviceGray", 1}, {"Separation", 1},
                            {"Lab", 3},      {"CalRGB", 3},  {"DeviceRGB", 3}, {"DeviceCMYK", 4}};

const Family* KnownFamily(CosObj name) {
  for (const Family& family : kFamilies)
    if (IsName(name, family.name)) return &family;
  return nullptr;
}

// A stencil mask is one component; other images have their colour space's.
ASInt32 ImageComponents(CosObj image) {
  return IsImageMask(image) ? 1 : ParseColorSpace(CosDictGet(image, Atom("ColorSpace")));
}

// The note's text as the plug-in formats it, into 256 bytes.
std::string Formatted(const char* format, const char* name) {
  char text[256];
  std::snprintf(text, sizeof text, format, name);
  return text;
}

// The smallest integer not below `x`; a product that lands a rounding error
// above a whole number stays that number.
ASInt32 Ceiling(double x) {
  double c = std::ceil(x - 1e-9);
  if (!(c > 0)) return 0;
  if (c >= 2147483647.0) return 2147483647;
  return static_cast<ASInt32>(c);
}

// The colour layer behind the conversion: its handles make the profiles at
// once and the transform at first use.
class LayerTransform : public ColorTransform {
 public:
  LayerTransform(ASInt32 sourceKind, ASInt32 outputProfile)
      : source_(static_cast<ASUns32>(sourceKind)),
        output_(static_cast<ASUns32>(outputProfile)),
        transform_(source_, output_) {}
  ASUns32 Components() override { return static_cast<ASUns32>(transform_.DestinationProfile().ComponentCount()); }
  ASInt32 Kind() override { return transform_.DestinationProfile().Kind(); }
  void Apply(ASInt32 width, ASInt32 rows, const ASUns8* source, ASUns8* output) override {
    ZentuCMS::PixelLayoutRef in(width, rows, &source_, const_cast<ASUns8*>(source));
    ZentuCMS::PixelLayoutRef out(width, rows, &output_, output);
    transform_.Apply(in.Get(), out.Get());
  }

 private:
  ASUns32 source_, output_;
  ZentuCMS::TransformRef transform_;
};

ASUns32 LayerOutputComponents(ASInt32 outputProfile) {
  const ASUns32 description = static_cast<ASUns32>(outputProfile);
  ZentuCMS::ProfileRef profile(&description);
  return static_cast<ASUns32>(profile.ComponentCount());
}

ColorTransform* MakeLayerTransform(ASInt32 sourceKind, ASInt32 outputProfile) {
  return new LayerTransform(sourceKind, outputProfile);
}

}  // namespace

ASUns32 (*OutputProfileComponents)(ASInt32) = &LayerOutputComponents;
ColorTransform* (*MakeColorTransform)(ASInt32, ASInt32) = &MakeLayerTransform;

ColorTransform::~ColorTransform() = default;

bool IsName(CosObj obj, const char* name) {
  return CosObjGetType(obj) == CosName && CosNameValue(obj) == Atom(name);
}

ASInt32 IntegerEntry(CosObj dict, const char* key) {
  CosObj value = CosDictGet(dict, Atom(key));
  CosType type = CosObjGetType(value);
  return type == CosInteger || type == CosFixed ? CosIntegerValue(value) : 0;
}

ASUns32 ObjectKey(CosObj obj) {
  typedef CosID (*GetID)(CosObj);
  return static_cast<ASUns32>(HFTProc<GetID>(gCosHFT, 43)(obj));
}

void ShowHostError(ASErrorCode code) {
  char text[1024] = "";
  ASGetErrorString(code, text, sizeof text);
  AVAlertNote(text);
}

std::string ImageName(ASUns32 key, const ImageRecord& record) {
  const ASInt32 page = record.pages.empty() ? record.heldOn : record.pages.front();
  return "page " + std::to_string(page + 1) + ", object " + std::to_string(key);
}

uint64_t RowsSize(int64_t width, int64_t height, int64_t components, int64_t bits) {
  if (width <= 0 || height <= 0 || components <= 0 || bits <= 0) return 0;
  return (static_cast<uint64_t>(width) * components * bits + 7) / 8 * static_cast<uint64_t>(height);
}


bool IsImageMask(CosObj image) {
  CosObj mask = CosDictGet(image, Atom("ImageMask"));
  return CosObjGetType(mask) == CosBoolean && CosBooleanValue(mask);
}

ASInt32 ImageBitsPerComponent(CosObj image) {
  if (FilterPosition(image, "JPXDecode") != -2) return 8;
  if (CosObjGetType(CosDictGet(image, Atom("BitsPerComponent"))) != CosNull)
    return IntegerEntry(image, "BitsPerComponent");
  return IsImageMask(image) ? 1 : 0;
}

namespace {

// One page's resource enumeration: each image new to the map is held on
// that page.
struct PageImages {
  ImageMap* map;
  ASInt32 page;
};

ASBool CollectPageImagesProc(CosObj resource, CosObj name, void* clientData) {
  PageImages& on = *static_cast<PageImages*>(clientData);
  const size_t before = on.map->size();
  const ASBool goOn = CollectImagesProc(resource, name, on.map);
  if (on.map->size() != before) HostRegion([&] { (*on.map)[ObjectKey(resource)].heldOn = on.page; });
  return goOn;
}

// The places a page's content walk does not go into: the appearances of its
// annotations, tiling patterns, soft-mask groups and the glyphs of Type 3
// fonts, and the forms these draw, found through the resources of the page
// and of every form. Images held there that the map lacks are counted, and
// so are the inline images of their content; those the map holds are
// marked.
class Unreached {
 public:
  Unreached(ImageMap& map, InlineImages& inlineImages) : map_(map), inline_(inlineImages) {}
  void Page(PDPage page) {
    Resources(PDPageGetResources(page), true);
    for (ASInt32 i = 0; i < PDPageGetNumAnnots(page); ++i) {
      CosObj appearances = CosDictGet(PDAnnotGetCosObj(PDPageGetAnnot(page, i)), Atom("AP"));
      if (CosObjGetType(appearances) != CosDict) continue;
      // An appearance is a form, whether it says so or not.
      auto appearance = [this](CosObj form) { Content(form); };
      for (const char* kind : {"N", "R", "D"}) {
        CosObj each = CosDictGet(appearances, Atom(kind));
        if (CosObjGetType(each) == CosStream)
          appearance(each);
        else if (CosObjGetType(each) == CosDict)
          Enumerate(each, appearance);
      }
    }
  }
  size_t Count() const { return images_.size(); }

 private:
  template <class Visit>
  static void Enumerate(CosObj dict, Visit visit) {
    CosObjEnum(
        dict,
        [](CosObj, CosObj value, void* data) -> ASBool {
          (*static_cast<Visit*>(data))(value);
          return 1;
        },
        &visit);
  }
  // `reached`: the content that uses these resources is walked. `glyph`:
  // they are a Type 3 font's, or those its glyphs are drawn with.
  void Resources(CosObj resources, bool reached, bool glyph = false) {
    if (CosObjGetType(resources) != CosDict || !seen_.insert({resources.a, resources.b, reached, glyph}).second) return;
    CosObj xobjects = CosDictGet(resources, Atom("XObject"));
    if (CosObjGetType(xobjects) == CosDict) Enumerate(xobjects, [&](CosObj x) { XObject(x, reached, glyph); });
    CosObj patterns = CosDictGet(resources, Atom("Pattern"));
    if (CosObjGetType(patterns) == CosDict) Enumerate(patterns, [&](CosObj pattern) { Content(pattern, glyph); });
    CosObj states = CosDictGet(resources, Atom("ExtGState"));
    if (CosObjGetType(states) == CosDict)
      Enumerate(states, [&](CosObj state) {
        CosObj mask = CosObjGetType(state) == CosDict ? CosDictGet(state, Atom("SMask")) : CosObj{0, 0};
        if (CosObjGetType(mask) == CosDict) XObject(CosDictGet(mask, Atom("G")), false, glyph);
      });
    CosObj fonts = CosDictGet(resources, Atom("Font"));
    if (CosObjGetType(fonts) == CosDict) Enumerate(fonts, [&](CosObj font) { Glyphs(font, resources); });
  }
  void XObject(CosObj x, bool reached, bool glyph) {
    if (CosObjGetType(x) != CosStream) return;
    CosObj subtype = CosDictGet(x, Atom("Subtype"));
    if (IsName(subtype, "Form")) {
      if (reached)
        Resources(CosDictGet(x, Atom("Resources")), true);
      else
        Content(x, glyph);
    } else if (IsName(subtype, "Image") && !reached) {
      auto it = map_.find(ObjectKey(x));
      if (it == map_.end())
        images_.insert(ObjectKey(x));
      else
        (glyph ? it->second.drawnByGlyph : it->second.drawnUnreached) = true;
    }
  }
  // A Type 3 font's glyphs, drawn with its own resources, else with those of
  // the content that shows them (`user`): what the font's resources hold,
  // and what each glyph names there or draws inline.
  void Glyphs(CosObj font, CosObj user) {
    if (CosObjGetType(font) != CosDict || !IsName(CosDictGet(font, Atom("Subtype")), "Type3")) return;
    const CosObj own = CosDictGet(font, Atom("Resources"));
    Resources(own, false, true);
    CosObj procs = CosDictGet(font, Atom("CharProcs"));
    if (CosObjGetType(procs) != CosDict) return;
    const CosObj drawnWith = CosObjGetType(own) == CosDict ? own : user;
    Enumerate(procs, [&](CosObj proc) {
      ReadContent(
          proc, drawnWith,
          [&](const char* name) {
            CosObj x = Named(own, name);
            XObject(CosObjGetType(x) == CosNull ? Named(user, name) : x, false, true);
          },
          true);
    });
  }
  // The XObject the resources hold under a name as the content writes it
  // ("/Im1", "/Im#201"); none for a name no atom can hold.
  static CosObj Named(CosObj resources, const char* written) {
    const CosObj none{0, 0};
    if (CosObjGetType(resources) != CosDict) return none;
    CosObj xobjects = CosDictGet(resources, Atom("XObject"));
    if (CosObjGetType(xobjects) != CosDict) return none;
    std::string name;
    for (const char* p = written + 1; *p; ++p) {
      if (*p != '#') {
        name += *p;
        continue;
      }
      if (!std::isxdigit(static_cast<unsigned char>(p[1])) || !std::isxdigit(static_cast<unsigned char>(p[2])))
        return none;
      const char hex[3] = {p[1], p[2], 0};
      name += static_cast<char>(std::strtol(hex, nullptr, 16));
      p += 2;
    }
    if (name.find('\0') != std::string::npos) return none;
    return CosDictGet(xobjects, Atom(name.c_str()));
  }
  // A form, pattern or appearance the walk does not read: what its resources
  // hold, and its inline images, read up to the first that cannot be.
  void Content(CosObj stream, bool glyph = false) {
    if (CosObjGetType(stream) != CosStream) return;
    const CosObj resources = CosDictGet(stream, Atom("Resources"));
    Resources(resources, false, glyph);
    ReadContent(stream, resources, [](const char*) {});
  }
  // Reads a content the walk does not, once: its inline images are counted,
  // and each name a Do draws goes to `drawn`. In a glyph (`glyph`), an
  // inline stencil mask is the letter's shape of a bitmap font, no image.
  template <class Drawn>
  void ReadContent(CosObj stream, CosObj resources, Drawn drawn, bool glyph = false) {
    if (CosObjGetType(stream) != CosStream || !contents_.insert(ObjectKey(stream)).second) return;
    ASStm stm = nullptr;
    HostRegion([&] {
      stm = CosStreamOpenStm(stream, cosOpenFiltered);
      const ASUns32 owner = ObjectKey(stream);
      PDToken token;
      std::string name;
      for (size_t order = 0; PDReadContentToken(stm, &token) > 0 && token.type != kPDTokenNone;) {
        if (token.type != kPDTokenKeyword) continue;
        if (token.text[0] == '/') {
          name = token.text;
          continue;
        }
        if (!std::strcmp(token.text, "Do") && !name.empty()) drawn(name.c_str());
        name.clear();
        if (std::strcmp(token.text, "BI") != 0) continue;
        CosObj image = PDReadInlineImage(stm, resources, CosObjGetDoc(stream), nullptr);
        bool shape = false;
        for (const char* key : {"IM", "ImageMask"}) {
          CosObj mask = CosDictGet(image, Atom(key));
          shape = shape || (CosObjGetType(mask) == CosBoolean && CosBooleanValue(mask));
        }
        CosObjDestroy(image);
        if (!(glyph && shape)) inline_.inForms.insert({owner, order++});
      }
    });
    if (stm) HostRegion([&] { ASStmClose(stm); });
  }
  ImageMap& map_;
  InlineImages& inline_;
  std::set<std::tuple<ASUns32, ASUns32, bool, bool>> seen_;
  std::set<ASUns32> contents_;
  std::set<ASUns32> images_;
};

// From a content's coordinates to the page's; translation plays no part in
// a size.
struct PageMatrix {
  double a = 1, b = 0, c = 0, d = 1;
};

// The walk of one page's content, forms and containers included.
struct ContentWalk {
  ImageMap& map;
  PDPage page;
  InlineImages& inlineImages;

  // `owner`: the form whose content this is, 0 for the page's own.
  void Walk(PDEContent content, const PageMatrix& toPage, ASUns32 owner, size_t& inlineOrder) {
    for (ASInt32 i = 0; i < PDEditContentGetNumElems(content); ++i) {
      PDEElement element = PDEditContentGetElem(content, i);
      switch (PDEditObjectGetType(element)) {
        case kPDEImage: {
          if (!PDEditImageIsXObject(element)) {  // inline images are not resources
            if (owner)
              inlineImages.inForms.insert({owner, inlineOrder++});
            else
              ++inlineImages.onPages;
            break;
          }
          auto it = map.find(ObjectKey(PDEditImageGetCosObj(element)));
          if (it == map.end()) break;
          const PageMatrix m = Then(element, toPage);
          // Lengths known to the fixed-point grid, kept on it: a turned
          // placement measures what an upright one of its size does.
          UpdatePlacedSize(it->second, std::round(std::hypot(m.a, m.b) * 65536) / 65536.0,
                           std::round(std::hypot(m.c, m.d) * 65536) / 65536.0);
          it->second.pages.push_back(PDPageGetNumber(page));
          break;
        }
        case kPDEForm: {
          // The host reads a form already on its own path once, so this ends.
          const ASUns32 form = ObjectKey(PDEElementGetCosObj(element));
          size_t order = 0;
          PDEContent inner = PDEditFormGetContent(element);
          Walk(inner, Then(element, toPage), form, order);
          PDEditRelease(inner);
          break;
        }
        case kPDEContainer:
          Walk(PDEditContainerGetContent(element), toPage, owner, inlineOrder);
          break;
        default:
          break;
      }
    }
  }
  // The element's matrix, then `toPage`.
  static PageMatrix Then(PDEElement element, const PageMatrix& p) {
    ASFixedMatrix f{};
    PDEditElementGetMatrix(element, &f);
    const double a = f.a / 65536.0, b = f.b / 65536.0, c = f.c / 65536.0, d = f.d / 65536.0;
    return PageMatrix{a * p.a + b * p.c, a * p.b + b * p.d, c * p.a + d * p.c, c * p.b + d * p.d};
  }
};

// A mask nothing draws by itself is part of the image it masks: neither
// reached nor selected of its own.
bool PartOfAnother(const ImageRecord& record) { return record.maskOfAnother && record.pages.empty(); }
// An image only glyphs draw is out of the walk's reach, wherever it is held.
bool OnlyInGlyphs(const ImageRecord& record) { return record.drawnByGlyph && record.pages.empty() && !PartOfAnother(record); }

// Marks the images that are other images' masks.
void MarkMasks(ImageMap& map) {
  for (auto& entry : map)
    for (const char* key : {"SMask", "Mask"}) {
      CosObj mask = CosDictGet(entry.second.image, Atom(key));
      if (CosObjGetType(mask) != CosStream) continue;
      auto it = map.find(ObjectKey(mask));
      if (it != map.end() && it->first != entry.first) it->second.maskOfAnother = true;
    }
}

}  // namespace

void CollectPlacements(PDDoc doc, ImageMap& map) {
  // Whatever leaves, the progress ends and the callback goes.
  struct Finish {
    Progress* progress;
    ASCallback callback;
    ~Finish() {
      if (progress) progress->End();
      if (callback) HostRegion([this] { ASCallbackDestroy(callback); });
    }
  } finish{Progress::Get(), nullptr};
  Progress* progress = finish.progress;
  if (progress) {
    progress->Begin();
    progress->SetDuration(PDDocGetNumPages(doc));
    progress->SetValue(0);
  }
  ASCallback callback = finish.callback =
      ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&CollectPageImagesProc));
  PDPage page = nullptr;
  bool contentHeld = false;
  ASInt32 at = 0;
  InlineImages inlineImages;
  Unreached unreached(map, inlineImages);
  // Resources dictionaries already enumerated: pages that share one bring
  // no image the first did not.
  std::set<std::pair<ASUns32, ASUns32>> enumerated;
  HostRegionResult r = HostRegion([&] {
    for (; at < PDDocGetNumPages(doc); ++at) {
      if (progress) progress->SetText(("page " + std::to_string(at + 1)).c_str());
      // The first page's images are enumerated before it is read; a later
      // page's only when no page before held its resources.
      PageImages on{&map, at};
      if (at == 0) PDDocEnumResources(doc, at, at, Atom("XObject"), callback, &on);
      page = PDDocAcquirePage(doc, at);
      const CosObj resources = page ? PDPageGetResources(page) : CosObj{0, 0};
      const bool fresh = CosObjGetType(resources) != CosDict || enumerated.insert({resources.a, resources.b}).second;
      if (at > 0 && fresh) PDDocEnumResources(doc, at, at, Atom("XObject"), callback, &on);
      // Every page, whether its images came earlier or not: pages that
      // share their resources each draw their own.
      if (page) {
        PDEContent content = PDEditPageAcquireContent(page, gExtensionID);
        if (content) {
          contentHeld = true;
          CollectPlacementsInContent(content, map, page, inlineImages);
          contentHeld = false;
          PDEditPageReleaseContent(page, gExtensionID);
        }
        unreached.Page(page);
        PDPageRelease(page);
        page = nullptr;
      }
      if (progress) progress->SetValue(static_cast<int64_t>(progress->GetValue()) + 1);
    }
    MarkMasks(map);
    size_t reached = 0, inGlyphs = 0;
    for (const auto& entry : map) {
      inGlyphs += OnlyInGlyphs(entry.second);
      reached += !PartOfAnother(entry.second) && !OnlyInGlyphs(entry.second);
    }
    if (progress)
      progress->SetText((std::to_string(unreached.Count() + inlineImages.Count() + inGlyphs) + " images not reached, " +
                         std::to_string(reached) + " reached")
                            .c_str());
  });
  if (!r.raised) return;
  HostRegion([&] {
    if (contentHeld) PDEditPageReleaseContent(page, gExtensionID);
    if (page) PDPageRelease(page);
  });
  // The page, then what the host said of it.
  HostRegion([&] {
    char text[1024] = "";
    ASGetErrorString(r.code, text, sizeof text);
    AVAlertNote(("page " + std::to_string(at + 1) + " cannot be read: " + text).c_str());
  });
  ASRaise(r.code);
}

ASBool CollectImagesProc(CosObj resource, CosObj, void* clientData) {
  ImageMap& map = *static_cast<ImageMap*>(clientData);
  bool goOn = true;
  HostRegionResult r = HostRegion([&] {
    // An image is a stream of /Subtype /Image, with /Type /XObject or without.
    if (CosObjGetType(resource) != CosStream) return;
    if (!IsName(CosDictGet(resource, Atom("Subtype")), "Image")) return;
    ASUns32 key = ObjectKey(resource);
    if (map.count(key)) return;
    ImageRecord record;
    record.image = resource;
    map.emplace(key, record);
  });
  if (r.raised) {
    HostRegion([&] { ShowHostError(r.code); });
    goOn = false;
  }
  return goOn ? 1 : 0;
}

void CollectPlacementsInContent(PDEContent content, ImageMap& map, PDPage page, InlineImages& inlineImages) {
  ContentWalk walk{map, page, inlineImages};
  size_t order = 0;
  walk.Walk(content, PageMatrix{}, 0, order);
}

void UpdatePlacedSize(ImageRecord& record, double w, double h) {
  if (w > record.placedWidth && h > record.placedHeight) {
    record.placedWidth = w;
    record.placedHeight = h;
    return;
  }
  if (!(w > record.placedWidth || h > record.placedHeight)) return;
  ASInt32 width = IntegerEntry(record.image, "Width");
  ASInt32 height = IntegerEntry(record.image, "Height");
  if (width == 0 || height == 0) return;
  double dx = (w - record.placedWidth) / width;
  double dy = (h - record.placedHeight) / height;
  double decides = std::fabs(dy) >= std::fabs(dx) ? dy : dx;
  if (decides > 0) {
    record.placedWidth = w;
    record.placedHeight = h;
  }
}

void SelectImages(const ImageMap& collected, ImageMap& selected, const ImageOptions& options) {
  for (const auto& entry : collected) {
    if (PartOfAnother(entry.second) || OnlyInGlyphs(entry.second)) continue;
    if (ReleasingHandles(entry.second.image, [&] { return IsSelected(entry.second, options); }))
      selected[entry.first] = entry.second;
  }
}

bool IsSelected(const ImageRecord& record, const ImageOptions& options) {
  switch (options.ScaleCriteria) {
    case 0:
      return true;
    case 1: {
      if (record.placedWidth == 0 || record.placedHeight == 0) return true;  // infinite resolution
      double across = IntegerEntry(record.image, "Width") / record.placedWidth * 72;
      double down = IntegerEntry(record.image, "Height") / record.placedHeight * 72;
      double limit = options.LimitUnits == 1 ? options.LimitDPU * 25.4 : options.LimitDPU;
      return std::min(across, down) >= limit;
    }
    case 2: {
      ASInt32 components = ImageComponents(record.image);
      uint64_t size = RowsSize(IntegerEntry(record.image, "Width"), IntegerEntry(record.image, "Height"),
                               components, ImageBitsPerComponent(record.image));
      return options.LimitKBytes * 1024 <= static_cast<double>(size);
    }
    default:
      return false;
  }
}

ASUns8 ParseColorSpace(CosObj colorSpace) {
  CosObj family = colorSpace;
  CosType type = CosObjGetType(colorSpace);
  if (type == CosArray) {
    if (CosArrayLength(colorSpace) < 1) return 0;
    family = CosArrayGet(colorSpace, 0);
  } else if (type != CosName) {
    return 0;
  }
  if (CosObjGetType(family) != CosName) return 0;
  const Family* known = KnownFamily(family);
  if (!known) {
    AVAlertNote(ColorSpaceNote(colorSpace).c_str());
    return 0;
  }
  if (known->components) return known->components;
  // ICCBased: its profile's N.
  if (type != CosArray || CosArrayLength(colorSpace) < 2) return 0;
  CosObj profile = CosArrayGet(colorSpace, 1);
  if (CosObjGetType(profile) != CosStream && CosObjGetType(profile) != CosDict) return 0;
  ASInt32 n = IntegerEntry(profile, "N");
  return n > 0 && n < 256 ? static_cast<ASUns8>(n) : 0;
}

std::string ColorSpaceNote(CosObj colorSpace) {
  CosObj family = ColorFamily(colorSpace);
  if (CosObjGetType(family) != CosName || KnownFamily(family)) return "";
  const char* name = ASAtomGetString(CosNameValue(family));
  if (!std::strcmp(name, "Pattern")) return "Pattern ColorSpaces are illegal in this context.";
  return Formatted(!std::strcmp(name, "DeviceN") ? "%s ColorSpaces are not yet supported." : "%s is an unknown ColorSpace.",
                   name);
}

ASInt32 NewDimension(const ImageRecord& record, const ImageOptions& options, ASAtom key) {
  bool width = key == Atom("Width");
  ASInt32 pixels = IntegerEntry(record.image, width ? "Width" : "Height");
  switch (options.ScaleMethod) {
    case 0: {
      double resolution = options.ScaleUnits == 1 ? options.DPU * 25.4 : options.DPU;
      return Ceiling((width ? record.placedWidth : record.placedHeight) * resolution / 72);
    }
    case 1:
      return Ceiling(pixels * options.Factor);
    default:
      return pixels;
  }
}

uint64_t EstimateWork(ImageRecord& record, const ImageOptions& options) {
  ASInt32 components = ImageComponents(record.image);
  ASInt32 bits = ImageBitsPerComponent(record.image);
  ASInt32 width = IntegerEntry(record.image, "Width");
  ASInt32 height = IntegerEntry(record.image, "Height");
  uint64_t source = RowsSize(width, height, components, bits);
  bool resampled = options.ScaleMethod == 0 || options.ScaleMethod == 1;
  int64_t newWidth = width, newHeight = height;
  uint64_t scaled = 0;
  if (resampled) {
    newWidth = NewDimension(record, options, Atom("Width"));
    newHeight = NewDimension(record, options, Atom("Height"));
    scaled = RowsSize(newWidth, newHeight, components, bits);
  }
  uint64_t converted = 0;
  if (options.ConvertColors)
    converted = RowsSize(newWidth, newHeight, OutputProfileComponents(options.OutputProfile), bits);
  uint64_t work;
  if (converted == 0)
    work = scaled != 0 ? 2 * source + 2 * scaled : source;
  else if (!resampled)
    work = 2 * source + 2 * converted;
  else if (scaled != 0)
    work = 2 * source + 2 * scaled + 2 * converted;
  else
    work = source + 2 * converted;
  record.work = work;
  return work;
}

uint64_t CountWork(ImageMap& selected, const ImageOptions& options) {
  uint64_t total = 0;
  for (auto& entry : selected)
    total += ReleasingHandles(entry.second.image, [&] { return EstimateWork(entry.second, options); });
  return total;
}
