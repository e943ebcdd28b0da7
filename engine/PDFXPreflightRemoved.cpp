// After fixing: records of objects the fixes took out of the document. A
// removed annotation takes its appearances with it; what the check found in
// them is not in the file a save writes, and a check of that file finds
// nothing there. Such records count as fixed.
//
// What counts as still in the document is what a check reaches: the
// trailer, the catalog's pages, outlines, form fields, actions, output
// intents and viewer preferences, and all that these refer to, except the
// ways back that the check never walks (a field's own entries besides its
// kids, an annotation's parent field, page and reply).
#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/HostCall.h"
#include "engine/KindWalk.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "engine/Scopes.h"
#include "engine/TransparencyError.h"
#include "host/calls.h"

namespace {

typedef boost::shared_ptr<ObjectNode> NodePtr;

// What a value is to the walk, which decides which of its entries it follows.
enum class Role { Any, Trailer, Catalog, Form, Fields, Field, Annotations, Annotation };

const char* const kCatalogKeys[] = {"Pages", "Outlines", "AcroForm", "OpenAction", "AA", "OutputIntents",
                                    "ViewerPreferences"};
const char* const kAnnotationBackLinks[] = {"Parent", "P", "IRT"};

template <size_t N>
bool Listed(const char* const (&keys)[N], const std::string& key) {
  for (const char* listed : keys)
    if (key == listed) return true;
  return false;
}

// The role of the value under `key` of a dictionary of role `role`; false
// when the walk does not follow it.
bool Follows(Role role, const std::string& key, Role* next) {
  *next = key == "Annots" ? Role::Annotations : Role::Any;
  switch (role) {
    case Role::Trailer:
      if (key == "Root") *next = Role::Catalog;
      return true;
    case Role::Catalog:
      if (key == "AcroForm") *next = Role::Form;
      return Listed(kCatalogKeys, key);
    case Role::Form:
      *next = Role::Fields;
      return key == "Fields";
    case Role::Field:
      *next = Role::Fields;
      return key == "Kids";
    case Role::Annotation:
      if (key == "Popup") *next = Role::Annotation;
      return !Listed(kAnnotationBackLinks, key);
    default:
      return true;
  }
}

// Each node a record names: its object, its container and, for the
// transparency of a page, every use of it found.
template <class Visit>
void ForEachNamedNode(const Zentu::PDFX_Error& error, Visit&& visit) {
  for (const NodePtr* node : {&error.GetObjectNode(), &error.GetContainerNode()})
    if (*node && !(*node)->object.IsNull()) visit(**node);
  if (const auto* transparency = dynamic_cast<const Zentu::TransparencyError*>(&error))
    for (const NodePtr& node : transparency->nodes)
      if (node && !node->object.IsNull()) visit(*node);
}

// Open, and naming some indirect object.
bool Candidate(const Zentu::PDFX_Error& error) {
  if (error.IsFixed() || error.GetSeverity() < 0) return false;
  bool indirect = false;
  ForEachNamedNode(error, [&](const ObjectNode& node) { indirect = indirect || node.objectNumber >= 0; });
  return indirect;
}

}  // namespace

void PDFXPreflight::SetFixedWhereRemoved() {
  if (!mainDoc_.IsValid()) return;
  // The records in question, and the direct objects they name, to be told
  // apart as the walk meets them.
  std::vector<Zentu::PDFX_Error*> candidates;
  std::unordered_set<uint64_t> directNamed;
  for (const auto& error : errors_) {
    if (!Candidate(*error)) continue;
    candidates.push_back(error.get());
    ForEachNamedNode(*error, [&](const ObjectNode& node) {
      if (node.objectNumber < 0) directNamed.insert(IdentityKey(node.object));
    });
  }
  if (candidates.empty()) return;

  // Indirect objects by number, each with the roles it was walked in: an
  // object listed as a field and as an annotation is walked as both.
  std::unordered_map<ASInt32, unsigned> reached;
  std::unordered_set<uint64_t> directReached;
  const CosDoc doc = mainDoc_.GetCosDoc();
  std::vector<std::pair<ASInt32, Role>> work;
  // Walks one object and the direct values inside it; the indirect ones it
  // refers to join `work`. The handles made meanwhile are forgotten after
  // it: a record's handles were made before, and they are what it compares.
  // The trailer is number -1.
  auto walk = [&](ASInt32 number, Role topRole) {
    ASUns32 mark = 0;
    CosObj trailer{0, 0};
    HostCall("PDFXPreflight::SetFixedWhereRemoved", [&] {
      mark = CosDocHandleMark(doc);
      if (number < 0) trailer = CosDocGetTrailer(doc);
    });
    const MyCosObj top = number < 0 ? MyCosObj(trailer) : mainDoc_.GetObjByID(number);
    std::vector<std::pair<MyCosObj, Role>> inside(1, std::make_pair(top, topRole));
    bool first = true;
    while (!inside.empty()) {
      const MyCosObj value = inside.back().first;
      const Role role = inside.back().second;
      inside.pop_back();
      const ASInt32 type = value.CachedType();
      if (type != CosDict && type != CosArray && type != CosStream) continue;
      if (!first && value.IsIndirect()) {
        work.emplace_back(value.GetID(), role);
        continue;
      }
      first = false;
      if (!value.IsIndirect() && directNamed.count(IdentityKey(value))) directReached.insert(IdentityKey(value));
      if (type == CosArray) {
        const Role element = role == Role::Fields        ? Role::Field
                             : role == Role::Annotations ? Role::Annotation
                                                         : Role::Any;
        const ASInt32 count = value.Length();
        for (ASInt32 i = 0; i < count; ++i) inside.emplace_back(value.Get(i), element);
        continue;
      }
      for (const auto& entry : kindwalk::EntriesOf(value)) {
        Role next = Role::Any;
        if (Follows(role, entry.first.ValueAsString(), &next)) inside.emplace_back(entry.second, next);
      }
    }
    HostCall("PDFXPreflight::SetFixedWhereRemoved", [&] { CosDocReleaseHandles(doc, mark); });
  };
  walk(-1, Role::Trailer);
  while (!work.empty()) {
    const std::pair<ASInt32, Role> next = work.back();
    work.pop_back();
    unsigned& roles = reached[next.first];
    const unsigned bit = 1u << static_cast<unsigned>(next.second);
    if (roles & bit) continue;
    roles |= bit;
    walk(next.first, next.second);
  }

  for (Zentu::PDFX_Error* error : candidates) {
    bool unreached = false;
    bool settled = true;
    ForEachNamedNode(*error, [&](const ObjectNode& node) {
      if (node.objectNumber < 0) {
        if (directReached.count(IdentityKey(node.object))) settled = false;
      } else if (reached.count(node.objectNumber)) {
        settled = false;
      } else if (MyCosObj(node.object.GetCosObj()).IsNull()) {
        // Destroyed: a replacement may carry the problem on.
        settled = false;
      } else {
        unreached = true;
      }
    });
    if (settled && unreached) error->SetFixed(true);
  }
}
