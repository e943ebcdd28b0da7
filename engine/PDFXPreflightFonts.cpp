// Fonts: the "not embedded" record for a font whose program the document
// does not hold, and every object a font refers to handed on (descriptor
// and font programs, CIDSet, encoding and ToUnicode streams, descendant
// fonts, the glyphs of a Type 3 font read as content with its resources).
#include <string>
#include <utility>

#include "engine/Scopes.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/KindWalk.h"
#include "engine/PDFXPreflight.h"
#include "host/calls.h"
#include "host/frame.h"

using kindwalk::NodePtr;

namespace {

// What the PD layer says of a font.
struct FontFacts {
  bool embedded = false;
  ASAtom subtype = ASAtomNull;
  std::string name;
  std::string encoding;  // empty when the PD layer gives none
  bool hasEncoding = false;
};

FontFacts ReadFont(const MyCosObj& dict) {
  FontFacts facts;
  char name[129] = {0};
  const char* encoding = nullptr;
  HostRegionResult r = HostRegion([&] {
    PDFont font = PDFontFromCosObj(dict.GetCosObj());
    facts.embedded = PDFontIsEmbedded(font) != 0;
    facts.subtype = PDFontGetSubtype(font);
    if (facts.embedded) return;
    PDFontGetName(font, name, static_cast<ASInt32>(sizeof name));
    encoding = PDFontGetEncodingName(font);
    if (encoding) facts.encoding = encoding;
  });
  if (r.raised && r.code != 0) throw Zentu::AcrobatException(dict.ReportNumber(), r.code, "PDFXPreflight::CheckFont");
  facts.name = name;
  facts.hasEncoding = encoding != nullptr;
  return facts;
}

}  // namespace

void PDFXPreflight::CheckFont(const NodePtr& node, const NodePtr& referrer) {
  // A font that is not a dictionary (a broken file) has nothing to follow;
  // the key rules speak of it.
  if (!node || node->cosType != CosDict) return;
  static const ASAtom kType3 = ASAtomFromString("Type3");
  const MyCosObj& font = node->object;

  const FontFacts facts = ReadFont(font);
  if (!facts.embedded && facts.subtype == kType3) {
    // Its glyphs are content. A glyph that names its own font (possible
    // only for a direct one) does not read them again.
    const auto identity = IdentityOf(font);
    if (type3Glyphs_.insert(identity).second) {
      struct Leave {
        std::set<std::pair<ASUns32, ASUns32>>& fonts;
        std::pair<ASUns32, ASUns32> identity;
        ~Leave() { fonts.erase(identity); }
      } leave{type3Glyphs_, identity};
      ResourceLevelScope resources(resourceStack_, font.Get("Resources"));
      const MyCosObj charProcs = font.Get("CharProcs");
      NodePtr procsNode = kindwalk::NewNode(charProcs, KIND_FONT);
      // The glyphs' resources are the font's: the operator remover finds it here.
      procsNode->referrers.push_back(node);
      for (const auto& entry : kindwalk::EntriesOf(charProcs)) {
        if (entry.second.CachedType() != CosStream) continue;
        CheckObjectByKind(kindwalk::NewNode(entry.second, KIND_CONTENTS), procsNode, true);
      }
      // Read with its font only; never checked as an object of its own.
      EnterVisited(charProcs, KIND_UNKNOWN);
    }
  } else if (!facts.embedded && standard_ && standard_->WantsKindCheck(*this, KIND_FONT)) {
    const std::string message = "'" + facts.name + "' '" + (facts.hasEncoding ? facts.encoding : "<<Undefined>>") +
                                "' encoding";
    // The font is what the problem lies in; what named it holds it.
    AddError(referrer ? referrer->object : MyCosObj(), font, message, std::string(), UNFIXABLE_ERROR, KIND_FONT,
             PROBLEM_NOT_EMBEDDED);
  }

  if (IsCancelled()) return;
  const MyCosObj descriptor = font.Get("FontDescriptor");
  if (kindwalk::Present(descriptor)) VisitObject(kindwalk::NewNode(descriptor, KIND_FONT_DESCRIPTOR), node);
  for (const char* key : {"Encoding", "ToUnicode"}) {
    const MyCosObj value = font.Get(key);
    if (value.CachedType() == CosDict) {
      EnterVisited(value, KIND_UNKNOWN);
    } else if (value.CachedType() == CosStream) {
      CheckStream(kindwalk::NewNode(value, KIND_STREAM), node, false);
    }
  }
  const MyCosObj descendants = font.Get("DescendantFonts");
  if (descendants.CachedType() == CosArray) {
    const ASInt32 count = descendants.Length();
    for (ASInt32 i = 0; i < count; ++i) VisitObject(kindwalk::NewNode(descendants.Get(i), KIND_FONT), node);
  }
}

void PDFXPreflight::CheckFontDescriptor(const NodePtr& node, const NodePtr& referrer) {
  if (!node || node->object.IsNull()) return;
  CheckLaterFeatures(node, referrer);
  for (const char* key : {"FontFile", "FontFile2", "FontFile3", "CIDSet"}) {
    const MyCosObj value = node->object.Get(key);
    if (kindwalk::Present(value)) VisitObject(kindwalk::NewNode(value, KIND_STREAM), node);
  }
}
