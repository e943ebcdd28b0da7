// Graphics states, halftones, patterns, shadings and functions: every object
// they refer to is handed on so that the standard's rules see it. Nothing
// is filed here.
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/KindWalk.h"
#include "engine/PDFXPreflight.h"
#include "host/calls.h"

using kindwalk::NodePtr;

namespace {

// The transfer-type entries of a graphics state, in the order walked.
const char* const kTransferKeys[] = {"BG", "BG2", "UCR", "UCR2", "TR", "TR2"};

// A tiling pattern's Resources, current while its content is read.
class PatternResources {
 public:
  PatternResources(ResourceStack& stack, const MyCosObj& resources) : stack_(stack) { stack_.Push(resources); }
  ~PatternResources() { stack_.Pop(); }
  PatternResources(const PatternResources&) = delete;
  PatternResources& operator=(const PatternResources&) = delete;

 private:
  ResourceStack& stack_;
};

}  // namespace

void PDFXPreflight::CheckExtGState(const NodePtr& node, const NodePtr&) {
  if (!node || node->object.IsNull()) return;
  const MyCosObj& state = node->object;

  // A name (Default) is the device's own halftone.
  const MyCosObj halftone = state.Get("HT");
  if (kindwalk::IsDictOrStream(halftone)) CheckHalftone(kindwalk::NewNode(halftone, KIND_UNKNOWN), node);

  for (const char* key : kTransferKeys) {
    const MyCosObj value = state.Get(key);
    // Identity and Default name no function.
    if (!kindwalk::Present(value) || value.CachedType() == CosName) continue;
    if (value.CachedType() == CosArray) {
      const ASInt32 count = value.Length();
      for (ASInt32 i = 0; i < count; ++i) VisitObject(kindwalk::NewNode(value.Get(i), KIND_FUNCTION), node);
    } else {
      VisitObject(kindwalk::NewNode(value, KIND_FUNCTION), node);
    }
  }
}

void PDFXPreflight::CheckHalftone(const NodePtr& node, const NodePtr& referrer) {
  if (!node || !kindwalk::IsDictOrStream(node->object)) return;
  const MyCosObj type = node->object.Get("Type");
  if (!kindwalk::Present(type)) return;
  // Only a name that reads "/Halftone" with its slash (written #2FHalftone)
  // stops the walk; the plain /Halftone goes on like any other value.
  static const ASAtom kSlashHalftone = ASAtomFromString("/Halftone");
  if (type.CachedType() == CosName && type.NameValue() == kSlashHalftone) return;

  kindwalk::TrailStep step(halftoneTrail_, *node);
  if (!step.Entered()) return;
  // Walked here, so the object visit need not check it again: the
  // standard's halftone keys are checked here instead.
  MarkVisited(node);
  if (standard_) standard_->CheckDict(*this, KIND_HALFTONE, node->object, referrer ? referrer->object : MyCosObj());

  for (const char* key : {"SpotFunction", "TransferFunction"}) {
    // A name or an array of names is a predefined function.
    const MyCosObj function = node->object.Get(key);
    if (kindwalk::IsDictOrStream(function)) VisitObject(kindwalk::NewNode(function, KIND_FUNCTION), node);
  }

  long halftoneType = 0;
  if (!kindwalk::IntegerValue(node->object.Get("HalftoneType"), &halftoneType) || halftoneType != 5) return;
  for (const auto& entry : kindwalk::EntriesOf(node->object)) {
    if (kindwalk::IsDictOrStream(entry.second)) CheckHalftone(kindwalk::NewNode(entry.second, KIND_UNKNOWN), node);
  }
}

void PDFXPreflight::CheckPattern(const NodePtr& node, const NodePtr& referrer) {
  if (!node || node->object.IsNull()) return;
  long patternType = 0;
  if (!kindwalk::IntegerValue(node->object.Get("PatternType"), &patternType)) return;
  if (patternType == 1) {
    // Tiling: its cell is content with the pattern's own resources.
    PatternResources resources(resourceStack_, node->object.Get("Resources"));
    CheckFormContent(node, referrer);
  } else if (patternType == 2) {
    for (const auto& sub : {std::make_pair("ExtGState", KIND_EXTGSTATE), std::make_pair("Shading", KIND_SHADING)}) {
      const MyCosObj value = node->object.Get(sub.first);
      if (kindwalk::Present(value)) VisitObject(kindwalk::NewNode(value, sub.second), node);
    }
  }
}

void PDFXPreflight::CheckShading(const NodePtr& node, const NodePtr&) {
  if (!node || node->object.IsNull()) return;
  const MyCosObj space = node->object.Get("ColorSpace");
  if (kindwalk::Present(space)) VisitObject(kindwalk::NewNode(space, KIND_COLORSPACE), node);

  const MyCosObj function = node->object.Get("Function");
  if (kindwalk::IsDictOrStream(function)) {
    VisitObject(kindwalk::NewNode(function, KIND_FUNCTION), node);
  } else if (function.CachedType() == CosArray) {
    const ASInt32 count = function.Length();
    for (ASInt32 i = 0; i < count; ++i) VisitObject(kindwalk::NewNode(function.Get(i), KIND_FUNCTION), node);
  }
}

void PDFXPreflight::CheckFunction(const NodePtr& node, const NodePtr& referrer) {
  if (!node || node->object.IsNull() || node->cosType == CosName) return;
  // Sampled and calculator functions: the stream, and its external file.
  if (node->cosType == CosStream) CheckStream(node, referrer, false);

  long functionType = 0;
  if (!kindwalk::IntegerValue(node->object.Get("FunctionType"), &functionType) || functionType != 3) return;
  const MyCosObj functions = node->object.Get("Functions");
  if (!kindwalk::Present(functions)) return;
  const ASInt32 count = functions.Length();
  for (ASInt32 i = 0; i < count; ++i) VisitObject(kindwalk::NewNode(functions.Get(i), KIND_FUNCTION), node);
}
