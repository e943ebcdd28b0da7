// Colour spaces: every object a colour space refers to (profile stream,
// alternate and base spaces, tint transforms, lookup streams, the spaces of
// DeviceN colorants) is handed on so that the standard sees it. Nothing is
// filed here; what is allowed is the standard's to say.
#include <set>
#include <string>

#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/KindWalk.h"
#include "engine/PDFXPreflight.h"
#include "host/calls.h"

using kindwalk::NodePtr;

namespace {

enum Family { F_DEVICE_CMYK, F_DEVICE_GRAY, F_CMYK, F_G, F_ICC, F_INDEXED, F_PATTERN, F_SEPARATION, F_DEVICE_N,
              F_COUNT };

const char* const kFamilyNames[F_COUNT] = {"DeviceCMYK", "DeviceGray", "CMYK",       "G",      "ICCBased",
                                           "Indexed",    "Pattern",    "Separation", "DeviceN"};

const ASAtom* FamilyAtoms() {
  static ASAtom atoms[F_COUNT];
  static bool made = false;
  if (!made) {
    for (int i = 0; i < F_COUNT; ++i) atoms[i] = ASAtomFromString(kFamilyNames[i]);
    made = true;
  }
  return atoms;
}

// The family of a colour space, from the name that is its first element
// (a plain name is its own first element); F_COUNT for any other family,
// and for a first element that is not a name (a broken file).
int FamilyOf(const MyCosObj& space) {
  const MyCosObj first = space.Get(static_cast<ASInt32>(0));
  if (first.CachedType() != CosName) return F_COUNT;
  const ASAtom name = first.NameValue();
  const ASAtom* atoms = FamilyAtoms();
  for (int i = 0; i < F_COUNT; ++i)
    if (atoms[i] == name) return i;
  return F_COUNT;
}

// The families an inline image may name directly; any other name is a
// colour-space resource. Compared as written, case included.
const std::set<std::string>& InlineFamilies() {
  static const std::set<std::string> families(kFamilyNames, kFamilyNames + F_COUNT);
  return families;
}

}  // namespace

void PDFXPreflight::CheckColorSpace(const NodePtr& node, const NodePtr&, bool flag) {
  if (!node || node->object.IsNull()) return;
  kindwalk::TrailStep step(colorSpaceTrail_, *node);
  if (!step.Entered()) return;

  const MyCosObj& space = node->object;
  // A sub-space is visited (checked as an object of its own) with the flag,
  // else only walked.
  auto handOn = [&](const MyCosObj& sub) {
    NodePtr subNode = kindwalk::NewNode(sub, KIND_COLORSPACE);
    if (flag) {
      VisitObject(subNode, node);
    } else {
      CheckColorSpace(subNode, node, false);
    }
  };

  const int family = FamilyOf(space);
  switch (family) {
    case F_ICC: {
      if (space.Length() < 2) return;
      const MyCosObj profile = space.Get(1);
      VisitObject(kindwalk::NewNode(profile, KIND_STREAM), node);
      const MyCosObj alternate = profile.Get("Alternate");
      if (!kindwalk::Present(alternate)) return;
      NodePtr alternateNode = kindwalk::NewNode(alternate, KIND_COLORSPACE);
      if (flag && standard_ && standard_->IsDeviceColorOnly()) {
        VisitObject(alternateNode, node);
      } else {
        CheckColorSpace(alternateNode, node, flag);
      }
      return;
    }
    case F_INDEXED:
    case F_PATTERN: {
      const ASInt32 length = space.Length();
      if (length > 1) handOn(space.Get(1));
      if (length > 3) {
        const MyCosObj lookup = space.Get(3);
        if (lookup.CachedType() == CosStream) VisitObject(kindwalk::NewNode(lookup, KIND_STREAM), node);
      }
      return;
    }
    case F_SEPARATION:
    case F_DEVICE_N: {
      const ASInt32 length = space.Length();
      if (length > 2) handOn(space.Get(2));
      if (length > 3) VisitObject(kindwalk::NewNode(space.Get(3), KIND_FUNCTION), node);
      if (family != F_DEVICE_N || length <= 4) return;
      const MyCosObj colorants = space.Get(4).Get("Colorants");
      if (!kindwalk::Present(colorants)) return;
      for (const auto& entry : kindwalk::EntriesOf(colorants)) {
        NodePtr colorant = kindwalk::NewNode(entry.second, KIND_COLORSPACE);
        CheckColorSpace(colorant, node, flag);
        // Walked here, so the object visit need not check it again.
        MarkVisited(colorant);
      }
      return;
    }
    default:
      // The device families and the rest (CalRGB, Lab, ...) refer to nothing to follow.
      return;
  }
}

void PDFXPreflight::CheckImage(const NodePtr& node, const NodePtr&, bool flag) {
  if (!node || node->object.IsNull()) return;
  const MyCosObj space = node->object.Get("ColorSpace");
  if (kindwalk::Present(space)) {
    NodePtr spaceNode = kindwalk::NewNode(space, KIND_COLORSPACE);
    if (flag) {
      VisitObject(spaceNode, node);
    } else {
      CheckColorSpace(spaceNode, node, false);
    }
  }
  const MyCosObj opi = node->object.Get("OPI");
  if (kindwalk::Present(opi)) VisitObject(kindwalk::NewNode(opi, KIND_OPI), node);
}

void PDFXPreflight::CheckInlineImageColorSpace(const MyCosObj& dict, NodePtr container) {
  MyCosObj space = dict.Get("CS");
  if (!kindwalk::Present(space)) space = dict.Get("ColorSpace");
  if (!kindwalk::Present(space)) return;
  if (space.CachedType() == CosName) {
    const std::string name = ASAtomGetString(space.NameValue());
    if (InlineFamilies().count(name) == 0) {
      // Any other name is a colour-space resource of the content.
      CheckObject("/" + name, container);
      return;
    }
  }
  VisitObject(kindwalk::NewNode(space, KIND_COLORSPACE), container);
}
