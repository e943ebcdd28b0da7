// The engine's own helpers of the key rules' named tests.
#pragma once
#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"

class ObjectNode;
class PDFXPreflight;

// Registers an indirect object as visited, so that the walk does not check
// it: a new node (classified, with `parent` as its referrer when given)
// unless the walker's visited map holds its number. True when it was added.
bool CollectDictEntries(PDFXPreflight& walker, const MyCosObj& object, const boost::shared_ptr<ObjectNode>& parent);
