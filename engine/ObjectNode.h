// One Cos object met in the walk or named by an error record.
#pragma once
#include <list>
#include <string>

#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"

class ObjectNode {
 public:
  // kindHint 0 lets the node classify the object; a known role (22 for a
  // Resources dictionary, 3 for a content stream) stands, except that an
  // image, inline image or form always takes its own kind.
  ObjectNode(const MyCosObj& object, int kindHint, const std::string& key);
  // Refills the node for another object.
  void Init(const MyCosObj& object, int kindHint, const std::string& key);

  MyCosObj object;
  int cosType;        // read once, when the node is made
  int objectKind;     // ObjectKind
  std::string key;    // the key or resource name it was found under, without "/"
  int objectNumber;   // -1 for a direct object
  // The nodes through which the object was reached, in the order met.
  std::list<boost::shared_ptr<ObjectNode>> referrers;
};

// The object kind of a PDF object, from its /Type and /Subtype or the keys
// that mark functions, halftones and patterns. Null (or unset) is 28.
int ClassifyObjectKind(const MyCosObj& object);
