#include "engine/ObjectNode.h"

#include "engine/ErrorNames.h"
#include "host/calls.h"

namespace {

enum AtomIndex {
  A_PAGE,
  A_PAGES,
  A_FUNCTION,
  A_XOBJECT,
  A_CATALOG,
  A_FILESPEC,
  A_EXTGSTATE,
  A_PATTERN,
  A_FONT,
  A_HALFTONE,
  A_ANNOT,
  A_OPI,
  A_EMBEDDED_FILE,
  A_IMAGE,
  A_FORM,
  A_COUNT
};

// The names compared below, made into atoms once.
const ASAtom* Atoms() {
  static ASAtom atoms[A_COUNT];
  static bool made = false;
  if (!made) {
    static const char* const names[A_COUNT] = {"Page",      "Pages",    "Function", "XObject", "Catalog",
                                               "Filespec",  "ExtGState", "Pattern", "Font",    "Halftone",
                                               "Annot",     "OPI",      "EmbeddedFile", "Image", "Form"};
    for (int i = 0; i < A_COUNT; ++i) atoms[i] = ASAtomFromString(names[i]);
    made = true;
  }
  return atoms;
}

bool Present(const MyCosObj& value) { return value.CachedType() != CosNull && value.CachedType() != -1; }

// A /Type or /Subtype that is not a name (a broken file) reads as no known
// name rather than stopping the check.
ASAtom NameOf(const MyCosObj& value) { return value.CachedType() == CosName ? value.NameValue() : ASAtomNull; }

int ImageOrForm(const MyCosObj& subtype, int otherwise) {
  if (!Present(subtype)) return otherwise;
  ASAtom name = NameOf(subtype);
  const ASAtom* a = Atoms();
  if (name == a[A_IMAGE]) return KIND_IMAGE;
  if (name == a[A_FORM]) return KIND_FORM;
  return otherwise;
}

}  // namespace

int ClassifyObjectKind(const MyCosObj& object) {
  ASInt32 cached = object.CachedType();
  if (cached == CosNull || cached == -1) return KIND_NONE;
  if (cached != CosDict && cached != CosStream) return KIND_UNKNOWN;
  const bool stream = cached == CosStream;
  const int plain = stream ? KIND_STREAM : KIND_UNKNOWN;
  const ASAtom* a = Atoms();

  MyCosObj type = object.Get("Type");
  if (Present(type)) {
    ASAtom name = NameOf(type);
    if (name == ASAtomNull) return plain;
    if (name == a[A_PAGE]) return KIND_PAGE;
    if (name == a[A_PAGES]) return KIND_PAGES;
    if (name == a[A_FUNCTION]) return KIND_FUNCTION;
    if (name == a[A_XOBJECT]) return ImageOrForm(object.Get("Subtype"), KIND_XOBJECT);
    if (name == a[A_CATALOG]) return KIND_CATALOG;
    if (name == a[A_FILESPEC]) return KIND_FILESPEC;
    if (name == a[A_EXTGSTATE]) return KIND_EXTGSTATE;
    if (name == a[A_PATTERN]) return KIND_PATTERN;
    if (name == a[A_FONT]) return KIND_FONT;
    if (name == a[A_HALFTONE]) return KIND_HALFTONE;
    if (name == a[A_ANNOT]) return KIND_ANNOTATION;
    if (name == a[A_OPI]) return KIND_OPI;
    if (name == a[A_EMBEDDED_FILE]) return KIND_EMBEDDED_FILE;
    return plain;
  }
  if (Present(object.Get("FunctionType"))) return KIND_FUNCTION;
  if (Present(object.Get("HalftoneType"))) return KIND_HALFTONE;
  if (Present(object.Get("PatternType"))) return KIND_PATTERN;
  return ImageOrForm(object.Get("Subtype"), plain);
}

ObjectNode::ObjectNode(const MyCosObj& obj, int kindHint, const std::string& keyName)
    : cosType(0), objectKind(0), objectNumber(-1) {
  std::string k = keyName;
  if (k.empty() && obj.CachedType() != CosNull && obj.CachedType() != -1) k = obj.KeyText();
  Init(obj, kindHint, k);
}

void ObjectNode::Init(const MyCosObj& obj, int kindHint, const std::string& keyName) {
  object = obj;
  cosType = object.GetType();
  objectNumber = object.GetID();
  key = keyName;
  objectKind = kindHint;
  if (!key.empty() && key[0] == '/') key.erase(0, 1);
  int classified = ClassifyObjectKind(object);
  if (classified == KIND_IMAGE || classified == KIND_INLINE_IMAGE || classified == KIND_FORM) {
    objectKind = classified;
  } else if (objectKind == 0) {
    objectKind = classified;
  }
}
