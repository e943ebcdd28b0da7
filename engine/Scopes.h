// Small guards of the walk and the fixers: what is opened, pushed or made
// for a while is closed, popped or destroyed however the step ends.
#pragma once
#include <cstdint>
#include <utility>

#include "common/MyCosObj.h"
#include "engine/ResourceStack.h"
#include "host/calls.h"
#include "host/frame.h"

class StreamCloser {
 public:
  explicit StreamCloser(ASStm stm) : stm_(stm) {}
  ~StreamCloser() {
    if (stm_) HostRegion([&] { ASStmClose(stm_); });
  }
  StreamCloser(const StreamCloser&) = delete;
  StreamCloser& operator=(const StreamCloser&) = delete;

 private:
  ASStm stm_;
};

// An inline image's temporary object.
class TemporaryObject {
 public:
  explicit TemporaryObject(const MyCosObj& object) : object_(object) {}
  ~TemporaryObject() {
    try {
      object_.Destroy();
    } catch (const Zentu::AcrobatException&) {
      // Nothing refers to it; a failure leaves only an unused object.
    }
  }
  TemporaryObject(const TemporaryObject&) = delete;
  TemporaryObject& operator=(const TemporaryObject&) = delete;

 private:
  MyCosObj object_;
};

// Pushes a resource level while it lives; a /Resources that is not a
// dictionary is taken as none.
class ResourceLevelScope {
 public:
  ResourceLevelScope(ResourceStack& stack, const MyCosObj& resources) : stack_(stack) {
    if (resources.CachedType() != CosDict) return;
    stack_.Push(resources);
    pushed_ = true;
  }
  ~ResourceLevelScope() {
    if (pushed_) stack_.Pop();
  }
  ResourceLevelScope(const ResourceLevelScope&) = delete;
  ResourceLevelScope& operator=(const ResourceLevelScope&) = delete;

 private:
  ResourceStack& stack_;
  bool pushed_ = false;
};

// The identity of an object in this host: direct objects included.
inline std::pair<ASUns32, ASUns32> IdentityOf(const MyCosObj& object) {
  const CosObj& raw = object.GetCosObj();
  return std::make_pair(raw.a, raw.b);
}

// The same as one number, for hashed containers.
inline uint64_t IdentityKey(const MyCosObj& object) {
  const CosObj& raw = object.GetCosObj();
  return (static_cast<uint64_t>(raw.a) << 32) | raw.b;
}
