// Fonts of the PD layer. The rules, as the checks rely on them:
// - a font's program is embedded when its descriptor holds FontFile,
//   FontFile2 or FontFile3; a Type0 font answers for its first descendant;
//   a Type3 font is never embedded (its glyphs are content, not a program);
// - the name is the BaseFont name (a Type3 font's Name), as stored;
// - the encoding name is the /Encoding name, or the /BaseEncoding of an
//   encoding dictionary, else none.
#include "pd/fonts.h"

#include <cstring>
#include <map>
#include <memory>
#include <unordered_set>
#include <utility>

#include "cos/docs.h"
#include "host/selectors.h"

namespace host {
namespace {

struct FontRec {
  ASUns32 docId;
  ASUns32 slot;
  std::string encoding;  // kept for the text handed out
};

std::map<std::pair<ASUns32, ASUns32>, std::unique_ptr<FontRec>>& Fonts() {
  static auto* fonts = new std::map<std::pair<ASUns32, ASUns32>, std::unique_ptr<FontRec>>;
  return *fonts;
}

// The records by handle: a document asks about each of its fonts, and a
// walk over all of them for each question would grow with their square.
std::unordered_set<PDFont>& Handles() {
  static auto* handles = new std::unordered_set<PDFont>;
  return *handles;
}

FontRec& FontOf(PDFont font) {
  if (!Handles().count(font)) Raise(genErrBadHandle);
  return *reinterpret_cast<FontRec*>(font);
}

QPDFObjectHandle Dict(const FontRec& rec) {
  QPDFObjectHandle h = Resolve(CosObj{rec.docId, rec.slot});
  if (!h.isDictionary()) Raise(cosErrTypeMismatch);
  return h;
}

bool DescriptorHasProgram(QPDFObjectHandle font) {
  QPDFObjectHandle fd = font.getKey("/FontDescriptor");
  if (!fd.isDictionary()) return false;
  for (const char* key : {"/FontFile", "/FontFile2", "/FontFile3"})
    if (fd.getKey(key).isStream()) return true;
  return false;
}


}  // namespace

PDFont PDFontFromCosObjImpl(CosObj font) {
  Enter(TableId::PDModel, PDModelSel::FontFromCosObj);
  Doc* doc = nullptr;
  QPDFObjectHandle h = Resolve(font, &doc);
  if (!doc || !Q([&] { return h.isDictionary(); })) Raise(cosErrTypeMismatch);
  auto key = std::make_pair(font.a, font.b);
  auto& rec = Fonts()[key];
  if (!rec) {
    rec = std::make_unique<FontRec>(FontRec{font.a, font.b, {}});
    Handles().insert(reinterpret_cast<PDFont>(rec.get()));
  }
  return reinterpret_cast<PDFont>(rec.get());
}

ASBool PDFontIsEmbeddedImpl(PDFont font) {
  Enter(TableId::PDModel, PDModelSel::FontIsEmbedded);
  QPDFObjectHandle d = Dict(FontOf(font));
  return Q([&]() -> ASBool {
    QPDFObjectHandle subtype = d.getKey("/Subtype");
    if (subtype.isNameAndEquals("/Type3")) return 0;
    if (subtype.isNameAndEquals("/Type0")) {
      QPDFObjectHandle kids = d.getKey("/DescendantFonts");
      if (kids.isArray() && kids.getArrayNItems() > 0 && kids.getArrayItem(0).isDictionary())
        return DescriptorHasProgram(kids.getArrayItem(0)) ? 1 : 0;
      return 0;
    }
    return DescriptorHasProgram(d) ? 1 : 0;
  });
}

ASAtom PDFontGetSubtypeImpl(PDFont font) {
  Enter(TableId::PDModel, PDModelSel::FontGetSubtype);
  QPDFObjectHandle d = Dict(FontOf(font));
  std::string name = Q([&] {
    QPDFObjectHandle s = d.getKey("/Subtype");
    return s.isName() ? s.getName().substr(1) : std::string();
  });
  return AtomFromString(name.c_str());
}

ASInt32 PDFontGetNameImpl(PDFont font, char* buffer, ASInt32 size) {
  Enter(TableId::PDModel, PDModelSel::FontGetName);
  QPDFObjectHandle d = Dict(FontOf(font));
  std::string name = Q([&] {
    QPDFObjectHandle n = d.getKey("/BaseFont");
    if (!n.isName()) n = d.getKey("/Name");
    return n.isName() ? n.getName().substr(1) : std::string();
  });
  if (buffer && size > 0) {
    size_t keep = std::min<size_t>(name.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, name.data(), keep);
    buffer[keep] = 0;
    return static_cast<ASInt32>(keep);
  }
  return static_cast<ASInt32>(name.size());
}

const char* PDFontGetEncodingNameImpl(PDFont font) {
  Enter(TableId::PDModel, PDModelSel::FontGetEncodingName);
  FontRec& rec = FontOf(font);
  QPDFObjectHandle d = Dict(rec);
  bool found = Q([&] {
    QPDFObjectHandle e = d.getKey("/Encoding");
    if (e.isDictionary()) e = e.getKey("/BaseEncoding");
    if (!e.isName()) return false;
    rec.encoding = e.getName().substr(1);
    return true;
  });
  return found ? rec.encoding.c_str() : nullptr;
}

}  // namespace host
