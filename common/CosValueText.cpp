#include "common/CosValueText.h"

#include <cstdint>
#include <cstdio>
#include <set>

namespace {
const char kDepthMarker[] = "*** Maximum depth exceeded ***";
}

// State shared by one whole text: the indirect objects on the current path
// (a page and its parent refer to each other) and whether the cap was hit.
struct CosValueText::Walk {
  std::string out;
  ASInt32 maxDepth;
  ASInt32 start;  // the depth the caller asked about
  std::set<ASInt32> path;
  bool full = false;

  void Put(const char* piece) { Put(std::string(piece)); }
  // Past the cap only what fits is kept; the constructor then makes room for
  // the marker.
  void Put(const std::string& piece) {
    if (full) return;
    if (out.size() + piece.size() > kMaxText) {
      out.append(piece, 0, kMaxText - out.size());
      full = true;
      return;
    }
    out += piece;
  }
  bool TooDeep(ASInt32 depth) const {
    return (maxDepth != 0 && depth >= maxDepth) ||
           static_cast<int64_t>(depth) - start >= kMaxNesting;
  }
};

namespace {

struct EntryContext {
  CosValueText::Walk* walk;
  ASInt32 depth;
};

}  // namespace

CosValueText::CosValueText(const CosObj& obj, ASInt32 maxDepth, ASInt32 depth)
    : obj_(obj), depth_(depth), maxDepth_(maxDepth) {
  Walk walk;
  walk.maxDepth = maxDepth;
  walk.start = depth;
  ASInt32 id = obj_.GetID();
  if (id != -1) walk.path.insert(id);
  Append(walk, obj_, depth);
  if (walk.full) {
    // Cut where the cap fell and say so, as a depth cut would.
    size_t keep = kMaxText - (sizeof kDepthMarker - 1);
    if (walk.out.size() > keep) walk.out.resize(keep);
    walk.out += kDepthMarker;
    cut_ = true;
  }
  text_ = std::move(walk.out);
}

CosValueText CosValueText::FromObject(const MyCosObj& obj, ASInt32 maxDepth, ASInt32 depth) {
  return CosValueText(obj.GetCosObj(), maxDepth, depth);
}

void CosValueText::Append(Walk& walk, const MyCosObj& obj, ASInt32 depth) {
  if (walk.full) return;
  if (walk.TooDeep(depth)) {
    walk.Put(kDepthMarker);
    return;
  }
  char buf[64];
  switch (obj.CachedType()) {
    case CosInteger:
      std::snprintf(buf, sizeof buf, "%ld", static_cast<long>(obj));
      walk.Put(buf);
      return;
    case CosFixed:
      std::snprintf(buf, sizeof buf, "%f", static_cast<double>(obj));
      walk.Put(buf);
      return;
    case CosBoolean:
      walk.Put(static_cast<bool>(obj) ? "true" : "false");
      return;
    case CosName:
      walk.Put("/" + obj.ValueAsString());
      return;
    case CosString:
      walk.Put("(" + obj.ValueAsString() + ")");
      return;
    case CosArray: {
      walk.Put("[");
      if (walk.TooDeep(depth + 1)) {
        walk.Put(std::string(" ") + kDepthMarker);
      } else {
        ASInt32 n = obj.Length();
        for (ASInt32 i = 0; i < n && !walk.full; ++i) {
          MyCosObj item = obj.Get(i);
          ASInt32 id = item.GetID();
          if (id != -1) {
            std::snprintf(buf, sizeof buf, " { #%lu", static_cast<unsigned long>(static_cast<ASUns32>(id)));
            walk.Put(buf);
          }
          walk.Put(" ");
          if (id != -1 && !walk.path.insert(id).second) {
            walk.Put(kDepthMarker);  // already on the way down: a cycle
          } else {
            Append(walk, item, depth + 1);
            if (id != -1) walk.path.erase(id);
          }
          if (id != -1) walk.Put(" }");
        }
      }
      walk.Put(" ]");
      return;
    }
    case CosDict: {
      walk.Put("<<");
      if (walk.TooDeep(depth + 1)) {
        walk.Put(std::string(" ") + kDepthMarker);
      } else {
        EntryContext ctx{&walk, depth};
        obj.Enum(
            [](MyCosObj& key, MyCosObj& value, void* data) -> ASBool {
              auto* c = static_cast<EntryContext*>(data);
              Walk& w = *c->walk;
              if (w.full) return 0;
              w.Put(" ");
              Append(w, key, c->depth + 1);
              ASInt32 id = value.GetID();
              char num[64];
              if (id != -1) {
                std::snprintf(num, sizeof num, " { #%lu ", static_cast<unsigned long>(static_cast<ASUns32>(id)));
                w.Put(num);
              }
              w.Put(" ");
              if (id != -1 && !w.path.insert(id).second) {
                w.Put(kDepthMarker);
              } else {
                Append(w, value, c->depth + 1);
                if (id != -1) w.path.erase(id);
              }
              if (id != -1) w.Put(" }");
              return w.full ? 0 : 1;
            },
            &ctx);
      }
      walk.Put(" >>");
      return;
    }
    case CosStream:
      walk.Put("| stream ");
      Append(walk, obj.Dict(), depth + 1);
      walk.Put(" |");
      return;
    default:
      walk.Put("****NULL*****");
      return;
  }
}

std::string CosValueText::Unquoted() const {
  // Only delimiters that are there come off: a text cut by the depth or by
  // the cap holds the marker in their place.
  const std::string& text = text_;
  if (obj_.CachedType() == CosName && !text.empty() && text[0] == '/') return text.substr(1);
  if (obj_.CachedType() == CosString && !text.empty() && text[0] == '(') {
    if (cut_) return text.substr(1);
    return text.substr(1, text.size() - 2);
  }
  return text;
}
