#include "engine/KindWalk.h"

#include <string>

#include <boost/make_shared.hpp>

namespace kindwalk {
namespace {

ASBool CollectEntry(MyCosObj& key, MyCosObj& value, void* data) {
  static_cast<Entries*>(data)->emplace_back(key, value);
  return 1;
}

}  // namespace

NodePtr NewNode(const MyCosObj& object, int objectKind) {
  return boost::make_shared<ObjectNode>(object, objectKind, std::string());
}

Entries EntriesOf(const MyCosObj& dict) {
  Entries entries;
  if (IsDictOrStream(dict)) dict.Enum(&CollectEntry, &entries);
  return entries;
}

bool IntegerValue(const MyCosObj& value, long* result) {
  if (value.CachedType() != CosInteger) return false;
  *result = static_cast<long>(value);
  return true;
}

TrailStep::TrailStep(PDFXPreflight::WalkTrail& trail, const ObjectNode& node) : trail_(trail) {
  if (trail_.depth == 0) trail_.walked.clear();
  if (trail_.depth >= kMaxWalkDepth) return;
  if (node.objectNumber >= 0 && !trail_.walked.insert(node.objectNumber).second) return;
  ++trail_.depth;
  entered_ = true;
}

TrailStep::~TrailStep() {
  if (entered_) --trail_.depth;
}

}  // namespace kindwalk
