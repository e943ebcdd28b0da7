#include "engine/ResourceStack.h"

#include <utility>
#include <vector>

#include <boost/make_shared.hpp>

#include "common/CosValueText.h"
#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"

namespace {

struct Attribute {
  const char* key;
  bool inherited;
};

const Attribute kPageAttributes[] = {
    {"Resources", true}, {"MediaBox", true}, {"Rotate", true},  {"CropBox", true},  {"Hid", true},
    {"ArtBox", false},   {"Dur", true},      {"TrimBox", false}, {"Trans", true},   {"BleedBox", false},
    {"AA", false},       {"ID", false},      {"PZ", false},
};

struct Category {
  const char* key;
  int kind;
};

const Category kCategories[] = {
    {"ProcSet", KIND_PROCSET},    {"XObject", KIND_XOBJECT}, {"Font", KIND_FONT},
    {"ColorSpace", KIND_COLORSPACE}, {"ExtGState", KIND_EXTGSTATE}, {"Pattern", KIND_PATTERN},
    {"Properties", KIND_PROPERTIES}, {"Shading", KIND_SHADING},
};

bool Valid(const MyCosObj& obj) { return !obj.IsNull(); }

typedef std::vector<std::pair<MyCosObj, MyCosObj>> Entries;

ASBool CollectEntry(MyCosObj& key, MyCosObj& value, void* data) {
  static_cast<Entries*>(data)->emplace_back(key, value);
  return 1;
}

// The entries of a dictionary, read before anything is done with them so
// that no work runs inside the host's enumeration.
Entries EntriesOf(const MyCosObj& dict) {
  Entries entries;
  dict.Enum(&CollectEntry, &entries);
  return entries;
}

std::string NameText(const MyCosObj& name) { return CosValueText::FromObject(name, 0, 0).Text(); }

}  // namespace

bool IsPageAttribute(const std::string& key, bool* inherited) {
  for (const Attribute& a : kPageAttributes) {
    if (key == a.key) {
      if (inherited) *inherited = a.inherited;
      return true;
    }
  }
  return false;
}

int ResourceCategoryKind(const std::string& category) {
  for (const Category& c : kCategories) {
    if (category == c.key) return c.kind;
  }
  return KIND_UNKNOWN;
}

ResourceLevel::ResourceLevel() : currentCategory(KIND_UNKNOWN) {}

ResourceStack::ResourceStack(PDFXPreflight* walker) : walker_(walker) {}

void ResourceStack::Push(const MyCosObj& dict) {
  boost::shared_ptr<ResourceLevel> level(new ResourceLevel);
  if (Valid(dict.Get("Type"))) {
    level->owner = dict;
    for (const auto& entry : EntriesOf(dict)) {
      std::string key = NameText(entry.first);
      if (!key.empty() && key[0] == '/') key.erase(0, 1);
      if (!IsPageAttribute(key)) continue;
      level->attributes[key] = boost::make_shared<ObjectNode>(entry.second, KIND_UNKNOWN, std::string());
      if (key == "Resources") {
        level->resources = entry.second;
        ReadCategories(*level);
      }
    }
  } else {
    level->resources = dict;
    ReadCategories(*level);
  }
  levels_.push_front(level);

  // A Resources dictionary is never checked as an object of its own.
  const MyCosObj& resources = levels_.front()->resources;
  if (walker_ && Valid(resources) && resources.IsIndirect()) {
    walker_->EnterVisited(resources, KIND_RESOURCES);
  }
}

void ResourceStack::Pop() {
  if (!levels_.empty()) levels_.pop_front();
}

void ResourceStack::ReadCategories(ResourceLevel& level) {
  if (level.resources.CachedType() != CosDict) return;
  for (const auto& category : EntriesOf(level.resources)) {
    std::string name = NameText(category.first);
    if (!name.empty() && name[0] == '/') name.erase(0, 1);
    level.currentCategory = ResourceCategoryKind(name);
    if (category.second.CachedType() != CosDict) continue;
    for (const auto& resource : EntriesOf(category.second)) {
      std::string written = NameText(resource.first);
      level.resourcesByName[written] = boost::make_shared<ObjectNode>(resource.second, level.currentCategory, written);
    }
  }
}

boost::shared_ptr<ObjectNode> ResourceStack::FindResource(const std::string& name) const {
  for (const auto& level : levels_) {
    if (!Valid(level->resources)) continue;
    auto it = level->resourcesByName.find(name);
    return it == level->resourcesByName.end() ? boost::shared_ptr<ObjectNode>() : it->second;
  }
  return boost::shared_ptr<ObjectNode>();
}

boost::shared_ptr<ObjectNode> ResourceStack::FindInherited(const std::string& key) const {
  if (levels_.empty()) return boost::shared_ptr<ObjectNode>();
  const ResourceLevel& front = *levels_.front();
  if (Valid(front.owner)) {
    auto it = front.attributes.find(key);
    if (it != front.attributes.end()) return it->second;
  }
  bool inherited = true;
  if (IsPageAttribute(key, &inherited) && !inherited) return boost::shared_ptr<ObjectNode>();
  for (auto level = std::next(levels_.begin()); level != levels_.end(); ++level) {
    auto it = (*level)->attributes.find(key);
    if (it != (*level)->attributes.end()) return it->second;
  }
  return boost::shared_ptr<ObjectNode>();
}
