// Small helpers that the walkers by kind share: nodes for sub-objects,
// entries read before anything is done with them, and the steps of a
// nested walk.
#pragma once
#include <utility>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"

namespace kindwalk {

typedef boost::shared_ptr<ObjectNode> NodePtr;
typedef std::vector<std::pair<MyCosObj, MyCosObj>> Entries;

// A nested walk goes no deeper than this.
const int kMaxWalkDepth = 32;

// Neither absent nor null.
inline bool Present(const MyCosObj& value) { return !value.IsNull(); }

inline bool IsDictOrStream(const MyCosObj& value) {
  return value.CachedType() == CosDict || value.CachedType() == CosStream;
}

// A node for a sub-object met by a walker, with no key name.
NodePtr NewNode(const MyCosObj& object, int objectKind);

// The key and value of each entry of a dictionary (or of a stream's
// dictionary), in the dictionary's order; nothing for other values. Read
// first, so that no check runs inside the host's enumeration.
Entries EntriesOf(const MyCosObj& dict);

// An integer value; false for any other type (a broken file), so that a
// wrong type reads as "not that value" instead of ending the check.
bool IntegerValue(const MyCosObj& value, long* result);

// One step down a nested walk. It is refused when the walk is already as
// deep as allowed or already went through this indirect object (on the way
// down, that is a cycle). The outermost step starts the trail afresh.
class TrailStep {
 public:
  TrailStep(PDFXPreflight::WalkTrail& trail, const ObjectNode& node);
  ~TrailStep();
  TrailStep(const TrailStep&) = delete;
  TrailStep& operator=(const TrailStep&) = delete;
  bool Entered() const { return entered_; }

 private:
  PDFXPreflight::WalkTrail& trail_;
  bool entered_ = false;
};

}  // namespace kindwalk
