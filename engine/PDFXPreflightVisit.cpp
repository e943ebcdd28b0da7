// The object visit: the check of one object now, and the check of the
// objects that a page's content reached. So far only the standard's check of
// the node is here; the progress per object, the stream walk, the dispatch
// to the kind walkers and the pending map's drain are still to be built.
#include "engine/Conformance.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"

bool PDFXPreflight::CheckObjectByKind(const boost::shared_ptr<ObjectNode>& node,
                                      const boost::shared_ptr<ObjectNode>& referrer, bool) {
  if (!node || node->object.IsNull() || !standard_) return true;
  standard_->CheckNode(*this, node, referrer);
  // No kind walker yet: nothing is entered in the visited map.
  return false;
}

void PDFXPreflight::DrainPendingObjects(const boost::shared_ptr<ObjectNode>&) {
  // Nothing enters the pending map before the object visit is built.
  pending_.clear();
}
