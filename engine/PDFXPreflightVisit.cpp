// The object visit: when an object is checked, the dispatch to the walker of
// its kind, and the content streams read token by token so that every
// resource a page or form uses is checked and every operator is shown to
// the standard.
#include <algorithm>
#include <cstring>
#include <sstream>
#include <utility>
#include <vector>

#include <boost/make_shared.hpp>

#include "common/HostCall.h"
#include "engine/Scopes.h"
#include "common/MyCosDoc.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/Fixers.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "host/calls.h"
#include "host/errors.h"
#include "host/frame.h"

namespace {

typedef boost::shared_ptr<ObjectNode> NodePtr;

const char kUndecodable[] = "The stream's data cannot be decoded";

// Content progress is shown once per this many bytes, not per token.
const long long kProgressStep = 100000;

std::string& LastName() {
  static std::string name;
  return name;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A name operand as resource dictionaries key it: content writes "/Im#201"
// for the resource "/Im 1". A stray "#" stands as written.
std::string ResourceName(const char* text) {
  std::string name;
  for (size_t i = 0; text[i]; ++i) {
    if (text[i] == '#' && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      name += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      name += text[i];
    }
  }
  return name;
}


ASInt32 PageCount(PDDoc pd) {
  if (!pd) return 0;
  ASInt32 count = 0;
  HostCall("PDFXPreflight::PageCount", [&] { count = PDDocGetNumPages(pd); });
  return count;
}

std::string PagePrefix(int pageCounter, ASInt32 pageCount) {
  std::ostringstream text;
  text << "Checking page " << pageCounter + 1 << " of " << pageCount << "\n  (";
  return text.str();
}

// The resources that content sees: those of the innermost level that has any.
MyCosObj CurrentResources(const ResourceStack& stack) {
  for (const auto& level : stack.Levels()) {
    if (!level->resources.IsNull()) return level->resources;
  }
  return MyCosObj();
}

// Each content has its own list of operators put aside; a content read
// while another is being read (a glyph of a direct Type 3 font) leaves the
// outer list as it was.
class OperatorListScope {
 public:
  explicit OperatorListScope(std::list<std::string>& list) : list_(list) { outer_.swap(list_); }
  ~OperatorListScope() { list_.swap(outer_); }
  OperatorListScope(const OperatorListScope&) = delete;
  OperatorListScope& operator=(const OperatorListScope&) = delete;

 private:
  std::list<std::string>& list_;
  std::list<std::string> outer_;
};

}  // namespace

const std::string& PDFXPreflight::GetLastName() { return LastName(); }

bool PDFXPreflight::CheckObjectByKind(const NodePtr& node, const NodePtr& referrer, bool flag) {
  if (!node || node->object.IsNull() || !standard_) return true;
  if (IsCancelled()) return false;
  standard_->CheckNode(*this, node, referrer);

  const ASInt32 pageCount = PageCount(pdDoc_);
  std::ostringstream text;
  text << PagePrefix(pageCounter_, pageCount) << "checking " << ObjectKindName(node->objectKind);
  if (node->objectNumber >= 0) text << " object #" << node->objectNumber;
  text << ")   ";
  if (ReportProgress(text.str(), pageCounter_, pageCount)) return false;

  if (node->cosType == CosStream) CheckStream(node, referrer, false);
  switch (node->objectKind) {
    case KIND_PAGE:
      CheckPage(node, referrer);
      break;
    case KIND_CONTENTS:
      CheckFormContent(node, referrer);
      break;
    case KIND_FONT:
      CheckFont(node, referrer);
      break;
    case KIND_FONT_DESCRIPTOR:
      CheckFontDescriptor(node, referrer);
      break;
    case KIND_COLORSPACE:
      CheckColorSpace(node, referrer, flag);
      break;
    case KIND_XOBJECT:
    case KIND_IMAGE:
    case KIND_FORM:
      CheckXObject(node, referrer, flag);
      break;
    case KIND_EXTGSTATE:
      CheckExtGState(node, referrer);
      break;
    case KIND_PATTERN:
      CheckPattern(node, referrer);
      break;
    case KIND_SHADING:
      CheckShading(node, referrer);
      break;
    case KIND_OPI:
      CheckOPI(node, referrer);
      break;
    case KIND_FILESPEC:
      CheckFileSpec(node, referrer);
      break;
    case KIND_FUNCTION:
      CheckFunction(node, referrer);
      break;
    default:
      // No walker: left out of the visited map, so that it is checked again
      // when met after a later drain.
      return false;
  }
  if (IsCancelled()) return false;
  MarkVisited(node);
  return true;
}

bool PDFXPreflight::VisitObject(const NodePtr& node, const NodePtr& referrer) {
  if (!node) return false;
  if (node->objectNumber < 0) return CheckObjectByKind(node, referrer, true);

  // A referrer met again right away (one stream naming a font a thousand
  // times) is noted once.
  auto note = [&referrer](const NodePtr& known) {
    if (referrer && (known->referrers.empty() || known->referrers.back() != referrer)) {
      known->referrers.push_back(referrer);
    }
  };
  NodeMap::iterator found = visited_.find(node->objectNumber);
  if (found != visited_.end()) {
    note(found->second);
    return true;
  }
  found = pending_.find(node->objectNumber);
  if (found != pending_.end()) {
    note(found->second);
    return true;
  }
  pending_[node->objectNumber] = node;
  note(node);
  return true;
}

void PDFXPreflight::DrainPendingObjects(const NodePtr& page) {
  // The lowest number first; what these checks meet joins the same loop.
  while (!pending_.empty() && !IsCancelled()) {
    const ASInt32 number = pending_.begin()->first;
    const NodePtr node = pending_.begin()->second;
    NodePtr referrer = page;
    if (!node->referrers.empty() && node->referrers.front() != page) referrer = node->referrers.front();
    CheckObjectByKind(node, referrer, true);
    pending_.erase(number);
  }
  pending_.clear();
}

bool PDFXPreflight::CheckObject(const char* name, const NodePtr& referrer, NodePtr* found) {
  return CheckObject(std::string(name ? name : ""), referrer, found);
}

bool PDFXPreflight::CheckObject(const std::string& name, const NodePtr& referrer, NodePtr* found) {
  NodePtr node = resourceStack_.FindResource(name);
  if (!node) return false;
  if (found) *found = node;
  return VisitObject(node, referrer);
}

void PDFXPreflight::CheckXObject(const NodePtr& node, const NodePtr& referrer, bool flag) {
  if (!node) return;
  // PostScript XObjects and other subtypes are left alone.
  static const ASAtom kImage = ASAtomFromString("Image");
  static const ASAtom kForm = ASAtomFromString("Form");

  CheckLaterFeatures(node, referrer);
  MyCosObj subtypeValue = node->object.Get("Subtype");
  ASAtom subtype = subtypeValue.CachedType() == CosName ? subtypeValue.NameValue() : ASAtomNull;
  if (node->objectKind == KIND_IMAGE || subtype == kImage) {
    CheckImage(node, referrer, flag);
    return;
  }
  if (node->objectKind != KIND_FORM && subtype != kForm) return;

  MyCosObj opi = node->object.Get("OPI");
  if (!opi.IsNull()) VisitObject(boost::make_shared<ObjectNode>(opi, KIND_OPI, std::string()), node);
  ResourceLevelScope level(resourceStack_, node->object.Get("Resources"));
  // The standard sees the form once as an XObject and once as content;
  // records filed from here on name it as content.
  node->objectKind = KIND_CONTENTS;
  CheckObjectByKind(node, referrer, flag);
}

void PDFXPreflight::CheckFormContent(const NodePtr& node, const NodePtr& referrer) {
  if (!node || node->object.IsNull()) return;
  OperatorListScope names(operatorNames_);

  std::vector<NodePtr> streams;
  if (node->cosType == CosArray) {
    const ASInt32 count = node->object.Length();
    for (ASInt32 i = 0; i < count; ++i) {
      streams.push_back(boost::make_shared<ObjectNode>(node->object.Get(i), KIND_STREAM, std::string()));
    }
  } else {
    streams.push_back(node);
  }

  long long offset = 0;
  for (const NodePtr& stream : streams) {
    if (IsCancelled()) return;
    // A broken element (null, a missing object) holds no content.
    if (stream->cosType != CosStream) continue;
    CheckStream(stream, referrer, true);
    ASStm stm = nullptr;
    try {
      stm = stream->object.OpenStm(cosOpenFiltered);
    } catch (const Zentu::AcrobatException& e) {
      if (e.ErrorCode() != cosErrReadError) throw;
      // Data that cannot be decoded holds no content to read: a record of
      // its own, and the rest of the check goes on. Nor can it be encoded
      // anew: the records that offer that are errors no fix repairs.
      for (const auto& error : errors_) {
        const NodePtr& subject = error->GetContainerNode();
        if (error->GetFixer() == Zentu::GlobalFixers::Compression() && !error->IsFixed() && subject &&
            subject->objectNumber >= 0 && subject->objectNumber == stream->objectNumber)
          error->SetSeverity(UNFIXABLE_ERROR);
      }
      AddNodeError(kUndecodable, "Filter", UNFIXABLE_ERROR, stream->objectKind, PROBLEM_INVALID, referrer, stream);
      continue;
    }
    StreamCloser closer(stm);
    CheckContentStream(stm, stream, node, referrer, offset);
  }
  if (IsCancelled() || operatorNames_.empty() || !standard_) return;
  if (operatorNames_.size() >= 2) {
    operatorNames_.sort();
    operatorNames_.unique();
  }
  standard_->CheckOperatorUsage(*this, referrer, node, operatorNames_, nullptr);
}

void PDFXPreflight::CheckContentStream(ASStm stm, const NodePtr& streamNode, const NodePtr& content,
                                       const NodePtr& holder, long long& offset) {
  if (!stm) return;
  // Grows the offset; false when the progress shown on passing a further
  // step was answered with a cancel.
  auto advance = [&](long long bytes) {
    const long long before = offset;
    offset += bytes;
    if (offset / kProgressStep == before / kProgressStep) return true;
    const ASInt32 pageCount = PageCount(pdDoc_);
    std::ostringstream text;
    text << PagePrefix(pageCounter_, pageCount) << "at offset " << offset / kProgressStep * kProgressStep
         << " in contents stream)";
    return !ReportProgress(text.str(), pageCounter_, pageCount);
  };

  // The operator to come was given "/OC" first: marked content, it marks
  // optional content ("/OC /Layer BDC").
  bool optionalTag = false;
  bool operands = false;
  PDToken token;
  for (;;) {
    if (IsCancelled()) return;
    ASInt32 used = 0;
    HostCall("PDFXPreflight::CheckContentStream", [&] { used = PDReadContentToken(stm, &token); });
    // The end, or bytes that form no token (a string cut off): the stream ends.
    if (used <= 0 || token.type == kPDTokenNone) return;
    if (!advance(used)) return;
    if (token.type != kPDTokenKeyword) {
      operands = true;
      continue;
    }

    if (token.text[0] == '/') {
      const std::string name = ResourceName(token.text);
      LastName() = name;
      if (!operands) optionalTag = name == "/OC";
      operands = true;
      CheckObject(name, streamNode);
      continue;
    }
    if (standard_) standard_->CheckOperator(*this, KIND_CONTENTS, token.text, holder, content);
    if (optionalTag && std::strcmp(token.text, "BDC") == 0)
      ReportLaterFeature(OPTIONAL_CONTENT, MyCosObj(), streamNode->object, KIND_CONTENTS, "OC");
    optionalTag = operands = false;
    if (std::strcmp(token.text, "BI") != 0) continue;

    // The inline image, dictionary and data up to its "EI", as one
    // temporary object.
    const MyCosObj resources = CurrentResources(resourceStack_);
    const CosDoc cosDoc = streamNode->object.GetDoc().GetCosDoc();
    CosObj raw = MyCosObj::NullObj();
    ASInt32 consumed = 0;
    HostRegionResult r =
        HostRegion([&] { raw = PDReadInlineImage(stm, resources.GetCosObj(), cosDoc, &consumed); });
    if (r.raised && r.code == cosErrBadSyntax) return;  // unreadable: the stream ends here
    if (r.raised && r.code != 0) throw Zentu::AcrobatException(-1, r.code, "PDFXPreflight::CheckContentStream");
    const MyCosObj image(raw);
    TemporaryObject temporary(image);
    if (!advance(consumed)) return;

    NodePtr imageNode = boost::make_shared<ObjectNode>(image, KIND_INLINE_IMAGE, std::string());
    imageNode->referrers.push_back(streamNode);
    if (standard_) standard_->CheckNode(*this, imageNode, streamNode);
    CheckLaterFeatures(imageNode, streamNode);
    CheckInlineImageColorSpace(image.Dict(), streamNode);
    // Its /F is its filter, not a file, and a temporary is met once: the
    // stream walker, which would only enter it among the visited objects
    // (one more for every image of the page), is left out.
  }
}

void PDFXPreflight::CheckPage(const NodePtr& page, const NodePtr& referrer) {
  if (!page || page->object.IsNull()) return;
  CheckLaterFeatures(page, referrer);
  // Not through the visit: a content shared by pages is read on each page,
  // under that page's resources.
  MyCosObj contents = page->object.Get("Contents");
  if (!contents.IsNull()) {
    CheckObjectByKind(boost::make_shared<ObjectNode>(contents, KIND_CONTENTS, std::string()), page, true);
    if (IsCancelled()) return;
  }
  MyCosObj thumb = page->object.Get("Thumb");
  if (!thumb.IsNull()) {
    CheckObjectByKind(boost::make_shared<ObjectNode>(thumb, KIND_IMAGE, std::string()), page, true);
    if (IsCancelled()) return;
  }

  const NodePtr boxes[] = {resourceStack_.FindInherited("ArtBox"), resourceStack_.FindInherited("BleedBox"),
                           resourceStack_.FindInherited("CropBox"), resourceStack_.FindInherited("MediaBox"),
                           resourceStack_.FindInherited("TrimBox")};
  if (standard_) standard_->CheckPageBoxes(*this, page, boxes[0], boxes[1], boxes[2], boxes[3], boxes[4]);
  for (const NodePtr& box : boxes) MarkVisited(box);
}

void PDFXPreflight::AddOperatorsToRemove(const Zentu::PDFX_Error& record, const std::list<std::string>& names) {
  std::list<std::string>& listed = operatorsToRemove_[&record];
  for (const std::string& name : names) {
    if (std::find(listed.begin(), listed.end(), name) == listed.end()) listed.push_back(name);
  }
}

const std::list<std::string>* PDFXPreflight::FindOperatorsToRemove(const Zentu::PDFX_Error& record) const {
  auto found = operatorsToRemove_.find(&record);
  return found == operatorsToRemove_.end() ? nullptr : &found->second;
}

void PDFXPreflight::MarkOperatorsRemoved(const Zentu::PDFX_Error& record) {
  operatorsToRemove_.erase(&record);
  operatorsRemoved_.insert(&record);
}

bool PDFXPreflight::OperatorsRemoved(const Zentu::PDFX_Error& record) const {
  return operatorsRemoved_.count(&record) != 0;
}

bool PDFXPreflight::FirstUseOfOperator(const NodePtr& content, const char* op) {
  const std::pair<ASUns32, ASUns32> identity =
      content ? IdentityOf(content->object) : std::pair<ASUns32, ASUns32>(0, 0);
  return operatorsUsed_.emplace(pageCounter_, identity, op).second;
}
