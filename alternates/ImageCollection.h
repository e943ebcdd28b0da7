// The inventory of a document's image XObjects that a command works on:
// which images exist, the largest size each is drawn at and on which pages,
// which of them the option set selects, and the work their conversion takes.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "alternates/ImageOptions.h"
#include "host/calls.h"

struct ImageRecord {
  CosObj image{0, 0};
  double placedHeight = 0;  // points, of the largest recorded placement
  double placedWidth = 0;
  uint64_t work = 0;        // bytes, as EstimateWork gives them
  std::vector<ASInt32> pages;  // one entry per recorded placement, in walk order
  ASInt32 heldOn = -1;      // the first page whose resources hold it (-1: not known)
  bool maskOfAnother = false;  // another collected image's /SMask or /Mask
  bool drawnUnreached = false;  // held where the walk does not go (an annotation's
                                // appearance, a pattern, a soft mask)
  bool drawnByGlyph = false;  // drawn by a Type 3 glyph, which the walk does not read
};

// By the image's object number.
typedef std::map<ASUns32, ImageRecord> ImageMap;

// Every image of the document, with its placements on every page (each
// page's content is walked, so that pages sharing one resources dictionary
// each give their own). Then the images that are masks of others, and those
// held in appearances, patterns, soft masks and Type 3 glyphs, are marked;
// the images the walk does not reach at all (inline ones, those only there,
// and those only glyphs draw, wherever they are held) are told as "K images
// not reached, N reached". A host failure is shown in a note naming the page
// and raised again, after the progress has ended.
void CollectPlacements(PDDoc doc, ImageMap& map);
// Resource enumeration procedure (client datum: the ImageMap): records each
// image XObject once; false after a host failure, which it shows.
ASBool CollectImagesProc(CosObj resource, CosObj name, void* clientData);
// Inline images met: those of a page's own content counted; those of a
// form, a pattern or an appearance by its object number and their order in
// it, so that one drawn twice, or on two pages, counts once.
struct InlineImages {
  size_t onPages = 0;
  std::set<std::pair<ASUns32, size_t>> inForms;
  size_t Count() const { return onPages + inForms.size(); }
};
// Records the placements of the map's images in one page's content, its
// forms and containers included, each in page space (each form's matrix and
// placement are applied on the way down). A placement's size is measured
// along each axis of the image (the lengths of its matrix's images of the
// unit vectors), so that a turned or skewed placement gives each axis its
// own length. The inline images met go into `inlineImages`.
void CollectPlacementsInContent(PDEContent content, ImageMap& map, PDPage page, InlineImages& inlineImages);
// One placement's size in points: the record keeps the larger of its placed
// size and this one, always one whole placement.
void UpdatePlacedSize(ImageRecord& record, double width, double height);

// Masks of other images that nothing draws by themselves are left out.
void SelectImages(const ImageMap& collected, ImageMap& selected, const ImageOptions& options);
bool IsSelected(const ImageRecord& record, const ImageOptions& options);
// Colour components; 0 (after a note for the families it cannot handle)
// when the colour space cannot be converted.
ASUns8 ParseColorSpace(CosObj colorSpace);
// The note ParseColorSpace shows for a family it cannot handle; "" for one it
// handles, and for a colour space that names no family.
std::string ColorSpaceNote(CosObj colorSpace);
// The sum of EstimateWork over the map.
uint64_t CountWork(ImageMap& selected, const ImageOptions& options);
// Bytes read, scaled, converted and handed over; kept in the record.
uint64_t EstimateWork(ImageRecord& record, const ImageOptions& options);
// The new pixel count along the axis named by `key` (the atom of "Width" or
// "Height").
ASInt32 NewDimension(const ImageRecord& record, const ImageOptions& options, ASAtom key);

// The image's bits per component: a missing entry reads as 1 for an image
// mask and as 0 otherwise; JPEG 2000 data decodes to 8, whatever the entry
// says (its samples' own depth is the data's, which the host widens).
ASInt32 ImageBitsPerComponent(CosObj image);
// Whether the image is a stencil mask (/ImageMask true): one component.
bool IsImageMask(CosObj image);

// Components of the option set's output profile, from the colour layer
// (whose only engine refuses by throwing ZentuCMS::Unimplemented).
extern ASUns32 (*OutputProfileComponents)(ASInt32 outputProfile);

// A colour transform from a source kind (4 CMYK, 3 RGB, 5 gray, 6 Lab) to
// the option set's output profile, over 8-bit samples.
class ColorTransform {
 public:
  virtual ~ColorTransform();
  // Of the destination profile: its component count and its family (1 gray,
  // 2 RGB, 3 Lab, 4 CMYK).
  virtual ASUns32 Components() = 0;
  virtual ASInt32 Kind() = 0;
  virtual void Apply(ASInt32 width, ASInt32 rows, const ASUns8* source, ASUns8* output) = 0;
};
// Makes one (owned by the caller) over the colour layer.
extern ColorTransform* (*MakeColorTransform)(ASInt32 sourceKind, ASInt32 outputProfile);

// The image's name in what the plug-in tells: "page N, object M", N the
// first page that draws it (else that holds it), from 1.
std::string ImageName(ASUns32 key, const ImageRecord& record);

// Shared by the image operations.
bool IsName(CosObj obj, const char* name);
// An integer entry; a number that is not one is truncated, anything else is 0.
ASInt32 IntegerEntry(CosObj dict, const char* key);
// The object number, as the plug-ins' own selector gives it.
ASUns32 ObjectKey(CosObj obj);
// What `body` gives, with the handles it wrapped in the document of `image`
// let go after it (none of them may be kept), so that a walk over many
// images holds no handle of each.
template <class Body>
auto ReleasingHandles(CosObj image, Body body) -> decltype(body()) {
  if (CosObjGetType(image) == CosNull) return body();
  const CosDoc doc = CosObjGetDoc(image);
  const ASUns32 mark = CosDocHandleMark(doc);
  auto result = body();
  CosDocReleaseHandles(doc, mark);
  return result;
}
// The host error's text in a note.
void ShowHostError(ASErrorCode code);
// Bytes of whole rows: ((width x components x bits + 7) / 8) x height; 0
// when any of them is not positive.
uint64_t RowsSize(int64_t width, int64_t height, int64_t components, int64_t bits);
