#include "alternates/ZentuCMS.h"

#include <new>

namespace ZentuCMS {
namespace {
Engine* gEngine = nullptr;
Engine* gInstalled = nullptr;  // a test's
}  // namespace

Engine* Engine::Instance() {
  if (gInstalled) return gInstalled;
  if (!gEngine) gEngine = new (std::nothrow) DefaultEngine;  // kept to the end
  return gEngine;
}

namespace {
Engine& Must() {
  Engine* engine = Engine::Instance();
  if (!engine) throw CMSError();
  return *engine;
}
}  // namespace

ProfileRef::ProfileRef(const ASUns32* description) : description_(*description) {
  profile_ = Must().CreateProfile(description);
}
ProfileRef::~ProfileRef() { delete profile_; }

TransformRef::~TransformRef() { delete transform_; }

Transform* TransformRef::Get() {
  if (!transform_) {
    const ASUns32 source = source_.Description(), destination = destination_.Description();
    transform_ = Must().CreateTransform(&source, &destination);
  }
  return transform_;
}

void TransformRef::Apply(PixelLayout* source, PixelLayout* destination) {
  if (Transform* transform = Get()) transform->Apply(source, destination);
}

PixelLayoutRef::PixelLayoutRef(ASInt32 width, ASInt32 rows, const ASUns32* description, void* samples) {
  layout_ = Must().CreatePixelLayout(width, rows, description, samples);
}
PixelLayoutRef::~PixelLayoutRef() { delete layout_; }

}  // namespace ZentuCMS

namespace zentucmstest {
void SetEngine(ZentuCMS::Engine* engine) { ZentuCMS::gInstalled = engine; }
}  // namespace zentucmstest
