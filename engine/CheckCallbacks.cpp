#include "engine/CheckCallbacks.h"

#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"

bool CollectDictEntries(PDFXPreflight& walker, const MyCosObj& object, const boost::shared_ptr<ObjectNode>& parent) {
  if (object.IsNull() || !object.IsIndirect()) return false;
  if (walker.IsVisited(object.GetID())) return false;
  boost::shared_ptr<ObjectNode> node(new ObjectNode(object, 0, std::string()));
  if (parent) node->referrers.push_back(parent);
  walker.MarkVisited(node);
  return true;
}
