// The tests of annotations, actions and trap networks that both PDF/X
// families name in their rule trees. Each files its own records against
// the object tested (the container node, which the fixers change), with
// the object that holds it as the object node.
#include "common/HostCall.h"
#include "standards/FamilyChecks.h"

#include <string>

#include "common/MyCosDoc.h"
#include "engine/ErrorNames.h"
#include "engine/Fixer.h"
#include "engine/Fixers.h"
#include "engine/PDFX_Error.h"
#include "engine/PDFXPreflight.h"
#include "engine/PageArea.h"
#include "host/calls.h"
#include "host/frame.h"

namespace Zentu {
namespace family {

namespace {

const char kObscures[] = "Non-TrapNet annotations must not obscure the visual impression of a page";
const char kActions[] = "Actions are not allowed";

bool NameIs(const MyCosObj& value, const char* name) {
  return value.CachedType() == CosName && value.ValueAsString() == name;
}

void File(PDFXPreflight& walker, const MyCosObj& holder, const MyCosObj& subject, const char* message,
          const char* detail, int severity, int objectKind, const boost::shared_ptr<Fixer>& fixer) {
  boost::shared_ptr<PDFX_Error> error =
      walker.AddError(holder, subject, message, detail, severity, objectKind, PROBLEM_INVALID);
  error->AttachFixer(fixer);
}

// The page's print area (its first box of BleedBox, TrimBox, ArtBox,
// CropBox and MediaBox) and rotation; false outside a page or without a box.
bool PrintArea(PDFXPreflight& walker, ASFixedRect& area, PDRotate& rotation) {
  const int page = walker.GetCurrentPage();
  if (page < 0 || !walker.GetPDDoc()) return false;
  double zoom = 1.0;
  return GetPageBox(walker.GetPDDoc(), page, area, rotation, zoom);
}

// The annotation's rectangle as shown on a page of that rotation.
ASFixedRect ShownRect(const MyCosObj& annotation, PDRotate rotation) {
  PDAnnot annot{0, 0};
  HostCall("TestAnnotation", [&] { annot = PDAnnotFromCosObj(annotation.GetCosObj()); });
  ASFixedRect shown{0, 0, 0, 0};
  GetAnnotationRect(annot, rotation, 1.0, shown);
  return shown;
}

// Overlap with room to spare: rectangles that only touch do not overlap.
// On equal edges the area's own edge is the one compared.
bool Overlaps(const ASFixedRect& area, const ASFixedRect& shown) {
  const ASFixedRect& leftmost = shown.left < area.left ? shown : area;
  const ASFixedRect& lowest = shown.bottom < area.bottom ? shown : area;
  const ASFixed left = area.left > shown.left ? area.left : shown.left;
  const ASFixed bottom = area.bottom > shown.bottom ? area.bottom : shown.bottom;
  return left < leftmost.right && bottom < lowest.top;
}

}  // namespace

bool UsableAction(const MyCosObj& object) {
  if (object.IsNull()) return false;
  HostRegionResult r = HostRegion([&] { PDActionFromCosObj(object.GetCosObj()); });
  return !r.raised;
}

int TestAnnotation(RuleContext* context, const AnnotationFixers& fixers, bool (*isUsableAction)(const MyCosObj&)) {
  if (!context || !context->walker) return 0;
  PDFXPreflight& walker = *context->walker;
  const MyCosObj& annotation = context->value;
  if (annotation.CachedType() != CosDict) return 0;
  const MyCosObj subtype = annotation.Get("Subtype");
  if (NameIs(subtype, "TrapNet")) return 0;

  ASFixedRect area{0, 0, 0, 0};
  PDRotate rotation = 0;
  const bool hasArea = PrintArea(walker, area, rotation);
  const bool obscures = hasArea && Overlaps(area, ShownRect(annotation, rotation));
  if (obscures) File(walker, context->container, annotation, kObscures, "Rect", AUTOFIX_ERROR, KIND_ANNOTATION,
                     fixers.annotation);
  // An annotation that goes anyway takes its action along, but a note only moves.
  if (obscures && !NameIs(subtype, "Text")) return 0;

  if (isUsableAction(annotation.Get("A")) || isUsableAction(annotation.Get("AA"))) {
    File(walker, context->container, annotation, kActions, "", AUTOFIX_ERROR, KIND_ANNOTATION, fixers.action);
  }

  // A pop-up that is not a dictionary is no annotation to test.
  const MyCosObj popup = annotation.Get("Popup");
  if (popup.CachedType() != CosDict) return 0;
  if (hasArea && Overlaps(area, ShownRect(popup, rotation))) {
    File(walker, context->container, popup, kObscures, "Rect", AUTOFIX_ERROR, KIND_ANNOTATION, fixers.annotation);
  }
  if (!popup.Get("A").IsNull() || !popup.Get("AA").IsNull()) {
    File(walker, context->container, popup, kActions, "", AUTOFIX_ERROR, KIND_ANNOTATION, fixers.action);
  }
  return 0;
}

int TestAction(RuleContext* context, const AnnotationFixers& fixers, bool (*isUsableAction)(const MyCosObj&)) {
  if (!context || !context->walker) return 0;
  // The object that holds the action: the action fixer empties it. A
  // destination, or a dictionary the host takes for no action, is none.
  const MyCosObj& holder = context->value;
  if (holder.CachedType() != CosDict && holder.CachedType() != CosStream) return 0;
  for (const char* key : {"A", "AA", "OpenAction"}) {
    if (!HoldsAction(key, holder.Get(key), isUsableAction)) continue;
    File(*context->walker, context->container, holder, kActions, "", AUTOFIX_ERROR, KIND_UNKNOWN, fixers.action);
    return PROBLEM_INVALID;
  }
  return 0;
}

int TestTrapNet(RuleContext* context, const AnnotationFixers& fixers) {
  if (!context || !context->walker) return 0;
  PDFXPreflight& walker = *context->walker;
  const MyCosObj& annotation = context->value;
  if (annotation.CachedType() != CosDict) return 0;
  const MyCosObj fauxing = annotation.Get("FontFauxing");
  if (!fauxing.IsNull() && fauxing.Length() != 0) {
    File(walker, context->container, annotation, "TrapNet annotation is illegal", "FontFauxing", UNFIXABLE_ERROR,
         KIND_PAGE, boost::shared_ptr<Fixer>());
  }
  const MyCosObj info = annotation.GetDoc().GetInfoDict();
  if (!info.IsNull() && NameIs(info.Get("Trapped"), "True")) return 0;
  File(walker, context->container, annotation,
       "If a TrapNet annotation is present, the /Trapped key in the Info dictionary must be /True", "Trapped",
       AUTOFIX_ERROR, KIND_PAGE, fixers.trapped);
  return 0;
}

}  // namespace family
}  // namespace Zentu
