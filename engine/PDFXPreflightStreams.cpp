// References to content outside the document: a stream's external file,
// the image file an OPI dictionary names, and file specifications with
// their embedded and related files. A file that is not embedded is filed
// when the standard wants the referring kind checked.
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/KindWalk.h"
#include "engine/PDFXPreflight.h"

using kindwalk::NodePtr;

namespace {

// The related-file arrays of a file specification, in the order walked.
const char* const kRelatedFileKeys[] = {"F", "Mac", "DOS", "Unix"};

}  // namespace

void PDFXPreflight::CheckStream(const NodePtr& node, const NodePtr&, bool skip) {
  if (!node || node->cosType != CosStream) return;
  if (node->objectNumber >= 0) {
    // A stream met again (a form is dispatched as XObject and as content, a
    // function stream by the dispatch and by its own walk) had its file
    // followed the first time: following it again would file its record twice.
    if (IsVisited(node->objectNumber)) return;
    MarkVisited(node);
  }
  if (skip) return;
  const MyCosObj file = node->object.Get("F");
  if (kindwalk::Present(file)) VisitObject(kindwalk::NewNode(file, KIND_FILESPEC), node);
}

void PDFXPreflight::CheckOPI(const NodePtr& node, const NodePtr&) {
  if (!node || node->object.IsNull()) return;
  MyCosObj version = node->object.Get("1.3");
  if (!kindwalk::Present(version)) version = node->object.Get("2.0");
  if (!kindwalk::Present(version)) return;
  const MyCosObj file = version.Get("F");
  if (kindwalk::Present(file)) VisitObject(kindwalk::NewNode(file, KIND_FILESPEC), node);
}

void PDFXPreflight::CheckFileSpec(const NodePtr& node, const NodePtr& referrer) {
  if (!node || node->object.IsNull()) return;
  // An external file: a record when the standard wants the referring kind checked.
  auto fileNotEmbedded = [&] {
    if (!standard_ || !standard_->WantsKindCheck(*this, referrer ? referrer->objectKind : KIND_UNKNOWN)) return;
    AddNodeError(std::string(), std::string(), UNFIXABLE_ERROR, KIND_FILESPEC, PROBLEM_NOT_EMBEDDED, referrer, node);
  };

  // A related file's data is a stream in the document: it is embedded.
  if (node->cosType == CosStream) return;
  if (node->cosType != CosDict) {
    fileNotEmbedded();
    return;
  }
  const MyCosObj embedded = node->object.Get("EF");
  if (!kindwalk::Present(embedded)) {
    fileNotEmbedded();
    return;
  }
  // Read with its file specification only; never checked as an object of its own.
  EnterVisited(embedded, KIND_UNKNOWN);

  const MyCosObj related = node->object.Get("RF");
  if (!kindwalk::Present(related)) return;
  for (const char* key : kRelatedFileKeys) {
    const MyCosObj files = related.Get(key);
    if (!kindwalk::Present(files)) continue;
    // Pairs of a name and the stream of that file: the streams are at the odd places.
    const ASInt32 length = files.Length();
    for (ASInt32 i = 1; i < length; i += 2) VisitObject(kindwalk::NewNode(files.Get(i), KIND_FILESPEC), node);
  }
}
