// Features of PDF versions after 1.4 that the standards' rules were written
// before: a file that holds one is no PDF 1.3 file whatever its header says,
// and a reader of PDF 1.3 prints it wrongly (optional content switched off
// printed, 16-bit samples and OpenType programs not read, pages in user
// units printed at another size). One record each per check, where it is
// first met, in the form of the cross-reference stream's; no fixer claims
// them.
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/KindWalk.h"
#include "engine/PDFXPreflight.h"

namespace {

struct FeatureText {
  double version;
  const char* message;
};

const FeatureText kFeatures[PDFXPreflight::LATER_FEATURE_COUNT] = {
    {1.5, "16-bit images are a PDF 1.5 feature"},
    {1.5, "Optional content is a PDF 1.5 feature"},
    {1.6, "OpenType font programs are a PDF 1.6 feature"},
    {1.6, "User units are a PDF 1.6 feature"},
};

bool IsName(const MyCosObj& value, const char* name) {
  return value.CachedType() == CosName && value.ValueAsString() == name;
}

bool SixteenBits(const MyCosObj& value) {
  long bits = 0;
  return kindwalk::IntegerValue(value, &bits) && bits == 16;
}

}  // namespace

void PDFXPreflight::ReportLaterFeature(LaterFeature feature, const MyCosObj& holder, const MyCosObj& subject,
                                       int objectKind, const char* detail) {
  if (!standard_ || laterFeatures_.test(feature)) return;
  const FeatureText& text = kFeatures[feature];
  if (!(text.version > standard_->highestVersion)) return;
  laterFeatures_.set(feature);
  AddError(holder, subject, text.message, detail, UNFIXABLE_ERROR, objectKind, PROBLEM_INVALID);
}

void PDFXPreflight::CheckLaterFeatures(const boost::shared_ptr<ObjectNode>& node,
                                       const boost::shared_ptr<ObjectNode>& referrer) {
  if (!node || !kindwalk::IsDictOrStream(node->object)) return;
  const MyCosObj& object = node->object;
  const MyCosObj holder = referrer ? referrer->object : MyCosObj();
  switch (node->objectKind) {
    case KIND_PAGE: {
      // A unit other than 1/72 inch, which a reader of PDF 1.3 prints the page in.
      const MyCosObj unit = object.Get("UserUnit");
      if ((unit.CachedType() == CosInteger || unit.CachedType() == CosFixed) && unit.NumberValue() != 1.0)
        ReportLaterFeature(USER_UNITS, holder, object, KIND_PAGE, "UserUnit");
      return;
    }
    case KIND_CATALOG:
      if (kindwalk::Present(object.Get("OCProperties")))
        ReportLaterFeature(OPTIONAL_CONTENT, holder, object, KIND_CATALOG, "OCProperties");
      return;
    case KIND_XOBJECT:
    case KIND_IMAGE:
    case KIND_FORM:
      if (kindwalk::Present(object.Get("OC"))) ReportLaterFeature(OPTIONAL_CONTENT, holder, object, node->objectKind, "OC");
      if (node->objectKind == KIND_IMAGE && SixteenBits(object.Get("BitsPerComponent")))
        ReportLaterFeature(SIXTEEN_BIT_IMAGES, holder, object, KIND_IMAGE, "BitsPerComponent");
      return;
    case KIND_INLINE_IMAGE: {
      // Its dictionary as written: abbreviated keys or full ones. The image
      // is a temporary object; the record names the content that holds it.
      const MyCosObj dict = object.Dict();
      const MyCosObj bits = dict.Get("BPC").IsNull() ? dict.Get("BitsPerComponent") : dict.Get("BPC");
      if (SixteenBits(bits)) ReportLaterFeature(SIXTEEN_BIT_IMAGES, MyCosObj(), holder, KIND_INLINE_IMAGE, "BPC");
      return;
    }
    case KIND_FONT_DESCRIPTOR: {
      const MyCosObj program = object.Get("FontFile3");
      if (program.CachedType() == CosStream && IsName(program.Get("Subtype"), "OpenType"))
        ReportLaterFeature(OPENTYPE_FONTS, object, program, KIND_FONT_DESCRIPTOR, "FontFile3");
      return;
    }
    default:
      return;
  }
}
