// The page attributes and resources a page, form, pattern or Type 3 font
// sees: one level per page-tree node, page or content owner, the innermost
// first.
#pragma once
#include <list>
#include <map>
#include <string>

#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"

class ObjectNode;
class PDFXPreflight;

class ResourceLevel {
 public:
  typedef std::map<std::string, boost::shared_ptr<ObjectNode>> NodeByName;

  ResourceLevel();

  MyCosObj owner;      // the dictionary of the level when it has a /Type, else null
  MyCosObj resources;  // its /Resources, or the dictionary itself when it has no /Type
  NodeByName attributes;         // page attributes by key, without "/"
  NodeByName resourcesByName;    // every resource by its name as content writes it ("/F1")
  int currentCategory;           // object kind of the category being read
};

class ResourceStack {
 public:
  explicit ResourceStack(PDFXPreflight* walker);

  // Opens a new innermost level on the dictionary.
  void Push(const MyCosObj& dict);
  // Drops the innermost level; nothing when there is none.
  void Pop();
  void Clear() { levels_.clear(); }
  size_t Size() const { return levels_.size(); }

  // The named resource of the innermost level that has a resources
  // dictionary; resources are not inherited past it. Empty when unknown.
  boost::shared_ptr<ObjectNode> FindResource(const std::string& name) const;
  // A page attribute of the innermost level, or of an outer one when the key
  // is inherited (or not a page attribute at all). Empty when none has it.
  boost::shared_ptr<ObjectNode> FindInherited(const std::string& key) const;

  const std::list<boost::shared_ptr<ResourceLevel>>& Levels() const { return levels_; }

 private:
  void ReadCategories(ResourceLevel& level);

  std::list<boost::shared_ptr<ResourceLevel>> levels_;  // innermost first
  PDFXPreflight* walker_;                                // not owned
};

// Whether the key is a page attribute, and whether pages inherit it.
bool IsPageAttribute(const std::string& key, bool* inherited = nullptr);
// The object kind of the entries of a resource category ("Font" gives 7);
// 0 for a category that is not known.
int ResourceCategoryKind(const std::string& category);
